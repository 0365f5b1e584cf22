// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "data/CCitySearch.h"
#include "data/CityRecord.h"
#include "platform/CDialogBase.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

// "Select City": the whole catalogue in three sortable columns, from which the user picks the
// home city or favourite cities. A search box above the list keeps only the rows that hold what
// is typed there (CCitySearch); Down moves from it into the list, Enter or a double-click picks
// the selected rows. The options dialog owns one for its whole life; the window is
// created on first use and afterwards only hidden and shown, so the list keeps its sort order and
// selection. It behaves modally by disabling its owner while shown, and tells the owner the
// outcome with WM_SELECT_CITY_OK or WM_SELECT_CITY_CANCEL.
class CFormSelectCity : public CDialogBase
{
public:
    explicit CFormSelectCity(HWND owner, HINSTANCE instance = nullptr);

    static constexpr int PurposeHomeCity = 0;
    static constexpr int PurposeAddCities = 1;

    int Purpose = PurposeHomeCity; // set by each Showup; the owner acts on it
    int SortColumn = 0;
    bool SortAscending = true;

    // Throws ApplicationException when the window cannot be created; the owner is then left
    // enabled and nothing is shown.
    void Showup(int purpose);

    // Copies of the catalogue records of the selected rows, in list order; a row whose record is
    // not found is skipped.
    void GetSelectedCities(std::vector<CityRecord>& target) const;

    HWND ListCities() const { return m_listCities; }
    // The catalogue Id of the city in that row of the list as it is now, 0 for no such row.
    int CityIdAt(int item) const;
    HWND SearchBox() const { return m_editSearch; }

    void OnLvnColumnclickListCities(int column);

    bool PreTranslateMessage(MSG& message) override;

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnInitDialog();
    void Close(UINT notification);
    // One catalogue row, whether the list shows it or the search hides it.
    struct Row
    {
        std::wstring texts[3];
        int id = 0; // the record's Id
        UINT state = 0;
        std::size_t record = 0; // index in the catalogue, as the search knows it
        bool shown = true;
    };
    // Ordinal comparison of two rows in the given column: -1, 0 or 1.
    static int DoCompare(int column, const Row& row1, const Row& row2);
    void SortRows();
    // Takes the selection and focus of the shown rows from the list into the rows.
    void ReadListState();
    // Shows the rows the search box's text matches; the rows it hides lose their selection.
    void ApplySearch();
    // Puts the shown rows into the list, in order, with their selection.
    void FillList();
    void MoveIntoList();
    void OnGetDisplayInfo(NMLVDISPINFOW& info) const;
    LRESULT FindItem(const NMLVFINDITEMW& find) const;

    HWND m_owner;
    HWND m_listCities = nullptr;
    HWND m_editSearch = nullptr;
    std::vector<Row> m_rows;              // in the list's order
    std::vector<std::size_t> m_shownRows; // the row of each list item
    CCitySearch m_search;
};
