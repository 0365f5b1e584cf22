// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "core/Nullable.h"
#include "data/AppPaths.h"
#include "weather/EnumWeatherCode.h"
#include "Version.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

class CAlertMonitor;
class CAppModule;
class CFormEarth;
class CFormHidden;
class CFormLocalWeather;
class CFormOptions;
class COptions;
class CStretchedBackground;
class CThreadPool;
class CWeatherAlert;
class CWeatherAlertList;
class CWeatherIcons;
class CWeatherReport;
class CWeatherReportList;
class IWeatherView;
class IWindowHost;

namespace Gdiplus
{
class Bitmap;
}

// The application object: process-wide state, the program's folders and files, and the
// user-interface thread's run loop with the start-up and shutdown sequences.
class Program
{
public:
    static constexpr const wchar_t* ProductName = NIMBREL_PRODUCT_NAME;
    static constexpr const wchar_t* ProductFolderName = L"Nimbrel";
    static constexpr const wchar_t* MutexName = L"Local\\NimbrelLock";

    // The GUI entry point's body: single instance, COM, common controls, module, Run. A second
    // start brings the running copy's map to the front instead, unless it is a start at log-on.
    static int Main(HINSTANCE instance, const wchar_t* commandLine);
    // Whether the command line (as WinMain gets it) holds the log-on Run value's argument: the
    // program then starts in the tray without showing its map.
    static bool IsBackgroundStart(const wchar_t* commandLine);
    // Asks the running copy, once its hidden window is there (waiting up to the given time), to
    // show its map; answers whether the request went out.
    static bool ShowRunningInstance(DWORD milliseconds);

    // The user-interface thread: returns the message loop's exit code, or StartupFailed when
    // start-up failed, after telling the user (through ShowMessageBox) and the log what failed.
    static int Run();
    static constexpr int StartupFailed = 1;
    static bool OnStartup();
    static void OnShutdown();

    // The Exit command and the end of the user's session.
    static void OnExit();

    static CAppModule& Module();
    // The four windows, created once by the start-up sequence; null before that or when their
    // creation failed.
    static CFormHidden* FormHidden() { return s_formHidden; }
    static CFormEarth* FormEarth() { return s_formEarth; }
    static CFormLocalWeather* FormLocalWeather() { return s_formLocalWeather; }
    static CFormOptions* FormOptions() { return s_formOptions; }

    // The commands every menu shares. None of them throws.
    static constexpr unsigned KeepPage = 0xFFFFFFFF; // as IWindowHost::KeepPage
    // Opens the options dialog on the given tab (0 to 3), or on the tab it showed last.
    static void ShowOptions(unsigned page = KeepPage);
    static void ShowEarth();
    static void ShowLocalWeather();
    static void OpenWebPage(HWND owner);
    static void ShowFeedback(HWND owner);
    static void ShowAbout(HWND owner);
    // Where the download worker posts its messages; set by the hidden window while it is created,
    // before its creation starts the first batch.
    static void SetHiddenWindowHandle(HWND hwnd) { s_hiddenWindow.store(hwnd); }

    // The live options. Reading them before any were set throws
    // "CPtr<class COptions>::operator * (108)". Setting takes ownership and deletes the previous
    // ones. They hold GDI+ fonts, so the shutdown sequence releases them (sets an empty pointer)
    // before GDI+ shuts down.
    static COptions& Options();
    static void SetOptions(CPtr<COptions> options);
    // Saves the options to the program's files and applies the log-on Run value; when that fails,
    // tells the user "Could not save options." through ShowMessageBox. Never throws.
    static void SaveOptions(COptions& options);
    // The same as the program ends: a settings file that could not be read at start-up is left as
    // it is.
    static void SaveOptionsOnExit(COptions& options);
    // Reads the options from the program's files; a file that exists but cannot be read (held by
    // another program past the wait) is named to the user once, and the session runs on defaults.
    static void LoadOptions(COptions& options);
    // How start-up failures and settings that cannot be read or saved are told: MessageBoxW,
    // unless a test puts its own here to see the message without a window that waits for a click.
    using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    static MessageBoxFunction ShowMessageBox;

    // The program as its windows and dialogs see it (they get it when they are made).
    static IWindowHost& WindowHost();

    // The weather icon cache, loaded at start-up and freed at shutdown. No bitmap when the code
    // is absent or unknown, or its file could not be read: the caller draws what fits.
    static void LoadImages();
    static void FreeImages();
    static Gdiplus::Bitmap* GetLargeWeatherIcon(const Nullable<EnumWeatherCode>& code, bool isDay);
    static Gdiplus::Bitmap* GetSmallWeatherIcon(bool isDay, const Nullable<EnumWeatherCode>& code);
    static Gdiplus::Bitmap* GetSmallNotAvailableIcon();
    static Gdiplus::Bitmap* GetLargeNotAvailableIcon();
    // GetSmallWeatherIcon as the weather map takes its icons.
    static std::function<Gdiplus::Bitmap*(bool isDay, const Nullable<EnumWeatherCode>& code)>
    SmallWeatherIcons();

