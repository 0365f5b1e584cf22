// SPDX-License-Identifier: GPL-2.0-or-later
// Drives a running Nimbrel from scripts, the way a user, the shell or an installer would.
//
//   NimbrelControl [--desktop NAME] COMMAND [ARGUMENTS]
//
// --desktop works on the named desktop (a Wine virtual desktop started with
// "explorer /desktop=NAME,WxH"): windows, the tray and the screen of a desktop are only seen from
// inside it. It waits up to 30 seconds for the desktop to exist.
//
//   wait-ready [seconds]            waits until Nimbrel's hidden window exists
//   exit [seconds]                  sends the Exit command and waits for the process to end
//   run [--exit-code-file FILE] PROGRAM [ARGUMENTS]
//                                   starts PROGRAM and waits for it; ends with its exit code and
//                                   writes it to FILE
//   tray-icon [seconds]             waits until the hidden window's tray icon is in the tray
//   tray-remove                     takes that icon out of the tray, as a crashed shell loses it
//   tray-menu ITEM [seconds]        right-clicks the tray icon and picks ITEM from the menu with
//                                   the keyboard; waits until the menu has closed
//   tray-exit [seconds]             picks "Exit" from the tray menu and waits for the process to end
//   tray-tip [seconds]              rests the pointer on the tray icon until the shell shows its
//                                   tooltip; prints its text (UTF-8, line breaks as " | ") and the
//                                   icon's bounds
//   window CLASS [STATE] [seconds]  waits until a window of that class is in STATE: exists (the
//                                   default), visible, hidden, maximized or front (visible and
//                                   the foreground window); prints its state
//   move CLASS X Y                  moves the window of that class to X, Y, as a drag leaves it
//   close CLASS [seconds]           closes the window of that class as its close box does, and
//                                   waits until it is hidden or gone
//   wait-title TITLE [seconds]      waits for a visible window captioned TITLE; prints its text
//   dismiss TITLE [ok|cancel] [seconds]
//                                   waits for a visible window captioned TITLE, prints its
//                                   message text, clicks its OK (or Cancel) button and waits
//                                   until it has gone
//   search-city TEXT [seconds]      in the open options dialog, clicks "Add City" and types TEXT
//                                   into the city selection's search box; prints the rows listed
//                                   before and after, and fails unless TEXT kept some but not all
//   local-mode large|small|icon     chooses that mode from the local weather window's menu (0, 1
//                                   and 2, the numbers the options store, work too)
//   broadcast-taskbar-created       tells every window that the taskbar was created anew
//   wallpaper                       prints the desktop wallpaper's path, style and tiling
//   set-wallpaper PATH STYLE TILE   sets them, as the desktop's control panel does
//   desktop-size                    prints the desktop's size as WIDTHxHEIGHT
//   repaint                         has every window of the desktop repaint itself
//
// Exit code 0 on success, 1 when Nimbrel is not running, the state was not reached in time or the
// step failed (with a line on the error output), 2 for a usage error. Waits default to 30 seconds.
#include "platform/WindowMessages.h"
#include "res/Resource.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace
{
constexpr DWORD kDefaultSeconds = 30;
constexpr DWORD kPollMilliseconds = 100;

// Polls until the test passes or the time is up; returns whether it passed.
template <typename Test> bool WaitUntil(DWORD milliseconds, Test test)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;)
    {
        if (test())
        {
            return true;
        }
        if (GetTickCount64() >= deadline)
        {
            return false;
        }
        Sleep(kPollMilliseconds);
    }
}

int Fail(const wchar_t* what)
{
    std::fwprintf(stderr, L"NimbrelControl: %ls\n", what);
    return 1;
}

HWND HiddenWindow()
{
    return FindWindowW(kHiddenWindowClass, nullptr);
}

DWORD ProcessOf(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

// Waits for the end of the process that owns the window; true when it ended in time.
bool WaitForProcessOf(HWND window, DWORD milliseconds)
{
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(window));
    if (process == nullptr)
    {
        return !IsWindow(window);
    }
    const DWORD waited = WaitForSingleObject(process, milliseconds);
    CloseHandle(process);
    return waited == WAIT_OBJECT_0;
}

// The desktop named by --desktop, for the programs this one starts; empty without one.
std::wstring g_desktop;

