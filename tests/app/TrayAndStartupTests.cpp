// SPDX-License-Identifier: GPL-2.0-or-later
// Nimbrel.exe as the user meets it: the start-up sequence, the tray icon and the map window,
// driven from outside the way the shell and the user would.
#include "app/CFormHidden.h"
#include "app/Program.h"
#include "platform/UtilFile.h"
#include "platform/WindowMessages.h"
#include "res/Resource.h"

#include "tests/support/ProcessTools.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <filesystem>
#include <functional>
#include <string>

namespace
{
using ProcessTools::ClassNameOf;
using ProcessTools::TextOf;

constexpr DWORD kStartTimeout = 30000;
constexpr DWORD kExitTimeout = 15000;
// An exit takes a fraction of a second; this leaves room for a busy machine, not for an exit
// that waits on anything.
constexpr DWORD kPromptExitTimeout = 5000;

bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;)
    {
        if (condition())
        {
            return true;
        }
        if (GetTickCount64() >= deadline)
        {
            return false;
        }
        Sleep(50);
    }
}

// Whether the shell holds the hidden window's icon: only an icon that exists can be modified.
bool TrayIconExists(HWND hidden)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = hidden;
    data.uID = 1;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// Whether the shell takes version 4 of the icon protocol. Nimbrel asks for it, so its icon's
// events then come packed that way.
bool ShellTakesVersion4()
{
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 7;
    const bool added = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    data.uVersion = NOTIFYICON_VERSION_4;
    const bool taken = added && Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
    Shell_NotifyIconW(NIM_DELETE, &data);
    DestroyWindow(window);
    return taken;
}

// An event of the icon with that id as the shell sends it; version 4 adds where it happened.
void PostIconEvent(HWND hidden, bool version4, UINT iconId, UINT event, POINT anchor = POINT{})
{
    if (version4)
    {
        PostMessageW(hidden, WM_NOTIFY_ICON, MAKEWPARAM(anchor.x, anchor.y), MAKELPARAM(event, iconId));
    }
    else
    {
        PostMessageW(hidden, WM_NOTIFY_ICON, iconId, event);
    }
}

// The right button as the shell reports it: version 4 adds WM_CONTEXTMENU at the cursor.
void PostRightClick(HWND hidden, bool version4, UINT iconId = 1)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    PostIconEvent(hidden, version4, iconId, WM_RBUTTONUP, cursor);
    if (version4)
    {
        PostIconEvent(hidden, version4, iconId, WM_CONTEXTMENU, cursor);
    }
}

