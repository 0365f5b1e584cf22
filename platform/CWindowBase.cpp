// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/CWindowBase.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "platform/Log.h"

CWindowBase::~CWindowBase()
{
    if (m_hwnd != nullptr)
    {
        // The native window must not call back into a destroyed object.
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    }
}

void CWindowBase::DestroyWindow()
{
    if (IsWindow())
    {
        ::DestroyWindow(m_hwnd);
    }
}

void CWindowBase::RegisterWindowClass(WNDCLASSEXW windowClass)
{
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    if (windowClass.hInstance == nullptr)
    {
        windowClass.hInstance = GetModuleHandleW(nullptr);
    }
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(windowClass.hInstance, windowClass.lpszClassName, &existing))
    {
        return;
    }
    if (RegisterClassExW(&windowClass) == 0)
    {
        ThrowApplicationException(Here());
    }
}

void CWindowBase::Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle,
                         const RECT& bounds, HWND parent, HMENU menu)
{
    const HWND hwnd =
        CreateWindowExW(exStyle, className, title, style, bounds.left, bounds.top, bounds.right - bounds.left,
                        bounds.bottom - bounds.top, parent, menu, GetModuleHandleW(nullptr), this);
    if (hwnd == nullptr)
    {
        ThrowApplicationException(Here());
    }
}

LRESULT CALLBACK CWindowBase::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindowBase* window = nullptr;
    if (message == WM_NCCREATE)
    {
        window = static_cast<CWindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        window->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    else
    {
        window = reinterpret_cast<CWindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (window == nullptr)
    {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    LRESULT result = 0;
    bool handled = false;
    try
    {
        handled = window->ProcessWindowMessage(message, wParam, lParam, result);
    }
    catch (...)
    {
        Log::Exception(L"CWindowBase::WindowProc");
        handled = false;
    }
    if (!handled)
    {
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY)
    {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        window->m_hwnd = nullptr;
        try
        {
            window->OnFinalMessage();
        }
        catch (...)
        {
            Log::Exception(L"CWindowBase::OnFinalMessage");
        }
    }
    return result;
}
