// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CFormHidden.h"

#include "app/CommandTable.h"
#include "app/Program.h"
#include "core/ApplicationException.h"
#include "core/Here.h"
#include "platform/Log.h"
#include "platform/WindowMessages.h"
#include "res/Resource.h"

#include <shellapi.h>

#include <algorithm>
#include <random>
#include <string>

namespace
{
// Explorer broadcasts this to every top-level window when it (re)creates the taskbar: after a
// crash or a restart of Explorer the icons of running programs are gone and must be added again.
UINT TaskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

// Cut to the field's size: the shell truncates long texts anyway, but must always find the end.
template <size_t N> void CopyText(wchar_t (&target)[N], const std::wstring& text)
{
    size_t length = 0;
    for (; length < N - 1 && length < text.size(); ++length)
    {
        target[length] = text[length];
    }
    target[length] = L'\0';
}

NOTIFYICONDATAW NotifyIconData(HWND window)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = CFormHidden::NotifyIconId;
    return data;
}

double Jitter()
{
    static std::minstd_rand generator(static_cast<unsigned>(GetTickCount64() ^ GetCurrentProcessId()));
    return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
}
} // namespace

CFormHidden::CFormHidden()
    : m_menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU))), m_schedule(Jitter)
{
}

CFormHidden::~CFormHidden()
{
    if (m_menu != nullptr)
    {
        DestroyMenu(m_menu);
    }
    if (m_icon != nullptr)
    {
        DestroyIcon(m_icon);
    }
}

void CFormHidden::Create()
{
    WNDCLASSEXW windowClass{};
    windowClass.lpszClassName = kHiddenWindowClass;
    RegisterWindowClass(windowClass);
    const RECT bounds{};
    CWindowBase::Create(kHiddenWindowClass, L"", 0, 0, bounds, nullptr, nullptr);
}

bool CFormHidden::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (message)
    {
    case WM_CREATE:
        SetWindowTextW(Hwnd(), L"FormHidden");
        // Run elevated, the window would otherwise never hear from a taskbar of lower integrity.
        ChangeWindowMessageFilterEx(Hwnd(), TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
        // Another start of the program asks for the map this way, perhaps from a lower integrity.
        ChangeWindowMessageFilterEx(Hwnd(), WM_SHOW_EARTH, MSGFLT_ALLOW, nullptr);
        Program::SetHiddenWindowHandle(Hwnd());
        Program::ScheduleDownload(true);
        SetTimer(Hwnd(), UpdateTimerId, FirstTimerPeriod, nullptr);
        SetTimer(Hwnd(), ClockTimerId, ClockTimerPeriod, nullptr);
        SetTimer(Hwnd(), AlertTimerId, AlertTimerPeriod, nullptr);
        Program::PollWeatherAlerts();
        m_notifications.Register(Hwnd(), WM_NETWORK_CHANGED);
        return true;
    case WM_DESTROY:
        m_notifications.Unregister();
        // An icon whose window is gone lingers in the tray until the mouse passes over it.
        DeleteNotifyIcon();
        return true;
    case WM_TIMER:
        OnTimer(wParam);
        return true;
    case WM_WEATHER_REPORT:
        Program::OnWeatherReport();
        return true;
    case WM_DOWNLOAD_COMPLETE:
        OnDownloadComplete(wParam != 0);
        return true;
    case WM_WEATHER_ALERTS:
        Program::OnWeatherAlerts();
        return true;
    case WM_POWERBROADCAST:
        // After sleep the weather on the desktop is hours old: fetch as soon as the network is up.
        if (wParam == PBT_APMRESUMEAUTOMATIC)
        {
            ScheduleSoon(CUpdateSchedule::SoonDelayMs);
        }
        result = TRUE;
        return true;
    case WM_NETWORK_CHANGED:
        ScheduleSoon(CUpdateSchedule::SoonDelayMs);
        return true;
    case WM_SHOW_EARTH:
        Program::ShowEarth();
        return true;
    case WM_ENDSESSION:
        if (wParam != 0)
        {
            Program::OnExit();
        }
        return true;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam));
    case WM_NOTIFY_ICON:
        OnNotifyIcon(wParam, lParam);
        return true;
    default:
        if (message != 0 && message == TaskbarCreatedMessage())
        {
            // After the exit command the icon stays away.
            if (!Program::IsExiting())
            {
                AddNotifyIcon();
            }
            return true;
        }
        return false;
    }
}

