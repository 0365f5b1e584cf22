// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

// Every private window message of the program, in one place so that no two ever collide.
constexpr UINT WM_WEATHER_REPORT = WM_USER + 100;     // hidden window: a weather report waits
constexpr UINT WM_DOWNLOAD_COMPLETE = WM_USER + 101;  // hidden window: a download batch is complete;
                                                      // wParam 1 when every city in it failed
constexpr UINT WM_WEATHER_ALERTS = WM_USER + 102;     // hidden window: a round of alert requests is done
constexpr UINT WM_SELECT_CITY_OK = WM_USER + 110;     // options dialog: city selection confirmed
constexpr UINT WM_SELECT_CITY_CANCEL = WM_USER + 111; // options dialog: city selection cancelled
constexpr UINT WM_NOTIFY_ICON = WM_USER + 120;        // hidden window: tray icon callback
constexpr UINT WM_SHOW_EARTH = WM_USER + 130;         // hidden window: another start asks for the map
constexpr UINT WM_NETWORK_CHANGED = WM_USER + 131;    // hidden window: a network interface came or changed

// Window classes. The installer finds a running Nimbrel by its hidden window's class; tools and
// tests find the others by theirs.
constexpr const wchar_t* kHiddenWindowClass = L"NimbrelHiddenWindow";
constexpr const wchar_t* kEarthWindowClass = L"NimbrelEarthWindow";
constexpr const wchar_t* kEarthViewClass = L"NimbrelEarthView";
constexpr const wchar_t* kLocalWeatherWindowClass = L"NimbrelLocalWeather";
