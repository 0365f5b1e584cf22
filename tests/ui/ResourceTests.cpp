// SPDX-License-Identifier: GPL-2.0-or-later
// The templates and menus are linked into this program exactly as into Nimbrel.exe, so a missing
// resource, a renumbered id or a control class that does not exist shows up here rather than as a
// dialog that silently fails to open.
#include "res/Resource.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

namespace
{
INT_PTR CALLBACK TrivialDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// One menu item as seen through the menu API: a separator has an empty text and id 0.
struct Item
{
    std::wstring text;
    UINT id;
    bool operator==(const Item&) const = default;
};

void PrintTo(const Item& item, std::ostream* out)
{
    *out << '"' << std::string(item.text.begin(), item.text.end()) << "\" " << item.id;
}

std::vector<Item> Items(HMENU menu)
{
    std::vector<Item> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
    {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 127;
        EXPECT_TRUE(GetMenuItemInfoW(menu, i, TRUE, &info));
        items.push_back({(info.fType & MFT_SEPARATOR) != 0 ? L"" : text, info.wID});
    }
    return items;
}

std::wstring PopupText(HMENU menu, int position)
{
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 127, MF_BYPOSITION);
    return text;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 63);
    return name;
}

RECT ClientRectIn(HWND window)
{
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

// Every control must exist and lie wholly inside its dialog, or part of it would be cut off.
void ExpectControls(HWND dialog, const std::vector<int>& ids)
{
    const RECT client = ClientRectIn(dialog);
    for (const int id : ids)
    {
        SCOPED_TRACE(id);
        const HWND control = GetDlgItem(dialog, id);
        ASSERT_NE(nullptr, control);
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_GE(rect.left, client.left);
        EXPECT_GE(rect.top, client.top);
        EXPECT_LE(rect.right, client.right);
        EXPECT_LE(rect.bottom, client.bottom);
    }
}

LONG Style(HWND dialog, int id)
{
    return GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE);
}
} // namespace

TEST(ResourceTests, EveryTemplateAndMenuIsLinked)
{
    for (const int id : {IDD_ABOUT, IDD_OPTIONS, IDD_OPTIONS_GENERAL, IDD_OPTIONS_EARTH, IDD_OPTIONS_DISPLAY,
                         IDD_OPTIONS_CITIES, IDD_SELECT_CITY, IDD_EDIT_CITY, IDD_WEATHER_ALERTS})
    {
        EXPECT_NE(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_DIALOG)) << id;
    }
    for (const int id : {IDR_EARTH_MENU, IDR_TRAY_MENU, IDR_LOCAL_WEATHER_MENU})
    {
        EXPECT_NE(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_MENU)) << id;
    }
}

TEST(ResourceTests, MenusCarryTheirCommandsInOrder)
{
    const HMENU tray = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU));
    ASSERT_NE(nullptr, tray);
    ASSERT_EQ(1, GetMenuItemCount(tray));
    EXPECT_EQ(L"Nimbrel", PopupText(tray, 0));
    const HMENU trayPopup = GetSubMenu(tray, 0);
    EXPECT_EQ((std::vector<Item>{{L"Web Page", ID_WEB_PAGE},
                                 {L"", 0},
                                 {L"Options", ID_OPTIONS},
                                 {L"Nimbrel", ID_SHOW_EARTH},
                                 {L"Local Weather", ID_LOCAL_WEATHER},
                                 {L"Weather alerts...", ID_WEATHER_ALERTS},
                                 {L"", 0},
                                 {L"Exit", ID_APP_EXIT}}),
              Items(trayPopup));
    EXPECT_EQ(static_cast<UINT>(-1), GetMenuDefaultItem(trayPopup, FALSE, 0));
    DestroyMenu(tray);

    const HMENU earth = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_EARTH_MENU));
    ASSERT_NE(nullptr, earth);
    ASSERT_EQ(3, GetMenuItemCount(earth));
    EXPECT_EQ(L"&File", PopupText(earth, 0));
    EXPECT_EQ(L"&View", PopupText(earth, 1));
    EXPECT_EQ(L"&Help", PopupText(earth, 2));
    EXPECT_EQ((std::vector<Item>{{L"E&xit", ID_APP_EXIT}}), Items(GetSubMenu(earth, 0)));
    EXPECT_EQ((std::vector<Item>{{L"&Options", ID_OPTIONS},
                                 {L"&Local Weather", ID_LOCAL_WEATHER},
                                 {L"Weather &alerts...", ID_WEATHER_ALERTS},
                                 {L"&Web Page", ID_WEB_PAGE}}),
              Items(GetSubMenu(earth, 1)));
    EXPECT_EQ((std::vector<Item>{{L"&Web Page", ID_WEB_PAGE},
                                 {L"&Feedback", ID_FEEDBACK},
                                 {L"&About Nimbrel...", ID_APP_ABOUT}}),
              Items(GetSubMenu(earth, 2)));
    DestroyMenu(earth);

    const HMENU local = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_LOCAL_WEATHER_MENU));
    ASSERT_NE(nullptr, local);
    EXPECT_EQ(L"Local Weather", PopupText(local, 0));
    std::vector<Item> commands;
    for (const Item& item : Items(GetSubMenu(local, 0)))
    {
        if (item.id != 0)
        {
            commands.push_back(item);
        }
    }
    EXPECT_EQ((std::vector<Item>{{L"Close", ID_LOCAL_WEATHER_CLOSE},
                                 {L"Change Location", ID_LOCAL_WEATHER_CHANGE_LOCATION},
                                 {L"Icon Only", ID_LOCAL_WEATHER_ICON_ONLY},
                                 {L"Small", ID_LOCAL_WEATHER_SMALL},
                                 {L"Large", ID_LOCAL_WEATHER_LARGE},
                                 {L"Always On Top", ID_LOCAL_WEATHER_ALWAYS_ON_TOP},
                                 {L"Options", ID_LOCAL_WEATHER_OPTIONS},
                                 {L"Nimbrel", ID_LOCAL_WEATHER_SHOW_EARTH}}),
              commands);
    DestroyMenu(local);
}

