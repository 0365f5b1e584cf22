// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CFormEarth.h"

#include "app/CommandTable.h"
#include "app/Program.h"
#include "platform/Log.h"
#include "platform/WindowMessages.h"
#include "res/Resource.h"

namespace
{
// The size the frame returns to when it is restored from maximised: most of the primary work
// area, centred on it.
RECT DefaultBounds()
{
    RECT work{0, 0, 1024, 768};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const LONG width = (work.right - work.left) * 3 / 4;
    const LONG height = (work.bottom - work.top) * 3 / 4;
    const LONG left = work.left + (work.right - work.left - width) / 2;
    const LONG top = work.top + (work.bottom - work.top - height) / 2;
    return RECT{left, top, left + width, top + height};
}
} // namespace

void CFormEarth::Create()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.lpszClassName = kEarthWindowClass;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                   GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR | LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(
        instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR | LR_SHARED));
    RegisterWindowClass(windowClass);

    // The window takes the menu over and destroys it with itself.
    const HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_EARTH_MENU));
    try
    {
        CWindowBase::Create(kEarthWindowClass, Program::ProductName,
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                            WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, DefaultBounds(), nullptr, menu);
    }
    catch (...)
    {
        if (menu != nullptr)
        {
            DestroyMenu(menu);
        }
        throw;
    }
}

bool CFormEarth::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    result = 0;
    switch (message)
    {
    case WM_CREATE:
        OnCreate();
        return true;
    case WM_CLOSE:
        // Closing only hides: the program lives on in the tray, and the map comes back from there.
        ShowWindow(Hwnd(), SW_HIDE);
        return true;
    case WM_DESTROY:
        // Only the shutdown sequence destroys the frame, after the message loop has ended.
        return true;
    case WM_SHOWWINDOW:
        if (wParam == FALSE)
        {
            m_view.OnHidden();
        }
        return false;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
        {
            LayoutView();
        }
        return true;
    case WM_SETFOCUS:
        if (m_view.IsWindow())
        {
            SetFocus(m_view.Hwnd());
        }
        return true;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam));
    case WM_INITMENUPOPUP:
        EnableMenuItem(reinterpret_cast<HMENU>(wParam), ID_WEATHER_ALERTS,
                       MF_BYCOMMAND | (Program::HasWeatherAlerts() ? MF_ENABLED : MF_GRAYED));
        return false;
    default:
        return false;
    }
}

void CFormEarth::OnCreate()
{
    try
    {
        m_view.Create(Hwnd());
        SetWindowTextW(Hwnd(), Program::ProductName);
    }
    catch (...)
    {
        // A frame without its view still carries the menu, and with it the way out.
        Log::Exception(L"CFormEarth::OnCreate");
    }
}

void CFormEarth::LayoutView()
{
    if (!m_view.IsWindow())
    {
        return;
    }
    RECT client{};
    GetClientRect(Hwnd(), &client);
    SetWindowPos(m_view.Hwnd(), nullptr, client.left, client.top, client.right - client.left,
                 client.bottom - client.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CFormEarth::OnCommand(WORD id)
{
    try
    {
        return CommandTable::Run(CommandTable::MapMenu, id, Hwnd());
    }
    catch (...)
    {
        Log::Exception(L"CFormEarth::OnCommand");
        return true;
    }
}
