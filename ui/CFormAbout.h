#pragma once

#include "platform/CDialogBase.h"

#include <windows.h>

// The about box: version, contact address and web page, run modally for one use. DoModal answers
// IDOK or IDCANCEL.
class CFormAbout : public CDialogBase
{
public:
    explicit CFormAbout(HINSTANCE instance = nullptr);

    using CDialogBase::DoModal;

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnInitDialog();
};
