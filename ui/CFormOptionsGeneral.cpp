#include "ui/CFormOptionsGeneral.h"

#include "data/COptions.h"

void CFormOptionsGeneral::PopulateControls(const COptions& options)
{
    CheckDlgButton(Hwnd(), IDC_CHECK_UPDATE_WALLPAPER, options.UpdateWallpaper ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Hwnd(), IDC_CHECK_RUN_AT_STARTUP,
                   options.RunAtSystemStartup ? BST_CHECKED : BST_UNCHECKED);
    RefreshUnitButtons();
}

void CFormOptionsGeneral::RefreshUnitButtons()
{
    CheckRadioButton(Hwnd(), IDC_RADIO_FAHRENHEIT, IDC_RADIO_CELSIUS,
                     Copy().UseMetricSystem ? IDC_RADIO_CELSIUS : IDC_RADIO_FAHRENHEIT);
}

bool CFormOptionsGeneral::OnCommand(WORD id, WORD notification)
{
    switch (id)
    {
    case IDC_CHECK_UPDATE_WALLPAPER:
        Copy().UpdateWallpaper = IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED;
        return true;
    case IDC_CHECK_RUN_AT_STARTUP:
        Copy().RunAtSystemStartup = IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED;
        return true;
    case IDC_RADIO_FAHRENHEIT:
    case IDC_RADIO_CELSIUS:
        if (notification == BN_CLICKED)
        {
            Copy().UseMetricSystem = id == IDC_RADIO_CELSIUS;
            RefreshUnitButtons();
        }
        return true;
    default:
        return false;
    }
}