TEST(ResourceTests, DialogsCreateWithEveryControl)
{
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
    const HINSTANCE instance = GetModuleHandleW(nullptr);

    const HWND options =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_OPTIONS), nullptr, TrivialDialogProc, 0);
    ASSERT_NE(nullptr, options);
    EXPECT_FALSE(IsWindowVisible(options));
    EXPECT_NE(0, GetWindowLongW(options, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    ExpectControls(options, {IDC_TAB_OPTIONS, IDOK, IDCANCEL});
    EXPECT_EQ(std::wstring(WC_TABCONTROLW), ClassOf(GetDlgItem(options, IDC_TAB_OPTIONS)));

    const std::vector<std::pair<int, std::vector<int>>> pages{
        {IDD_OPTIONS_GENERAL,
         {IDC_RADIO_FAHRENHEIT, IDC_RADIO_CELSIUS, IDC_RADIO_WIND_MPH, IDC_RADIO_WIND_KMH, IDC_RADIO_WIND_MS,
          IDC_RADIO_WIND_KNOTS, IDC_RADIO_PRESSURE_INHG, IDC_RADIO_PRESSURE_HPA, IDC_RADIO_VISIBILITY_MILES,
          IDC_RADIO_VISIBILITY_KM, IDC_CHECK_UPDATE_WALLPAPER, IDC_CHECK_RUN_AT_STARTUP,
          IDC_CHECK_TRAY_TEMPERATURE, IDC_CHECK_WEATHER_ALERTS}},
        {IDD_OPTIONS_CITIES,
         {IDC_BUTTON_ADD_CITY, IDC_BUTTON_REMOVE_CITY, IDC_BUTTON_CHANGE_DISPLAY_NAME,
          IDC_LIST_FAVORITE_CITIES, IDC_COMBO_HOME_CITY}},
        {IDD_OPTIONS_EARTH, {IDC_COMBO_BACKGROUND, IDC_COMBO_REGION, IDC_PREVIEW_BACKGROUND}},
        {IDD_OPTIONS_DISPLAY,
         {IDC_CHECK_SHOW_CITY_NAME, IDC_BUTTON_CITY_NAME_FONT, IDC_BUTTON_CITY_NAME_COLOR,
          IDC_CHECK_SHOW_TEMPERATURE, IDC_BUTTON_TEMPERATURE_FONT, IDC_BUTTON_TEMPERATURE_COLOR,
          IDC_SLIDER_ICON_SCALE, IDC_LABEL_ICON_SCALE, IDC_CHECK_DAY_AND_NIGHT, IDC_PREVIEW_DISPLAY}},
    };
    std::vector<HWND> created;
    for (const auto& [id, controls] : pages)
    {
        SCOPED_TRACE(id);
        const HWND page = CreateDialogParamW(instance, MAKEINTRESOURCEW(id), options, TrivialDialogProc, 0);
        ASSERT_NE(nullptr, page);
        created.push_back(page);
        EXPECT_EQ(options, GetParent(page));
        EXPECT_EQ(0, GetWindowLongW(page, GWL_STYLE) & WS_CAPTION);
        // Every page fills the same area, which the frame's tab control has room for.
        RECT size{0, 0, 350, 188};
        MapDialogRect(page, &size);
        const RECT client = ClientRectIn(page);
        EXPECT_EQ(size.right, client.right);
        EXPECT_EQ(size.bottom, client.bottom);
        ExpectControls(page, controls);
        // Users read these labels; the misspelling lives on only in the stored option keys.
        for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        {
            wchar_t text[128] = {};
            GetWindowTextW(child, text, 127);
            EXPECT_EQ(std::wstring::npos, std::wstring(text).find(L"emprature")) << text;
        }
    }

    const HWND cities = created[1];
    const LONG list = Style(cities, IDC_LIST_FAVORITE_CITIES);
    EXPECT_EQ(LVS_REPORT, list & LVS_TYPEMASK);
    EXPECT_EQ(0, list & LVS_SINGLESEL);
    EXPECT_NE(0, list & LVS_SORTASCENDING);
    EXPECT_NE(0, list & LVS_SHOWSELALWAYS);
    EXPECT_EQ(CBS_DROPDOWNLIST, Style(cities, IDC_COMBO_HOME_CITY) & 3);
    EXPECT_EQ(SS_OWNERDRAW, Style(created[2], IDC_PREVIEW_BACKGROUND) & SS_TYPEMASK);
    EXPECT_EQ(SS_OWNERDRAW, Style(created[3], IDC_PREVIEW_DISPLAY) & SS_TYPEMASK);
    EXPECT_EQ(std::wstring(TRACKBAR_CLASSW), ClassOf(GetDlgItem(created[3], IDC_SLIDER_ICON_SCALE)));
    DestroyWindow(options);

    const HWND about =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT), nullptr, TrivialDialogProc, 0);
    ASSERT_NE(nullptr, about);
    ExpectControls(about, {IDC_BUTTON_WEB_PAGE, IDC_LABEL_EMAIL, IDC_LABEL_WEB, IDOK});
    DestroyWindow(about);
}