void CFormHidden::OnTimer(UINT_PTR id)
{
    try
    {
        switch (id)
        {
        case SoonTimerId:
            KillTimer(Hwnd(), SoonTimerId);
            Program::ScheduleDownload(false);
            break;
        case AlertTimerId:
            Program::PollWeatherAlerts();
            break;
        case ClockTimerId:
            if (m_schedule.ClockJumped(DateTime::UtcNow(), SteadyMilliseconds()))
            {
                ScheduleSoon(CUpdateSchedule::SoonDelayMs);
            }
            break;
        default:
        {
            Program::ScheduleDownload(false);
            const UINT period = AdvanceUpdateTimer(m_tickCounter);
            if (period != 0)
            {
                SetTimer(Hwnd(), UpdateTimerId, period, nullptr);
            }
            break;
        }
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormHidden::OnTimer");
    }
}

void CFormHidden::OnDownloadComplete(bool everyCityFailed)
{
    Program::OnDownloadComplete();
    if (Program::IsExiting())
    {
        return;
    }
    try
    {
        const std::uint32_t pause =
            m_schedule.OnBatchComplete(everyCityFailed, DateTime::UtcNow(), SteadyMilliseconds());
        if (pause != 0)
        {
            ScheduleSoon(pause);
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormHidden::OnDownloadComplete");
    }
}

// A later call replaces an earlier one, so a burst of events makes one batch.
void CFormHidden::ScheduleSoon(UINT delay)
{
    if (!Program::IsExiting())
    {
        SetTimer(Hwnd(), SoonTimerId, delay, nullptr);
    }
}

std::uint64_t CFormHidden::SteadyMilliseconds()
{
    ULONGLONG unbiased = 0; // 100 ns units, without the time asleep
    if (QueryUnbiasedInterruptTime(&unbiased))
    {
        return unbiased / 10000;
    }
    return GetTickCount64();
}

UINT CFormHidden::AdvanceUpdateTimer(unsigned& tickCounter)
{
    if (tickCounter < 2)
    {
        ++tickCounter;
    }
    if (tickCounter == 2)
    {
        tickCounter = 3;
        return LaterTimerPeriod;
    }
    return 0;
}

bool CFormHidden::OnCommand(WORD id)
{
    try
    {
        return CommandTable::Run(CommandTable::TrayMenu, id, Hwnd());
    }
    catch (...)
    {
        Log::Exception(L"CFormHidden::OnCommand");
        return true;
    }
}

void CFormHidden::OnNotifyIcon(WPARAM iconId, LPARAM mouseMessage)
{
    if (iconId != NotifyIconId)
    {
        return;
    }
    try
    {
        switch (static_cast<UINT>(mouseMessage))
        {
        case WM_RBUTTONUP:
            ShowTrayMenu();
            break;
        case WM_LBUTTONDBLCLK:
            Program::ShowEarth();
            break;
        default:
            break;
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormHidden::OnNotifyIcon");
    }
}

void CFormHidden::ShowTrayMenu()
{
    POINT point{};
    GetCursorPos(&point);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(Hwnd());
    const HMENU popup = m_menu != nullptr ? GetSubMenu(m_menu, 0) : nullptr;
    if (popup == nullptr)
    {
        return; // the menu could not be loaded: nothing to show
    }
    EnableMenuItem(popup, ID_WEATHER_ALERTS,
                   MF_BYCOMMAND | (Program::HasWeatherAlerts() ? MF_ENABLED : MF_GRAYED));
    // A point between monitors of different sizes would put the menu where nobody sees it.
    if (MonitorFromPoint(point, MONITOR_DEFAULTTONULL) == nullptr)
    {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &monitor))
        {
            point.x = std::clamp(point.x, monitor.rcWork.left, monitor.rcWork.right);
        }
    }
    TrackPopupMenu(popup, TPM_VERPOSANIMATION | TPM_RIGHTALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, Hwnd(),
                   nullptr);
    // The menu of a background window only closes properly once its window has seen a message.
    PostMessageW(Hwnd(), WM_NULL, 0, 0);
}

bool CFormHidden::AddNotifyIcon()
{
    try
    {
        AddNotifyIconOrThrow();
        return true;
    }
    catch (...)
    {
        Log::Exception(L"CFormHidden::AddNotifyIcon");
        return false;
    }
}

void CFormHidden::AddNotifyIconOrThrow()
{
    if (m_icon == nullptr)
    {
        // The small size from the icon file itself: the tray would blur a shrunk large icon.
        m_icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
        if (m_icon == nullptr)
        {
            ThrowApplicationException(Here());
        }
    }
    NOTIFYICONDATAW data = NotifyIconData(Hwnd());
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_NOTIFY_ICON;
    data.hIcon = m_icon;
    CopyText(data.szTip, Program::ProductName);
    if (!Shell_NotifyIconW(NIM_ADD, &data))
    {
        ThrowApplicationException(Here());
    }
}

bool CFormHidden::ShowBalloonTip()
{
    try
    {
        NOTIFYICONDATAW data = NotifyIconData(Hwnd());
        data.uFlags = NIF_INFO;
        data.uTimeout = 60000;
        CopyText(data.szInfoTitle, Program::ProductName);
        CopyText(data.szInfo,
                 std::wstring(L"To access ") + Program::ProductName + L" menu, right click on this icon.");
        data.dwInfoFlags = NIIF_INFO;
        if (!Shell_NotifyIconW(NIM_MODIFY, &data))
        {
            ThrowApplicationException(Here());
        }
        return true;
    }
    catch (...)
    {
        Log::Exception(L"CFormHidden::ShowBalloonTip");
        return false;
    }
}

bool CFormHidden::ShowAlertBalloon(const std::wstring& title, const std::wstring& text)
{
    try
    {
        NOTIFYICONDATAW data = NotifyIconData(Hwnd());
        data.uFlags = NIF_INFO;
        data.uTimeout = 60000;
        CopyText(data.szInfoTitle, title);
        CopyText(data.szInfo, text.empty() ? title : text);
        data.dwInfoFlags = NIIF_WARNING;
        if (!Shell_NotifyIconW(NIM_MODIFY, &data))
        {
            ThrowApplicationException(Here());
        }
        return true;
    }
    catch (...)
    {
        Log::Exception(L"CFormHidden::ShowAlertBalloon");
        return false;
    }
}

void CFormHidden::DeleteNotifyIcon()
{
    if (Hwnd() == nullptr)
    {
        return;
    }
    NOTIFYICONDATAW data = NotifyIconData(Hwnd());
    Shell_NotifyIconW(NIM_DELETE, &data);
}
