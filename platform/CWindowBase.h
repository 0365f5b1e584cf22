// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

// Base of every window the program registers itself. The object outlives its native window;
// messages reach ProcessWindowMessage, and no exception ever leaves the window procedure.
class CWindowBase
{
public:
    CWindowBase() = default;
    CWindowBase(const CWindowBase&) = delete;
    CWindowBase& operator=(const CWindowBase&) = delete;

    HWND Hwnd() const { return m_hwnd; }
    bool IsWindow() const { return m_hwnd != nullptr && ::IsWindow(m_hwnd); }
    void DestroyWindow();

protected:
    virtual ~CWindowBase();

    // Registers the class once per process; WindowProc is filled in here.
    static void RegisterWindowClass(WNDCLASSEXW windowClass);

    // Creates the native window bound to this object; throws on failure.
    void Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle,
                const RECT& bounds, HWND parent, HMENU menu);

    // Return true with result set when the message was handled; the rest go to DefWindowProc.
    virtual bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

    // Called after the native window is gone (WM_NCDESTROY).
    virtual void OnFinalMessage() {}

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
};
