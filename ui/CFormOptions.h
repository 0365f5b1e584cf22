// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "data/COptions.h"
#include "platform/CDialogBase.h"
#include "ui/CFormOptionsCities.h"
#include "ui/CFormOptionsDisplay.h"
#include "ui/CFormOptionsEarth.h"
#include "ui/CFormOptionsGeneral.h"
#include "ui/IWindowHost.h"

#include <windows.h>
#include <commdlg.h>

#include <array>

class CFormSelectCity;

// The options dialog: a modeless dialog, created hidden at start-up and only hidden and shown
// afterwards. Every edit goes to a working copy of the live options, made when the dialog is
// shown; OK makes the copy live, Cancel throws it away. Downloads that finish meanwhile update
// the live options, and OK carries their weather over into the copy.
class CFormOptions : public CDialogBase
{
public:
    // The host's live options are what the dialog copies and, on OK, replaces.
    explicit CFormOptions(IWindowHost& host, HINSTANCE instance = nullptr);
    ~CFormOptions() override;

    // Creates the hidden dialog without an owner; false when it could not be made.
    bool Create();

    static constexpr unsigned PageGeneral = 0;
    static constexpr unsigned PageCities = 1;
    static constexpr unsigned PageEarth = 2;
    static constexpr unsigned PageDisplay = 3;

    // Shows the dialog on the given tab (0 to 3; any other value keeps the current one). A dialog
    // that was hidden first gets a fresh working copy of the live options; a visible one keeps
    // its copy and the edits made so far. Throws when the copy cannot be made or shown.
    void Showup(unsigned page);
    // Deletes the working copy and hides the dialog (and the city selection, if it is open):
    // Cancel, the close box and the exit command.
    void DropAndHide();

    // Fills every control from the working copy, page by page; throws
    // "CFormOptions::PopulateControls" without one.
    void PopulateControls();

    // The copy being edited; null while the dialog is hidden.
    COptions* WorkingCopy() const { return m_options.Get(); }
    // The same, for the pages; throws while there is none.
    COptions& Copy() const;
    unsigned CurrentPage() const;
    CFormSelectCity* SelectCity() const { return m_pageCities.SelectCity(); }
    // Ctrl+Tab and Ctrl+Shift+Tab anywhere in the dialog turn to the next and the previous page, as
    // in the system's own tabbed dialogs; everything else is the dialog manager's.
    bool PreTranslateMessage(MSG& message) override;
    // Turns one page on (back: one page back), round from the last to the first. A focus on the
    // page left goes to the first control of the page shown.
    void TurnPage(bool back);

    // The program the dialog works for: its icons for the previews, its live options.
    IWindowHost& Host() const { return m_host; }
    // The display page's preview shows the background the earth page chooses.
    void RepaintDisplayPreview() { m_pageDisplay.RepaintPreview(); }

    // The system's choosers and message box, unless a test puts its own here to answer them
    // without windows that wait for the user.
    using ChooseFontFunction = BOOL(WINAPI*)(LPCHOOSEFONTW);
    using ChooseColorFunction = BOOL(WINAPI*)(LPCHOOSECOLORW);
    using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    static ChooseFontFunction ShowFontChooser;
    static ChooseColorFunction ShowColorChooser;
    static MessageBoxFunction ShowMessageBox;

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnInitDialog();
    void ShowPage(unsigned page);
    void OnOK();
    // In tab order.
    std::array<CFormOptionsPage*, 4> Pages();

    IWindowHost& m_host;
    CPtr<COptions> m_options;

    CFormOptionsGeneral m_pageGeneral;
    CFormOptionsCities m_pageCities;
    CFormOptionsEarth m_pageEarth;
    CFormOptionsDisplay m_pageDisplay;

    HWND m_tab = nullptr;
};
