// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/CMessageFilter.h"

#include <windows.h>

class CMessageLoop;

// Base of the program's dialogs, modeless (Create) or modal (DoModal), built from a dialog
// template. Messages reach ProcessDialogMessage; no exception ever leaves the dialog procedure.
// A modeless top-level dialog adds itself to its thread's message loop as a filter while its
// window exists, so that Tab, Enter and Escape work in it; child dialogs (pages inside another
// dialog) get their keyboard navigation from the dialog that holds them.
class CDialogBase : public CMessageFilter
{
public:
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    HWND Hwnd() const { return m_hwnd; }
    bool IsWindow() const { return m_hwnd != nullptr && ::IsWindow(m_hwnd); }
    void DestroyWindow();

    bool PreTranslateMessage(MSG& message) override;

protected:
    // The template is looked up in the given module, this executable's when none is given.
    explicit CDialogBase(UINT templateId, HINSTANCE instance = nullptr);
    virtual ~CDialogBase();

    // Creates the modeless dialog (hidden unless the template says WS_VISIBLE); false on failure.
    bool Create(HWND parent);
    // Runs the dialog modally and returns what EndDialog was given, or -1 when it could not be
    // created.
    INT_PTR DoModal(HWND parent);
    void EndDialog(INT_PTR result);

    // Centres the dialog over the parent, or over the screen when the parent is absent or hidden,
    // keeping it inside the work area.
    void CenterWindow(HWND parent);

    // Return true with result set when the message was handled. For the messages whose answer is
    // the dialog procedure's return value (WM_INITDIALOG, WM_CTLCOLOR...) result is that value;
    // for the others it becomes DWLP_MSGRESULT.
    virtual bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) = 0;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void AddToMessageLoop();
    void RemoveFromMessageLoop();

    UINT m_templateId;
    HINSTANCE m_instance;
    HWND m_hwnd = nullptr;
    bool m_modal = false;
    CMessageLoop* m_loop = nullptr; // the loop this dialog filters messages of, if any
};
