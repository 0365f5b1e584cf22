// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormOptionsCities.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/Util.h"
#include "data/COptions.h"
#include "platform/Log.h"
#include "ui/CFormEditCity.h"
#include "ui/CFormOptions.h"
#include "ui/CFormSelectCity.h"
#include "ui/CityListControls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

namespace
{
constexpr const wchar_t* kOtherCity = L"Other city...";
constexpr const wchar_t* kSeparator = L" ";

int DpiOf(HWND hwnd)
{
    const UINT dpi = GetDpiForWindow(hwnd);
    return dpi != 0 ? static_cast<int>(dpi) : USER_DEFAULT_SCREEN_DPI;
}
} // namespace

CFormOptionsCities::CFormOptionsCities(CFormOptions& owner, HINSTANCE instance)
    : CFormOptionsPage(IDD_OPTIONS_CITIES, owner, instance)
{
}

CFormOptionsCities::~CFormOptionsCities() = default;

void CFormOptionsCities::OnInitPage()
{
    m_comboHomeCity = Control(IDC_COMBO_HOME_CITY);
    m_listCities = Control(IDC_LIST_FAVORITE_CITIES);
    ComboBox_SetMinVisible(m_comboHomeCity, 20);

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
}

void CFormOptionsCities::PopulateControls(const COptions&)
{
    PopulateHomeCityList();
    PopulateCityList();
}

bool CFormOptionsCities::IsSelecting() const
{
    return m_selectCity != nullptr && m_selectCity->IsWindow() && IsWindowVisible(m_selectCity->Hwnd());
}

void CFormOptionsCities::HideSelectCity()
{
    if (m_selectCity != nullptr && m_selectCity->IsWindow())
    {
        ShowWindow(m_selectCity->Hwnd(), SW_HIDE);
    }
}

bool CFormOptionsCities::OnCommand(WORD id, WORD notification)
{
    switch (id)
    {
    case IDC_COMBO_HOME_CITY:
        if (notification == CBN_SELCHANGE)
        {
            OnHomeCityChanged();
        }
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
            CFormOptions::ShowMessageBox(Owner().Hwnd(), L"Please select one city and try again.", L"",
                                         MB_ICONINFORMATION);
        }
        return true;
    default:
        return false;
    }
}

bool CFormOptionsCities::OnPageMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (message != WM_NOTIFY || header == nullptr || header->idFrom != IDC_LIST_FAVORITE_CITIES ||
        header->code != NM_DBLCLK)
    {
        return false;
    }
    try
    {
        if (ListView_GetSelectedCount(m_listCities) == 1)
        {
            ChangeDisplayName();
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormOptionsCities::OnNmDblclkListCities");
    }
    result = 0;
    return true;
}

void CFormOptionsCities::PopulateHomeCityList()
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

void CFormOptionsCities::SelectHomeCity()
{
    // The home city, when there is one, is always the first item.
    ComboBox_SetCurSel(m_comboHomeCity, !Copy().HomeCity.IsNull() ? 0 : -1);
}

void CFormOptionsCities::PopulateCityList()
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

int CFormOptionsCities::RowCityId(int row) const
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

City* CFormOptionsCities::FindCity(int id) const
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

void CFormOptionsCities::OnHomeCityChanged()
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

void CFormOptionsCities::ShowSelectCity(int purpose)
{
    m_selectionPurpose = purpose;
    if (m_selectCity == nullptr)
    {
        m_selectCity = std::make_unique<CFormSelectCity>(Owner().Hwnd(), Instance());
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

void CFormOptionsCities::OnAddCity()
{
    ShowSelectCity(CFormSelectCity::PurposeAddCities);
}

void CFormOptionsCities::OnSelectCityOk()
{
    try
    {
        if (!HasCopy() || m_selectCity == nullptr)
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
        Log::Exception(L"CFormOptionsCities::OnSelectCityOk");
    }
}

void CFormOptionsCities::OnSelectCityCancel()
{
    try
    {
        if (HasCopy() && m_selectionPurpose == CFormSelectCity::PurposeHomeCity)
        {
            SelectHomeCity();
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormOptionsCities::OnSelectCityCancel");
    }
}

void CFormOptionsCities::OnRemoveCity()
{
    if (ListView_GetSelectedCount(m_listCities) == 0)
    {
        CFormOptions::ShowMessageBox(Owner().Hwnd(), L"Please select a city and try again.", L"",
                                     MB_ICONINFORMATION);
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

void CFormOptionsCities::ChangeDisplayName()
{
    const int row = ListView_GetNextItem(m_listCities, -1, LVNI_SELECTED);
    if (row < 0)
    {
        ThrowApplicationException(Here());
    }
    City* target = FindCity(RowCityId(row));
    if (target == nullptr)
    {
        return;
    }
    CFormEditCity dialog(*target, Instance());
    if (dialog.DoModal(Owner().Hwnd()) != IDOK)
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
