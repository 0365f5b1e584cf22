#include "ui/CFormOptions.h"

#include "app/Program.h"
#include "app/WindowMessages.h"
#include "core/ApplicationException.h"
#include "core/Util.h"
#include "data/CityListControls.h"
#include "map/UtilGraphics.h"
#include "platform/COffscreenSurface.h"
#include "platform/Log.h"
#include "res/Resource.h"
#include "ui/CFormEditCity.h"
#include "ui/CFormSelectCity.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

CFormOptions::ChooseFontFunction CFormOptions::ShowFontChooser = ChooseFontW;
CFormOptions::ChooseColorFunction CFormOptions::ShowColorChooser = ChooseColorW;
CFormOptions::MessageBoxFunction CFormOptions::ShowMessageBox = MessageBoxW;

namespace
{
constexpr const wchar_t* kOtherCity = L"Other city...";
constexpr const wchar_t* kSeparator = L" ";

std::wstring ComboText(HWND combo, int index)
{
    const int length = ComboBox_GetLBTextLen(combo, index);
    if (length < 0)
    {
        ThrowApplicationException("CFormOptions::ComboText (37)");
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ComboBox_GetLBText(combo, index, text.data());
    text.resize(std::wcslen(text.c_str()));
    return text;
}

// Combo boxes find strings ignoring case; the region and background names are matched exactly.
void SelectExactText(HWND combo, const std::wstring& text)
{
    const int count = ComboBox_GetCount(combo);
    for (int i = 0; i < count; ++i)
    {
        if (ComboText(combo, i) == text)
        {
            ComboBox_SetCurSel(combo, i);
            return;
        }
    }
    ComboBox_SetCurSel(combo, -1);
}

int DpiOf(HWND hwnd)
{
    const UINT dpi = GetDpiForWindow(hwnd);
    return dpi != 0 ? static_cast<int>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

COLORREF ToColorRef(ArgbColor color)
{
    return RGB(color.Red(), color.Green(), color.Blue());
}

} // namespace

CFormOptions::CFormOptions(HINSTANCE instance)
    : CDialogBase(IDD_OPTIONS, instance), m_instance(instance), m_pageGeneral(*this, instance),
      m_pageCities(*this, instance), m_pageEarth(*this, instance), m_pageDisplay(*this, instance)
{
}

CFormOptions::~CFormOptions() = default;

bool CFormOptions::Create()
{
    return CDialogBase::Create(nullptr);
}

COptions& CFormOptions::Copy() const
{
    return *m_options;
}

unsigned CFormOptions::CurrentPage() const
{
    const int page = m_tab != nullptr ? TabCtrl_GetCurSel(m_tab) : -1;
    return page < 0 ? 0u : static_cast<unsigned>(page);
}

void CFormOptions::Showup(unsigned page)
{
    if (!IsWindow())
    {
        ThrowApplicationException("CFormOptions::Showup (101)");
    }
    if (page <= PageDisplay)
    {
        TabCtrl_SetCurSel(m_tab, static_cast<int>(page));
        ShowPage(page);
    }
    if (!IsWindowVisible(Hwnd()))
    {
        m_options = Program::Options().Clone();
        PopulateControls();
        ShowWindow(Hwnd(), SW_SHOW);
    }
    // While the user picks cities this dialog is disabled: the selection is what wants the focus.
    const bool selecting =
        m_selectCity != nullptr && m_selectCity->IsWindow() && IsWindowVisible(m_selectCity->Hwnd());
    const HWND front = selecting ? m_selectCity->Hwnd() : Hwnd();
    SetForegroundWindow(front);
    SetActiveWindow(front);
}

void CFormOptions::DropAndHide()
{
    if (m_selectCity != nullptr && m_selectCity->IsWindow())
    {
        ShowWindow(m_selectCity->Hwnd(), SW_HIDE);
    }
    m_options.Reset();
    if (IsWindow())
    {
        EnableWindow(Hwnd(), TRUE);
        ShowWindow(Hwnd(), SW_HIDE);
    }
}

bool CFormOptions::ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return true;
    case WM_NOTIFY:
    {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header != nullptr && header->idFrom == IDC_TAB_OPTIONS && header->code == TCN_SELCHANGE)
        {
            ShowPage(CurrentPage());
            result = 0;
            return true;
        }
        return false;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
        {
            OnOK();
            result = 0;
            return true;
        }
        if (LOWORD(wParam) == IDCANCEL)
        {
            DropAndHide();
            result = 0;
            return true;
        }
        return false;
    case WM_CLOSE:
        DropAndHide();
        result = 0;
        return true;
    case WM_SELECT_CITY_OK:
        OnSelectCityOk();
        result = 0;
        return true;
    case WM_SELECT_CITY_CANCEL:
        OnSelectCityCancel();
        result = 0;
        return true;
    default:
        return false;
    }
}

