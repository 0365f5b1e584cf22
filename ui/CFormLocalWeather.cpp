// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormLocalWeather.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "data/City.h"
#include "data/COptions.h"
#include "map/WeatherMap.h"
#include "platform/Log.h"
#include "platform/UtilWin32.h"
#include "platform/WindowMessages.h"
#include "res/Resource.h"
#include "ui/LocalWeatherText.h"
#include "ui/CFormWeatherAlerts.h"

#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <string>
#include <memory>

namespace
{
// The top-left of the virtual screen: on a single monitor (0, 0), the origin the reachability
// rules speak of; with a monitor left of or above the primary one it lies there, so a window
// placed on that monitor is not pulled back to the primary.
POINT VirtualScreenOrigin()
{
    return POINT{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN)};
}

CLocalWeatherRenderer::IconSource HostIcons(IWindowHost& host)
{
    CLocalWeatherRenderer::IconSource icons;
    icons.Large = [&host](const Nullable<EnumWeatherCode>& code, bool isDay)
    { return host.GetLargeWeatherIcon(code, isDay); };
    icons.LargeNotAvailable = [&host] { return host.GetLargeNotAvailableIcon(); };
    icons.Small = [&host](bool isDay, const Nullable<EnumWeatherCode>& code)
    { return host.GetSmallWeatherIcon(isDay, code); };
    return icons;
}

struct MenuDeleter
{
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
    {
        auto& monitors = *reinterpret_cast<std::vector<CFormLocalWeather::MonitorArea>*>(list);
        const CFormLocalWeather::MonitorArea area{info.rcMonitor, info.rcWork};
        if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0)
        {
            monitors.insert(monitors.begin(), area);
        }
        else
        {
            monitors.push_back(area);
        }
    }
    return TRUE;
}

// The squared distance from a point to a rectangle; 0 inside it.
long long DistanceSquared(POINT point, const RECT& rect)
{
    const long long dx = point.x < rect.left     ? rect.left - point.x
                         : point.x >= rect.right ? point.x - rect.right + 1
                                                 : 0;
    const long long dy = point.y < rect.top       ? rect.top - point.y
                         : point.y >= rect.bottom ? point.y - rect.bottom + 1
                                                  : 0;
    return dx * dx + dy * dy;
}

// The left (or top) edge that puts a length inside [low, high), as far as it fits: a window
// bigger than the area keeps its left or top edge in it.
LONG FitEdge(LONG edge, LONG length, LONG low, LONG high)
{
    return std::max(low, std::min(edge, high - length));
}
} // namespace

CFormLocalWeather::TrackMenuFunction CFormLocalWeather::TrackMenu = TrackPopupMenu;

CFormLocalWeather::CFormLocalWeather(IWindowHost& host) : m_host(host), m_renderer(HostIcons(host))
{
    try
    {
        const int mode = m_host.Options().FormLocalWeather_Mode;
        m_mode = mode == ModeSmall || mode == ModeIconOnly ? mode : ModeLarge;
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::CFormLocalWeather");
    }
}

CFormLocalWeather::~CFormLocalWeather()
{
    DestroyWindow();
}

void CFormLocalWeather::Create()
{
    WNDCLASSEXW windowClass{};
    windowClass.lpszClassName = kLocalWeatherWindowClass;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterWindowClass(windowClass);
    const RECT bounds{};
    CWindowBase::Create(kLocalWeatherWindowClass, L"", WS_POPUP,
                        WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, bounds, nullptr, nullptr);
}

