// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/Program.h"
#include "data/City.h"
#include "data/Data.h"
#include "platform/CAppModule.h"
#include "platform/CMessageLoop.h"
#include "platform/WindowMessages.h"
#include "res/Resource.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestCatalogue.h"
#include "ui/CFormEditCity.h"
#include "ui/CFormSelectCity.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace
{
// A hidden top-level window standing in for the options dialog: it records what the selection
// dialog tells it, and in which state it was told.
struct OwnerLog
{
    std::vector<UINT> messages;
    std::vector<std::vector<CityRecord>> selections;
    bool enabledWhileTold = true;
    bool dialogVisibleWhileTold = true;
    CFormSelectCity* form = nullptr;
};
OwnerLog* g_ownerLog = nullptr;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_ownerLog != nullptr && (message == WM_SELECT_CITY_OK || message == WM_SELECT_CITY_CANCEL))
    {
        g_ownerLog->messages.push_back(message);
        g_ownerLog->enabledWhileTold = g_ownerLog->enabledWhileTold && IsWindowEnabled(hwnd);
        if (g_ownerLog->form != nullptr)
        {
            g_ownerLog->dialogVisibleWhileTold =
                g_ownerLog->dialogVisibleWhileTold && IsWindowVisible(g_ownerLog->form->Hwnd());
            if (message == WM_SELECT_CITY_OK)
            {
                g_ownerLog->selections.emplace_back();
                g_ownerLog->form->GetSelectedCities(g_ownerLog->selections.back());
            }
        }
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class Owner
{
public:
    Owner()
    {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = OwnerProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"NimbrelDialogTestOwner";
        RegisterClassExW(&windowClass);
        m_hwnd = CreateWindowExW(0, windowClass.lpszClassName, L"Owner", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
        g_ownerLog = &Log;
    }
    ~Owner()
    {
        g_ownerLog = nullptr;
        DestroyWindow(m_hwnd);
    }
    HWND Hwnd() const { return m_hwnd; }
    OwnerLog Log;

private:
    HWND m_hwnd;
};

std::vector<std::wstring> Column(HWND list, int column)
{
    std::vector<std::wstring> texts;
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
    {
        wchar_t text[256] = L"";
        ListView_GetItemText(list, row, column, text, 256);
        texts.emplace_back(text);
    }
    return texts;
}

void ClickColumn(const CFormSelectCity& form, int column)
{
    NMLISTVIEW notification{};
    notification.hdr.hwndFrom = form.ListCities();
    notification.hdr.idFrom = IDC_LIST_CITIES;
    notification.hdr.code = LVN_COLUMNCLICK;
    notification.iItem = -1;
    notification.iSubItem = column;
    SendMessageW(form.Hwnd(), WM_NOTIFY, IDC_LIST_CITIES, reinterpret_cast<LPARAM>(&notification));
}

void Click(HWND dialog, int button)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

using Texts = std::vector<std::wstring>;

TEST(SelectCityDialog, SortsOrdinallyAndBreaksCountryTiesByCityInTheSortDirection)
{
    TempFolder folder;
    LoadCatalogue(folder);
    Owner owner;
    CFormSelectCity form(owner.Hwnd());
    form.Showup(CFormSelectCity::PurposeAddCities);
    ASSERT_TRUE(form.IsWindow());
    EXPECT_EQ((Texts{L"Paris", L"New York", L"Lyon", L"london", L"Los Angeles", L"Marseille"}),
              Column(form.ListCities(), 1));
    EXPECT_EQ(L"Charles de Gaulle", Column(form.ListCities(), 2)[0]);

    // The list starts "ascending by country" although in file order, so the first click flips.
    ClickColumn(form, 0);
    EXPECT_FALSE(form.SortAscending);
    EXPECT_EQ((Texts{L"New York", L"Los Angeles", L"london", L"Paris", L"Marseille", L"Lyon"}),
              Column(form.ListCities(), 1));

    // Upper case before lower case, then the same column reversed.
    ClickColumn(form, 1);
    EXPECT_EQ((Texts{L"Los Angeles", L"Lyon", L"Marseille", L"New York", L"Paris", L"london"}),
              Column(form.ListCities(), 1));
    ClickColumn(form, 1);
    EXPECT_EQ((Texts{L"london", L"Paris", L"New York", L"Marseille", L"Lyon", L"Los Angeles"}),
              Column(form.ListCities(), 1));

    ClickColumn(form, 0);
    EXPECT_TRUE(form.SortAscending);
    EXPECT_EQ((Texts{L"Lyon", L"Marseille", L"Paris", L"london", L"Los Angeles", L"New York"}),
              Column(form.ListCities(), 1));
    EXPECT_EQ((Texts{L"France", L"France", L"France", L"UK", L"USA", L"USA"}), Column(form.ListCities(), 0));

    // A column the list does not have changes nothing.
    ClickColumn(form, 3);
    EXPECT_EQ(0, form.SortColumn);
    EXPECT_TRUE(form.SortAscending);
    EXPECT_EQ(L"Lyon", Column(form.ListCities(), 1)[0]);

    Click(form.Hwnd(), IDCANCEL);
}

TEST(SelectCityDialog, TellsTheOwnerWhileItIsDisabledAndKeepsTheListBetweenUses)
{
    TempFolder folder;
    LoadCatalogue(folder);
    Owner owner;
    CFormSelectCity form(owner.Hwnd());
    owner.Log.form = &form;

    form.Showup(CFormSelectCity::PurposeAddCities);
    EXPECT_EQ(CFormSelectCity::PurposeAddCities, form.Purpose);
    EXPECT_TRUE(IsWindowVisible(form.Hwnd()));
    EXPECT_FALSE(IsWindowEnabled(owner.Hwnd()));

    // OK with nothing selected still confirms, with an empty selection.
    Click(form.Hwnd(), IDOK);
    ASSERT_EQ((std::vector<UINT>{WM_SELECT_CITY_OK}), owner.Log.messages);
    ASSERT_EQ(1u, owner.Log.selections.size());
    EXPECT_TRUE(owner.Log.selections[0].empty());
    EXPECT_FALSE(owner.Log.enabledWhileTold);
    EXPECT_FALSE(owner.Log.dialogVisibleWhileTold);
    EXPECT_TRUE(IsWindowEnabled(owner.Hwnd()));
    EXPECT_FALSE(IsWindowVisible(form.Hwnd()));

    // The selection moves with its rows when they are sorted, and comes back in list order as
    // copies of the catalogue records.
    const HWND dialog = form.Hwnd();
    form.Showup(CFormSelectCity::PurposeHomeCity);
    EXPECT_EQ(dialog, form.Hwnd());
    ListView_SetItemState(form.ListCities(), 3, LVIS_SELECTED, LVIS_SELECTED); // london
    ListView_SetItemState(form.ListCities(), 2, LVIS_SELECTED, LVIS_SELECTED); // Lyon
    ClickColumn(form, 1); // Los Angeles, Lyon, Marseille, New York, Paris, london
    Click(form.Hwnd(), IDOK);
    ASSERT_EQ(2u, owner.Log.selections.size());
    const std::vector<CityRecord>& selected = owner.Log.selections[1];
    ASSERT_EQ(2u, selected.size());
    EXPECT_EQ(3, selected[0].Id);
    EXPECT_EQ(L"LFLL", selected[0].StationCode);
    EXPECT_EQ(L"Saint-Exupery", selected[0].Details);
    EXPECT_FLOAT_EQ(45.72f, selected[0].Latitude);
    EXPECT_EQ(4, selected[1].Id);
    EXPECT_EQ(L"london", selected[1].DisplayName());

    // Reopened, the dialog shows the same order and selection.
    form.Showup(CFormSelectCity::PurposeAddCities);
    EXPECT_EQ(dialog, form.Hwnd());
    EXPECT_EQ(1, form.SortColumn);
    EXPECT_EQ((Texts{L"Los Angeles", L"Lyon", L"Marseille", L"New York", L"Paris", L"london"}),
              Column(form.ListCities(), 1));
    EXPECT_EQ(2u, ListView_GetSelectedCount(form.ListCities()));
    EXPECT_EQ(1, ListView_GetNextItem(form.ListCities(), -1, LVNI_SELECTED));
    EXPECT_EQ(5, ListView_GetNextItem(form.ListCities(), 1, LVNI_SELECTED));

    // The close box cancels.
    SendMessageW(form.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ((std::vector<UINT>{WM_SELECT_CITY_OK, WM_SELECT_CITY_OK, WM_SELECT_CITY_CANCEL}),
              owner.Log.messages);
    EXPECT_TRUE(IsWindowEnabled(owner.Hwnd()));
}

// Posts a key press to the window and runs the thread's loop until the queue is done.
void PressKey(CMessageLoop& loop, HWND target, WPARAM key)
{
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    PostQuitMessage(0);
    loop.Run();
}

TEST(SelectCityDialog, GetsItsKeyboardFromTheThreadsLoopWhileItExists)
{
    TempFolder folder;
    LoadCatalogue(folder);
    Owner owner;
    CMessageLoop loop;
    Program::Module().AddMessageLoop(&loop);
    {
        CFormSelectCity form(owner.Hwnd());
        form.Showup(CFormSelectCity::PurposeAddCities);
        PressKey(loop, form.ListCities(), VK_ESCAPE);
        EXPECT_EQ((std::vector<UINT>{WM_SELECT_CITY_CANCEL}), owner.Log.messages);
        EXPECT_TRUE(IsWindowEnabled(owner.Hwnd()));
    }
    // The dialog is gone with its object: the loop must no longer ask it.
    PressKey(loop, owner.Hwnd(), VK_ESCAPE);
    Program::Module().RemoveMessageLoop();
    EXPECT_EQ(1u, owner.Log.messages.size());
}

void DoubleClickRow(const CFormSelectCity& form, int row)
{
    NMITEMACTIVATE notification{};
    notification.hdr.hwndFrom = form.ListCities();
    notification.hdr.idFrom = IDC_LIST_CITIES;
    notification.hdr.code = NM_DBLCLK;
    notification.iItem = row;
    SendMessageW(form.Hwnd(), WM_NOTIFY, IDC_LIST_CITIES, reinterpret_cast<LPARAM>(&notification));
}

std::vector<int> SelectedIds(const std::vector<CityRecord>& records)
{
    std::vector<int> ids;
    for (const CityRecord& record : records)
    {
        ids.push_back(record.Id);
    }
    return ids;
}

TEST(SelectCityDialog, TheSearchBoxKeepsMatchingRowsAndTheKeyboardPicksOne)
{
    TempFolder folder;
    LoadCatalogue(folder);
    Owner owner;
    CMessageLoop loop;
    Program::Module().AddMessageLoop(&loop);
    {
        CFormSelectCity form(owner.Hwnd());
        owner.Log.form = &form;
        form.Showup(CFormSelectCity::PurposeHomeCity);
        const HWND box = form.SearchBox();
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(box, GetFocus());

        // Country, city, station name or code; case and accents aside; every word somewhere.
        SetWindowTextW(box, L"FRANCE");
        EXPECT_EQ((Texts{L"Paris", L"Lyon", L"Marseille"}), Column(form.ListCities(), 1));
        SetWindowTextW(box, L"exup\u00C9");
        EXPECT_EQ((Texts{L"Lyon"}), Column(form.ListCities(), 1));
        SetWindowTextW(box, L"egll");
        EXPECT_EQ((Texts{L"london"}), Column(form.ListCities(), 1));
        SetWindowTextW(box, L"nowhere");
        EXPECT_TRUE(Column(form.ListCities(), 1).empty());
        SetWindowTextW(box, L" usa  lax ");
        EXPECT_EQ((Texts{L"Los Angeles"}), Column(form.ListCities(), 1));
        // The first match is selected, so Enter takes it; Down goes on into the list.
        EXPECT_EQ(1u, ListView_GetSelectedCount(form.ListCities()));
        PressKey(loop, box, VK_DOWN);
        EXPECT_EQ(form.ListCities(), GetFocus());
        PressKey(loop, form.ListCities(), VK_RETURN);
        ASSERT_EQ((std::vector<UINT>{WM_SELECT_CITY_OK}), owner.Log.messages);
        EXPECT_EQ((std::vector<int>{5}), SelectedIds(owner.Log.selections.at(0)));

        // Back again: rows the search hides lose their selection; sorting keeps the search.
        form.Showup(CFormSelectCity::PurposeHomeCity);
        SetWindowTextW(box, L"france");
        EXPECT_EQ(0, ListView_GetNextItem(form.ListCities(), -1, LVNI_SELECTED)); // Paris
        ClickColumn(form, 1);
        EXPECT_EQ((Texts{L"Lyon", L"Marseille", L"Paris"}), Column(form.ListCities(), 1));
        SetWindowTextW(box, L"");
        EXPECT_EQ((Texts{L"Los Angeles", L"Lyon", L"Marseille", L"New York", L"Paris", L"london"}),
                  Column(form.ListCities(), 1));
        EXPECT_EQ(1u, ListView_GetSelectedCount(form.ListCities()));
        EXPECT_EQ(1, form.CityIdAt(ListView_GetNextItem(form.ListCities(), -1, LVNI_SELECTED)));

        // A double-click on a row picks what is selected, the clicked row with it.
        ListView_SetItemState(form.ListCities(), -1, 0, LVIS_SELECTED);
        ListView_SetItemState(form.ListCities(), 3, LVIS_SELECTED, LVIS_SELECTED);
        DoubleClickRow(form, 3);
        ASSERT_EQ(2u, owner.Log.selections.size());
        EXPECT_EQ((std::vector<int>{2}), SelectedIds(owner.Log.selections[1]));
        EXPECT_FALSE(IsWindowVisible(form.Hwnd()));
        // A double-click beside the rows picks nothing.
        form.Showup(CFormSelectCity::PurposeHomeCity);
        DoubleClickRow(form, -1);
        EXPECT_TRUE(IsWindowVisible(form.Hwnd()));
        Click(form.Hwnd(), IDCANCEL);
    }
    Program::Module().RemoveMessageLoop();
}

// The edit dialog is modal: its script runs from a timer inside the dialog's own loop, with the
// message box replaced by one that only records its text.
std::vector<std::wstring> g_messageBoxes;
int WINAPI RecordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    EXPECT_NE(nullptr, owner);
    EXPECT_STREQ(L"", caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), type);
    g_messageBoxes.emplace_back(text);
    return IDOK;
}

CFormEditCity* g_editForm = nullptr;
std::function<void(HWND)> g_editScript;

void CALLBACK RunEditScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    const HWND dialog = g_editForm->Hwnd();
    g_editScript(dialog);
    // Whatever the script did, the test must not hang on an open dialog.
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

INT_PTR RunEditDialog(CFormEditCity& form, HWND owner, std::function<void(HWND)> script)
{
    g_editForm = &form;
    g_editScript = std::move(script);
    g_messageBoxes.clear();
    CFormEditCity::ShowMessageBox = RecordMessageBox;
    SetTimer(nullptr, 0, 10, RunEditScript);
    const INT_PTR result = form.DoModal(owner);
    CFormEditCity::ShowMessageBox = MessageBoxW;
    g_editForm = nullptr;
    return result;
}

std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[256] = L"";
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

TEST(EditCityDialog, StoresATrimmedNameAndRefusesOnesThatCannotBeSaved)
{
    Owner owner;
    City city(3, L"LFLL", L"France", L"Lyon", L"Saint-Exupery", 45.72f, 5.08f);
    CFormEditCity form(city);
    const INT_PTR result =
        RunEditDialog(form, owner.Hwnd(),
                      [&](HWND dialog)
                      {
                          EXPECT_EQ(L"Lyon", ItemText(dialog, IDC_EDIT_DISPLAY_NAME));
                          EXPECT_EQ(L"Saint-Exupery", ItemText(dialog, IDC_EDIT_DETAILS));
                          EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_DETAILS)));
                          EXPECT_FALSE(IsWindowEnabled(owner.Hwnd()));

                          SetDlgItemTextW(dialog, IDC_EDIT_DISPLAY_NAME, L" \t  ");
                          Click(dialog, IDOK);
                          ASSERT_EQ(1u, g_messageBoxes.size());
                          EXPECT_EQ(L"Please enter display name and try again.", g_messageBoxes[0]);

                          // A ";" would split the city's record in the cities file.
                          SetDlgItemTextW(dialog, IDC_EDIT_DISPLAY_NAME, L"Lyon;Bron");
                          Click(dialog, IDOK);
                          ASSERT_EQ(2u, g_messageBoxes.size());
                          EXPECT_NE(std::wstring::npos, g_messageBoxes[1].find(L"\";\""));
                          // Still open: the good name below is taken by this same dialog.
                          EXPECT_EQ(L"Lyon", city.DisplayName());

                          SetDlgItemTextW(dialog, IDC_EDIT_DISPLAY_NAME, L"  Lyon Centre \t");
                          Click(dialog, IDOK);
                      });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(2u, g_messageBoxes.size());
    EXPECT_EQ(L"Lyon Centre", city.DisplayName());
    EXPECT_TRUE(IsWindowEnabled(owner.Hwnd()));

    // Cancel leaves the name alone, whatever was typed.
    CFormEditCity again(city);
    EXPECT_EQ(IDCANCEL, RunEditDialog(again, owner.Hwnd(),
                                      [](HWND dialog)
                                      {
                                          SetDlgItemTextW(dialog, IDC_EDIT_DISPLAY_NAME, L"Elsewhere");
                                          Click(dialog, IDCANCEL);
                                      }));
    EXPECT_EQ(L"Lyon Centre", city.DisplayName());
    EXPECT_TRUE(g_messageBoxes.empty());
}
} // namespace