bool CFormOptions::ProcessPageMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message)
    {
    case WM_COMMAND:
        result = 0;
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == m_sliderIconScale && m_sliderIconScale != nullptr)
        {
            OnIconScaleScrolled();
            result = 0;
            return true;
        }
        return false;
    case WM_NOTIFY:
    {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header != nullptr && header->idFrom == IDC_LIST_FAVORITE_CITIES && header->code == NM_DBLCLK)
        {
            try
            {
                if (ListView_GetSelectedCount(m_listCities) == 1)
                {
                    ChangeDisplayName();
                }
            }
            catch (...)
            {
                Log::Exception(L"CFormOptions::OnNmDblclkListCities");
            }
            result = 0;
            return true;
        }
        return false;
    }
    case WM_DRAWITEM:
    {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item == nullptr)
        {
            return false;
        }
        try
        {
            if (item->CtlID == IDC_PREVIEW_BACKGROUND)
            {
                DrawBackgroundPreview(*item);
            }
            else if (item->CtlID == IDC_PREVIEW_DISPLAY)
            {
                DrawDisplayPreview(*item);
            }
            else
            {
                return false;
            }
        }
        catch (...)
        {
            Log::Exception(L"CFormOptions::OnDrawItem");
        }
        result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

void CFormOptions::OnInitDialog()
{
    CenterWindow(nullptr);
    SetWindowTextW(Hwnd(), (std::wstring(Program::ProductName) + L" - Options").c_str());

    m_tab = GetDlgItem(Hwnd(), IDC_TAB_OPTIONS);
    const wchar_t* titles[] = {L"General", L"Favorite Cities", L"Earth Background", L"Display Options"};
    for (int i = 0; i < 4; ++i)
    {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(titles[i]);
        TabCtrl_InsertItem(m_tab, i, &item);
    }

    // The pages cover the tab control's display area, in the dialog's client coordinates.
    RECT area{};
    GetWindowRect(m_tab, &area);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&area), 2);
    TabCtrl_AdjustRect(m_tab, FALSE, &area);
    CFormOptionsPage* pages[] = {&m_pageGeneral, &m_pageCities, &m_pageEarth, &m_pageDisplay};
    for (CFormOptionsPage* page : pages)
    {
        if (!page->Create(Hwnd()))
        {
            ThrowApplicationException("CFormOptions::OnInitDialog (281)");
        }
        // Above the tab control, so that the pages are drawn over it and Tab reaches them in order.
        SetWindowPos(page->Hwnd(), m_tab, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE);
    }

    m_comboHomeCity = GetDlgItem(m_pageCities.Hwnd(), IDC_COMBO_HOME_CITY);
    m_listCities = GetDlgItem(m_pageCities.Hwnd(), IDC_LIST_FAVORITE_CITIES);
    m_comboBackground = GetDlgItem(m_pageEarth.Hwnd(), IDC_COMBO_BACKGROUND);
    m_comboRegion = GetDlgItem(m_pageEarth.Hwnd(), IDC_COMBO_REGION);
    m_previewBackground = GetDlgItem(m_pageEarth.Hwnd(), IDC_PREVIEW_BACKGROUND);
    m_previewDisplay = GetDlgItem(m_pageDisplay.Hwnd(), IDC_PREVIEW_DISPLAY);
    m_sliderIconScale = GetDlgItem(m_pageDisplay.Hwnd(), IDC_SLIDER_ICON_SCALE);
    m_labelIconScale = GetDlgItem(m_pageDisplay.Hwnd(), IDC_LABEL_ICON_SCALE);

    ComboBox_SetMinVisible(m_comboHomeCity, 20);
    ComboBox_SetMinVisible(m_comboBackground, 20);
    ComboBox_SetMinVisible(m_comboRegion, 20);

    ListView_SetExtendedListViewStyle(m_listCities, LVS_EX_FULLROWSELECT);
    // The columns are 220 pixels at 96 DPI; the dialog itself is scaled by its template.
    const int columnWidth = MulDiv(220, DpiOf(m_listCities), USER_DEFAULT_SCREEN_DPI);
    const wchar_t* columns[] = {L"City", L"Details"};
    for (int i = 0; i < 2; ++i)
    {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(columns[i]);
        column.cx = columnWidth;
        column.iSubItem = i;
        ListView_InsertColumn(m_listCities, i, &column);
    }

    for (const MapRegion& region : MapRegion::GetAllRegions())
    {
        ComboBox_AddString(m_comboRegion, region.Name.c_str());
    }

    SendMessageW(m_sliderIconScale, TBM_SETRANGE, TRUE,
                 MAKELPARAM(COptions::MinWeatherIconScale, COptions::MaxWeatherIconScale));
    SendMessageW(m_sliderIconScale, TBM_SETLINESIZE, 0, 5);
    SendMessageW(m_sliderIconScale, TBM_SETPAGESIZE, 0, 20);

    ShowPage(CurrentPage());
}

