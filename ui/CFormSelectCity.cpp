// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormSelectCity.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "data/Data.h"
#include "platform/Log.h"
#include "platform/WindowMessages.h"
#include "res/Resource.h"
#include "ui/CityListControls.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

namespace
{
int CompareOrdinal(const std::wstring& a, const std::wstring& b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i)
    {
        const auto x = static_cast<std::uint16_t>(a[i]);
        const auto y = static_cast<std::uint16_t>(b[i]);
        if (x != y)
        {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size())
    {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}
} // namespace

CFormSelectCity::CFormSelectCity(HWND owner, HINSTANCE instance)
    : CDialogBase(IDD_SELECT_CITY, instance), m_owner(owner)
{
}

void CFormSelectCity::Showup(int purpose)
{
    Purpose = purpose;
    if (!IsWindow() && !Create(m_owner))
    {
        ThrowApplicationException(Here());
    }
    if (m_owner != nullptr)
    {
        EnableWindow(m_owner, FALSE);
    }
    ShowWindow(Hwnd(), SW_SHOW);
    // Typing finds a city: the search box takes the keys, its old text ready to be replaced.
    SetFocus(m_editSearch);
    SendMessageW(m_editSearch, EM_SETSEL, 0, -1);
}

void CFormSelectCity::GetSelectedCities(std::vector<CityRecord>& target) const
{
    target.clear();
    if (m_listCities == nullptr || !::IsWindow(m_listCities))
    {
        return;
    }
    const std::vector<CityRecord>& records = Data::GetCityRecords();
    for (int item = ListView_GetNextItem(m_listCities, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(m_listCities, item, LVNI_SELECTED))
    {
        try
        {
            const int id = CityIdAt(item);
            const auto found = std::find_if(records.begin(), records.end(),
                                            [id](const CityRecord& r) { return r.Id == id; });
            if (found != records.end())
            {
                target.push_back(*found);
            }
        }
        catch (...)
        {
            // One unreadable row must not cost the user the others.
        }
    }
}

int CFormSelectCity::CityIdAt(int item) const
{
    if (item < 0 || static_cast<std::size_t>(item) >= m_shownRows.size())
    {
        return 0;
    }
    return m_rows[m_shownRows[static_cast<std::size_t>(item)]].id;
}

bool CFormSelectCity::ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return true;
    case WM_COMMAND:
        switch (LOWORD(wParam))
        {
        case IDOK:
            Close(WM_SELECT_CITY_OK);
            return true;
        case IDCANCEL: // also the close box and Escape
            Close(WM_SELECT_CITY_CANCEL);
            return true;
        case IDC_EDIT_SEARCH_CITY:
            if (HIWORD(wParam) == EN_CHANGE)
            {
                ApplySearch();
                return true;
            }
            return false;
        default:
            return false;
        }
    case WM_NOTIFY:
    {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_LIST_CITIES && header->code == LVN_COLUMNCLICK)
        {
            OnLvnColumnclickListCities(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
            result = 0;
            return true;
        }
        if (header->idFrom == IDC_LIST_CITIES && header->code == LVN_GETDISPINFOW)
        {
            OnGetDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
            result = 0;
            return true;
        }
        if (header->idFrom == IDC_LIST_CITIES && header->code == LVN_ODFINDITEMW)
        {
            result = FindItem(*reinterpret_cast<const NMLVFINDITEMW*>(lParam));
            return true;
        }
        if (header->idFrom == IDC_LIST_CITIES && header->code == NM_DBLCLK &&
            reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem >= 0)
        {
            Close(WM_SELECT_CITY_OK);
            result = 0;
            return true;
        }
        return false;
    }
    case WM_CLOSE: // answered at once rather than through a posted Cancel
        Close(WM_SELECT_CITY_CANCEL);
        return true;
    case WM_DESTROY:
        m_listCities = nullptr;
        m_editSearch = nullptr;
        return false;
    default:
        return false;
    }
}

