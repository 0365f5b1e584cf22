// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/CDialogBase.h"

#include <windows.h>

class City;

// "Change Display Name": renames one favourite city or the home city, run modally over the
// options dialog for one use. DoModal answers IDOK after a new name has been stored, IDCANCEL
// otherwise.
class CFormEditCity : public CDialogBase
{
public:
    // The city belongs to the options; it must outlive the dialog.
    explicit CFormEditCity(City& city, HINSTANCE instance = nullptr);

    using CDialogBase::DoModal;

    // How the dialog tells the user a name was refused: MessageBoxW, unless a test puts its own
    // here to see the message without a window that waits for a click.
    using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    static MessageBoxFunction ShowMessageBox;

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnInitDialog();
    void OnOK();

    City& m_city;
};
