// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormAbout.h"

#include "res/Resource.h"
#include "Version.h"

#include <string>

CFormAbout::CFormAbout(IWindowHost& host, HINSTANCE instance) : CDialogBase(IDD_ABOUT, instance), m_host(host)
{
}

bool CFormAbout::ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return true;
    case WM_COMMAND:
        switch (LOWORD(wParam))
        {
        case IDC_BUTTON_WEB_PAGE:
            if (HIWORD(wParam) != BN_CLICKED)
            {
                return false;
            }
            m_host.OpenWebPage(Hwnd());
            return true;
        case IDOK:
            EndDialog(IDOK);
            return true;
        case IDCANCEL:
            EndDialog(IDCANCEL);
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

void CFormAbout::OnInitDialog()
{
    CenterWindow(GetWindow(Hwnd(), GW_OWNER));
    // The version the build was made with, not a number typed into the template.
    SetDlgItemTextW(Hwnd(), IDC_LABEL_VERSION,
                    (std::wstring(NIMBREL_PRODUCT_NAME) + L" " + NIMBREL_VERSION_WTEXT).c_str());
    SetDlgItemTextW(Hwnd(), IDC_LABEL_EMAIL, (std::wstring(L"Email: ") + NIMBREL_FEEDBACK_EMAIL).c_str());
    SetDlgItemTextW(Hwnd(), IDC_LABEL_WEB, (std::wstring(L"Web: ") + NIMBREL_WEB_PAGE).c_str());
}
