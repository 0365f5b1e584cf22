// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormOptionsDisplay.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "data/COptions.h"
#include "map/WeatherMap.h"
#include "platform/COffscreenSurface.h"
#include "platform/Log.h"
#include "ui/CFormOptions.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>

namespace
{
COLORREF ToColorRef(ArgbColor color)
{
    return RGB(color.Red(), color.Green(), color.Blue());
}
} // namespace

void CFormOptionsDisplay::OnInitPage()
{
    m_previewDisplay = Control(IDC_PREVIEW_DISPLAY);
    m_sliderIconScale = Control(IDC_SLIDER_ICON_SCALE);
    m_labelIconScale = Control(IDC_LABEL_ICON_SCALE);
    SendMessageW(m_sliderIconScale, TBM_SETRANGE, TRUE,
                 MAKELPARAM(COptions::MinWeatherIconScale, COptions::MaxWeatherIconScale));
    SendMessageW(m_sliderIconScale, TBM_SETLINESIZE, 0, 5);
    SendMessageW(m_sliderIconScale, TBM_SETPAGESIZE, 0, 20);
}

void CFormOptionsDisplay::PopulateControls(const COptions& options)
{
    CheckDlgButton(Hwnd(), IDC_CHECK_SHOW_CITY_NAME, options.DispalyCityName ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Hwnd(), IDC_CHECK_SHOW_TEMPERATURE,
                   options.DisplayCityTemprature ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Hwnd(), IDC_CHECK_DAY_AND_NIGHT, options.ShowDayAndNight ? BST_CHECKED : BST_UNCHECKED);
    SendMessageW(m_sliderIconScale, TBM_SETPOS, TRUE, options.WeatherIconScale);
    SetWindowTextW(m_labelIconScale, (std::to_wstring(options.WeatherIconScale) + L"%").c_str());
    RepaintPreview();
}

void CFormOptionsDisplay::RepaintPreview()
{
    if (m_previewDisplay != nullptr)
    {
        InvalidateRect(m_previewDisplay, nullptr, FALSE);
    }
}

bool CFormOptionsDisplay::OnCommand(WORD id, WORD)
{
    switch (id)
    {
    case IDC_CHECK_SHOW_CITY_NAME:
        Copy().DispalyCityName = IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED;
        RepaintPreview();
        return true;
    case IDC_CHECK_SHOW_TEMPERATURE:
        Copy().DisplayCityTemprature = IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED;
        RepaintPreview();
        return true;
    case IDC_CHECK_DAY_AND_NIGHT:
        Copy().ShowDayAndNight = IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED;
        return true;
    case IDC_BUTTON_CITY_NAME_COLOR:
        OnColorClicked(Copy().ColorCityName);
        return true;
    case IDC_BUTTON_TEMPERATURE_COLOR:
        OnColorClicked(Copy().ColorCityTemprature);
        return true;
    case IDC_BUTTON_CITY_NAME_FONT:
        OnBnClickedButtonCityNameFont();
        return true;
    case IDC_BUTTON_TEMPERATURE_FONT:
        OnBnClickedButtonTempratureFont();
        return true;
    default:
        return false;
    }
}