void CFormSelectCity::OnInitDialog()
{
    CenterWindow(GetParent(Hwnd()));
    m_listCities = GetDlgItem(Hwnd(), IDC_LIST_CITIES);
    m_editSearch = GetDlgItem(Hwnd(), IDC_EDIT_SEARCH_CITY);
    ListView_SetExtendedListViewStyle(m_listCities, LVS_EX_FULLROWSELECT);
    const struct
    {
        const wchar_t* title;
        int width;
    } columns[] = {{L"Country", 120}, {L"City", 200}, {L"Details", 200}};
    for (int i = 0; i < 3; ++i)
    {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(columns[i].title);
        column.cx = columns[i].width;
        column.iSubItem = i;
        ListView_InsertColumn(m_listCities, i, &column);
    }
    const std::vector<CityRecord>& records = Data::GetCityRecords();
    m_search = CCitySearch(records);
    m_rows.clear();
    m_rows.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
    {
        Row row;
        // At most 1023 characters of a cell take part in the sorting.
        row.texts[0] = records[i].Country.substr(0, 1023);
        row.texts[1] = records[i].DisplayName().substr(0, 1023);
        row.texts[2] = records[i].Details.substr(0, 1023);
        row.id = records[i].Id;
        row.record = i;
        m_rows.push_back(std::move(row));
    }
    FillList();
}

bool CFormSelectCity::PreTranslateMessage(MSG& message)
{
    // Down leaves the search box for the list, where the arrows go on from the first row.
    if (message.message == WM_KEYDOWN && message.wParam == VK_DOWN && message.hwnd != nullptr &&
        message.hwnd == m_editSearch)
    {
        MoveIntoList();
        return true;
    }
    return CDialogBase::PreTranslateMessage(message);
}