    // The update cycle. The user-interface thread never waits for the network: stale cities go to
    // the download worker as one batch, whose reports come back through a locked list and two
    // messages posted to the hidden window. While one batch is queued or running, scheduling
    // queues nothing: that batch fetches the stale cities anyway.
    static void ScheduleDownload(bool notify);
    static void AddWeatherReport(CPtr<CWeatherReport> report, bool notify); // worker side
    static bool ApplyWeatherReports();
    static void OnWeatherReport();
    static void OnDownloadComplete();
    static void UpdateWallpaper();
    static void UpdateViews();
    // Writes the cities' weather to PathWeatherCache when a batch brought something since the
    // last time (the start-up sequence reads it back). Never throws.
    static void SaveWeatherCache();
    // Lets go of the decoded earth image once the maps are composed, unless the wallpaper still
    // needs it; the next stretch loads it again.
    static void ReleaseSourceImages();
    // The wallpaper's kept background when the wallpaper is on and one of its maps (the screen's,
    // or a monitor's) has this size, so that a view of that size shares it instead of keeping a
    // second one; null otherwise.
    static CStretchedBackground* WallpaperBackgroundOfSize(int width, int height);
    // The views UpdateViews refreshes, in the order they were added (the map before the local
    // weather window).
    static void AddWeatherView(IWeatherView* view);
    static void RemoveWeatherView(IWeatherView* view);

    // Weather alerts, while "Show weather alerts" is on: the home city's and those of the
    // favourites in the USA, asked for on the download worker when each city's turn comes (the
    // alert timer checks), the results coming back through WM_WEATHER_ALERTS. A new Extreme or
    // Severe alert of the home city is told in a tray balloon, once per alert.
    static void PollWeatherAlerts();
    static void OnWeatherAlerts();
    static const CWeatherAlertList& WeatherAlerts();
    // The home city's worst active alert (for the tray icon and its tooltip: its Event and End());
    // null when none. Valid until the alerts next change, on the user-interface thread.
    static const CWeatherAlert* HomeCityAlert();
    // Whether any city has an active alert: the menus grey "Weather alerts..." when none has.
    static bool HasWeatherAlerts();
    // The dialog listing every city's active alerts. Never throws.
    static void ShowWeatherAlerts(HWND owner);

    // The user's own wallpaper: remembered at start-up (a map of ours left on the desktop by an
    // earlier run is replaced by the wallpaper that run stored, or cleared when there is none),
    // stored in PathUserWallpaper before a map goes on the desktop, put back when the map stops
    // being the wallpaper and at exit, but only while one of our maps is in force. Never throw.
    static void SaveDesktopWallpaper();
    static void CleanWallpaperFolder();
    static void RestoreDesktopWallpaper();

    static bool IsExiting() { return s_exiting.load(std::memory_order_relaxed); }
    static bool IsFirstRun() { return s_firstRun; }

    // Folders end with a backslash. Each is built on first use and kept; the program folder and
    // the per-user folder throw when the system cannot tell them, and are tried again next time.
    static const std::wstring& PathNameExecutable();
    static const std::wstring& PathStartup();
    static const std::wstring& PathCityRecords();
    static const std::wstring& PathUI();
    static const std::wstring& PathLocalWeatherBackground();
    static const std::wstring& PathEarthBackgrounds();
    static const std::wstring& PathLargeWeatherIcons();
    static const std::wstring& PathSmallWeatherIcons();
    static const std::wstring& PathUserAppData();
    static const std::wstring& PathOptions();
    static const std::wstring& PathCities();
    static const std::wstring& PathWallpaper();
    static const std::wstring& PathUserWallpaper();
    static const std::wstring& PathWeatherCache(); // the weather of the last run (WeatherCache)
    static const std::wstring& PathToldAlerts();
    // The paths the options and the catalogue are read from and written to, with the program's
    // name and file, made from the above on first use (start-up) and kept.
    static const AppPaths& Paths();

private:
    // Saves through the given COptions save and tells the user when that fails.
    static void SaveOptions(COptions& options, bool (COptions::*save)(const AppPaths&));
    static CWeatherIcons& WeatherIcons();
    static CThreadPool& ThreadPool();
    static CWeatherReportList& ReportList();
    static CAlertMonitor& AlertMonitor();
    // The map marks follow the alerts held, and every view is drawn again.
    static void OnWeatherAlertsChanged();

    static CFormHidden* s_formHidden;
    static CFormEarth* s_formEarth;
    static CFormLocalWeather* s_formLocalWeather;
    static CFormOptions* s_formOptions;
    static bool s_firstRun;
    static bool s_background; // started with the log-on argument
    static bool s_earthShown; // the map window has been shown once
    // Written once by the user-interface thread, read by the download worker without a lock.
    static std::atomic<bool> s_exiting;
    // The hidden window's handle as the download worker sees it: set once, read without a lock.
    static std::atomic<HWND> s_hiddenWindow;
};
