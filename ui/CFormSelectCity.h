#pragma once

#include "data/CityRecord.h"
#include "platform/CDialogBase.h"

#include <windows.h>

#include <string>
#include <vector>

// "Select City": the whole catalogue in three sortable columns, from which the user picks the
// home city or favourite cities. The options dialog owns one for its whole life; the window is
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

    void OnLvnColumnclickListCities(int column);

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnInitDialog();
    void Close(UINT notification);
    // One row as the list holds it, taken out to be sorted and written back.
    struct Row
    {
        std::wstring texts[3];
        LPARAM data = 0;
        UINT state = 0;
    };
    // Ordinal comparison of two rows in the given column: -1, 0 or 1.
    static int DoCompare(int column, const Row& row1, const Row& row2);
    void SortRows();

    HWND m_owner;
    HWND m_listCities = nullptr;
};