// The shell's balloon tip: a tooltip with the balloon style, shown by Explorer, not by us.
bool BalloonShown()
{
    bool found = false;
    EnumWindows(
        [](HWND window, LPARAM parameter)
        {
            if (ClassNameOf(window) == TOOLTIPS_CLASSW && IsWindowVisible(window) &&
                (GetWindowLongW(window, GWL_STYLE) & TTS_BALLOON) != 0)
            {
                *reinterpret_cast<bool*>(parameter) = true;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Whether this run is the first: decided by the options file in the per-user folder, which this
// test program shares with the Nimbrel it starts.
void PrepareProfile(bool firstRun)
{
    const std::wstring options = Program::PathOptions();
    if (firstRun)
    {
        std::filesystem::remove(options);
    }
    else if (!std::filesystem::exists(options))
    {
        // An empty file reads as all defaults.
        CloseHandle(CreateFileW(options.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
}

// One Nimbrel.exe, killed at the end if a test left it running.
class RunningNimbrel
{
public:
    RunningNimbrel() : m_child(L"\"" + ProcessTools::NimbrelExecutable() + L"\"")
    {
        m_hidden =
            Find([](HWND window)
                 { return ClassNameOf(window) == kHiddenWindowClass && TextOf(window) == L"FormHidden"; });
    }

    HWND Hidden() const { return m_hidden; }

    HWND Find(const std::function<bool(HWND)>& matches, DWORD milliseconds = kStartTimeout) const
    {
        return ProcessTools::WaitForWindow(m_child.Id(), matches, milliseconds);
    }
    HWND FindVisible(const std::wstring& className, DWORD milliseconds = kStartTimeout) const
    {
        return Find([&](HWND window) { return ClassNameOf(window) == className && IsWindowVisible(window); },
                    milliseconds);
    }
    HWND Map() const
    {
        return Find([](HWND window) { return ClassNameOf(window) == kEarthWindowClass; });
    }

    // Returns once the program has finished starting and waits for input in its message loop.
    void WaitUntilIdle() const
    {
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, m_child.Id());
        ASSERT_NE(nullptr, process);
        WaitForInputIdle(process, kStartTimeout);
        CloseHandle(process);
        SendMessageTimeoutW(m_hidden, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kStartTimeout, nullptr);
    }

    DWORD WaitForExit(DWORD milliseconds = kExitTimeout) { return m_child.WaitForExit(milliseconds); }
    bool Running() { return m_child.WaitForExit(0) == STILL_ACTIVE; }

private:
    ProcessTools::Child m_child;
    HWND m_hidden = nullptr;
};

TEST(ProgramStartup, FirstRunGreetsTheUserAndLaterRunsDoNot)
{
    PrepareProfile(true);
    {
        RunningNimbrel program;
        ASSERT_NE(nullptr, program.Hidden());
        const HWND welcome = program.Find(
            [](HWND window)
            {
                return ClassNameOf(window) == L"#32770" && IsWindowVisible(window) &&
                       TextOf(window) == L"Welcome" && GetDlgItem(window, 0xFFFF) != nullptr;
            });
        ASSERT_NE(nullptr, welcome) << "no welcome message on the first run";
        EXPECT_EQ(
            L"Welcome!\r\n\r\nUseful tips:\r\n\r\nBy default Nimbrel shows the temperatures in Fahrenheit. "
            L"\r\nYou can change the temperatures to Celsius (Centigrade) in 'Options' dialog. \r\n\r\nIn "
            L"'Options' dialog, you can select your favorite cities and change other options as well. "
            L"\r\n\r\nTo access Nimbrel menu right click on the notification icon in system tray area. "
            L"\r\n",
            TextOf(GetDlgItem(welcome, 0xFFFF)));
        const HWND options = GetWindow(welcome, GW_OWNER);
        EXPECT_EQ(L"Nimbrel - Options", TextOf(options));
        EXPECT_TRUE(IsWindowVisible(options));
        EXPECT_TRUE(TrayIconExists(program.Hidden()));
        EXPECT_TRUE(WaitUntil(BalloonShown, kStartTimeout)) << "no balloon tip on the tray icon";

        // The exit command while the welcome box still waits for its OK ends the program all the
        // same, and saves the options, so that the next run is no longer the first.
        PostMessageW(program.Hidden(), WM_COMMAND, ID_APP_EXIT, 0);
        EXPECT_EQ(0u, program.WaitForExit());
        EXPECT_TRUE(std::filesystem::exists(Program::PathOptions()));
        EXPECT_TRUE(WaitUntil([] { return !BalloonShown(); }, kExitTimeout))
            << "the balloon outlived the icon";
    }

    RunningNimbrel program;
    ASSERT_NE(nullptr, program.Hidden());
    program.WaitUntilIdle();
    const HWND map = program.FindVisible(kEarthWindowClass);
    ASSERT_NE(nullptr, map);
    EXPECT_TRUE(IsZoomed(map));
    EXPECT_EQ(map, GetForegroundWindow());
    EXPECT_EQ(L"Nimbrel", TextOf(map));
    EXPECT_EQ(nullptr, program.Find([](HWND window) { return TextOf(window) == L"Welcome"; }, 0));
    EXPECT_EQ(nullptr,
              program.Find([](HWND window)
                           { return TextOf(window) == L"Nimbrel - Options" && IsWindowVisible(window); },
                           0));
    EXPECT_FALSE(BalloonShown());
    PostMessageW(program.Hidden(), WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(0u, program.WaitForExit());
}

TEST(ProgramTray, CallbackMessagesOfBothProtocolVersionsAreDecoded)
{
    // The classic form: the icon id and the mouse message.
    CFormHidden::NotifyIconEvent event = CFormHidden::DecodeNotifyIcon(1, WM_RBUTTONUP, false);
    EXPECT_EQ(1u, event.IconId);
    EXPECT_EQ(static_cast<UINT>(WM_RBUTTONUP), event.Event);
    EXPECT_FALSE(event.HasAnchor);

    // Version 4: the event and the id share lParam; wParam is the anchor, negative left of and
    // above the primary monitor.
    event = CFormHidden::DecodeNotifyIcon(MAKEWPARAM(static_cast<WORD>(-1200), 1050),
                                          MAKELPARAM(NIN_KEYSELECT, 1), true);
    EXPECT_EQ(1u, event.IconId);
    EXPECT_EQ(static_cast<UINT>(NIN_KEYSELECT), event.Event);
    ASSERT_TRUE(event.HasAnchor);
    EXPECT_EQ(-1200, event.Anchor.x);
    EXPECT_EQ(1050, event.Anchor.y);
    event = CFormHidden::DecodeNotifyIcon(MAKEWPARAM(10, static_cast<WORD>(-5)),
                                          MAKELPARAM(WM_CONTEXTMENU, 2), true);
    EXPECT_EQ(2u, event.IconId);
    EXPECT_EQ(static_cast<UINT>(WM_CONTEXTMENU), event.Event);
    EXPECT_EQ(-5, event.Anchor.y);
}

TEST(ProgramTray, IconEventsMapWindowAndTaskbarRestart)
{
    PrepareProfile(false);
    RunningNimbrel program;
    const HWND hidden = program.Hidden();
    ASSERT_NE(nullptr, hidden);
    program.WaitUntilIdle();
    const HWND map = program.Map();
    ASSERT_NE(nullptr, map);
    ASSERT_TRUE(TrayIconExists(hidden));
    const bool version4 = ShellTakesVersion4();

    // Closing the map only hides it; events of another icon id are not ours.
    SendMessageTimeoutW(map, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kStartTimeout, nullptr);
    EXPECT_TRUE(IsWindow(map));
    ASSERT_FALSE(IsWindowVisible(map));
    PostIconEvent(hidden, version4, 2, WM_LBUTTONDBLCLK);
    PostRightClick(hidden, version4, 2);
    // Handled after the two above, and seen from here: the local weather window shows.
    PostMessageW(hidden, WM_COMMAND, ID_LOCAL_WEATHER, 0);
    ASSERT_NE(nullptr, program.FindVisible(kLocalWeatherWindowClass));
    EXPECT_FALSE(IsWindowVisible(map)) << "another icon's double-click showed the map";
    EXPECT_EQ(nullptr, program.FindVisible(L"#32768", 0)) << "a menu opened for another icon id";

    // The tray's product-name item brings a closed map back; the double-click restores a
    // minimised one.
    PostMessageW(hidden, WM_COMMAND, ID_SHOW_EARTH, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(map) != FALSE; }, kStartTimeout));
    ShowWindow(map, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(map) != FALSE; }, kStartTimeout));
    PostIconEvent(hidden, version4, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(map) && IsWindowVisible(map); }, kStartTimeout));

    // A session that does not really end leaves everything as it was.
    SendMessageTimeoutW(hidden, WM_ENDSESSION, FALSE, 0, SMTO_ABORTIFHUNG, kStartTimeout, nullptr);
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(TrayIconExists(hidden));
    EXPECT_TRUE(IsWindowVisible(map));

    // Explorer restarted: its new taskbar knows no icons until the programs add theirs again.
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = hidden;
    data.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    ASSERT_FALSE(TrayIconExists(hidden));
    SendMessageTimeoutW(hidden, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG,
                        kStartTimeout, nullptr);
    EXPECT_TRUE(TrayIconExists(hidden)) << "the icon was not added to the new taskbar";

    // The right button opens the menu right-aligned at the cursor; Escape closes it unused.
    const POINT cursor{600, 300};
    SetCursorPos(cursor.x, cursor.y);
    PostRightClick(hidden, version4);
    HWND menu = program.FindVisible(L"#32768");
    ASSERT_NE(nullptr, menu) << "the tray menu did not open";
    RECT bounds{};
    GetWindowRect(menu, &bounds);
    EXPECT_NEAR(cursor.x, bounds.right, 2);
    EXPECT_NEAR(cursor.y, bounds.top, 2);
    PostMessageW(hidden, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, kStartTimeout));
    EXPECT_TRUE(program.Running());

    if (version4)
    {
        // Space or Enter on the icon opens the menu where the shell says the icon is.
        const POINT anchor{500, 250};
        PostIconEvent(hidden, version4, 1, NIN_KEYSELECT, anchor);
        menu = program.FindVisible(L"#32768");
        ASSERT_NE(nullptr, menu) << "keyboard selection opened no menu";
        GetWindowRect(menu, &bounds);
        EXPECT_NEAR(anchor.x, bounds.right, 2);
        EXPECT_NEAR(anchor.y, bounds.top, 2);
        PostMessageW(hidden, WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, kStartTimeout));
        // The selection that follows a left click is the click's own: no menu, as before.
        PostIconEvent(hidden, version4, 1, WM_LBUTTONUP, anchor);
        PostIconEvent(hidden, version4, 1, NIN_SELECT, anchor);
        SendMessageTimeoutW(hidden, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kStartTimeout, nullptr);
        EXPECT_EQ(nullptr, program.FindVisible(L"#32768", 500)) << "a left click opened the menu";
        // On its own it is the keyboard's.
        Sleep(2 * GetDoubleClickTime() + 100);
        PostIconEvent(hidden, version4, 1, NIN_SELECT, anchor);
        menu = program.FindVisible(L"#32768");
        ASSERT_NE(nullptr, menu) << "NIN_SELECT of the keyboard opened no menu";
        PostMessageW(hidden, WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, kStartTimeout));
    }

    // Chosen from the menu, its last item (Exit) ends the program cleanly.
    PostRightClick(hidden, version4);
    menu = program.FindVisible(L"#32768");
    ASSERT_NE(nullptr, menu);
    PostMessageW(hidden, WM_KEYDOWN, VK_UP, 0);
    PostMessageW(hidden, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(0u, program.WaitForExit());
}
} // namespace