void CFormOptions::ShowPage(unsigned page)
{
    CFormOptionsPage* pages[] = {&m_pageGeneral, &m_pageCities, &m_pageEarth, &m_pageDisplay};
    for (CFormOptionsPage* each : pages)
    {
        if (each->IsWindow())
        {
            ShowWindow(each->Hwnd(), SW_HIDE);
        }
    }
    if (page <= PageDisplay && pages[page]->IsWindow())
    {
        ShowWindow(pages[page]->Hwnd(), SW_SHOW);
    }
}

void CFormOptions::PopulateControls()
{
    if (m_options.IsNull())
    {
        ThrowApplicationException("CFormOptions::PopulateControls (233)");
    }
    const COptions& options = Copy();
    CheckDlgButton(m_pageGeneral.Hwnd(), IDC_CHECK_UPDATE_WALLPAPER,
                   options.UpdateWallpaper ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_pageGeneral.Hwnd(), IDC_CHECK_RUN_AT_STARTUP,
                   options.RunAtSystemStartup ? BST_CHECKED : BST_UNCHECKED);
    RefreshUnitButtons();

    PopulateHomeCityList();
    PopulateCityList();

    ComboBox_ResetContent(m_comboBackground);
    std::vector<std::wstring> backgrounds;
    EarthBackground::ListFiles(backgrounds);
    for (const std::wstring& name : backgrounds)
    {
        ComboBox_AddString(m_comboBackground, name.c_str());
    }
    SelectRegionAndBackground();
    RepaintPreview(IDC_PREVIEW_BACKGROUND);

    CheckDlgButton(m_pageDisplay.Hwnd(), IDC_CHECK_SHOW_CITY_NAME,
                   options.DispalyCityName ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_pageDisplay.Hwnd(), IDC_CHECK_SHOW_TEMPERATURE,
                   options.DisplayCityTemprature ? BST_CHECKED : BST_UNCHECKED);
    SendMessageW(m_sliderIconScale, TBM_SETPOS, TRUE, options.WeatherIconScale);
    SetWindowTextW(m_labelIconScale, (std::to_wstring(options.WeatherIconScale) + L"%").c_str());
    RepaintPreview(IDC_PREVIEW_DISPLAY);
}

void CFormOptions::RefreshUnitButtons()
{
    CheckRadioButton(m_pageGeneral.Hwnd(), IDC_RADIO_FAHRENHEIT, IDC_RADIO_CELSIUS,
                     Copy().UseMetricSystem ? IDC_RADIO_CELSIUS : IDC_RADIO_FAHRENHEIT);
}