bool UseDesktop(const std::wstring& name)
{
    g_desktop = name;
    HDESK desktop = nullptr;
    WaitUntil(kDefaultSeconds * 1000,
              [&]
              {
                  desktop = OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
                  return desktop != nullptr;
              });
    return desktop != nullptr && SetThreadDesktop(desktop);
}

int WaitReady(DWORD milliseconds)
{
    return WaitUntil(milliseconds, [] { return HiddenWindow() != nullptr; }) ? 0 : 1;
}

int Exit(DWORD milliseconds)
{
    const HWND hidden = HiddenWindow();
    if (hidden == nullptr)
    {
        return 1;
    }
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(hidden));
    PostMessageW(hidden, WM_COMMAND, ID_APP_EXIT, 0);
    if (process == nullptr)
    {
        return 0;
    }
    const DWORD waited = WaitForSingleObject(process, milliseconds);
    CloseHandle(process);
    return waited == WAIT_OBJECT_0 ? 0 : 1;
}

std::wstring Quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
    {
        return argument;
    }
    // The rules the C runtime reads a command line by: backslashes double before a quote.
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument)
    {
        if (c == L'\\')
        {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// Starts the program and waits for it. Its exit code is also written to the file, when one is
// named, for a caller that cannot see this process's own exit code (a program started by
// "explorer /desktop=...").
int Run(std::vector<std::wstring> command)
{
    std::wstring codeFile;
    if (command.size() >= 3 && command[0] == L"--exit-code-file")
    {
        codeFile = command[1];
        command.erase(command.begin(), command.begin() + 2);
    }
    std::wstring line;
    for (const std::wstring& argument : command)
    {
        line += (line.empty() ? L"" : L" ") + Quoted(argument);
    }
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // A program started by a process that did not start on that desktop would not run there.
    startup.lpDesktop = g_desktop.empty() ? nullptr : g_desktop.data();
    PROCESS_INFORMATION process{};
    DWORD code = 1;
    if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process))
    {
        CloseHandle(process.hThread);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
    }
    else
    {
        Fail(L"the program could not be started");
        code = 9009; // what a shell answers for a command it cannot find
    }
    std::wprintf(L"exit-code=%lu\n", code);
    if (!codeFile.empty())
    {
        // Complete or absent: written beside it, then moved into place.
        const std::wstring temporary = codeFile + L".temp";
        FILE* file = _wfopen(temporary.c_str(), L"w");
        if (file != nullptr)
        {
            std::fprintf(file, "%lu\n", code);
            std::fclose(file);
            MoveFileExW(temporary.c_str(), codeFile.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    return static_cast<int>(code);
}

// The hidden window's tray icon, id 1, as the program registers it.
NOTIFYICONDATAW TrayIcon(HWND hidden)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = hidden;
    data.uID = 1;
    return data;
}

// The shell accepts a change only to an icon it holds; a change of nothing leaves it as it is.
bool TrayIconPresent(HWND hidden)
{
    NOTIFYICONDATAW data = TrayIcon(hidden);
    data.uFlags = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

int WaitForTrayIcon(DWORD milliseconds)
{
    const HWND hidden = HiddenWindow();
    if (hidden == nullptr)
    {
        return Fail(L"Nimbrel is not running");
    }
    return WaitUntil(milliseconds, [&] { return TrayIconPresent(hidden); }) ? 0 : Fail(L"no tray icon");
}

int RemoveTrayIcon()
{
    const HWND hidden = HiddenWindow();
    if (hidden == nullptr)
    {
        return Fail(L"Nimbrel is not running");
    }
    NOTIFYICONDATAW data = TrayIcon(hidden);
    return Shell_NotifyIconW(NIM_DELETE, &data) ? 0 : Fail(L"the tray held no icon to remove");
}

// Where the shell shows the tray icon: a window and a point on the icon in its client area, with
// the icon's bounds on the screen. Newer Wine holds each icon in a window of its own; Wine 8 draws
// them all in its tray window, from the right edge, in slots two pixels wider than an icon on each
// side. Nimbrel's is the only icon in the test's desktop.
struct ShellIcon
{
    HWND Window = nullptr;
    POINT Client{};
    RECT Bounds{};
};

ShellIcon FindShellIcon()
{
    ShellIcon icon;
    const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (tray == nullptr)
    {
        return icon;
    }
    RECT client{};
    const HWND own = FindWindowExW(tray, nullptr, L"__wine_tray_icon", nullptr);
    if (own != nullptr)
    {
        icon.Window = own;
        GetClientRect(own, &client);
    }
    else
    {
        icon.Window = tray;
        RECT all{};
        GetClientRect(tray, &all);
        const int width = GetSystemMetrics(SM_CXSMICON) + 4;
        const int height = GetSystemMetrics(SM_CYSMICON) + 4;
        client = RECT{all.right - width, (all.bottom - height) / 2, all.right, (all.bottom + height) / 2};
    }
    icon.Client = POINT{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    icon.Bounds = client;
    MapWindowPoints(icon.Window, nullptr, reinterpret_cast<POINT*>(&icon.Bounds), 2);
    return icon;
}

POINT ScreenPoint(const ShellIcon& icon)
{
    POINT point = icon.Client;
    ClientToScreen(icon.Window, &point);
    return point;
}

void MovePointer(POINT point)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(point.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(point.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

void PrintUtf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// The tooltip the shell shows for the window holding its icon, with its text, once it is visible.
HWND VisibleTipOf(HWND icon, std::wstring& text)
{
    HWND tip = nullptr;
    while ((tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr)
    {
        if (GetWindow(tip, GW_OWNER) != icon || !IsWindowVisible(tip) ||
            (GetWindowLongW(tip, GWL_STYLE) & TTS_BALLOON) != 0)
        {
            continue;
        }
        // Asked of the control itself: GetWindowText does not ask another process's windows.
        wchar_t buffer[512] = L"";
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutW(tip, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                                2000, &copied) &&
            buffer[0] != L'\0')
        {
            text = buffer;
            return tip;
        }
    }
    return nullptr;
}

int TrayTip(DWORD milliseconds)
{
    if (HiddenWindow() == nullptr)
    {
        return Fail(L"Nimbrel is not running");
    }
    const ShellIcon icon = FindShellIcon();
    if (icon.Window == nullptr)
    {
        return Fail(L"the shell shows no tray");
    }
    const POINT centre = ScreenPoint(icon);
    std::wstring text;
    // The tooltip waits for the pointer to rest on the icon; a small move now and then starts it
    // again should anything have taken it away.
    int step = 0;
    const bool shown = WaitUntil(milliseconds,
                                 [&]
                                 {
                                     if (step++ % 20 == 0)
                                     {
                                         MovePointer(POINT{centre.x + 1, centre.y});
                                         MovePointer(centre);
                                         SetCursorPos(centre.x, centre.y);
                                         PostMessageW(icon.Window, WM_MOUSEMOVE, 0,
                                                      MAKELPARAM(icon.Client.x, icon.Client.y));
                                     }
                                     return VisibleTipOf(icon.Window, text) != nullptr;
                                 });
    if (!shown)
    {
        return Fail(L"the tray icon's tooltip did not show");
    }
    size_t at = 0;
    while ((at = text.find(L'\n', at)) != std::wstring::npos)
    {
        text.replace(at, 1, L" | ");
    }
    PrintUtf8(L"tip=" + text + L"\n");
    std::wprintf(L"bounds=%ld,%ld,%ld,%ld\n", icon.Bounds.left, icon.Bounds.top, icon.Bounds.right,
                 icon.Bounds.bottom);
    return 0;
}

// The texts of the selectable items of the program's tray menu, read from its own resources so
// that the keys pressed follow the menu as it is built.
std::vector<std::wstring> TrayMenuItems(DWORD processId)
{
    std::vector<std::wstring> items;
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr)
    {
        return items;
    }
    wchar_t path[MAX_PATH];
    DWORD length = MAX_PATH;
    const BOOL named = QueryFullProcessImageNameW(process, 0, path, &length);
    CloseHandle(process);
    if (!named)
    {
        return items;
    }
    const HMODULE image =
        LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (image == nullptr)
    {
        return items;
    }
    const HMENU menu = LoadMenuW(image, MAKEINTRESOURCEW(IDR_TRAY_MENU));
    const HMENU popup = menu != nullptr ? GetSubMenu(menu, 0) : nullptr;
    const int count = popup != nullptr ? GetMenuItemCount(popup) : 0;
    for (int position = 0; position < count; ++position)
    {
        wchar_t text[128] = L"";
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 128;
        if (GetMenuItemInfoW(popup, static_cast<UINT>(position), TRUE, &info) &&
            !(info.fType & MFT_SEPARATOR))
        {
            items.emplace_back(text);
        }
    }
    if (menu != nullptr)
    {
        DestroyMenu(menu);
    }
    FreeLibrary(image);
    return items;
}

// The program's visible popup menu, or null.
HWND OpenMenuOf(DWORD processId)
{
    HWND found = nullptr;
    HWND menu = nullptr;
    while ((menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr)
    {
        if (IsWindowVisible(menu) && ProcessOf(menu) == processId)
        {
            found = menu;
        }
    }
    return found;
}

void PressKey(WORD key)
{
    INPUT input[2]{};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    Sleep(150);
}

int PickFromTrayMenu(const std::wstring& item, DWORD milliseconds, HWND& hidden)
{
    hidden = HiddenWindow();
    if (hidden == nullptr)
    {
        return Fail(L"Nimbrel is not running");
    }
    const DWORD processId = ProcessOf(hidden);
    const std::vector<std::wstring> items = TrayMenuItems(processId);
    size_t index = 0;
    while (index < items.size() && items[index] != item)
    {
        ++index;
    }
    if (index == items.size())
    {
        return Fail(L"the tray menu has no such item");
    }

    // The user's pointer rests on the icon, in the notification area at the desktop's bottom
    // right; the menu opens beside it, so the pointer is not over an item that it would select.
    const ShellIcon icon = FindShellIcon();
    if (icon.Window != nullptr)
    {
        // The right button on the shell's own icon: the shell tells Nimbrel in the form of the
        // protocol version Nimbrel asked for.
        const POINT centre = ScreenPoint(icon);
        SetCursorPos(centre.x, centre.y);
        const LPARAM at = MAKELPARAM(icon.Client.x, icon.Client.y);
        PostMessageW(icon.Window, WM_RBUTTONDOWN, MK_RBUTTON, at);
        PostMessageW(icon.Window, WM_RBUTTONUP, 0, at);
    }
    else
    {
        RECT screen{};
        GetWindowRect(GetDesktopWindow(), &screen);
        SetCursorPos(screen.right - 8, screen.bottom - 8);
        // What a shell of the classic protocol sends when the icon is right-clicked.
        PostMessageW(hidden, WM_NOTIFY_ICON, 1, WM_RBUTTONUP);
    }
    HWND menu = nullptr;
    if (!WaitUntil(milliseconds, [&] { return (menu = OpenMenuOf(processId)) != nullptr; }))
    {
        return Fail(L"the tray menu did not open");
    }
    // With nothing selected yet, Down selects the first item and Up the last.
    const bool fromTop = index < items.size() - index;
    const size_t presses = fromTop ? index + 1 : items.size() - index;
    for (size_t press = 0; press < presses; ++press)
    {
        PressKey(fromTop ? VK_DOWN : VK_UP);
    }
    PressKey(VK_RETURN);
    if (!WaitUntil(milliseconds, [&] { return !IsWindow(menu) || !IsWindowVisible(menu); }))
    {
        // Leave nothing open behind us.
        PressKey(VK_ESCAPE);
        return Fail(L"the tray menu took no keyboard input");
    }
    return 0;
}

int TrayMenu(const std::wstring& item, DWORD milliseconds)
{
    HWND hidden = nullptr;
    return PickFromTrayMenu(item, milliseconds, hidden);
}

int TrayExit(DWORD milliseconds)
{
    HWND hidden = nullptr;
    const int picked = PickFromTrayMenu(L"Exit", milliseconds, hidden);
    if (picked != 0)
    {
        return picked;
    }
    return WaitForProcessOf(hidden, milliseconds) ? 0 : Fail(L"Nimbrel did not end");
}

// A top-level window of the class, or else a child of that class of a top-level window (the map
// window's view).
HWND FindByClass(const std::wstring& className)
{
    HWND found = FindWindowW(className.c_str(), nullptr);
    HWND top = nullptr;
    while (found == nullptr && (top = FindWindowExW(nullptr, top, nullptr, nullptr)) != nullptr)
    {
        found = FindWindowExW(top, nullptr, className.c_str(), nullptr);
    }
    return found;
}

int Window(const std::wstring& className, const std::wstring& state, DWORD milliseconds)
{
    if (state != L"exists" && state != L"visible" && state != L"hidden" && state != L"maximized" &&
        state != L"front")
    {
        return 2;
    }
    HWND window = nullptr;
    const bool reached = WaitUntil(
        milliseconds,
        [&]
        {
            window = FindByClass(className);
            if (window == nullptr)
            {
                return false;
            }
            return state == L"exists" || (state == L"visible" && IsWindowVisible(window)) ||
                   (state == L"hidden" && !IsWindowVisible(window)) ||
                   (state == L"maximized" && IsWindowVisible(window) && IsZoomed(window)) ||
                   (state == L"front" && IsWindowVisible(window) && GetForegroundWindow() == window);
        });
    if (window != nullptr)
    {
        RECT bounds{};
        GetWindowRect(window, &bounds);
        std::wprintf(L"window=%ls visible=%d maximized=%d bounds=%ld,%ld,%ld,%ld\n", className.c_str(),
                     IsWindowVisible(window) ? 1 : 0, IsZoomed(window) ? 1 : 0, bounds.left, bounds.top,
                     bounds.right, bounds.bottom);
    }
    return reached ? 0 : Fail(L"the window did not reach that state");
}

HWND VisibleWindowTitled(const std::wstring& title)
{
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, title.c_str())) != nullptr)
    {
        if (IsWindowVisible(window))
        {
            return window;
        }
    }
    return nullptr;
}

// A message box's text on one line.
void PrintMessageText(HWND window)
{
    wchar_t text[2048] = L"";
    GetDlgItemTextW(window, 0xFFFF, text, 2048);
    std::wstring line = text;
    for (wchar_t& c : line)
    {
        c = c == L'\r' || c == L'\n' ? L' ' : c;
    }
    std::wprintf(L"text=%ls\n", line.c_str());
    std::fflush(stdout);
}

int WaitForTitle(const std::wstring& title, DWORD milliseconds)
{
    HWND window = nullptr;
    if (!WaitUntil(milliseconds, [&] { return (window = VisibleWindowTitled(title)) != nullptr; }))
    {
        return Fail(L"no visible window with that title");
    }
    PrintMessageText(window);
    return 0;
}

int Dismiss(const std::wstring& title, const std::wstring& buttonName, DWORD milliseconds)
{
    if (buttonName != L"ok" && buttonName != L"cancel")
    {
        return 2;
    }
    HWND window = nullptr;
    HWND button = nullptr;
    // Found once fully built: visible, with its button in place.
    if (!WaitUntil(milliseconds,
                   [&]
                   {
                       window = VisibleWindowTitled(title);
                       button = window != nullptr ? GetDlgItem(window, buttonName == L"ok" ? IDOK : IDCANCEL)
                                                  : nullptr;
                       return button != nullptr;
                   }))
    {
        return Fail(L"no such window with that button");
    }
    PrintMessageText(window);
    // The button handles the click itself, as it does a mouse click.
    PostMessageW(button, BM_CLICK, 0, 0);
    return WaitUntil(milliseconds, [&] { return !IsWindow(window) || !IsWindowVisible(window); })
               ? 0
               : Fail(L"the window stayed");
}

int LocalMode(const std::wstring& mode)
{
    // By name or by the number the options store for the mode.
    const WORD command = mode == L"large" || mode == L"0"   ? ID_LOCAL_WEATHER_LARGE
                         : mode == L"small" || mode == L"1" ? ID_LOCAL_WEATHER_SMALL
                         : mode == L"icon" || mode == L"2"  ? ID_LOCAL_WEATHER_ICON_ONLY
                                                            : 0;
    if (command == 0)
    {
        return 2;
    }
    const HWND window = FindWindowW(kLocalWeatherWindowClass, nullptr);
    if (window == nullptr)
    {
        return Fail(L"no local weather window");
    }
    // Sent, not posted: the window has redrawn when the call returns.
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_COMMAND, command, 0, SMTO_ABORTIFHUNG, 10000, &ignored) != 0
               ? 0
               : Fail(L"the local weather window did not answer");
}

int Move(const std::wstring& className, int x, int y)
{
    const HWND window = FindByClass(className);
    if (window == nullptr)
    {
        return Fail(L"no such window");
    }
    return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : Fail(L"the window could not be moved");
}

int Close(const std::wstring& className, DWORD milliseconds)
{
    const HWND window = FindByClass(className);
    if (window == nullptr)
    {
        return Fail(L"no such window");
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    return WaitUntil(milliseconds, [&] { return !IsWindow(window) || !IsWindowVisible(window); })
               ? 0
               : Fail(L"the window is still shown");
}

int ListRows(HWND list)
{
    DWORD_PTR rows = 0;
    return SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 10000, &rows) != 0
               ? static_cast<int>(rows)
               : -1;
}

int SearchCity(const std::wstring& text, DWORD milliseconds)
{
    HWND add = nullptr;
    if (!WaitUntil(milliseconds,
                   [&]
                   {
                       const HWND options = VisibleWindowTitled(L"Nimbrel - Options");
                       for (HWND page = options != nullptr ? GetWindow(options, GW_CHILD) : nullptr;
                            page != nullptr && add == nullptr; page = GetWindow(page, GW_HWNDNEXT))
                       {
                           add = GetDlgItem(page, IDC_BUTTON_ADD_CITY);
                       }
                       return add != nullptr;
                   }))
    {
        return Fail(L"no options dialog with its Add City button");
    }
    // What the button tells its page when it is clicked, on whichever page is showing.
    PostMessageW(GetParent(add), WM_COMMAND, MAKEWPARAM(IDC_BUTTON_ADD_CITY, BN_CLICKED),
                 reinterpret_cast<LPARAM>(add));
    HWND edit = nullptr;
    HWND list = nullptr;
    int before = 0;
    // Found once the catalogue fills its list.
    if (!WaitUntil(milliseconds,
                   [&]
                   {
                       const HWND select = VisibleWindowTitled(L"Select City");
                       edit = select != nullptr ? GetDlgItem(select, IDC_EDIT_SEARCH_CITY) : nullptr;
                       list = select != nullptr ? GetDlgItem(select, IDC_LIST_CITIES) : nullptr;
                       return edit != nullptr && list != nullptr && (before = ListRows(list)) > 0;
                   }))
    {
        return Fail(L"the city selection did not open with its cities");
    }
    // Typed into the box: each character changes its text and so filters the list at once.
    for (const wchar_t character : text)
    {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(edit, WM_CHAR, character, 1, SMTO_ABORTIFHUNG, 10000, &ignored);
    }
    const int after = ListRows(list);
    std::wprintf(L"before=%d\nafter=%d\n", before, after);
    return after > 0 && after < before ? 0 : Fail(L"the search did not narrow the list");
}

int BroadcastTaskbarCreated()
{
    const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    if (message == 0)
    {
        return Fail(L"the message could not be registered");
    }
    return SendNotifyMessageW(HWND_BROADCAST, message, 0, 0) ? 0 : Fail(L"the broadcast failed");
}

std::wstring DesktopValue(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = L"";
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", name, RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
    {
        return L"";
    }
    return value;
}

int Wallpaper()
{
    wchar_t path[MAX_PATH] = L"";
    if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0))
    {
        return Fail(L"the wallpaper could not be read");
    }
    std::wprintf(L"path=%ls\nstyle=%ls\ntile=%ls\n", path, DesktopValue(L"WallpaperStyle").c_str(),
                 DesktopValue(L"TileWallpaper").c_str());
    return 0;
}

