#pragma once

#include "platform/CDialogBase.h"

#include <windows.h>

class CFormOptions;

// One tab of the options dialog. A page has no behaviour of its own: its controls' notifications
// arrive here, as at any dialog, and go on to the options dialog, which handles the controls of
// all four pages in one place (their ids never collide).
class CFormOptionsPage : public CDialogBase
{
public:
    CFormOptionsPage(UINT templateId, CFormOptions& owner, HINSTANCE instance);

    using CDialogBase::Create;

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    CFormOptions& m_owner;
};
