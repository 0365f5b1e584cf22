#pragma once

#include "core/CPtr.h"
#include "data/COptions.h"
#include "platform/CDialogBase.h"

#include <windows.h>

// The options dialog: a modeless dialog, created hidden at start-up and only hidden and shown
// afterwards. Every edit goes to a working copy of the live options, made when the dialog is
// shown; OK makes the copy live, Cancel throws it away.
class CFormOptions : public CDialogBase
{
public:
    explicit CFormOptions(HINSTANCE instance = nullptr);
    ~CFormOptions() override;

    // Creates the hidden dialog without an owner; false when it could not be made.
    bool Create();

    // Shows the dialog on the given tab (0 to 3; any other value keeps the current one). A dialog
    // that was hidden first gets a fresh working copy of the live options.
    void Showup(unsigned page);
    // Deletes the working copy and hides the dialog: Cancel, the close box and the exit command.
    void DropAndHide();

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
};