bool CFormLocalWeather::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    try
    {
        switch (message)
        {
        case WM_CREATE:
            OnCreate();
            result = 0;
            return true;
        case WM_CLOSE:
            Close();
            result = 0;
            return true;
        case WM_LBUTTONDOWN:
            SetCapture(Hwnd());
            m_anchorX = GET_X_LPARAM(lParam);
            m_anchorY = GET_Y_LPARAM(lParam);
            m_dragging = true;
            result = 0;
            return true;
        case WM_MOUSEMOVE:
            if (m_dragging)
            {
                OnMouseMove();
            }
            result = 0;
            return true;
        case WM_LBUTTONUP:
            EndDrag();
            result = 0;
            return true;
        case WM_CAPTURECHANGED:
            // Another window took the mouse: the button-up will not reach us.
            m_dragging = false;
            result = 0;
            return true;
        case WM_RBUTTONDOWN:
        {
            POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(Hwnd(), &point);
            ShowContextMenu(point);
            result = 0;
            return true;
        }
        case WM_CONTEXTMENU:
            // The mouse's own was opened on the button going down; only the keyboard's is left.
            if (lParam == -1)
            {
                ShowContextMenuAtWindow();
            }
            result = 0;
            return true;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
            result = 0;
            return OnKey(message, wParam);
        case WM_SHOWWINDOW:
            // Shown by a call, not along with an owner: the user's wish, or the remembered state.
            if (wParam != FALSE && lParam == 0)
            {
                RememberShown();
            }
            return false;
        case WM_WINDOWPOSCHANGED:
            RememberPlace();
            return false;
        case WM_COMMAND:
            result = 0;
            return OnCommand(LOWORD(wParam));
        case WM_DPICHANGED:
            OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            result = 0;
            return true;
        default:
            return false;
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::ProcessWindowMessage");
        result = 0;
        return true;
    }
}