void CFormOptions::PopulateHomeCityList()
{
    const COptions& options = Copy();
    ComboBox_ResetContent(m_comboHomeCity);
    if (!options.HomeCity.IsNull())
    {
        Util::AddToComboBox(m_comboHomeCity, *options.HomeCity);
    }
    Util::AddToComboBox(m_comboHomeCity, kOtherCity, OtherCityItemData);
    if (!options.Cities->empty())
    {
        Util::AddToComboBox(m_comboHomeCity, kSeparator, SeparatorItemData);
        Util::AddToComboBox(m_comboHomeCity, options.GetCityNames());
    }
    SelectHomeCity();
}

void CFormOptions::SelectHomeCity()
{
    // The home city, when there is one, is always the first item.
    ComboBox_SetCurSel(m_comboHomeCity, !Copy().HomeCity.IsNull() ? 0 : -1);
}

void CFormOptions::PopulateCityList()
{
    const COptions& options = Copy();
    ListView_DeleteAllItems(m_listCities);
    if (!options.HomeCity.IsNull())
    {
        Util::AddToListView(m_listCities, *options.HomeCity);
    }
    for (const City& city : *options.Cities)
    {
        Util::AddToListView(m_listCities, city);
    }
}

void CFormOptions::SelectRegionAndBackground()
{
    SelectExactText(m_comboRegion, Copy().Region.Name);
    SelectExactText(m_comboBackground, Copy().Background.Name);
}

void CFormOptions::RepaintPreview(int id)
{
    const HWND preview = id == IDC_PREVIEW_BACKGROUND ? m_previewBackground : m_previewDisplay;
    if (preview != nullptr)
    {
        InvalidateRect(preview, nullptr, FALSE);
    }
}

