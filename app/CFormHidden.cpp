// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CFormHidden.h"

#include "app/CommandTable.h"
#include "app/Program.h"
#include "core/ApplicationException.h"
#include "core/Here.h"
#include "data/COptions.h"
#include "data/TrayTip.h"
#include "platform/Log.h"
#include "platform/WindowMessages.h"
#include "res/Resource.h"
#include "ui/CTrayIconRenderer.h"

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

// The user's wall-clock time of an instant in UTC, by the time zone's rules at that instant.
DateTime ToLocalTime(DateTime utc)
{
    SYSTEMTIME universal{};
    universal.wYear = static_cast<WORD>(utc.Year());
    universal.wMonth = static_cast<WORD>(utc.Month());
    universal.wDay = static_cast<WORD>(utc.Day());
    universal.wHour = static_cast<WORD>(utc.Hour());
    universal.wMinute = static_cast<WORD>(utc.Minute());
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    {
        ThrowApplicationException(Here());
    }
    return DateTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute);
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
        // What the system cannot tell is made up for by the minute's clock check; the log says
        // which it is, for a report of weather that stayed old.
        Log::Write(L"CFormHidden",
                   m_notifications.HearsNetworkChanges()
                       ? L"network changes are heard"
                       : L"network changes are not heard: the clock check and the timer stand in");
        Log::Write(L"CFormHidden", m_notifications.HearsSuspendResume()
                                       ? L"wake-ups are heard through a registration as well"
                                       : L"wake-ups are heard through WM_POWERBROADCAST alone");
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
    case WM_SETTINGCHANGE: // the taskbar's theme among others
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
        RefreshWeather();
        return false;
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
            // Without new reports (no network) the temperature shown grows old: once it is too
            // old, the tray says so.
            if (HomeWeatherIsRecent() != m_shownRecent)
            {
                RefreshWeather();
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

CFormHidden::NotifyIconEvent CFormHidden::DecodeNotifyIcon(WPARAM wParam, LPARAM lParam, bool version4)
{
    NotifyIconEvent event;
    if (!version4)
    {
        event.IconId = static_cast<UINT>(wParam);
        event.Event = static_cast<UINT>(lParam);
        return event;
    }
    event.Event = LOWORD(lParam);
    event.IconId = HIWORD(lParam);
    // Signed: on a monitor left of or above the primary one the coordinates are negative.
    event.Anchor.x = static_cast<short>(LOWORD(wParam));
    event.Anchor.y = static_cast<short>(HIWORD(wParam));
    event.HasAnchor = true;
    return event;
}

void CFormHidden::OnNotifyIcon(WPARAM wParam, LPARAM lParam)
{
    const NotifyIconEvent event = DecodeNotifyIcon(wParam, lParam, m_version4);
    if (event.IconId != NotifyIconId)
    {
        return;
    }
    try
    {
        POINT point = event.Anchor;
        if (!event.HasAnchor)
        {
            GetCursorPos(&point);
        }
        switch (event.Event)
        {
        case WM_RBUTTONUP:
            // Version 4 follows the button with WM_CONTEXTMENU, which opens the menu then.
            if (!m_version4)
            {
                ShowTrayMenu(point);
            }
            break;
        case WM_CONTEXTMENU: // the right button, Shift+F10 or the menu key
        case NIN_KEYSELECT:  // Space or Enter on the icon
            ShowTrayMenu(point);
            break;
        case WM_LBUTTONUP:
            m_lastClickUp = GetTickCount64();
            break;
        case NIN_SELECT:
            // After a click it only repeats the click, which does nothing until it is a double-click;
            // on its own it is the keyboard's.
            if (m_lastClickUp != 0 && GetTickCount64() - m_lastClickUp <= 2ULL * GetDoubleClickTime())
            {
                m_lastClickUp = 0;
                break;
            }
            ShowTrayMenu(point);
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

void CFormHidden::ShowTrayMenu(POINT point)
{
    // The menu's own loop dispatches what the shell sends meanwhile: a second selection must not
    // open a second menu.
    if (m_menuOpen)
    {
        return;
    }
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
    m_menuOpen = true;
    TrackPopupMenu(popup, TPM_VERPOSANIMATION | TPM_RIGHTALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, Hwnd(),
                   nullptr);
    m_menuOpen = false;
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

HICON CFormHidden::ProgramIcon()
{
    const int size = CTrayIconRenderer::IconSize();
    if (!m_icon || size != m_iconSize)
    {
        // The small size from the icon file itself: the tray would blur a shrunk large icon.
        IconHandle icon(
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                          IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        if (icon)
        {
            m_icon = std::move(icon);
            m_iconSize = size;
        }
    }
    return m_icon.get();
}

IconHandle CFormHidden::DrawIcon() const
{
    const COptions& options = Program::Options();
    if (!options.ShowTemperatureInTray)
    {
        return IconHandle();
    }
    const City* home = options.HomeCity.IsNull() ? nullptr : options.HomeCity.Get();
    const DateTime now = DateTime::UtcNow();
    CTrayIconRenderer::Content content;
    content.LightTaskbar = CTrayIconRenderer::TaskbarUsesLightTheme();
    content.WarningMark = !m_alertEvent.empty();
    if (home != nullptr && home->CurrentWeather.IsRecent(now))
    {
        content.Temperature = home->CurrentWeather.GetTemprature(options.GetDisplayUnits().Metric);
        if (!content.Temperature.HasValue)
        {
            content.WeatherIcon =
                Program::GetSmallWeatherIcon(home->IsDay(now), home->CurrentWeather.WeatherCode);
        }
    }
    if (!content.Temperature.HasValue && content.WeatherIcon == nullptr)
    {
        content.WeatherIcon = Program::GetSmallNotAvailableIcon();
    }
    if (!content.Temperature.HasValue && content.WeatherIcon == nullptr)
    {
        return IconHandle(); // no picture to show: the program's icon says at least whose it is
    }
    const std::unique_ptr<Gdiplus::Bitmap> image =
        CTrayIconRenderer::Render(CTrayIconRenderer::IconSize(), content);
    return CTrayIconRenderer::CreateIcon(*image);
}

std::wstring CFormHidden::TipText() const
{
    const COptions& options = Program::Options();
    return TrayTip::Text(options.HomeCity.IsNull() ? nullptr : options.HomeCity.Get(),
                         options.GetDisplayUnits(), DateTime::UtcNow(), ToLocalTime, Program::ProductName,
                         m_alertEvent);
}

void CFormHidden::AddNotifyIconOrThrow()
{
    IconHandle drawn;
    std::wstring tip = Program::ProductName;
    try
    {
        drawn = DrawIcon();
        tip = TipText();
    }
    catch (...)
    {
        // The program's icon and name still make a usable tray icon.
        Log::Exception(L"CFormHidden::AddNotifyIcon");
    }
    const HICON icon = drawn ? drawn.get() : ProgramIcon();
    if (icon == nullptr)
    {
        ThrowApplicationException(Here());
    }
    NOTIFYICONDATAW data = NotifyIconData(Hwnd());
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    data.uCallbackMessage = WM_NOTIFY_ICON;
    data.hIcon = icon;
    CopyText(data.szTip, tip);
    if (!Shell_NotifyIconW(NIM_ADD, &data))
    {
        ThrowApplicationException(Here());
    }
    m_drawnIcon = std::move(drawn);
    // Version 4 tells keyboard selection apart and says where the icon is; a shell that does not
    // know it keeps sending the classic messages. Set anew with every add: the shell forgets it.
    data.uVersion = NOTIFYICON_VERSION_4;
    m_version4 = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
}

bool CFormHidden::HomeWeatherIsRecent()
{
    try
    {
        const COptions& options = Program::Options();
        return !options.HomeCity.IsNull() && options.HomeCity->CurrentWeather.IsRecent(DateTime::UtcNow());
    }
    catch (...)
    {
        return false;
    }
}

void CFormHidden::RefreshWeather()
{
    if (Hwnd() == nullptr || Program::IsExiting())
    {
        return;
    }
    try
    {
        m_shownRecent = HomeWeatherIsRecent();
        IconHandle drawn = DrawIcon();
        const HICON icon = drawn ? drawn.get() : ProgramIcon();
        NOTIFYICONDATAW data = NotifyIconData(Hwnd());
        data.uFlags = NIF_TIP | NIF_SHOWTIP | (icon != nullptr ? NIF_ICON : 0);
        data.hIcon = icon;
        CopyText(data.szTip, TipText());
        // Fails while the shell holds no icon of ours; TaskbarCreated brings it back.
        Shell_NotifyIconW(NIM_MODIFY, &data);
        // Only now that the shell has its own copy of the new one does the old one go.
        m_drawnIcon = std::move(drawn);
    }
    catch (...)
    {
        Log::Exception(L"CFormHidden::RefreshWeather");
    }
}

void CFormHidden::SetAlertEvent(const std::wstring& event)
{
    if (event != m_alertEvent)
    {
        m_alertEvent = event;
        RefreshWeather();
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