void CFormSelectCity::MoveIntoList()
{
    SetFocus(m_listCities);
    if (ListView_GetItemCount(m_listCities) > 0 && ListView_GetSelectedCount(m_listCities) == 0)
    {
        ListView_SetItemState(m_listCities, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(m_listCities, 0, FALSE);
    }
}

void CFormSelectCity::ReadListState()
{
    for (const std::size_t row : m_shownRows)
    {
        m_rows[row].state = 0;
    }
    // The list holds the states of its rows: only the few selected ones are asked for.
    for (int item = ListView_GetNextItem(m_listCities, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(m_listCities, item, LVNI_SELECTED))
    {
        if (static_cast<std::size_t>(item) < m_shownRows.size())
        {
            m_rows[m_shownRows[static_cast<std::size_t>(item)]].state |= LVIS_SELECTED;
        }
    }
    const int focused = ListView_GetNextItem(m_listCities, -1, LVNI_FOCUSED);
    if (focused >= 0 && static_cast<std::size_t>(focused) < m_shownRows.size())
    {
        m_rows[m_shownRows[static_cast<std::size_t>(focused)]].state |= LVIS_FOCUSED;
    }
}

void CFormSelectCity::ApplySearch()
{
    try
    {
        ReadListState();
        const int length = GetWindowTextLengthW(m_editSearch);
        std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(GetWindowTextW(m_editSearch, text.data(), length + 1)));
        const std::vector<std::wstring> words = CCitySearch::Words(text);

        bool anySelected = false;
        Row* first = nullptr;
        for (Row& row : m_rows)
        {
            row.shown = m_search.Matches(row.record, words);
            if (!row.shown)
            {
                row.state = 0; // what cannot be seen is not picked by Enter
                continue;
            }
            anySelected = anySelected || (row.state & LVIS_SELECTED) != 0;
            first = first != nullptr ? first : &row;
        }
        // So that Enter picks the best match without a trip into the list.
        if (!anySelected && first != nullptr && !words.empty())
        {
            first->state = LVIS_SELECTED | LVIS_FOCUSED;
        }
        FillList();
    }
    catch (...)
    {
        Log::Exception(L"CFormSelectCity::ApplySearch");
    }
}

// The list holds no rows of its own, only their number and states: it asks for the texts
// (OnGetDisplayInfo) of the rows it draws, so that a keystroke that brings the whole catalogue
// back costs no more than one that leaves a single row.
void CFormSelectCity::FillList()
{
    // The old selection goes with the old rows.
    for (int item = ListView_GetNextItem(m_listCities, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(m_listCities, item, LVNI_SELECTED))
    {
        ListView_SetItemState(m_listCities, item, 0, LVIS_SELECTED);
    }
    const int focused = ListView_GetNextItem(m_listCities, -1, LVNI_FOCUSED);
    if (focused >= 0)
    {
        ListView_SetItemState(m_listCities, focused, 0, LVIS_FOCUSED);
    }

    m_shownRows.clear();
    for (std::size_t i = 0; i < m_rows.size(); ++i)
    {
        if (m_rows[i].shown)
        {
            m_shownRows.push_back(i);
        }
    }
    ListView_SetItemCountEx(m_listCities, static_cast<int>(m_shownRows.size()), 0);
    int firstSelected = -1;
    for (std::size_t item = 0; item < m_shownRows.size(); ++item)
    {
        const UINT state = m_rows[m_shownRows[item]].state;
        if (state != 0)
        {
            ListView_SetItemState(m_listCities, static_cast<int>(item), state, LVIS_SELECTED | LVIS_FOCUSED);
            if (firstSelected < 0 && (state & LVIS_SELECTED) != 0)
            {
                firstSelected = static_cast<int>(item);
            }
        }
    }
    if (firstSelected >= 0)
    {
        ListView_EnsureVisible(m_listCities, firstSelected, FALSE);
    }
    InvalidateRect(m_listCities, nullptr, TRUE);
}

// Typing in the list itself jumps to the next row whose first column starts with the letters.
LRESULT CFormSelectCity::FindItem(const NMLVFINDITEMW& find) const
{
    if ((find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || find.lvfi.psz == nullptr ||
        m_shownRows.empty())
    {
        return -1;
    }
    const std::wstring prefix = CCitySearch::Fold(find.lvfi.psz);
    const std::size_t count = m_shownRows.size();
    const std::size_t start = find.iStart >= 0 ? static_cast<std::size_t>(find.iStart) % count : 0;
    for (std::size_t step = 0; step < count; ++step)
    {
        const std::size_t item = (start + step) % count;
        if (CCitySearch::Fold(m_rows[m_shownRows[item]].texts[0]).starts_with(prefix))
        {
            return static_cast<LRESULT>(item);
        }
    }
    return -1;
}

void CFormSelectCity::OnGetDisplayInfo(NMLVDISPINFOW& info) const
{
    const LVITEMW& item = info.item;
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0 || item.iItem < 0 ||
        static_cast<std::size_t>(item.iItem) >= m_shownRows.size() || item.iSubItem < 0 || item.iSubItem > 2)
    {
        return;
    }
    const std::wstring& text = m_rows[m_shownRows[static_cast<std::size_t>(item.iItem)]].texts[item.iSubItem];
    lstrcpynW(info.item.pszText, text.c_str(), info.item.cchTextMax);
}

void CFormSelectCity::Close(UINT notification)
{
    ShowWindow(Hwnd(), SW_HIDE);
    if (m_owner != nullptr)
    {
        SendMessageW(m_owner, notification, 0, 0);
        EnableWindow(m_owner, TRUE);
        SetActiveWindow(m_owner);
    }
}

void CFormSelectCity::OnLvnColumnclickListCities(int column)
{
    try
    {
        if (column < 0 || column > 2)
        {
            ThrowApplicationException(Here());
        }
        SortAscending = column != SortColumn || !SortAscending;
        SortColumn = column;
        SortRows();
    }
    catch (...)
    {
        Log::Exception(L"CFormSelectCity::OnLvnColumnclickListCities");
    }
}

// The rows are sorted here and written back rather than sorted by the list itself: a list that
// reorders its rows while it asks for comparisons cannot be trusted to pass row indexes that
// still match the rows' texts, and the rows the search hides must take their places too.
void CFormSelectCity::SortRows()
{
    ReadListState();
    const int sortColumn = SortColumn;
    const bool ascending = SortAscending;
    const auto comesFirst = [sortColumn, ascending](const Row& a, const Row& b)
    {
        try
        {
            const int result = DoCompare(sortColumn, a, b);
            return ascending ? result < 0 : result > 0;
        }
        catch (...)
        {
            return false; // rows that cannot be compared count as equal
        }
    };
    std::stable_sort(m_rows.begin(), m_rows.end(), comesFirst);
    FillList();
}

int CFormSelectCity::DoCompare(int column, const Row& row1, const Row& row2)
{
    switch (column)
    {
    case 0:
    {
        const int byCountry = CompareOrdinal(row1.texts[0], row2.texts[0]);
        return byCountry != 0 ? byCountry : CompareOrdinal(row1.texts[1], row2.texts[1]);
    }
    case 1:
    case 2:
        return CompareOrdinal(row1.texts[column], row2.texts[column]);
    default:
        ThrowApplicationException(Here());
    }
}
