// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/CDialogBase.h"

#include "platform/CAppModule.h"
#include "platform/CMessageLoop.h"
#include "platform/Log.h"

#include <algorithm>

namespace
{
// The messages whose answer is the dialog procedure's return value rather than DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message)
{
    switch (message)
    {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
        return true;
    default:
        return false;
    }
}
} // namespace

CDialogBase::CDialogBase(UINT templateId, HINSTANCE instance)
    : m_templateId(templateId), m_instance(instance != nullptr ? instance : GetModuleHandleW(nullptr))
{
}

CDialogBase::~CDialogBase()
{
    RemoveFromMessageLoop();
    if (m_hwnd != nullptr)
    {
        // Detach first: the derived part is gone, so its handlers must not see the destruction.
        SetWindowLongPtrW(m_hwnd, DWLP_USER, 0);
        const HWND hwnd = m_hwnd;
        m_hwnd = nullptr;
        if (!m_modal && ::IsWindow(hwnd))
        {
            ::DestroyWindow(hwnd);
        }
    }
}

void CDialogBase::DestroyWindow()
{
    if (IsWindow())
    {
        ::DestroyWindow(m_hwnd);
    }
}

bool CDialogBase::Create(HWND parent)
{
    m_modal = false;
    const HWND hwnd = CreateDialogParamW(m_instance, MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                                         reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

INT_PTR CDialogBase::DoModal(HWND parent)
{
    m_modal = true;
    return DialogBoxParamW(m_instance, MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialogBase::EndDialog(INT_PTR result)
{
    if (m_hwnd == nullptr)
    {
        return;
    }
    if (m_modal)
    {
        ::EndDialog(m_hwnd, result);
    }
    else
    {
        ::DestroyWindow(m_hwnd);
    }
}

void CDialogBase::CenterWindow(HWND parent)
{
    RECT dialog{};
    if (!GetWindowRect(m_hwnd, &dialog))
    {
        return;
    }
    const HMONITOR monitor = MonitorFromWindow(parent != nullptr ? parent : m_hwnd, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info))
    {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    }
    RECT area = info.rcWork;
    if (parent != nullptr && IsWindowVisible(parent) && !IsIconic(parent))
    {
        GetWindowRect(parent, &area);
    }
    const LONG width = dialog.right - dialog.left;
    const LONG height = dialog.bottom - dialog.top;
    LONG left = area.left + (area.right - area.left - width) / 2;
    LONG top = area.top + (area.bottom - area.top - height) / 2;
    // Never off the work area, and the title bar always reachable.
    left = std::max(info.rcWork.left, std::min(left, info.rcWork.right - width));
    top = std::max(info.rcWork.top, std::min(top, info.rcWork.bottom - height));
    SetWindowPos(m_hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialogBase::PreTranslateMessage(MSG& message)
{
    if ((message.message < WM_KEYFIRST || message.message > WM_KEYLAST) &&
        (message.message < WM_MOUSEFIRST || message.message > WM_MOUSELAST))
    {
        return false;
    }
    return m_hwnd != nullptr && IsDialogMessageW(m_hwnd, &message);
}

void CDialogBase::AddToMessageLoop()
{
    if (m_modal || (GetWindowLongPtrW(m_hwnd, GWL_STYLE) & WS_CHILD) != 0)
    {
        return; // the modal loop and the holding dialog do the navigation
    }
    // No loop on this thread (a test, or before the run loop starts): no filter, nothing else lost.
    m_loop = CAppModule::Current().GetMessageLoop();
    if (m_loop != nullptr)
    {
        m_loop->AddMessageFilter(this);
    }
}

void CDialogBase::RemoveFromMessageLoop()
{
    if (m_loop != nullptr)
    {
        m_loop->RemoveMessageFilter(this);
        m_loop = nullptr;
    }
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialogBase* dialog = nullptr;
    if (message == WM_INITDIALOG)
    {
        dialog = reinterpret_cast<CDialogBase*>(lParam);
        dialog->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
        try
        {
            dialog->AddToMessageLoop();
        }
        catch (...)
        {
            Log::Exception(L"CDialogBase::DialogProc");
        }
    }
    else
    {
        dialog = reinterpret_cast<CDialogBase*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (dialog == nullptr)
    {
        return FALSE;
    }

    INT_PTR result = 0;
    bool handled = false;
    try
    {
        handled = dialog->ProcessDialogMessage(message, wParam, lParam, result);
    }
    catch (...)
    {
        Log::Exception(L"CDialogBase::DialogProc");
        handled = false;
        result = 0;
    }

    if (message == WM_DESTROY)
    {
        dialog->RemoveFromMessageLoop();
    }
    else if (message == WM_NCDESTROY)
    {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        dialog->m_hwnd = nullptr;
    }

    if (message == WM_INITDIALOG && !handled)
    {
        return TRUE; // the first control gets the focus
    }
    if (!handled)
    {
        return FALSE;
    }
    if (ReturnsDirectly(message))
    {
        return result;
    }
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}