int SetWallpaper(const std::wstring& path, const std::wstring& style, const std::wstring& tile)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    {
        return Fail(L"the desktop settings could not be opened");
    }
    const auto write = [&](const wchar_t* name, const std::wstring& value)
    {
        return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    };
    const bool written = write(L"WallpaperStyle", style) && write(L"TileWallpaper", tile);
    RegCloseKey(key);
    std::wstring value = path;
    if (!written || !SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, value.data(),
                                           SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE))
    {
        return Fail(L"the wallpaper could not be set");
    }
    return 0;
}

int DesktopSize()
{
    RECT screen{};
    if (!GetWindowRect(GetDesktopWindow(), &screen))
    {
        return Fail(L"no desktop");
    }
    std::wprintf(L"%ldx%ld\n", screen.right - screen.left, screen.bottom - screen.top);
    return 0;
}

// Wine paints a new wallpaper over the windows of a virtual desktop and does not have them
// repaint; a screenshot taken then shows the wallpaper alone. Each visible window is told to
// repaint (not the desktop itself, whose painting would cover them again).
int Repaint()
{
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, nullptr)) != nullptr)
    {
        if (IsWindowVisible(window))
        {
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
    }
    return 0;
}

int Usage()
{
    std::fwprintf(stderr,
                  L"usage: NimbrelControl [--desktop NAME] wait-ready|exit|run|tray-icon|tray-remove|"
                  L"tray-menu|tray-exit|tray-tip|window|move|close|wait-title|dismiss|search-city|local-mode|"
                  L"broadcast-taskbar-created|"
                  L"wallpaper|set-wallpaper|desktop-size|repaint [ARGUMENTS]\n");
    return 2;
}

