// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CFormEarthView.h"

#include "app/Program.h"
#include "core/ApplicationException.h"
#include "core/Here.h"
#include "data/COptions.h"
#include "map/WeatherMap.h"
#include "platform/GdiPlus.h"
#include "platform/Log.h"
#include "platform/WindowMessages.h"

namespace
{
constexpr UINT_PTR kComposeTimer = 1;
} // namespace

CFormEarthView::~CFormEarthView()
{
    Program::RemoveWeatherView(this);
}

void CFormEarthView::Create(HWND parent)
{
    WNDCLASSEXW windowClass{};
    windowClass.lpszClassName = kEarthViewClass;
    // The map is stretched over the whole client area: any change of size changes every pixel.
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterWindowClass(windowClass);
    RECT bounds{};
    GetClientRect(parent, &bounds);
    CWindowBase::Create(kEarthViewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                        WS_EX_CLIENTEDGE, bounds, parent, nullptr);
}

SIZE CFormEarthView::ComposedSize() const
{
    return m_map ? SIZE{m_map->Width(), m_map->Height()} : SIZE{0, 0};
}

void CFormEarthView::OnHidden()
{
    m_map.reset();
    m_background.Park();
    m_stale = true;
}

void CFormEarthView::PrepareToShow()
{
    if (!IsWindow())
    {
        return;
    }
    try
    {
        Compose();
    }
    catch (...)
    {
        // Painted black, then composed once the window shows, as at the first showing.
        Log::Exception(L"CFormEarthView::PrepareToShow");
    }
}

void CFormEarthView::RefreshWeather()
{
    m_stale = true;
    // A hidden view composes when it is painted again.
    if (!IsWindow() || !IsWindowVisible(Hwnd()))
    {
        return;
    }
    try
    {
        Compose();
    }
    catch (...)
    {
        // The previous picture stays; the next refresh or paint tries again.
        Log::Exception(L"CFormEarthView::RefreshWeather");
        return;
    }
    const HDC dc = GetDC(Hwnd());
    if (dc != nullptr)
    {
        Paint(dc);
        ReleaseDC(Hwnd(), dc);
    }
}

bool CFormEarthView::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    result = 0;
    switch (message)
    {
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_ERASEBKGND:
        // Every pixel is painted from the map; erasing first would only make it flicker.
        result = 1;
        return true;
    case WM_SIZE:
        // Each change of size puts the composition off again: a drag composes once, at its end.
        ScheduleComposition(SettleMilliseconds);
        return true;
    case WM_TIMER:
        if (wParam != kComposeTimer)
        {
            return false;
        }
        OnSettled();
        return true;
    case WM_DESTROY:
        KillTimer(Hwnd(), kComposeTimer);
        m_scheduled = false;
        Program::RemoveWeatherView(this);
        // The pictures are GDI+ bitmaps, and the shutdown sequence ends GDI+ after the windows.
        m_map.reset();
        m_background.Release();
        m_stale = true;
        return true;
    default:
        return false;
    }
}

void CFormEarthView::ScheduleComposition(UINT delay)
{
    if (!IsWindow())
    {
        return;
    }
    // Setting the timer again restarts it.
    m_scheduled = SetTimer(Hwnd(), kComposeTimer, delay, nullptr) != 0;
}

void CFormEarthView::OnSettled()
{
    KillTimer(Hwnd(), kComposeTimer);
    m_scheduled = false;
    if (!IsWindowVisible(Hwnd()))
    {
        return; // composed when it is painted again
    }
    const SIZE composed = ComposedSize();
    RECT client{};
    GetClientRect(Hwnd(), &client);
    if (!m_stale && composed.cx == client.right && composed.cy == client.bottom)
    {
        return;
    }
    try
    {
        Compose();
        InvalidateRect(Hwnd(), nullptr, FALSE);
    }
    catch (...)
    {
        // The previous picture stays, stretched; the next refresh or resize tries again.
        Log::Exception(L"CFormEarthView::OnSettled");
    }
}

void CFormEarthView::OnPaint()
{
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(Hwnd(), &paint);
    if (dc == nullptr)
    {
        return;
    }
    Paint(dc);
    EndPaint(Hwnd(), &paint);

    // What was painted is out of date: a composition follows, never inside the paint itself.
    RECT client{};
    GetClientRect(Hwnd(), &client);
    const SIZE composed = ComposedSize();
    if (!m_scheduled && client.right > 0 && client.bottom > 0 &&
        (m_stale || composed.cx != client.right || composed.cy != client.bottom))
    {
        ScheduleComposition(USER_TIMER_MINIMUM);
    }
}

void CFormEarthView::Compose()
{
    RECT client{};
    if (!GetClientRect(Hwnd(), &client))
    {
        return;
    }
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0)
    {
        return; // minimised or squeezed to nothing
    }
    if (m_map && m_map->Width() == width && m_map->Height() == height && !m_stale)
    {
        return;
    }
    COptions& options = Program::Options();
    // A view of the screen's size shows the wallpaper's background: one kept picture serves both.
    CStretchedBackground* shared = Program::WallpaperBackgroundOfSize(width, height);
    if (shared != nullptr)
    {
        m_background.Release();
    }
    CStretchedBackground& background = shared != nullptr ? *shared : m_background;
    // Composed as the wallpaper is, in 24 bits, then taken into the window's 32-bit picture: the
    // same colours, and everything that can fail fails before the kept picture is touched.
    const CPtr<Gdiplus::Bitmap> composed = UtilGraphics::ComposeWeatherMap(
        background, width, height, options, Program::SmallWeatherIcons(), DateTime::UtcNow());
    if (!m_map || m_map->Width() != width || m_map->Height() != height)
    {
        auto map = std::make_unique<CDibSurface>(width, height, Here());
        map->CopyFrom(*composed);
        m_map = std::move(map);
    }
    else
    {
        m_map->CopyFrom(*composed);
    }
    m_stale = false;
    // Until the weather or the size changes again the composed map is all the window needs.
    background.Park();
    // The earth image was needed only to stretch the background, which is kept.
    Program::ReleaseSourceImages();
}

void CFormEarthView::Paint(HDC target)
{
    RECT client{};
    GetClientRect(Hwnd(), &client);
    if (!m_map)
    {
        FillRect(target, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    if (m_map->Width() == client.right && m_map->Height() == client.bottom)
    {
        BitBlt(target, 0, 0, client.right, client.bottom, m_map->Dc(), 0, 0, SRCCOPY);
        return;
    }
    // Until the size settles: the last map, stretched over the new size.
    const int mode = SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, 0, 0, client.right, client.bottom, m_map->Dc(), 0, 0, m_map->Width(), m_map->Height(),
               SRCCOPY);
    SetStretchBltMode(target, mode);
}
