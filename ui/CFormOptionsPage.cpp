// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormOptionsPage.h"

#include "platform/Log.h"
#include "ui/CFormOptions.h"

#include <uxtheme.h>

CFormOptionsPage::CFormOptionsPage(UINT templateId, CFormOptions& owner, HINSTANCE instance)
    : CDialogBase(templateId, instance), m_owner(owner), m_instance(instance)
{
}

COptions& CFormOptionsPage::Copy() const
{
    return m_owner.Copy();
}

bool CFormOptionsPage::HasCopy() const
{
    return m_owner.WorkingCopy() != nullptr;
}

bool CFormOptionsPage::ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        // Pages sit on a tab control: with visual styles their background must be the tab's.
        EnableThemeDialogTexture(Hwnd(), ETDT_ENABLETAB);
        OnInitPage();
        result = TRUE;
        return true;
    case WM_COMMAND:
        result = 0;
        try
        {
            // A control that speaks before the dialog holds a copy (while it is being filled or
            // after it was hidden) has nothing to change.
            if (!HasCopy())
            {
                return false;
            }
            return OnCommand(LOWORD(wParam), HIWORD(wParam));
        }
        catch (...)
        {
            Log::Exception(L"CFormOptionsPage::OnCommand");
            return true;
        }
    default:
        return OnPageMessage(message, wParam, lParam, result);
    }
}

bool CFormOptionsPage::OnPageMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}