void CFormLocalWeather::OnCreate()
{
    m_dpi = GetDpiForWindow(Hwnd());
    try
    {
        COptions& options = m_host.Options();
        const bool onTop = options.FormLocalWeather_AlwaysOnTop;
        if (SetWindowPos(Hwnd(), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE))
        {
            options.FormLocalWeather_AlwaysOnTop = onTop;
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::OnCreate");
    }
    Redraw();
    CentreWindow();
    RestorePlace();
}

void CFormLocalWeather::CentreWindow()
{
    RECT window{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowRect(Hwnd(), &window) ||
        !GetMonitorInfoW(MonitorFromWindow(Hwnd(), MONITOR_DEFAULTTONEAREST), &monitor))
    {
        return;
    }
    const RECT& work = monitor.rcWork;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int left = std::max<int>(work.left, work.left + (work.right - work.left - width) / 2);
    const int top = std::max<int>(work.top, work.top + (work.bottom - work.top - height) / 2);
    SetWindowPos(Hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFormLocalWeather::OnDpiChanged(UINT dpi, const RECT* suggested)
{
    m_dpi = dpi;
    if (suggested != nullptr)
    {
        // Only the place: the size follows from the image painted at the new DPI.
        SetWindowPos(Hwnd(), nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Redraw();
}

UINT CFormLocalWeather::Dpi() const
{
    if (m_dpiOverride != 0)
    {
        return m_dpiOverride;
    }
    return m_dpi != 0 ? m_dpi : CLocalWeatherRenderer::BaseDpi;
}

void CFormLocalWeather::OnMouseMove()
{
    try
    {
        RECT window{};
        if (!GetWindowRect(Hwnd(), &window))
        {
            ThrowApplicationException(Here());
        }
        POINT cursor{};
        if (!GetCursorPos(&cursor))
        {
            ThrowApplicationException(Here());
        }
        if (!MoveWindow(Hwnd(), cursor.x - m_anchorX, cursor.y - m_anchorY, window.right - window.left,
                        window.bottom - window.top, TRUE))
        {
            ThrowApplicationException(Here());
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::OnMouseMove");
        EndDrag();
    }
}

void CFormLocalWeather::EndDrag()
{
    m_dragging = false;
    if (GetCapture() == Hwnd())
    {
        ReleaseCapture();
    }
}

void CFormLocalWeather::PrepareContextMenu(HMENU popup) const
{
    const struct
    {
        UINT id;
        int mode;
    } modes[] = {{ID_LOCAL_WEATHER_ICON_ONLY, ModeIconOnly},
                 {ID_LOCAL_WEATHER_SMALL, ModeSmall},
                 {ID_LOCAL_WEATHER_LARGE, ModeLarge}};
    for (const auto& item : modes)
    {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        if (!GetMenuItemInfoW(popup, item.id, FALSE, &info))
        {
            continue;
        }
        info.fType |= MFT_RADIOCHECK;
        info.fState =
            (info.fState & ~static_cast<UINT>(MFS_CHECKED)) | (item.mode == m_mode ? MFS_CHECKED : 0);
        SetMenuItemInfoW(popup, item.id, FALSE, &info);
    }
    const bool topmost = (GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    CheckMenuItem(popup, ID_LOCAL_WEATHER_ALWAYS_ON_TOP,
                  MF_BYCOMMAND | (topmost ? MF_CHECKED : MF_UNCHECKED));
}

void CFormLocalWeather::ShowContextMenu(POINT point)
{
    const std::unique_ptr<HMENU__, MenuDeleter> menu(
        LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_LOCAL_WEATHER_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (popup == nullptr)
    {
        Log::Write(L"CFormLocalWeather::ShowContextMenu", L"no menu");
        return;
    }
    PrepareContextMenu(popup);

    if (MonitorFromPoint(point, MONITOR_DEFAULTTONULL) == nullptr)
    {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &monitor))
        {
            point.x = std::clamp<LONG>(point.x, monitor.rcMonitor.left, monitor.rcMonitor.right - 1);
        }
    }
    TrackMenu(popup, TPM_VERTICAL | TPM_RIGHTBUTTON, point.x, point.y, 0, Hwnd(), nullptr);
}

void CFormLocalWeather::ShowContextMenuAtWindow()
{
    RECT window{};
    if (GetWindowRect(Hwnd(), &window))
    {
        ShowContextMenu(POINT{window.left, window.top});
    }
}

bool CFormLocalWeather::OnKey(UINT message, WPARAM key)
{
    // Shift+F10 and the menu key open the menu on the key going down. Their other messages are
    // kept from the default handling, which would open it a second time or look for a menu bar.
    if (key != VK_APPS && key != VK_F10)
    {
        return false;
    }
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    if (down && (key == VK_APPS || GetKeyState(VK_SHIFT) < 0))
    {
        ShowContextMenuAtWindow();
    }
    return true;
}

bool CFormLocalWeather::OnCommand(WORD id)
{
    switch (id)
    {
    case ID_LOCAL_WEATHER_CLOSE:
        Close();
        return true;
    case ID_LOCAL_WEATHER_CHANGE_LOCATION:
        m_host.ShowOptions(1); // the favourite cities' page, where the home city is chosen
        return true;
    case ID_LOCAL_WEATHER_ICON_ONLY:
        SetMode(ModeIconOnly);
        EnsureFormIsInScreenBounds();
        return true;
    case ID_LOCAL_WEATHER_SMALL:
        SetMode(ModeSmall);
        EnsureFormIsInScreenBounds();
        return true;
    case ID_LOCAL_WEATHER_LARGE:
        SetMode(ModeLarge);
        return true;
    case ID_LOCAL_WEATHER_ALWAYS_ON_TOP:
        ToggleAlwaysOnTop();
        return true;
    case ID_LOCAL_WEATHER_OPTIONS:
        m_host.ShowOptions();
        return true;
    case ID_LOCAL_WEATHER_SHOW_EARTH:
        m_host.ShowEarth();
        return true;
    default:
        return false;
    }
}

void CFormLocalWeather::SetMode(int mode)
{
    m_mode = mode;
    try
    {
        // Kept in the live options only; they are written to disk at exit.
        m_host.Options().FormLocalWeather_Mode = mode;
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::SetMode");
    }
    Redraw();
}

void CFormLocalWeather::ToggleAlwaysOnTop()
{
    const bool topmost = (GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (SetWindowPos(Hwnd(), topmost ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE))
    {
        m_host.Options().FormLocalWeather_AlwaysOnTop = !topmost;
    }
}

void CFormLocalWeather::EnsureFormIsInScreenBounds()
{
    try
    {
        RECT window{};
        if (!GetWindowRect(Hwnd(), &window))
        {
            ThrowApplicationException(Here());
        }
        const POINT origin = VirtualScreenOrigin();
        const int width = window.right - window.left;
        const int height = window.bottom - window.top;
        const int left = std::max<int>(window.left, origin.x);
        const int top = std::max<int>(window.top, origin.y);
        MoveWindow(Hwnd(), left, top, width, height, TRUE);
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::EnsureFormIsInScreenBounds");
    }
}

RECT CFormLocalWeather::KeepReachable(RECT window, POINT origin, int reach, int reachDown)
{
    if (window.left < origin.x || window.top < origin.y)
    {
        if (window.right < origin.x + reach)
        {
            OffsetRect(&window, origin.x + reach - window.right, 0);
        }
        if (window.bottom < origin.y + reachDown)
        {
            OffsetRect(&window, 0, origin.y + reachDown - window.bottom);
        }
    }
    return window;
}

void CFormLocalWeather::ShowAsRemembered()
{
    try
    {
        if (m_host.Options().FormLocalWeather_Visible)
        {
            ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::ShowAsRemembered");
    }
}

void CFormLocalWeather::Close()
{
    ShowWindow(Hwnd(), SW_HIDE);
    try
    {
        // Kept in the live options only, like the mode; they are written to disk at exit.
        m_host.Options().FormLocalWeather_Visible = false;
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::Close");
    }
}

void CFormLocalWeather::RememberShown()
{
    try
    {
        m_host.Options().FormLocalWeather_Visible = true;
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::RememberShown");
    }
}

void CFormLocalWeather::RememberPlace()
{
    // A hidden window's place is nobody's choice: it was made or moved there by the program.
    RECT window{};
    if (!IsWindowVisible(Hwnd()) || !GetWindowRect(Hwnd(), &window))
    {
        return;
    }
    try
    {
        m_host.Options().FormLocalWeather_Position = POINT{window.left, window.top};
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::RememberPlace");
    }
}

void CFormLocalWeather::RestorePlace()
{
    try
    {
        const std::optional<POINT> position = m_host.Options().FormLocalWeather_Position;
        RECT window{};
        if (!position || !GetWindowRect(Hwnd(), &window))
        {
            return; // never placed: it stays where it was made, in the middle of its monitor
        }
        OffsetRect(&window, position->x - window.left, position->y - window.top);
        const RECT placed = PullOntoMonitor(window, Monitors());
        SetWindowPos(Hwnd(), nullptr, placed.left, placed.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::RestorePlace");
    }
}

std::vector<CFormLocalWeather::MonitorArea> CFormLocalWeather::Monitors()
{
    std::vector<MonitorArea> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

RECT CFormLocalWeather::PullOntoMonitor(RECT window, const std::vector<MonitorArea>& monitors)
{
    const POINT centre{window.left + (window.right - window.left) / 2,
                       window.top + (window.bottom - window.top) / 2};
    const MonitorArea* nearest = nullptr;
    long long nearestDistance = 0;
    for (const MonitorArea& monitor : monitors)
    {
        const long long distance = DistanceSquared(centre, monitor.Monitor);
        if (distance == 0)
        {
            return window; // on a monitor that is there: left where the user put it
        }
        if (nearest == nullptr || distance < nearestDistance)
        {
            nearest = &monitor;
            nearestDistance = distance;
        }
    }
    if (nearest == nullptr)
    {
        return window;
    }
    const RECT& work = nearest->Work;
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    const LONG left = FitEdge(window.left, width, work.left, work.right);
    const LONG top = FitEdge(window.top, height, work.top, work.bottom);
    return RECT{left, top, left + width, top + height};
}

void CFormLocalWeather::UpdateText()
{
    try
    {
        const COptions& options = m_host.Options();
        const std::wstring text = LocalWeatherText::Describe(options.HomeCity.Get(), m_mode,
                                                             options.UseMetricSystem, DateTime::UtcNow());
        std::wstring shown(static_cast<size_t>(GetWindowTextLengthW(Hwnd())) + 1, L'\0');
        shown.resize(
            static_cast<size_t>(GetWindowTextW(Hwnd(), shown.data(), static_cast<int>(shown.size()))));
        // Set only when it changes: each change is announced to screen readers.
        if (text != shown)
        {
            SetWindowTextW(Hwnd(), text.c_str());
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::UpdateText");
    }
}

void CFormLocalWeather::Redraw()
{
    UpdateText();
    try
    {
        const CPtr<Gdiplus::Bitmap> image = RenderImage();
        Update(*image);
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::Redraw");
    }
}

void CFormLocalWeather::Update(Gdiplus::Bitmap& image)
{
    const int width = static_cast<int>(image.GetWidth());
    const int height = static_cast<int>(image.GetHeight());
    RECT window{};
    GetWindowRect(Hwnd(), &window);
    RECT target{window.left, window.top, window.left + width, window.top + height};

    // Keep a grip on a window dragged off the top or the left: an icon alone is smaller, so less
    // of it needs to stay in sight.
    const UINT dpi = Dpi();
    const int reach = CLocalWeatherRenderer::ScaleLength(100, dpi);
    const int reachDown = CLocalWeatherRenderer::ScaleLength(m_mode == ModeIconOnly ? 80 : 100, dpi);
    target = KeepReachable(target, VirtualScreenOrigin(), reach, reachDown);

    HBITMAP bitmap = nullptr;
    if (image.GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &bitmap) != Gdiplus::Ok || bitmap == nullptr)
    {
        ThrowApplicationException(Here());
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    POINT destination{target.left, target.top};
    SIZE size{width, height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    if (!UpdateLayeredWindow(Hwnd(), screen, &destination, &size, memory, &source, 0, &blend, ULW_ALPHA))
    {
        Log::Write(L"CFormLocalWeather::Update", L"UpdateLayeredWindow failed");
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
}

void CFormLocalWeather::PreparePanelBackground(const std::wstring& path)
{
    try
    {
        CLocalWeatherRenderer::PreparePanelBackground(path);
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::PreparePanelBackground");
    }
}

void CFormLocalWeather::FreePanelBackground()
{
    CLocalWeatherRenderer::FreePanelBackground();
}

// The picture with a line naming the home city's alert above it, and so above the forecast.
CPtr<Gdiplus::Bitmap> CFormLocalWeather::WithAlertLine(Gdiplus::Bitmap& image, const std::wstring& text,
                                                       UINT dpi)
{
    const int width = static_cast<int>(image.GetWidth());
    const int line = CLocalWeatherRenderer::ScaleLength(AlertLineHeight, dpi);
    CPtr<Gdiplus::Bitmap> result(
        new Gdiplus::Bitmap(width, static_cast<int>(image.GetHeight()) + line, PixelFormat32bppARGB));
    if (result->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    Gdiplus::Graphics graphics(result.Get());
    graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
    graphics.DrawImage(&image, 0, line, width, static_cast<int>(image.GetHeight()));
    const float scale = static_cast<float>(dpi) / CLocalWeatherRenderer::BaseDpi;
    const float height = static_cast<float>(line) - 2.0f * scale;
    const Gdiplus::SolidBrush back(Gdiplus::Color(235, 255, 214, 90));
    graphics.FillRectangle(&back, 0.0f, 0.0f, static_cast<float>(width), height);
    UtilGraphics::DrawAlertMark(graphics, 4.0f * scale, height - 3.0f * scale, height - 6.0f * scale);
    // The renderer's face, so the line reads as part of the picture; without it the mark stays
    // alone.
    const std::unique_ptr<Gdiplus::FontFamily> family = Util::UsableFontFamily(L"Arial");
    if (!family)
    {
        return result;
    }
    const Gdiplus::Font font(family.get(), 11.0f * scale, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    const Gdiplus::SolidBrush ink(Gdiplus::Color(255, 60, 30, 0));
    Gdiplus::StringFormat format;
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
    format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    const Gdiplus::RectF box(height + 4.0f * scale, 0.0f, static_cast<float>(width) - height - 6.0f * scale,
                             height);
    graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), &font, box, &format, &ink);
    return result;
}

CPtr<Gdiplus::Bitmap> CFormLocalWeather::RenderImage()
{
    const COptions& options = m_host.Options();
    m_renderer.SetDpi(Dpi());
    CPtr<Gdiplus::Bitmap> image =
        m_renderer.Render(options.HomeCity.Get(), m_mode, options.GetDisplayUnits(), DateTime::UtcNow());
    const CWeatherAlert* alert = m_host.HomeCityAlert();
    if (alert == nullptr || options.HomeCity.IsNull() || m_mode == ModeIconOnly)
    {
        return image;
    }
    return WithAlertLine(*image, alert->Event + L" until " + CFormWeatherAlerts::LocalTimeText(alert->End()),
                         Dpi());
}
