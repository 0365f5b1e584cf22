// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CityListControls.h"

#include "tests/support/ExpectThrowAt.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windowsx.h>

namespace
{
class ListView
{
public:
    explicit ListView(int columns)
    {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        m_hwnd = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 300, 200, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        for (int i = 0; i < columns; ++i)
        {
            LVCOLUMNW column{};
            column.mask = LVCF_WIDTH;
            column.cx = 80;
            ListView_InsertColumn(m_hwnd, i, &column);
        }
    }
    ~ListView() { DestroyWindow(m_hwnd); }
    HWND Hwnd() const { return m_hwnd; }

    std::wstring Text(int row, int column) const
    {
        wchar_t text[128] = L"";
        ListView_GetItemText(m_hwnd, row, column, text, 128);
        return text;
    }
    LPARAM Data(int row) const
    {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        ListView_GetItem(m_hwnd, &item);
        return item.lParam;
    }

private:
    HWND m_hwnd;
};

TEST(CityListControls, RowsCarryTheColumnsAndTheRecordId)
{
    const City paris(4, L"LFPO", L"France", L"Paris", L"Orly", 48.72f, 2.38f);
    const CityRecord tokyo(7, L"RJTT", L"Japan", L"Tokyo", L"Haneda", 35.55f, 139.78f);

    ListView favourites(2);
    ASSERT_NE(nullptr, favourites.Hwnd());
    Util::AddToListView(favourites.Hwnd(), paris);
    EXPECT_EQ(L"Paris", favourites.Text(0, 0));
    EXPECT_EQ(L"Orly", favourites.Text(0, 1));
    EXPECT_EQ(4, favourites.Data(0));

    ListView catalogue(3);
    Util::AddCitiesToListView(catalogue.Hwnd(), {tokyo, paris});
    ASSERT_EQ(2, ListView_GetItemCount(catalogue.Hwnd()));
    EXPECT_EQ(L"Japan", catalogue.Text(0, 0));
    EXPECT_EQ(L"Tokyo", catalogue.Text(0, 1));
    EXPECT_EQ(L"Haneda", catalogue.Text(0, 2));
    EXPECT_EQ(7, catalogue.Data(0));
    EXPECT_EQ(L"Orly", catalogue.Text(1, 2));

    const HWND combo = CreateWindowExW(0, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_POPUP, 0, 0, 100, 200,
                                       nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    Util::AddToComboBox(combo, paris);
    EXPECT_EQ(1, ComboBox_GetCount(combo));
    EXPECT_EQ(4, static_cast<int>(ComboBox_GetItemData(combo, 0)));
    DestroyWindow(combo);
}

TEST(CityListControls, RefusedRowsThrowOrAreSkipped)
{
    const City paris(4, L"LFPO", L"France", L"Paris", L"Orly", 48.72f, 2.38f);
    // No window at all: every insertion is refused.
    EXPECT_THROW_AT(Util::AddToListView(nullptr, paris), ApplicationException, "Util::AddToListView (56)");
    EXPECT_THROW_AT(Util::AddCountryCityDetailsToListView(paris, nullptr), ApplicationException,
                    "Util::AddCountryCityDetailsToListView (82)");
    EXPECT_NO_THROW(Util::AddCitiesToListView(nullptr, {paris, paris}));
}
} // namespace
