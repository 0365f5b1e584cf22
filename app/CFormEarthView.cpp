#include "app/CFormEarthView.h"

#include "app/Program.h"
#include "core/ApplicationException.h"
#include "map/WeatherMap.h"
#include "platform/COffscreenSurface.h"
#include "platform/GdiPlus.h"
#include "platform/Log.h"
#include "platform/WindowMessages.h"

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

void CFormEarthView::RefreshWeather()
{
    // A hidden view is painted in full when it is shown again.
    if (!IsWindow() || !IsWindowVisible(Hwnd()))
    {
        return;
    }
    const HDC dc = GetDC(Hwnd());
    if (dc == nullptr)
    {
        return;
    }
    try
    {
        Draw(dc);
    }
    catch (...)
    {
        // The previous picture stays; the next refresh or paint tries again.
        Log::Exception(L"CFormEarthView::RefreshWeather");
    }
    ReleaseDC(Hwnd(), dc);
}

bool CFormEarthView::ProcessWindowMessage(UINT message, WPARAM, LPARAM, LRESULT& result)
{
    result = 0;
    switch (message)
    {
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_ERASEBKGND:
        // Every pixel is painted by the map; erasing first would only make it flicker.
        result = 1;
        return true;
    case WM_DESTROY:
        Program::RemoveWeatherView(this);
        return true;
    default:
        return false;
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
    try
    {
        Draw(dc);
    }
    catch (...)
    {
        // The previous picture stays; the next paint or refresh tries again.
        Log::Exception(L"CFormEarthView::OnPaint");
    }
    EndPaint(Hwnd(), &paint);
}

void CFormEarthView::Draw(HDC target)
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
    COffscreenSurface offscreen(target, width, height, "CFormEarthView::Draw (22)");
    SetViewportOrgEx(offscreen.Dc(), -client.left, -client.top, nullptr);
    {
        Gdiplus::Graphics graphics(offscreen.Dc());
        UtilGraphics::DrawWeatherMap(graphics, client.left, client.top, width, height, Program::Options(),
                                     Program::SmallWeatherIcons(), DateTime::UtcNow());
    }
    BitBlt(target, client.left, client.top, width, height, offscreen.Dc(), client.left, client.top, SRCCOPY);
}