namespace
{
std::wstring TextOf(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 255);
    return text;
}

// The letter Alt takes to a control by its text: 'A' for "&Add City", none without an ampersand
// ("&&" shows one).
wchar_t Mnemonic(HWND window)
{
    const std::wstring text = TextOf(window);
    for (size_t i = 0; i + 1 < text.size(); ++i)
    {
        if (text[i] == L'&')
        {
            if (text[i + 1] != L'&')
            {
                return static_cast<wchar_t>(towupper(text[i + 1]));
            }
            ++i;
        }
    }
    return 0;
}

bool IsGroupBox(HWND window)
{
    return ClassOf(window) == L"Button" && (GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// A label names the control after it: a static text or a group box.
bool IsLabel(HWND window)
{
    return ClassOf(window) == L"Static" || IsGroupBox(window);
}

bool TakesFocus(HWND window)
{
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    return (style & WS_DISABLED) == 0 && !IsLabel(window) &&
           ((style & WS_TABSTOP) != 0 || ClassOf(window) == L"Button");
}

// A button's own letter; for any other control, its label's just before it.
wchar_t LetterOf(HWND control)
{
    if (ClassOf(control) == L"Button")
    {
        return Mnemonic(control);
    }
    const HWND label = GetWindow(control, GW_HWNDPREV);
    return label != nullptr && IsLabel(label) ? Mnemonic(label) : 0;
}
} // namespace

TEST(ResourceTests, EveryControlOfTheOptionsHasALetterOfItsOwnOnItsPage)
{
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const HWND options =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_OPTIONS), nullptr, TrivialDialogProc, 0);
    ASSERT_NE(nullptr, options);
    // OK and Cancel answer Enter and Escape, and the pages' tabs Ctrl+Tab; a letter they had would
    // be taken on every page.
    std::vector<wchar_t> frameLetters;
    for (const int id : {IDOK, IDCANCEL})
    {
        if (const wchar_t letter = Mnemonic(GetDlgItem(options, id)))
        {
            frameLetters.push_back(letter);
        }
    }
    for (const int id : {IDD_OPTIONS_GENERAL, IDD_OPTIONS_CITIES, IDD_OPTIONS_EARTH, IDD_OPTIONS_DISPLAY})
    {
        SCOPED_TRACE(id);
        const HWND page = CreateDialogParamW(instance, MAKEINTRESOURCEW(id), options, TrivialDialogProc, 0);
        ASSERT_NE(nullptr, page);
        std::vector<wchar_t> taken = frameLetters;
        int controls = 0;
        for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        {
            if (!TakesFocus(child))
            {
                continue;
            }
            ++controls;
            const wchar_t letter = LetterOf(child);
            const std::string name = std::to_string(GetDlgCtrlID(child));
            EXPECT_NE(0, letter) << "control " << name << " has no letter";
            if (letter != 0)
            {
                EXPECT_EQ(taken.end(), std::find(taken.begin(), taken.end(), letter))
                    << "control " << name << " repeats " << static_cast<char>(letter);
                taken.push_back(letter);
            }
        }
        EXPECT_GE(controls, 2);
    }
    DestroyWindow(options);
}
