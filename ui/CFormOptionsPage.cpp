#include "ui/CFormOptionsPage.h"

#include "ui/CFormOptions.h"

#include <uxtheme.h>

CFormOptionsPage::CFormOptionsPage(UINT templateId, CFormOptions& owner, HINSTANCE instance)
    : CDialogBase(templateId, instance), m_owner(owner)
{
}

bool CFormOptionsPage::ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message == WM_INITDIALOG)
    {
        // Pages sit on a tab control: with visual styles their background must be the tab's.
        EnableThemeDialogTexture(Hwnd(), ETDT_ENABLETAB);
        result = TRUE;
        return true;
    }
    return m_owner.ProcessPageMessage(message, wParam, lParam, result);
}
