#pragma once

#include "core/CPtr.h"
#include "data/COptions.h"
#include "platform/CDialogBase.h"
#include "ui/CFormOptionsCities.h"
#include "ui/CFormOptionsDisplay.h"
#include "ui/CFormOptionsEarth.h"
#include "ui/CFormOptionsGeneral.h"

#include <windows.h>
#include <commdlg.h>

#include <memory>

class CFormSelectCity;

// The options dialog: a modeless dialog, created hidden at start-up and only hidden and shown
// afterwards. Every edit goes to a working copy of the live options, made when the dialog is
// shown; OK makes the copy live, Cancel throws it away. Downloads that finish meanwhile update
// the live options, and OK carries their weather over into the copy.
class CFormOptions : public CDialogBase
{
public:
    explicit CFormOptions(HINSTANCE instance = nullptr);
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

    // Fills every control from the working copy; throws "CFormOptions::PopulateControls (233)"
    // without one.
    void PopulateControls();

    // The copy being edited; null while the dialog is hidden.
    COptions* WorkingCopy() const { return m_options.Get(); }
    unsigned CurrentPage() const;
    CFormSelectCity* SelectCity() const { return m_selectCity.get(); }

    // The notifications of the pages' controls.
    bool ProcessPageMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    void ChangeDisplayName();
    void OnBnClickedButtonCityNameFont();
    void OnBnClickedButtonTempratureFont();

    // The system's choosers and message box, unless a test puts its own here to answer them
    // without windows that wait for the user.
    using ChooseFontFunction = BOOL(WINAPI*)(LPCHOOSEFONTW);
    using ChooseColorFunction = BOOL(WINAPI*)(LPCHOOSECOLORW);
    using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    static ChooseFontFunction ShowFontChooser;
    static ChooseColorFunction ShowColorChooser;
    static MessageBoxFunction ShowMessageBox;

    // The home city list's entries that are not cities, told apart by their item data (a city's
    // display name may read like them).
    static constexpr int OtherCityItemData = -1;
    static constexpr int SeparatorItemData = -2;

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnInitDialog();
    void ShowPage(unsigned page);
    void OnOK();
    bool OnCommand(WORD id, WORD notification, HWND control);

    void PopulateHomeCityList();
    void PopulateCityList();
    void SelectHomeCity();
    void SelectRegionAndBackground();
    void RefreshUnitButtons();
    void RepaintPreview(int id);

    void OnHomeCityChanged();
    void OnRegionChanged();
    void OnBackgroundChanged();
    void OnIconScaleScrolled();
    void OnColorClicked(ArgbColor& color);
    void OnFontClicked(CPtr<Gdiplus::Font>& font, std::wstring& chosenFamily, const char* failure);
    void OnAddCity();
    void OnRemoveCity();
    void OnSelectCityOk();
    void OnSelectCityCancel();
    void ShowSelectCity(int purpose);

    void DrawBackgroundPreview(const DRAWITEMSTRUCT& item);
    void DrawDisplayPreview(const DRAWITEMSTRUCT& item);

    COptions& Copy() const;
    // The row's city id, 0 when the row cannot be read.
    int RowCityId(int row) const;
    City* FindCity(int id) const;

    HINSTANCE m_instance;
    CPtr<COptions> m_options;
    std::unique_ptr<CFormSelectCity> m_selectCity;
    int m_selectionPurpose = 1;

    CFormOptionsGeneral m_pageGeneral;
    CFormOptionsCities m_pageCities;
    CFormOptionsEarth m_pageEarth;
    CFormOptionsDisplay m_pageDisplay;

    HWND m_tab = nullptr;
    HWND m_comboHomeCity = nullptr;
    HWND m_listCities = nullptr;
    HWND m_comboBackground = nullptr;
    HWND m_comboRegion = nullptr;
    HWND m_previewBackground = nullptr;
    HWND m_previewDisplay = nullptr;
    HWND m_sliderIconScale = nullptr;
    HWND m_labelIconScale = nullptr;
};