bool CFormOptionsDisplay::OnPageMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result)
{
    switch (message)
    {
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == m_sliderIconScale && m_sliderIconScale != nullptr)
        {
            OnIconScaleScrolled();
            result = 0;
            return true;
        }
        return false;
    case WM_DRAWITEM:
    {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item == nullptr || item->CtlID != IDC_PREVIEW_DISPLAY)
        {
            return false;
        }
        try
        {
            DrawDisplayPreview(*item);
        }
        catch (...)
        {
            Log::Exception(L"CFormOptionsDisplay::OnDrawItem");
        }
        result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

void CFormOptionsDisplay::OnIconScaleScrolled()
{
    if (!HasCopy())
    {
        return;
    }
    const int position = static_cast<int>(SendMessageW(m_sliderIconScale, TBM_GETPOS, 0, 0));
    if (position < COptions::MinWeatherIconScale || position > COptions::MaxWeatherIconScale)
    {
        return;
    }
    Copy().WeatherIconScale = position;
    RepaintPreview();
    SetWindowTextW(m_labelIconScale, (std::to_wstring(position) + L"%").c_str());
}

void CFormOptionsDisplay::OnColorClicked(ArgbColor& color)
{
    // Kept for the whole run, as the chooser's own palette of custom colours is.
    static COLORREF customColors[16] = {};
    CHOOSECOLORW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = Owner().Hwnd();
    chooser.rgbResult = ToColorRef(color);
    chooser.lpCustColors = customColors;
    chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (CFormOptions::ShowColorChooser(&chooser))
    {
        color = ArgbColor::FromRgb(GetRValue(chooser.rgbResult), GetGValue(chooser.rgbResult),
                                   GetBValue(chooser.rgbResult));
        RepaintPreview();
    }
}

void CFormOptionsDisplay::OnBnClickedButtonCityNameFont()
{
    OnFontClicked(Copy().FontCityName, Copy().FontCityNameChosenFamily, Here());
}

void CFormOptionsDisplay::OnBnClickedButtonTempratureFont()
{
    OnFontClicked(Copy().FontCityTemprature, Copy().FontCityTempratureChosenFamily, Here());
}

void CFormOptionsDisplay::OnFontClicked(CPtr<Gdiplus::Font>& font, std::wstring& chosenFamily,
                                        const char* failure)
{
    LOGFONTW logFont{};
    {
        Gdiplus::Graphics graphics(Owner().Hwnd());
        if (font.IsNull() || graphics.GetLastStatus() != Gdiplus::Ok ||
            font->GetLogFontW(&graphics, &logFont) != Gdiplus::Ok)
        {
            ThrowApplicationException(failure);
        }
    }
    CHOOSEFONTW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = Owner().Hwnd();
    chooser.lpLogFont = &logFont;
    // Underline, strike-out and colour are not part of the map's fonts, so they are not offered.
    chooser.Flags = CF_INITTOLOGFONTSTRUCT | CF_SCREENFONTS | CF_NOVERTFONTS;
    if (!CFormOptions::ShowFontChooser(&chooser))
    {
        return;
    }
    // Bold only at exactly the bold weight: the map's fonts know regular and bold, no others.
    INT style = logFont.lfWeight == FW_BOLD ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular;
    if (logFont.lfItalic)
    {
        style |= Gdiplus::FontStyleItalic;
    }
    CPtr<Gdiplus::Font> chosen(new Gdiplus::Font(
        logFont.lfFaceName, static_cast<float>(chooser.iPointSize) / 10.0f, style, Gdiplus::UnitPoint));
    // A face GDI+ cannot use (not TrueType, or gone) would draw nothing: keep the old font.
    if (chosen->GetLastStatus() != Gdiplus::Ok || chooser.iPointSize <= 0)
    {
        ThrowApplicationException(failure);
    }
    font = std::move(chosen);
    chosenFamily.clear(); // the chooser offers only families that are there
    RepaintPreview();
}

void CFormOptionsDisplay::DrawDisplayPreview(const DRAWITEMSTRUCT& item)
{
    const RECT& rect = item.rcItem;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (!HasCopy() || width <= 0 || height <= 0)
    {
        FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    // Drawn off screen and copied in one block, so that dragging the slider does not flicker.
    COffscreenSurface surface(item.hDC, width, height, Here());
    {
        Gdiplus::Graphics graphics(surface.Dc());
        graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        UtilGraphics::DrawBackground(MapRegion::GetPreviewRegion(), Copy().Background, graphics, 0, 0, width,
                                     height);
        City sample(0, L"", L"", L"Name", L"", 0.0f, 0.0f);
        sample.CurrentWeather.ReportDateTime = DateTime::UtcNow();
        sample.CurrentWeather.WeatherCode = static_cast<EnumWeatherCode>(4);
        sample.CurrentWeather.Temprature = 23.0f;
        sample.CurrentWeather.DewPoint = 23.0f;
        IWindowHost& host = Owner().Host();
        const auto icons = [&host](bool isDay, const Nullable<EnumWeatherCode>& code)
        { return host.GetSmallWeatherIcon(isDay, code); };
        UtilGraphics::DrawCity(graphics, sample, Copy(), true, true, true, width / 2, height / 2, icons,
                               DateTime::UtcNow());
    }
    BitBlt(item.hDC, rect.left, rect.top, width, height, surface.Dc(), 0, 0, SRCCOPY);
}
