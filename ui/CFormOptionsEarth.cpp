// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormOptionsEarth.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "data/COptions.h"
#include "map/WeatherMap.h"
#include "platform/Log.h"
#include "ui/CFormOptions.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cwchar>
#include <string>
#include <vector>

namespace
{
std::wstring ComboText(HWND combo, int index)
{
    const int length = ComboBox_GetLBTextLen(combo, index);
    if (length < 0)
    {
        ThrowApplicationException(Here());
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
} // namespace

void CFormOptionsEarth::OnInitPage()
{
    m_comboBackground = Control(IDC_COMBO_BACKGROUND);
    m_comboRegion = Control(IDC_COMBO_REGION);
    m_previewBackground = Control(IDC_PREVIEW_BACKGROUND);
    ComboBox_SetMinVisible(m_comboBackground, 20);
    ComboBox_SetMinVisible(m_comboRegion, 20);
    for (const MapRegion& region : MapRegion::GetAllRegions())
    {
        ComboBox_AddString(m_comboRegion, region.Name.c_str());
    }
}

void CFormOptionsEarth::PopulateControls(const COptions& options)
{
    ComboBox_ResetContent(m_comboBackground);
    std::vector<std::wstring> backgrounds;
    EarthBackground::ListFiles(backgrounds);
    for (const std::wstring& name : backgrounds)
    {
        ComboBox_AddString(m_comboBackground, name.c_str());
    }
    SelectExactText(m_comboRegion, options.Region.Name);
    SelectExactText(m_comboBackground, options.Background.Name);
    if (m_previewBackground != nullptr)
    {
        InvalidateRect(m_previewBackground, nullptr, FALSE);
    }
}

bool CFormOptionsEarth::OnCommand(WORD id, WORD notification)
{
    switch (id)
    {
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
    default:
        return false;
    }
}

bool CFormOptionsEarth::OnPageMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result)
{
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (message != WM_DRAWITEM || item == nullptr || item->CtlID != IDC_PREVIEW_BACKGROUND)
    {
        return false;
    }
    try
    {
        DrawBackgroundPreview(*item);
    }
    catch (...)
    {
        Log::Exception(L"CFormOptionsEarth::OnDrawItem");
    }
    result = TRUE;
    return true;
}

void CFormOptionsEarth::OnRegionChanged()
{
    const int index = ComboBox_GetCurSel(m_comboRegion);
    MapRegion region;
    if (index >= 0 && MapRegion::FindByName(ComboText(m_comboRegion, index), region))
    {
        Copy().Region = region;
        RepaintPreviews();
        return;
    }
    SelectExactText(m_comboRegion, Copy().Region.Name);
}

void CFormOptionsEarth::OnBackgroundChanged()
{
    const int index = ComboBox_GetCurSel(m_comboBackground);
    if (index >= 0 && Copy().Background.SetByName(ComboText(m_comboBackground, index)))
    {
        RepaintPreviews();
        return;
    }
    SelectExactText(m_comboBackground, Copy().Background.Name);
}

void CFormOptionsEarth::RepaintPreviews()
{
    if (m_previewBackground != nullptr)
    {
        InvalidateRect(m_previewBackground, nullptr, FALSE);
    }
    Owner().RepaintDisplayPreview();
}

void CFormOptionsEarth::DrawBackgroundPreview(const DRAWITEMSTRUCT& item)
{
    const RECT& rect = item.rcItem;
    if (!HasCopy())
    {
        FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    Gdiplus::Graphics graphics(item.hDC);
    UtilGraphics::DrawBackground(Copy().Region, Copy().Background, graphics, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top);
}
