#include "ui/CFormLocalWeather.h"

#include "app/Program.h"
#include "app/WindowMessages.h"
#include "core/ApplicationException.h"
#include "core/UtilWin32.h"
#include "data/City.h"
#include "data/COptions.h"
#include "map/UtilGraphics.h"
#include "platform/Log.h"
#include "res/Resource.h"
#include "weather/CForecast.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <vector>

namespace
{
constexpr UINT kBaseDpi = 96;
constexpr int kPanelBorder = 30;
constexpr int kColumnWidth = 68;
constexpr float kSummaryLimit = 100.0f;
constexpr float kMinimumRowHeight = 5.0f;
// A twelve-hour forecast for a week has 14 or 15 periods. Far more can only come from a broken
// answer, and would make an image wider than the system can show.
constexpr std::size_t kMaxForecastItems = 200;
const TimeSpan kForecastRecentFor = TimeSpan(3 * TimeSpan::TicksPerHour);

// The panel background prepared at start-up. A plain pointer: it must be released while GDI+
// runs, never by a destructor at process exit.
Gdiplus::Bitmap* g_panelBackground = nullptr;

std::unique_ptr<Gdiplus::Font> MakeFont(float size, INT style)
{
    try
    {
        // Where Arial is missing a stand-in takes its place; where no font is installed at all
        // the window shows its icon and panel without texts.
        const std::unique_ptr<Gdiplus::FontFamily> family = Util::UsableFontFamily(L"Arial");
        if (!family)
        {
            Log::Write(L"CFormLocalWeather", L"no font family for the texts");
            return nullptr;
        }
        std::unique_ptr<Gdiplus::Font> font(new Gdiplus::Font(family.get(), size, style, Gdiplus::UnitPixel));
        if (!font || font->GetLastStatus() != Gdiplus::Ok)
        {
            return nullptr;
        }
        return font;
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather MakeFont");
        return nullptr;
    }
}

std::unique_ptr<Gdiplus::StringFormat> MakeFormat(INT flags, Gdiplus::StringAlignment alignment,
                                                  Gdiplus::StringAlignment lineAlignment,
                                                  Gdiplus::StringTrimming trimming)
{
    std::unique_ptr<Gdiplus::StringFormat> format(new Gdiplus::StringFormat(flags));
    if (!format || format->GetLastStatus() != Gdiplus::Ok)
    {
        return nullptr;
    }
    format->SetAlignment(alignment);
    format->SetLineAlignment(lineAlignment);
    format->SetTrimming(trimming);
    return format;
}

INT Length(const std::wstring& text)
{
    return static_cast<INT>(std::min<std::size_t>(text.size(), INT_MAX));
}

// The top-left of the virtual screen: on a single monitor (0, 0), the origin the reachability
// rules speak of; with a monitor left of or above the primary one it lies there, so a window
// placed on that monitor is not pulled back to the primary.
POINT VirtualScreenOrigin()
{
    return POINT{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN)};
}

// Sizes in pixels at 96 DPI and styles, in the order of FontIndex.
constexpr struct
{
    float size;
    INT style;
} kFonts[] = {
    {10.0f, Gdiplus::FontStyleBold},    // name under the temperature
    {35.0f, Gdiplus::FontStyleBold},    // temperature
    {10.0f, Gdiplus::FontStyleBold},    // weekday of a forecast column
    {6.0f, Gdiplus::FontStyleRegular},  // DAY and NIGHT labels
    {10.0f, Gdiplus::FontStyleRegular}, // forecast temperature range
    {10.0f, Gdiplus::FontStyleRegular}, // forecast summaries
    {10.0f, Gdiplus::FontStyleBold},    // no-home-city message
};

// Summaries are measured without a height limit, so that one taller than its row is known to
// be; the row is then held to kSummaryLimit.
constexpr float kUnlimitedHeight = 100000.0f;

// Where a device pixel of a nine-slice axis samples the panel image: a continuous source position
// and the slice's first and last source pixel, beyond which it never reads.
struct AxisSample
{
    float Position;
    int Low;
    int High;
};

