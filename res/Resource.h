// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// Resource and command identifiers shared by the resource script and the code.
#define ID_APP_EXIT 57665
#define ID_APP_ABOUT 57664
#define ID_OPTIONS 32815
#define ID_SHOW_EARTH 32820
#define ID_FEEDBACK 32831
#define ID_WEB_PAGE 32833
#define ID_LOCAL_WEATHER 32834

#define IDI_APPLICATION_ICON 128

// Commands of the local weather window's context menu.
#define ID_LOCAL_WEATHER_CLOSE 32785
#define ID_LOCAL_WEATHER_CHANGE_LOCATION 32789
#define ID_LOCAL_WEATHER_OPTIONS 32791
#define ID_LOCAL_WEATHER_ICON_ONLY 32792
#define ID_LOCAL_WEATHER_ALWAYS_ON_TOP 32800
#define ID_LOCAL_WEATHER_SMALL 32826
#define ID_LOCAL_WEATHER_LARGE 32827
#define ID_LOCAL_WEATHER_SHOW_EARTH 32830

// Menus: the map window's menu bar, the tray icon's popup and the local weather context menu.
#define IDR_EARTH_MENU 128
#define IDR_TRAY_MENU 209
#define IDR_LOCAL_WEATHER_MENU 210

// Dialogs and their controls.
#define IDD_SELECT_CITY 207
#define IDD_EDIT_CITY 208
#define IDC_LIST_CITIES 1021
#define IDC_EDIT_SEARCH_CITY 1022
#define IDC_EDIT_DISPLAY_NAME 1024
#define IDC_EDIT_DETAILS 1025

// The about box.
#define IDD_ABOUT 100
#define IDC_BUTTON_WEB_PAGE 1034
#define IDC_LABEL_VERSION 1035
#define IDC_LABEL_EMAIL 1036
#define IDC_LABEL_WEB 1037

// The options dialog and its four pages (control ids are unique across the pages, since the
// dialog handles the messages of all of them).
#define IDD_OPTIONS 201
#define IDD_OPTIONS_GENERAL 202
#define IDD_OPTIONS_EARTH 204
#define IDD_OPTIONS_DISPLAY 205
#define IDD_OPTIONS_CITIES 206
#define IDC_TAB_OPTIONS 1000
#define IDC_CHECK_UPDATE_WALLPAPER 1001
#define IDC_CHECK_RUN_AT_STARTUP 1003
#define IDC_COMBO_REGION 1004
#define IDC_PREVIEW_BACKGROUND 1005
#define IDC_COMBO_BACKGROUND 1006
#define IDC_CHECK_SHOW_CITY_NAME 1007
#define IDC_CHECK_SHOW_TEMPERATURE 1008
#define IDC_BUTTON_CITY_NAME_FONT 1009
#define IDC_BUTTON_CITY_NAME_COLOR 1010
#define IDC_BUTTON_TEMPERATURE_FONT 1011
#define IDC_BUTTON_TEMPERATURE_COLOR 1012
#define IDC_SLIDER_ICON_SCALE 1013
#define IDC_LABEL_ICON_SCALE 1014
#define IDC_PREVIEW_DISPLAY 1015
#define IDC_COMBO_HOME_CITY 1016
#define IDC_BUTTON_ADD_CITY 1018
#define IDC_BUTTON_REMOVE_CITY 1019
#define IDC_BUTTON_CHANGE_DISPLAY_NAME 1020
#define IDC_LIST_FAVORITE_CITIES 1021
#define IDC_RADIO_FAHRENHEIT 1025
#define IDC_RADIO_CELSIUS 1026
// The units of wind, pressure and visibility on the General page, each group in the order of
// its unit's values.
#define IDC_RADIO_WIND_MPH 1040
#define IDC_RADIO_WIND_KMH 1041
#define IDC_RADIO_WIND_MS 1042
#define IDC_RADIO_WIND_KNOTS 1043
#define IDC_RADIO_PRESSURE_INHG 1044
#define IDC_RADIO_PRESSURE_HPA 1045
#define IDC_RADIO_VISIBILITY_MILES 1046
#define IDC_RADIO_VISIBILITY_KM 1047
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
