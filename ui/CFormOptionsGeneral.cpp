// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormOptionsGeneral.h"

#include "data/COptions.h"

namespace
{
// A radio group whose buttons have consecutive ids in the order of the unit's values.
template <typename Unit> void CheckUnit(HWND page, int first, int count, Unit unit)
{
    CheckRadioButton(page, first, first + count - 1, first + static_cast<int>(unit));
}
} // namespace

void CFormOptionsGeneral::PopulateControls(const COptions& options)
{
    CheckDlgButton(Hwnd(), IDC_CHECK_UPDATE_WALLPAPER, options.UpdateWallpaper ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Hwnd(), IDC_CHECK_RUN_AT_STARTUP,
                   options.RunAtSystemStartup ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Hwnd(), IDC_CHECK_TRAY_TEMPERATURE,
                   options.ShowTemperatureInTray ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Hwnd(), IDC_CHECK_WEATHER_ALERTS, options.ShowWeatherAlerts ? BST_CHECKED : BST_UNCHECKED);
    RefreshUnitButtons();
}

void CFormOptionsGeneral::RefreshUnitButtons()
{
    const COptions& options = Copy();
    CheckRadioButton(Hwnd(), IDC_RADIO_FAHRENHEIT, IDC_RADIO_CELSIUS,
                     options.UseMetricSystem ? IDC_RADIO_CELSIUS : IDC_RADIO_FAHRENHEIT);
    CheckUnit(Hwnd(), IDC_RADIO_WIND_MPH, 4, options.WindUnit);
    CheckUnit(Hwnd(), IDC_RADIO_PRESSURE_INHG, 2, options.PressureUnit);
    CheckUnit(Hwnd(), IDC_RADIO_VISIBILITY_MILES, 2, options.VisibilityUnit);
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
    case IDC_CHECK_TRAY_TEMPERATURE:
        Copy().ShowTemperatureInTray = IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED;
        return true;
    case IDC_CHECK_WEATHER_ALERTS:
        Copy().ShowWeatherAlerts = IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED;
        return true;
    case IDC_RADIO_FAHRENHEIT:
    case IDC_RADIO_CELSIUS:
    case IDC_RADIO_WIND_MPH:
    case IDC_RADIO_WIND_KMH:
    case IDC_RADIO_WIND_MS:
    case IDC_RADIO_WIND_KNOTS:
    case IDC_RADIO_PRESSURE_INHG:
    case IDC_RADIO_PRESSURE_HPA:
    case IDC_RADIO_VISIBILITY_MILES:
    case IDC_RADIO_VISIBILITY_KM:
        if (notification == BN_CLICKED)
        {
            COptions& options = Copy();
            if (id == IDC_RADIO_FAHRENHEIT || id == IDC_RADIO_CELSIUS)
            {
                options.UseMetricSystem = id == IDC_RADIO_CELSIUS;
            }
            else if (id <= IDC_RADIO_WIND_KNOTS)
            {
                options.WindUnit = static_cast<EnumWindUnit>(id - IDC_RADIO_WIND_MPH);
            }
            else if (id <= IDC_RADIO_PRESSURE_HPA)
            {
                options.PressureUnit = static_cast<EnumPressureUnit>(id - IDC_RADIO_PRESSURE_INHG);
            }
            else
            {
                options.VisibilityUnit = static_cast<EnumVisibilityUnit>(id - IDC_RADIO_VISIBILITY_MILES);
            }
            RefreshUnitButtons();
        }
        return true;
    default:
        return false;
    }
}