namespace
{
// A visible dialog or message box of the program with that caption.
HWND FindDialog(const RunningNimbrel& program, const std::wstring& caption)
{
    return program.Find(
        [&](HWND window)
        { return ClassNameOf(window) == L"#32770" && IsWindowVisible(window) && TextOf(window) == caption; });
}

TEST(ProgramExit, EndsPromptlyFromWithinItsDialogsAndMessageBoxes)
{
    struct State
    {
        bool firstRun;
        std::function<void(const RunningNimbrel&)> open;
    };
    const State states[] = {
        // The first run's welcome box over the options dialog.
        {true, [](const RunningNimbrel& program) { ASSERT_NE(nullptr, FindDialog(program, L"Welcome")); }},
        // The about box, modal over the map.
        {false,
         [](const RunningNimbrel& program)
         {
             PostMessageW(program.Map(), WM_COMMAND, ID_APP_ABOUT, 0);
             ASSERT_NE(nullptr, FindDialog(program, L"About"));
         }},
        // The options dialog with one of its own message boxes over it.
        {false,
         [](const RunningNimbrel& program)
         {
             PostMessageW(program.Hidden(), WM_COMMAND, ID_OPTIONS, 0);
             const HWND options = FindDialog(program, L"Nimbrel - Options");
             ASSERT_NE(nullptr, options);
             HWND remove = nullptr;
             for (HWND page = GetWindow(options, GW_CHILD); page != nullptr && remove == nullptr;
                  page = GetWindow(page, GW_HWNDNEXT))
             {
                 remove = GetDlgItem(page, IDC_BUTTON_REMOVE_CITY);
             }
             ASSERT_NE(nullptr, remove);
             PostMessageW(GetParent(remove), WM_COMMAND, MAKEWPARAM(IDC_BUTTON_REMOVE_CITY, BN_CLICKED),
                          reinterpret_cast<LPARAM>(remove));
             ASSERT_NE(nullptr, FindDialog(program, L""));
         }},
    };
    for (const State& state : states)
    {
        SCOPED_TRACE(state.firstRun ? "first run" : "later run");
        PrepareProfile(state.firstRun);
        RunningNimbrel program;
        ASSERT_NE(nullptr, program.Hidden());
        program.WaitUntilIdle();
        state.open(program);
        PostMessageW(program.Hidden(), WM_COMMAND, ID_APP_EXIT, 0);
        EXPECT_EQ(0u, program.WaitForExit(kPromptExitTimeout));
        ASSERT_EQ(0u, program.WaitForExit()) << "no exit at all";
        // Saved whole: down to the last setting.
        const std::string saved = UtilFile::ReadFileAscii(Program::PathOptions());
        EXPECT_NE(std::string::npos, saved.find("\r\nFormLocalWeather_Mode=")) << saved;
    }
}
} // namespace
