// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/CDialogBase.h"

#include <windows.h>

class CFormOptions;
class COptions;

// One tab of the options dialog: a child dialog that initialises, fills and handles its own
// controls, editing the fields of the options dialog's working copy that it shows. The options
// dialog keeps the tab control, the copy and OK and Cancel.
class CFormOptionsPage : public CDialogBase
{
public:
    CFormOptionsPage(UINT templateId, CFormOptions& owner, HINSTANCE instance);

    using CDialogBase::Create;

    // Fills the page's controls from the working copy.
    virtual void PopulateControls(const COptions& options) = 0;

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    // The page's controls, once, when the page is created.
    virtual void OnInitPage() {}
    // A control's command, only while there is a working copy; true when handled. Errors are
    // swallowed by the caller.
    virtual bool OnCommand(WORD id, WORD notification) = 0;
    // The page's other messages (notifications, scrolling, owner drawing); true when handled.
    virtual bool OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    CFormOptions& Owner() const { return m_owner; }
    // The working copy; throws while the dialog holds none.
    COptions& Copy() const;
    bool HasCopy() const;
    HWND Control(int id) const { return GetDlgItem(Hwnd(), id); }
    HINSTANCE Instance() const { return m_instance; }

private:
    CFormOptions& m_owner;
    HINSTANCE m_instance;
};
