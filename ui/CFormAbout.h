// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/CDialogBase.h"
#include "ui/IWindowHost.h"

#include <windows.h>

// The about box: version, contact address and web page, run modally for one use. DoModal answers
// IDOK or IDCANCEL.
class CFormAbout : public CDialogBase
{
public:
    // The web page button opens the page through the host.
    explicit CFormAbout(IWindowHost& host, HINSTANCE instance = nullptr);

    using CDialogBase::DoModal;

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnInitDialog();

    IWindowHost& m_host;
};