AxisSample MapPanelAxis(int d, int length, int border, int sourceLength)
{
    const float centre = static_cast<float>(d) + 0.5f;
    const float cut = static_cast<float>(kPanelBorder);
    const float scale = cut / static_cast<float>(border);
    const bool corners = length <= 2 * border; // no room for an edge: the far corner over the near one
    if (corners ? d < length - border : d < border)
    {
        return {centre * scale - 0.5f, 0, kPanelBorder - 1};
    }
    if (d >= length - border)
    {
        const float farStart = static_cast<float>(sourceLength - kPanelBorder);
        return {farStart + (centre - static_cast<float>(length - border)) * scale - 0.5f,
                sourceLength - kPanelBorder, sourceLength - 1};
    }
    const float stretch =
        static_cast<float>(sourceLength - 2 * kPanelBorder) / static_cast<float>(length - 2 * border);
    return {cut + (centre - static_cast<float>(border)) * stretch - 0.5f, kPanelBorder,
            sourceLength - kPanelBorder - 1};
}

// Linear interpolation between the two source pixels around the position, inside the slice.
void Interpolate(const AxisSample& sample, int& first, int& second, float& weight)
{
    const float position =
        std::clamp(sample.Position, static_cast<float>(sample.Low), static_cast<float>(sample.High));
    first = static_cast<int>(position);
    second = std::min(first + 1, sample.High);
    weight = position - static_cast<float>(first);
}