bool CFormOptions::OnCommand(WORD id, WORD notification, HWND)
{
    try
    {
        // A control that speaks before the dialog holds a copy (while it is being filled or
        // after it was hidden) has nothing to change.
        if (m_options.IsNull())
        {
            return false;
        }
        switch (id)
        {
        case IDC_CHECK_UPDATE_WALLPAPER:
            Copy().UpdateWallpaper = IsDlgButtonChecked(m_pageGeneral.Hwnd(), id) == BST_CHECKED;
            return true;
        case IDC_CHECK_RUN_AT_STARTUP:
            Copy().RunAtSystemStartup = IsDlgButtonChecked(m_pageGeneral.Hwnd(), id) == BST_CHECKED;
            return true;
        case IDC_RADIO_FAHRENHEIT:
        case IDC_RADIO_CELSIUS:
            if (notification == BN_CLICKED)
            {
                Copy().UseMetricSystem = id == IDC_RADIO_CELSIUS;
                RefreshUnitButtons();
            }
            return true;
        case IDC_CHECK_SHOW_CITY_NAME:
            Copy().DispalyCityName = IsDlgButtonChecked(m_pageDisplay.Hwnd(), id) == BST_CHECKED;
            RepaintPreview(IDC_PREVIEW_DISPLAY);
            return true;
        case IDC_CHECK_SHOW_TEMPERATURE:
            Copy().DisplayCityTemprature = IsDlgButtonChecked(m_pageDisplay.Hwnd(), id) == BST_CHECKED;
            RepaintPreview(IDC_PREVIEW_DISPLAY);
            return true;
        case IDC_COMBO_REGION:
            if (notification == CBN_SELCHANGE)
            {
                OnRegionChanged();
            }
            return true;
        case IDC_COMBO_BACKGROUND:
            if (notification == CBN_SELCHANGE)
            {
                OnBackgroundChanged();
            }
            return true;
        case IDC_COMBO_HOME_CITY:
            if (notification == CBN_SELCHANGE)
            {
                OnHomeCityChanged();
            }
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
        case IDC_BUTTON_ADD_CITY:
            OnAddCity();
            return true;
        case IDC_BUTTON_REMOVE_CITY:
            OnRemoveCity();
            return true;
        case IDC_BUTTON_CHANGE_DISPLAY_NAME:
            if (ListView_GetSelectedCount(m_listCities) == 1)
            {
                ChangeDisplayName();
            }
            else
            {
                ShowMessageBox(Hwnd(), L"Please select one city and try again.", L"", MB_ICONINFORMATION);
            }
            return true;
        default:
            return false;
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormOptions::OnCommand");
        return true;
    }
}

void CFormOptions::OnRegionChanged()
{
    const int index = ComboBox_GetCurSel(m_comboRegion);
    MapRegion region;
    if (index >= 0 && MapRegion::FindByName(ComboText(m_comboRegion, index), region))
    {
        Copy().Region = region;
        RepaintPreview(IDC_PREVIEW_BACKGROUND);
        RepaintPreview(IDC_PREVIEW_DISPLAY);
        return;
    }
    SelectExactText(m_comboRegion, Copy().Region.Name);
}

void CFormOptions::OnBackgroundChanged()
{
    const int index = ComboBox_GetCurSel(m_comboBackground);
    if (index >= 0 && Copy().Background.SetByName(ComboText(m_comboBackground, index)))
    {
        RepaintPreview(IDC_PREVIEW_BACKGROUND);
        RepaintPreview(IDC_PREVIEW_DISPLAY);
        return;
    }
    SelectExactText(m_comboBackground, Copy().Background.Name);
}

void CFormOptions::OnIconScaleScrolled()
{
    if (m_options.IsNull())
    {
        return;
    }
    const int position = static_cast<int>(SendMessageW(m_sliderIconScale, TBM_GETPOS, 0, 0));
    if (position < COptions::MinWeatherIconScale || position > COptions::MaxWeatherIconScale)
    {
        return;
    }
    Copy().WeatherIconScale = position;
    RepaintPreview(IDC_PREVIEW_DISPLAY);
    SetWindowTextW(m_labelIconScale, (std::to_wstring(position) + L"%").c_str());
}

void CFormOptions::OnColorClicked(ArgbColor& color)
{
    // Kept for the whole run, as the chooser's own palette of custom colours is.
    static COLORREF customColors[16] = {};
    CHOOSECOLORW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = Hwnd();
    chooser.rgbResult = ToColorRef(color);
    chooser.lpCustColors = customColors;
    chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (ShowColorChooser(&chooser))
    {
        color = ArgbColor::FromRgb(GetRValue(chooser.rgbResult), GetGValue(chooser.rgbResult),
                                   GetBValue(chooser.rgbResult));
        RepaintPreview(IDC_PREVIEW_DISPLAY);
    }
}

void CFormOptions::OnBnClickedButtonCityNameFont()
{
    OnFontClicked(Copy().FontCityName, Copy().FontCityNameChosenFamily,
                  "CFormOptions::OnBnClickedButtonCityNameFont (519)");
}

void CFormOptions::OnBnClickedButtonTempratureFont()
{
    OnFontClicked(Copy().FontCityTemprature, Copy().FontCityTempratureChosenFamily,
                  "CFormOptions::OnBnClickedButtonTempratureFont (557)");
}

void CFormOptions::OnFontClicked(CPtr<Gdiplus::Font>& font, std::wstring& chosenFamily, const char* failure)
{
    LOGFONTW logFont{};
    {
        Gdiplus::Graphics graphics(Hwnd());
        if (font.IsNull() || graphics.GetLastStatus() != Gdiplus::Ok ||
            font->GetLogFontW(&graphics, &logFont) != Gdiplus::Ok)
        {
            ThrowApplicationException(failure);
        }
    }
    CHOOSEFONTW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = Hwnd();
    chooser.lpLogFont = &logFont;
    // Underline, strike-out and colour are not part of the map's fonts, so they are not offered.
    chooser.Flags = CF_INITTOLOGFONTSTRUCT | CF_SCREENFONTS | CF_NOVERTFONTS;
    if (!ShowFontChooser(&chooser))
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
    RepaintPreview(IDC_PREVIEW_DISPLAY);
}

int CFormOptions::RowCityId(int row) const
{
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (row < 0 || !ListView_GetItem(m_listCities, &item))
    {
        return 0;
    }
    return static_cast<int>(item.lParam);
}

City* CFormOptions::FindCity(int id) const
{
    COptions& options = Copy();
    if (!options.HomeCity.IsNull() && options.HomeCity->Id == id)
    {
        return options.HomeCity.Get();
    }
    for (City& city : *options.Cities)
    {
        if (city.Id == id)
        {
            return &city;
        }
    }
    return nullptr;
}

void CFormOptions::OnHomeCityChanged()
{
    COptions& options = Copy();
    const int index = ComboBox_GetCurSel(m_comboHomeCity);
    if (index < 0)
    {
        return;
    }
    const int id = static_cast<int>(ComboBox_GetItemData(m_comboHomeCity, index));
    if (id == OtherCityItemData)
    {
        ShowSelectCity(CFormSelectCity::PurposeHomeCity);
        return;
    }
    if (id == SeparatorItemData)
    {
        SelectHomeCity();
        return;
    }
    if (!options.HomeCity.IsNull() && options.HomeCity->Id == id)
    {
        return;
    }
    const auto found = std::find_if(options.Cities->begin(), options.Cities->end(),
                                    [id](const City& city) { return city.Id == id; });
    if (found == options.Cities->end())
    {
        SelectHomeCity();
        return;
    }
    CPtr<City> previous = std::move(options.HomeCity);
    options.HomeCity = CPtr<City>(new City(*found));
    options.Cities->erase(found);
    if (!previous.IsNull())
    {
        options.Cities->push_back(*previous);
    }
    PopulateHomeCityList();
}

void CFormOptions::ShowSelectCity(int purpose)
{
    m_selectionPurpose = purpose;
    if (m_selectCity == nullptr)
    {
        m_selectCity = std::make_unique<CFormSelectCity>(Hwnd(), m_instance);
    }
    try
    {
        m_selectCity->Showup(purpose);
    }
    catch (...)
    {
        // Nothing opened: the home city list must not keep showing "Other city...".
        if (purpose == CFormSelectCity::PurposeHomeCity)
        {
            SelectHomeCity();
        }
        throw;
    }
}

void CFormOptions::OnAddCity()
{
    ShowSelectCity(CFormSelectCity::PurposeAddCities);
}

void CFormOptions::OnSelectCityOk()
{
    try
    {
        if (m_options.IsNull() || m_selectCity == nullptr)
        {
            return;
        }
        COptions& options = Copy();
        std::vector<CityRecord> records;
        m_selectCity->GetSelectedCities(records);
        if (records.empty())
        {
            if (m_selectionPurpose == CFormSelectCity::PurposeHomeCity)
            {
                SelectHomeCity();
            }
            return;
        }
        if (m_selectionPurpose == CFormSelectCity::PurposeAddCities)
        {
            for (const CityRecord& record : records)
            {
                if (FindCity(record.Id) == nullptr)
                {
                    options.Cities->push_back(City(record));
                }
            }
        }
        else
        {
            const CityRecord& record = records.front();
            if (!options.HomeCity.IsNull() && options.HomeCity->Id == record.Id)
            {
                SelectHomeCity();
                return;
            }
            const auto found = std::find_if(options.Cities->begin(), options.Cities->end(),
                                            [&record](const City& city) { return city.Id == record.Id; });
            if (found != options.Cities->end())
            {
                options.Cities->erase(found);
            }
            CPtr<City> previous = std::move(options.HomeCity);
            options.HomeCity = CPtr<City>(new City(record));
            if (!previous.IsNull())
            {
                options.Cities->push_back(*previous);
            }
        }
        // Both lists, always: a favourite that became the home city now shows the catalogue's name.
        PopulateHomeCityList();
        PopulateCityList();
    }
    catch (...)
    {
        Log::Exception(L"CFormOptions::OnSelectCityOk");
    }
}

void CFormOptions::OnSelectCityCancel()
{
    try
    {
        if (!m_options.IsNull() && m_selectionPurpose == CFormSelectCity::PurposeHomeCity)
        {
            SelectHomeCity();
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormOptions::OnSelectCityCancel");
    }
}

void CFormOptions::OnRemoveCity()
{
    if (ListView_GetSelectedCount(m_listCities) == 0)
    {
        ShowMessageBox(Hwnd(), L"Please select a city and try again.", L"", MB_ICONINFORMATION);
        return;
    }
    COptions& options = Copy();
    std::vector<int> rows;
    for (int row = ListView_GetNextItem(m_listCities, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(m_listCities, row, LVNI_SELECTED))
    {
        rows.push_back(row);
        const int id = RowCityId(row);
        if (!options.HomeCity.IsNull() && options.HomeCity->Id == id)
        {
            options.HomeCity.Reset();
            continue;
        }
        const auto found = std::find_if(options.Cities->begin(), options.Cities->end(),
                                        [id](const City& city) { return city.Id == id; });
        if (found != options.Cities->end())
        {
            options.Cities->erase(found);
        }
    }
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
    {
        ListView_DeleteItem(m_listCities, *row);
    }
    PopulateHomeCityList();
}

void CFormOptions::ChangeDisplayName()
{
    const int row = ListView_GetNextItem(m_listCities, -1, LVNI_SELECTED);
    if (row < 0)
    {
        ThrowApplicationException("CFormOptions::ChangeDisplayName (861)");
    }
    City* target = FindCity(RowCityId(row));
    if (target == nullptr)
    {
        return;
    }
    CFormEditCity dialog(*target, m_instance);
    if (dialog.DoModal(Hwnd()) != IDOK)
    {
        return;
    }
    // The list keeps its rows sorted by name: the renamed city goes in again at its new place.
    ListView_DeleteItem(m_listCities, row);
    Util::AddToListView(m_listCities, *target);
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = target->Id;
    const int added = ListView_FindItem(m_listCities, -1, &find);
    if (added >= 0)
    {
        ListView_SetItemState(m_listCities, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(m_listCities, added, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(m_listCities, added, FALSE);
    }
    PopulateHomeCityList();
}

void CFormOptions::OnOK()
{
    try
    {
        if (m_options.IsNull())
        {
            DropAndHide();
            return;
        }
        // Downloads that finished while the dialog was open went to the live options, and so did
        // the local weather window's own menu; the dialog edits neither.
        const COptions& live = Program::Options();
        m_options->CopyWeatherFrom(live);
        m_options->FormLocalWeather_Mode = live.FormLocalWeather_Mode;
        m_options->FormLocalWeather_AlwaysOnTop = live.FormLocalWeather_AlwaysOnTop;
        Program::SetOptions(std::move(m_options));
        Program::Options().Save();
        Program::UpdateWallpaper();
        DropAndHide();
        // Cities added just now have no weather yet: fetch them without waiting for the timer.
        Program::ScheduleDownload(false);
    }
    catch (...)
    {
        Log::Exception(L"CFormOptions::OnOK");
    }
}

void CFormOptions::DrawBackgroundPreview(const DRAWITEMSTRUCT& item)
{
    const RECT& rect = item.rcItem;
    if (m_options.IsNull())
    {
        FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    Gdiplus::Graphics graphics(item.hDC);
    UtilGraphics::DrawBackground(Copy().Region, Copy().Background, graphics, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top);
}

void CFormOptions::DrawDisplayPreview(const DRAWITEMSTRUCT& item)
{
    const RECT& rect = item.rcItem;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (m_options.IsNull() || width <= 0 || height <= 0)
    {
        FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    // Drawn off screen and copied in one block, so that dragging the slider does not flicker.
    COffscreenSurface surface(item.hDC, width, height, "CFormOptions::DrawDisplayPreview (922)");
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
        UtilGraphics::DrawCity(graphics, sample, Copy(), true, true, true, width / 2, height / 2);
    }
    BitBlt(item.hDC, rect.left, rect.top, width, height, surface.Dc(), 0, 0, SRCCOPY);
}
