#include "ui/CFormSelectCity.h"

#include "core/ApplicationException.h"
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
        ThrowApplicationException("CFormSelectCity::Showup (14)");
    }
    if (m_owner != nullptr)
    {
        EnableWindow(m_owner, FALSE);
    }
    ShowWindow(Hwnd(), SW_SHOW);
    SetFocus(m_listCities);
}

void CFormSelectCity::GetSelectedCities(std::vector<CityRecord>& target) const
{
    target.clear();
    if (m_listCities == nullptr || !::IsWindow(m_listCities))
    {
        return;
    }
    const std::vector<CityRecord>& records = Data::GetCityRecords();
    for (int row = ListView_GetNextItem(m_listCities, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(m_listCities, row, LVNI_SELECTED))
    {
        try
        {
            LVITEMW item{};
            item.mask = LVIF_PARAM;
            item.iItem = row;
            if (!ListView_GetItem(m_listCities, &item))
            {
                continue;
            }
            const int id = static_cast<int>(item.lParam);
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
        return false;
    }
    case WM_CLOSE: // answered at once rather than through a posted Cancel
        Close(WM_SELECT_CITY_CANCEL);
        return true;
    case WM_DESTROY:
        m_listCities = nullptr;
        return false;
    default:
        return false;
    }
}

void CFormSelectCity::OnInitDialog()
{
    CenterWindow(GetParent(Hwnd()));
    m_listCities = GetDlgItem(Hwnd(), IDC_LIST_CITIES);
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
    Util::AddCitiesToListView(m_listCities, Data::GetCityRecords());
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
            ThrowApplicationException("CFormSelectCity::OnLvnColumnclickListCities (186)");
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

// The rows are taken out, sorted and written back rather than sorted by the list itself: a list
// that reorders its rows while it asks for comparisons cannot be trusted to pass row indexes that
// still match the rows' texts, and reading each text once also keeps a large catalogue quick.
void CFormSelectCity::SortRows()
{
    const int count = ListView_GetItemCount(m_listCities);
    std::vector<Row> rows(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
    {
        Row& row = rows[static_cast<std::size_t>(i)];
        for (int column = 0; column < 3; ++column)
        {
            wchar_t text[1024] = L""; // at most 1023 characters of a cell take part
            ListView_GetItemText(m_listCities, i, column, text, 1024);
            row.texts[column] = text;
        }
        LVITEMW item{};
        item.mask = LVIF_PARAM | LVIF_STATE;
        item.iItem = i;
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        ListView_GetItem(m_listCities, &item);
        row.data = item.lParam;
        row.state = item.state & (LVIS_SELECTED | LVIS_FOCUSED);
    }

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
    std::stable_sort(rows.begin(), rows.end(), comesFirst);

    SendMessageW(m_listCities, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < count; ++i)
    {
        Row& row = rows[static_cast<std::size_t>(i)];
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
        item.iItem = i;
        item.pszText = row.texts[0].data();
        item.lParam = row.data;
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = row.state;
        ListView_SetItem(m_listCities, &item);
        ListView_SetItemText(m_listCities, i, 1, row.texts[1].data());
        ListView_SetItemText(m_listCities, i, 2, row.texts[2].data());
    }
    SendMessageW(m_listCities, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_listCities, nullptr, TRUE);
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
        ThrowApplicationException("CFormSelectCity::DoCompare (176)");
    }
}