// The panel image (alpha only) cut into nine slices with 30-pixel borders and laid over a
// rectangle of the given device size, the borders drawn `border` pixels wide: corners scaled by
// the DPI alone, edges stretched along their length, the centre both ways. Done pixel by pixel
// rather than by stretching slices through GDI+, whose joins between separately stretched images
// are not seamless everywhere. Empty when there is nothing to draw.
CPtr<Gdiplus::Bitmap> StretchPanel(Gdiplus::Bitmap& source, int width, int height, int border)
{
    const int sourceWidth = static_cast<int>(source.GetWidth());
    const int sourceHeight = static_cast<int>(source.GetHeight());
    if (width <= 0 || height <= 0 || border <= 0 || sourceWidth < 2 * kPanelBorder ||
        sourceHeight < 2 * kPanelBorder)
    {
        return CPtr<Gdiplus::Bitmap>();
    }

    std::vector<BYTE> alpha(static_cast<std::size_t>(sourceWidth) * static_cast<std::size_t>(sourceHeight));
    {
        Gdiplus::Rect all(0, 0, sourceWidth, sourceHeight);
        Gdiplus::BitmapData data{};
        if (source.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        {
            ThrowApplicationException("StretchPanel (177)");
        }
        for (int y = 0; y < sourceHeight; ++y)
        {
            const auto* row = reinterpret_cast<const UINT32*>(static_cast<const BYTE*>(data.Scan0) +
                                                              static_cast<std::ptrdiff_t>(y) * data.Stride);
            for (int x = 0; x < sourceWidth; ++x)
            {
                alpha[static_cast<std::size_t>(y) * sourceWidth + x] = static_cast<BYTE>(row[x] >> 24);
            }
        }
        source.UnlockBits(&data);
    }

    CPtr<Gdiplus::Bitmap> panel(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    if (panel->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException("StretchPanel (194)");
    }
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (panel->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    {
        ThrowApplicationException("StretchPanel (200)");
    }
    std::vector<AxisSample> columns;
    columns.reserve(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
    {
        columns.push_back(MapPanelAxis(x, width, border, sourceWidth));
    }
    auto at = [&](int x, int y)
    { return static_cast<float>(alpha[static_cast<std::size_t>(y) * sourceWidth + x]); };
    for (int y = 0; y < height; ++y)
    {
        int y0 = 0;
        int y1 = 0;
        float fy = 0.0f;
        Interpolate(MapPanelAxis(y, height, border, sourceHeight), y0, y1, fy);
        auto* row = reinterpret_cast<UINT32*>(static_cast<BYTE*>(data.Scan0) +
                                              static_cast<std::ptrdiff_t>(y) * data.Stride);
        for (int x = 0; x < width; ++x)
        {
            int x0 = 0;
            int x1 = 0;
            float fx = 0.0f;
            Interpolate(columns[static_cast<std::size_t>(x)], x0, x1, fx);
            const float top = at(x0, y0) + (at(x1, y0) - at(x0, y0)) * fx;
            const float bottom = at(x0, y1) + (at(x1, y1) - at(x0, y1)) * fx;
            const float value = top + (bottom - top) * fy;
            row[x] = static_cast<UINT32>(std::clamp(std::lround(value), 0L, 255L)) << 24;
        }
    }
    panel->UnlockBits(&data);
    return panel;
}

struct MenuDeleter
{
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
} // namespace

CFormLocalWeather::CFormLocalWeather()
{
    FontAt(NameFont); // all seven at 96 DPI, until the window tells its own

    using Gdiplus::StringAlignmentCenter;
    using Gdiplus::StringAlignmentFar;
    using Gdiplus::StringAlignmentNear;
    m_labelFormat = MakeFormat(Gdiplus::StringFormatFlagsNoClip, StringAlignmentCenter, StringAlignmentCenter,
                               Gdiplus::StringTrimmingCharacter);
    m_messageFormat = MakeFormat(Gdiplus::StringFormatFlagsNoClip, StringAlignmentCenter,
                                 StringAlignmentCenter, Gdiplus::StringTrimmingCharacter);
    m_largeFormat = MakeFormat(Gdiplus::StringFormatFlagsNoClip, StringAlignmentCenter, StringAlignmentNear,
                               Gdiplus::StringTrimmingWord);
    // Without clipping, a summary taller than its row would otherwise run its partly fitting last
    // line into the night icon below it.
    m_summaryFormat = MakeFormat(Gdiplus::StringFormatFlagsNoClip | Gdiplus::StringFormatFlagsLineLimit,
                                 StringAlignmentCenter, StringAlignmentNear, Gdiplus::StringTrimmingWord);
    m_temperatureFormat =
        MakeFormat(0, StringAlignmentFar, StringAlignmentNear, Gdiplus::StringTrimmingCharacter);
    m_whiteBrush.reset(new Gdiplus::SolidBrush(Gdiplus::Color(0xFFFFFFFFu)));
    m_scratch.reset(new Gdiplus::Bitmap(1, 1, PixelFormat32bppARGB));

    try
    {
        const int mode = Program::Options().FormLocalWeather_Mode;
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
            ShowWindow(Hwnd(), SW_HIDE);
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
            ShowContextMenu(lParam);
            result = 0;
            return true;
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
        COptions& options = Program::Options();
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
    return m_dpi != 0 ? m_dpi : kBaseDpi;
}

int CFormLocalWeather::ScaleLength(int length, UINT dpi)
{
    const long long scaled = (static_cast<long long>(length) * dpi + kBaseDpi - 1) / kBaseDpi;
    return static_cast<int>(std::clamp<long long>(scaled, INT_MIN, INT_MAX));
}

void CFormLocalWeather::OnMouseMove()
{
    try
    {
        RECT window{};
        if (!GetWindowRect(Hwnd(), &window))
        {
            ThrowApplicationException("CFormLocalWeather::OnMouseMove (877)");
        }
        POINT cursor{};
        if (!GetCursorPos(&cursor))
        {
            ThrowApplicationException("CFormLocalWeather::OnMouseMove (879)");
        }
        if (!MoveWindow(Hwnd(), cursor.x - m_anchorX, cursor.y - m_anchorY, window.right - window.left,
                        window.bottom - window.top, TRUE))
        {
            ThrowApplicationException("CFormLocalWeather::OnMouseMove (881)");
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

void CFormLocalWeather::ShowContextMenu(LPARAM clickPoint)
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

    POINT point{GET_X_LPARAM(clickPoint), GET_Y_LPARAM(clickPoint)};
    ClientToScreen(Hwnd(), &point);
    if (MonitorFromPoint(point, MONITOR_DEFAULTTONULL) == nullptr)
    {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &monitor))
        {
            point.x = std::clamp<LONG>(point.x, monitor.rcMonitor.left, monitor.rcMonitor.right - 1);
        }
    }
    TrackPopupMenu(popup, TPM_VERTICAL | TPM_RIGHTBUTTON, point.x, point.y, 0, Hwnd(), nullptr);
}

bool CFormLocalWeather::OnCommand(WORD id)
{
    switch (id)
    {
    case ID_LOCAL_WEATHER_CLOSE:
        ShowWindow(Hwnd(), SW_HIDE);
        return true;
    case ID_LOCAL_WEATHER_CHANGE_LOCATION:
        Program::ShowOptions(1); // the favourite cities' page, where the home city is chosen
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
        Program::ShowOptions();
        return true;
    case ID_LOCAL_WEATHER_SHOW_EARTH:
        Program::ShowEarth();
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
        Program::Options().FormLocalWeather_Mode = mode;
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
        Program::Options().FormLocalWeather_AlwaysOnTop = !topmost;
    }
}

void CFormLocalWeather::EnsureFormIsInScreenBounds()
{
    try
    {
        RECT window{};
        if (!GetWindowRect(Hwnd(), &window))
        {
            ThrowApplicationException("CFormLocalWeather::EnsureFormIsInScreenBounds (769)");
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

void CFormLocalWeather::Redraw()
{
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
    const int reach = ScaleLength(100, dpi);
    const int reachDown = ScaleLength(m_mode == ModeIconOnly ? 80 : 100, dpi);
    target = KeepReachable(target, VirtualScreenOrigin(), reach, reachDown);

    HBITMAP bitmap = nullptr;
    if (image.GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &bitmap) != Gdiplus::Ok || bitmap == nullptr)
    {
        ThrowApplicationException("CFormLocalWeather::Update (672)");
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

void CFormLocalWeather::PreparePanelBackground()
{
    try
    {
        PreparePanelBackground(Program::PathLocalWeatherBackground());
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::PreparePanelBackground");
    }
}

void CFormLocalWeather::PreparePanelBackground(const std::wstring& path)
{
    try
    {
        FreePanelBackground();
        Gdiplus::Bitmap loaded(path.c_str());
        if (loaded.GetLastStatus() != Gdiplus::Ok)
        {
            ThrowApplicationException("CFormLocalWeather::PreparePanelBackground (673)");
        }
        const INT width = static_cast<INT>(loaded.GetWidth());
        const INT height = static_cast<INT>(loaded.GetHeight());
        CPtr<Gdiplus::Bitmap> panel(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
        if (panel->GetLastStatus() != Gdiplus::Ok)
        {
            ThrowApplicationException("CFormLocalWeather::PreparePanelBackground (680)");
        }
        {
            Gdiplus::Graphics graphics(panel.Get());
            // Only the alpha channel survives: a black shape with the file's transparency.
            Gdiplus::ColorMatrix matrix{};
            matrix.m[3][3] = 1.0f;
            matrix.m[4][4] = 1.0f;
            Gdiplus::ImageAttributes attributes;
            attributes.SetColorMatrix(&matrix, Gdiplus::ColorMatrixFlagsDefault,
                                      Gdiplus::ColorAdjustTypeDefault);
            if (graphics.DrawImage(&loaded, Gdiplus::Rect(0, 0, width, height), 0, 0, width, height,
                                   Gdiplus::UnitPixel, &attributes) != Gdiplus::Ok)
            {
                ThrowApplicationException("CFormLocalWeather::PreparePanelBackground (694)");
            }
        }
        g_panelBackground = panel.Detach();
    }
    catch (...)
    {
        Log::Exception(L"CFormLocalWeather::PreparePanelBackground");
    }
}

void CFormLocalWeather::FreePanelBackground()
{
    delete g_panelBackground;
    g_panelBackground = nullptr;
}

Gdiplus::Bitmap* CFormLocalWeather::PanelBackground()
{
    return g_panelBackground;
}

CFormLocalWeather::LargeLayout
CFormLocalWeather::LayOutLarge(const CForecast& forecast, DateTime utcNow,
                               const std::function<float(const std::wstring&)>& measureSummary)
{
    LargeLayout layout;
    const std::vector<CForecastItem>& items = forecast.Items;
    layout.HasForecast = !items.empty() && utcNow - kForecastRecentFor < forecast.ReportDateTime;
    if (layout.HasForecast)
    {
        if (items.size() > kMaxForecastItems)
        {
            ThrowApplicationException("CFormLocalWeather::LayOutLarge (727)");
        }
        const int count = static_cast<int>(items.size());
        const long long hour = items.front().Start.Ticks() / TimeSpan::TicksPerHour % 24;
        layout.StartsWithDay = hour < 12;
        const int shift = layout.StartsWithDay ? 0 : 1;
        const int columns = (count + shift + 1) / 2;

        float evenHeight = kMinimumRowHeight;
        float oddHeight = kMinimumRowHeight;
        for (int i = 0; i < count; ++i)
        {
            const float measured = measureSummary(items[i].WeatherSummary);
            const float height = std::isfinite(measured) ? std::clamp(measured, 0.0f, kSummaryLimit) : 0.0f;
            float& group = i % 2 == 0 ? evenHeight : oddHeight;
            group = std::max(group, height);
        }
        layout.DayHeight = layout.StartsWithDay ? evenHeight : oddHeight;
        layout.NightHeight = layout.StartsWithDay ? oddHeight : evenHeight;

        for (int u = 0; u < columns; ++u)
        {
            const int v = 2 * u - shift;
            ForecastColumn column;
            column.Day = v >= 0 && v < count ? v : -1;
            column.Night = v + 1 < count ? v + 1 : -1;
            layout.Columns.push_back(column);
        }
        layout.ContentWidth = std::max(kColumnWidth * columns, 270) + 25;
        layout.ContentHeight =
            static_cast<int>(layout.NightHeight) + static_cast<int>(layout.DayHeight) + 155;
    }
    layout.ImageWidth = std::max(layout.ContentWidth + 20, 210);
    layout.ImageHeight = std::max(75 + layout.ContentHeight + 20, 160);
    return layout;
}

Nullable<EnumWeatherCode> CFormLocalWeather::CurrentWeatherCode(const City& home, DateTime utcNow)
{
    const CCurrentWeather& weather = home.CurrentWeather;
    if (weather.IsRecent(utcNow) && weather.WeatherCode.HasValue)
    {
        return weather.WeatherCode;
    }
    return Nullable<EnumWeatherCode>();
}

std::wstring CFormLocalWeather::TemperatureText(const City& home, bool metric, DateTime utcNow)
{
    return home.CurrentWeather.GetTempratureText(L"--", metric, utcNow);
}

void CFormLocalWeather::PrepareGraphics(Gdiplus::Graphics& graphics)
{
    graphics.SetPageUnit(Gdiplus::UnitPixel);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
}

float CFormLocalWeather::Scale() const
{
    return static_cast<float>(Dpi()) / static_cast<float>(kBaseDpi);
}

Gdiplus::RectF CFormLocalWeather::ToDevice(const Gdiplus::RectF& box) const
{
    const float scale = Scale();
    return Gdiplus::RectF(box.X * scale, box.Y * scale, box.Width * scale, box.Height * scale);
}

Gdiplus::Font* CFormLocalWeather::FontAt(int font) const
{
    const UINT dpi = Dpi();
    if (m_fontDpi != dpi)
    {
        const float scale = static_cast<float>(dpi) / static_cast<float>(kBaseDpi);
        for (int i = 0; i < FontCount; ++i)
        {
            m_fonts[i] = MakeFont(kFonts[i].size * scale, kFonts[i].style);
        }
        m_fontDpi = dpi;
    }
    return font >= 0 && font < FontCount ? m_fonts[font].get() : nullptr;
}

CFormLocalWeather::Canvas CFormLocalWeather::NewCanvas(int width, int height) const
{
    const UINT dpi = Dpi();
    Canvas canvas;
    canvas.Image =
        new Gdiplus::Bitmap(ScaleLength(width, dpi), ScaleLength(height, dpi), PixelFormat32bppARGB);
    if (canvas.Image->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException("CFormLocalWeather::NewCanvas (821)");
    }
    canvas.Graphics.reset(new Gdiplus::Graphics(canvas.Image.Get()));
    if (!canvas.Graphics || canvas.Graphics->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException("CFormLocalWeather::NewCanvas (826)");
    }
    canvas.Graphics->Clear(Gdiplus::Color(0, 0, 0, 0));
    PrepareGraphics(*canvas.Graphics);
    return canvas;
}

CPtr<Gdiplus::Bitmap> CFormLocalWeather::RenderImage()
{
    const COptions& options = Program::Options();
    if (!options.HomeCity)
    {
        return RenderNoHomeCity();
    }
    const City& home = *options.HomeCity;
    const DateTime utcNow = DateTime::UtcNow();
    switch (m_mode)
    {
    case ModeSmall:
        return RenderSmall(home, options.UseMetricSystem, utcNow);
    case ModeIconOnly:
        return RenderIconOnly(home, utcNow);
    default:
        return RenderLarge(home, options.UseMetricSystem, utcNow);
    }
}

CPtr<Gdiplus::Bitmap> CFormLocalWeather::RenderNoHomeCity()
{
    Canvas canvas = NewCanvas(290, 73);
    DrawPanel(*canvas.Graphics, 0, 0, 290, 73);
    if (m_messageFormat)
    {
        DrawWhiteText(*canvas.Graphics,
                      L"To see local weather information, open 'Options' and select your 'Home City'",
                      MessageFont, Gdiplus::RectF(10.0f, 10.0f, 270.0f, 53.0f), *m_messageFormat);
    }
    return std::move(canvas.Image);
}

CPtr<Gdiplus::Bitmap> CFormLocalWeather::RenderLarge(const City& home, bool metric, DateTime utcNow)
{
    const LargeLayout layout = LayOutLarge(
        home.Forecast, utcNow, [this](const std::wstring& summary) { return MeasureSummary(summary); });
    Canvas canvas = NewCanvas(layout.ImageWidth, layout.ImageHeight);
    Gdiplus::Graphics& graphics = *canvas.Graphics;
    DrawPanel(graphics, 0, 75, layout.ContentWidth + 20, layout.ContentHeight + 20);
    if (layout.HasForecast && m_labelFormat)
    {
        const float dayHeight = layout.DayHeight;
        const float nightHeight = layout.NightHeight;
        DrawWhiteText(graphics, L"D\r\nA\r\nY", LabelFont,
                      Gdiplus::RectF(10.0f, 170.0f, 20.0f, dayHeight + 30.0f), *m_labelFormat);
        DrawWhiteText(graphics, L"N\r\nI\r\nG\r\nH\r\nT", LabelFont,
                      Gdiplus::RectF(10.0f, dayHeight + 200.0f, 20.0f, nightHeight + 30.0f), *m_labelFormat);
        for (std::size_t u = 0; u < layout.Columns.size(); ++u)
        {
            DrawColumn(graphics, home.Forecast, layout.Columns[u],
                       30.0f + kColumnWidth * static_cast<float>(u), dayHeight, nightHeight, metric);
        }
    }
    DrawCurrentIcon(graphics, home, utcNow);
    DrawTemperatureAndName(graphics, home, metric, utcNow,
                           Gdiplus::RectF(10.0f, 85.0f, static_cast<float>(layout.ContentWidth),
                                          static_cast<float>(layout.ContentHeight)));
    return std::move(canvas.Image);
}

CPtr<Gdiplus::Bitmap> CFormLocalWeather::RenderSmall(const City& home, bool metric, DateTime utcNow)
{
    Canvas canvas = NewCanvas(290, 160);
    DrawPanel(*canvas.Graphics, 0, 75, 290, 73);
    DrawTemperatureAndName(*canvas.Graphics, home, metric, utcNow,
                           Gdiplus::RectF(10.0f, 85.0f, 270.0f, 53.0f));
    DrawCurrentIcon(*canvas.Graphics, home, utcNow); // over the texts
    return std::move(canvas.Image);
}

CPtr<Gdiplus::Bitmap> CFormLocalWeather::RenderIconOnly(const City& home, DateTime utcNow)
{
    Canvas canvas = NewCanvas(210, 160);
    DrawCurrentIcon(*canvas.Graphics, home, utcNow);
    return std::move(canvas.Image);
}

void CFormLocalWeather::DrawPanel(Gdiplus::Graphics& graphics, int x, int y, int width, int height) const
{
    if (g_panelBackground == nullptr)
    {
        return;
    }
    const UINT dpi = Dpi();
    const int left = ScaleLength(x, dpi);
    const int top = ScaleLength(y, dpi);
    const CPtr<Gdiplus::Bitmap> panel =
        StretchPanel(*g_panelBackground, ScaleLength(x + width, dpi) - left,
                     ScaleLength(y + height, dpi) - top, ScaleLength(kPanelBorder, dpi));
    if (panel)
    {
        graphics.DrawImage(panel.Get(), left, top, static_cast<INT>(panel->GetWidth()),
                           static_cast<INT>(panel->GetHeight()));
    }
}

void CFormLocalWeather::DrawIcon(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* icon,
                                 const Gdiplus::RectF& box) const
{
    UtilGraphics::FitImage(graphics, icon, ToDevice(box));
}

void CFormLocalWeather::DrawCurrentIcon(Gdiplus::Graphics& graphics, const City& home, DateTime utcNow) const
{
    const Nullable<EnumWeatherCode> code = CurrentWeatherCode(home, utcNow);
    Gdiplus::Bitmap* icon = nullptr;
    if (code.HasValue)
    {
        icon = Program::GetLargeWeatherIcon(code, home.IsDay(utcNow));
    }
    if (icon == nullptr)
    {
        icon = Program::GetLargeNotAvailableIcon();
    }
    DrawIcon(graphics, icon, Gdiplus::RectF(10.0f, 0.0f, 200.0f, 160.0f));
}

Gdiplus::RectF CFormLocalWeather::NameBox(const std::wstring& temperatureText, const Gdiplus::RectF& content)
{
    if (!m_scratch)
    {
        ThrowApplicationException("CFormLocalWeather::NameBox (955)");
    }
    Gdiplus::Graphics graphics(m_scratch.get());
    PrepareGraphics(graphics);
    return NameBox(graphics, temperatureText, content);
}

Gdiplus::RectF CFormLocalWeather::NameBox(Gdiplus::Graphics& graphics, const std::wstring& temperatureText,
                                          const Gdiplus::RectF& content) const
{
    Gdiplus::Font* font = FontAt(TemperatureFont);
    if (font == nullptr || !m_temperatureFormat)
    {
        ThrowApplicationException("CFormLocalWeather::NameBox (968)");
    }
    // The digits without the degree sign (or the second dash): the name ends under the last one.
    const INT length = Length(temperatureText);
    const Gdiplus::CharacterRange range(0, length > 1 ? length - 1 : length);
    Gdiplus::StringFormat format(m_temperatureFormat.get());
    format.SetMeasurableCharacterRanges(1, &range);
    Gdiplus::Region region;
    Gdiplus::RectF bounds;
    if (graphics.MeasureCharacterRanges(temperatureText.c_str(), length, font, ToDevice(content), &format, 1,
                                        &region) != Gdiplus::Ok ||
        region.GetBounds(&bounds, &graphics) != Gdiplus::Ok || !std::isfinite(bounds.Width) ||
        !std::isfinite(bounds.Height))
    {
        ThrowApplicationException("CFormLocalWeather::NameBox (982)");
    }
    const float scale = Scale();
    return Gdiplus::RectF(bounds.GetRight() / scale - 10000.0f, bounds.GetBottom() / scale - 5.0f, 10000.0f,
                          10000.0f);
}

void CFormLocalWeather::DrawTemperatureAndName(Gdiplus::Graphics& graphics, const City& home, bool metric,
                                               DateTime utcNow, const Gdiplus::RectF& content) const
{
    if (FontAt(TemperatureFont) == nullptr || !m_temperatureFormat)
    {
        return;
    }
    const std::wstring text = TemperatureText(home, metric, utcNow);
    DrawWhiteText(graphics, text, TemperatureFont, content, *m_temperatureFormat);
    DrawWhiteText(graphics, home.DisplayName(), NameFont, NameBox(graphics, text, content),
                  *m_temperatureFormat);
}

void CFormLocalWeather::DrawColumn(Gdiplus::Graphics& graphics, const CForecast& forecast,
                                   const ForecastColumn& column, float x, float dayHeight, float nightHeight,
                                   bool metric) const
{
    const int heading = column.Heading();
    if (heading < 0 || static_cast<std::size_t>(heading) >= forecast.Items.size() || !m_largeFormat ||
        !m_summaryFormat)
    {
        return;
    }
    const float width = static_cast<float>(kColumnWidth);
    const CForecastItem& headingItem = forecast.Items[static_cast<std::size_t>(heading)];
    DrawWhiteText(graphics, DateTime::DayOfWeekString_ShortUppercase(headingItem.Start.DayOfWeek()),
                  DayHeadingFont, Gdiplus::RectF(x, 140.0f, width, 15.0f), *m_largeFormat);
    DrawWhiteText(graphics, headingItem.GetTempratureRangeText(metric), RangeFont,
                  Gdiplus::RectF(x, 155.0f, width, 15.0f), *m_largeFormat);

    auto period = [&](int index, bool isDay, float top, float summaryHeight)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= forecast.Items.size())
        {
            return;
        }
        const CForecastItem& item = forecast.Items[static_cast<std::size_t>(index)];
        // The row decides day or night, not the sun.
        DrawIcon(graphics, Program::GetSmallWeatherIcon(isDay, item.WeatherCode),
                 Gdiplus::RectF(x, top, width, 30.0f));
        DrawWhiteText(graphics, item.WeatherSummary, SummaryFont,
                      Gdiplus::RectF(x, top + 30.0f, width, summaryHeight), *m_summaryFormat);
    };
    period(column.Day, true, 170.0f, dayHeight);
    period(column.Night, false, 200.0f + dayHeight, nightHeight);
}

float CFormLocalWeather::MeasureSummary(const std::wstring& summary)
{
    Gdiplus::Font* font = FontAt(SummaryFont);
    if (font == nullptr || !m_largeFormat || !m_scratch)
    {
        return 0.0f;
    }
    Gdiplus::Graphics graphics(m_scratch.get());
    PrepareGraphics(graphics);
    Gdiplus::RectF bounds;
    if (graphics.MeasureString(
            summary.c_str(), Length(summary), font,
            ToDevice(Gdiplus::RectF(0.0f, 0.0f, static_cast<float>(kColumnWidth), kUnlimitedHeight)),
            m_largeFormat.get(), &bounds) != Gdiplus::Ok)
    {
        ThrowApplicationException("CFormLocalWeather::MeasureSummary (1051)");
    }
    return bounds.Height / Scale();
}

void CFormLocalWeather::DrawWhiteText(Gdiplus::Graphics& graphics, const std::wstring& text, int font,
                                      const Gdiplus::RectF& box, const Gdiplus::StringFormat& format) const
{
    Gdiplus::Font* deviceFont = FontAt(font);
    if (deviceFont == nullptr || !m_whiteBrush || text.empty())
    {
        return;
    }
    graphics.DrawString(text.c_str(), Length(text), deviceFont, ToDevice(box), &format, m_whiteBrush.get());
}