// A count of seconds from the arguments, or the default when it is not there.
DWORD Milliseconds(const std::vector<std::wstring>& arguments, size_t index)
{
    if (index >= arguments.size())
    {
        return kDefaultSeconds * 1000;
    }
    return static_cast<DWORD>(std::wcstoul(arguments[index].c_str(), nullptr, 10)) * 1000;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::wstring> arguments(argv + 1, argv + argc);
    if (arguments.size() >= 2 && arguments[0] == L"--desktop")
    {
        if (!UseDesktop(arguments[1]))
        {
            return Fail(L"no such desktop");
        }
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    if (arguments.empty())
    {
        return Usage();
    }
    const std::wstring command = arguments[0];
    const size_t count = arguments.size();
    int result = -1;
    if (command == L"wait-ready" && count <= 2)
    {
        result = WaitReady(Milliseconds(arguments, 1));
    }
    else if (command == L"exit" && count <= 2)
    {
        result = Exit(Milliseconds(arguments, 1));
    }
    else if (command == L"run" && count >= 2)
    {
        // The program's own exit code, whatever it is.
        return Run(std::vector<std::wstring>(arguments.begin() + 1, arguments.end()));
    }
    else if (command == L"tray-icon" && count <= 2)
    {
        result = WaitForTrayIcon(Milliseconds(arguments, 1));
    }
    else if (command == L"tray-remove" && count == 1)
    {
        result = RemoveTrayIcon();
    }
    else if (command == L"tray-menu" && (count == 2 || count == 3))
    {
        result = TrayMenu(arguments[1], Milliseconds(arguments, 2));
    }
    else if (command == L"tray-exit" && count <= 2)
    {
        result = TrayExit(Milliseconds(arguments, 1));
    }
    else if (command == L"tray-tip" && count <= 2)
    {
        result = TrayTip(Milliseconds(arguments, 1));
    }
    else if (command == L"window" && count >= 2 && count <= 4)
    {
        result = Window(arguments[1], count > 2 ? arguments[2] : L"exists", Milliseconds(arguments, 3));
    }
    else if (command == L"wait-title" && (count == 2 || count == 3))
    {
        result = WaitForTitle(arguments[1], Milliseconds(arguments, 2));
    }
    else if (command == L"dismiss" && count >= 2 && count <= 4)
    {
        result = Dismiss(arguments[1], count > 2 ? arguments[2] : L"ok", Milliseconds(arguments, 3));
    }
    else if (command == L"move" && count == 4)
    {
        result = Move(arguments[1], static_cast<int>(std::wcstol(arguments[2].c_str(), nullptr, 10)),
                      static_cast<int>(std::wcstol(arguments[3].c_str(), nullptr, 10)));
    }
    else if (command == L"close" && (count == 2 || count == 3))
    {
        result = Close(arguments[1], Milliseconds(arguments, 2));
    }
    else if (command == L"search-city" && (count == 2 || count == 3))
    {
        result = SearchCity(arguments[1], Milliseconds(arguments, 2));
    }
    else if (command == L"local-mode" && count == 2)
    {
        result = LocalMode(arguments[1]);
    }
    else if (command == L"broadcast-taskbar-created" && count == 1)
    {
        result = BroadcastTaskbarCreated();
    }
    else if (command == L"wallpaper" && count == 1)
    {
        result = Wallpaper();
    }
    else if (command == L"set-wallpaper" && count == 4)
    {
        result = SetWallpaper(arguments[1], arguments[2], arguments[3]);
    }
    else if (command == L"repaint" && count == 1)
    {
        result = Repaint();
    }
    else if (command == L"desktop-size" && count == 1)
    {
        result = DesktopSize();
    }
    std::fflush(stdout);
    return result == -1 || result == 2 ? Usage() : result;
}
