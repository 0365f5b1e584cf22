// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/Program.h"

#include "app/CAlertMonitor.h"
#include "app/CFormEarth.h"
#include "app/CFormHidden.h"
#include "app/CNoaaWeatherService.h"
#include "app/CWeatherDownloadWork.h"
#include "app/CWeatherReportList.h"
#include "app/CWindowHost.h"
#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/Util.h"
#include "data/COptions.h"
#include "data/Data.h"
#include "data/EarthBackground.h"
#include "data/WeatherCache.h"
#include "map/CDesktopWallpaper.h"
#include "map/CStretchedBackground.h"
#include "map/UtilWallpaper.h"
#include "map/WeatherMap.h"
#include "platform/CAppModule.h"
#include "platform/CMessageLoop.h"
#include "platform/CThreadPool.h"
#include "platform/GdiPlus.h"
#include "platform/Log.h"
#include "platform/UtilWin32.h"
#include "platform/WindowMessages.h"
#include "ui/CFormAbout.h"
#include "ui/CFormLocalWeather.h"
#include "ui/CFormOptions.h"
#include "ui/CFormWeatherAlerts.h"
#include "ui/IWeatherView.h"
#include "weather/CWeatherIcons.h"
#include "Version.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <commctrl.h>
#include <cstdint>
#include <objbase.h>
#include <shellapi.h>
#include <utility>
#include <vector>
#include <shlobj.h>

CFormHidden* Program::s_formHidden = nullptr;
CFormEarth* Program::s_formEarth = nullptr;
CFormLocalWeather* Program::s_formLocalWeather = nullptr;
CFormOptions* Program::s_formOptions = nullptr;
bool Program::s_firstRun = false;
bool Program::s_background = false;
bool Program::s_earthShown = false;
std::atomic<bool> Program::s_exiting{false};
std::atomic<HWND> Program::s_hiddenWindow{nullptr};
Program::MessageBoxFunction Program::ShowMessageBox = MessageBoxW;

namespace
{
std::wstring ExecutablePath(const char* location)
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    // A full buffer means the path was cut short.
    if (length == 0 || length >= MAX_PATH)
    {
        ThrowApplicationException(location);
    }
    return std::wstring(buffer, length);
}

// A folder below another, created when missing; cached only once it exists.
const std::wstring& EnsuredFolder(std::wstring& cache, const std::wstring& parent, const wchar_t* name)
{
    if (cache.empty())
    {
        const std::wstring path = parent + name + L"\\";
        Util::EnsureDirectoryExists(path);
        cache = path;
    }
    return cache;
}

CPtr<COptions>& LiveOptions()
{
    static CPtr<COptions> options;
    return options;
}

// The user's wallpaper as it was at start-up, for the program's whole run.
CDesktopWallpaper& RememberedWallpaper()
{
    static CDesktopWallpaper wallpaper(Program::PathUserWallpaper());
    return wallpaper;
}

// The wallpaper's stretched backgrounds, kept between updates while the wallpaper is ours: one for
// each size its maps are composed at (one monitor's map, or one per monitor size when it spans).
using SizedBackgrounds = std::map<std::pair<int, int>, CStretchedBackground>;
SizedBackgrounds& WallpaperBackgrounds()
{
    static SizedBackgrounds backgrounds;
    return backgrounds;
}

// The sizes the wallpaper's maps are composed at: the desktop's, or every monitor's when the
// wallpaper spans several. Empty when the desktop cannot be read.
std::vector<std::pair<int, int>> WallpaperSizes(const CWallpaperLayout& layout)
{
    std::vector<std::pair<int, int>> sizes;
    if (layout.IsSpanned())
    {
        for (const CWallpaperLayout::Rect& map : layout.Maps())
        {
            sizes.emplace_back(map.Width, map.Height);
        }
        return sizes;
    }
    RECT desktop{};
    if (GetWindowRect(GetDesktopWindow(), &desktop))
    {
        sizes.emplace_back(desktop.right - desktop.left, desktop.bottom - desktop.top);
    }
    return sizes;
}

bool IsWallpaperSize(const CWallpaperLayout& layout, int width, int height)
{
    const std::vector<std::pair<int, int>> sizes = WallpaperSizes(layout);
    return std::find(sizes.begin(), sizes.end(), std::pair(width, height)) != sizes.end();
}

// The map in force as the desktop wallpaper: its file and the digest of its pixels. Empty when the
// wallpaper is not one of ours.
struct InstalledMap
{
    std::wstring Path;
    std::uint64_t Fingerprint = 0;
    bool Spanned = false;
};

InstalledMap& Installed()
{
    static InstalledMap installed;
    return installed;
}

// True when the map with this digest is the wallpaper still: its file is there and the desktop
// shows it (the user may have chosen another wallpaper since).
bool IsInstalled(std::uint64_t fingerprint, bool spanned)
{
    const InstalledMap& installed = Installed();
    if (fingerprint == 0 || installed.Fingerprint != fingerprint || installed.Spanned != spanned ||
        installed.Path.empty() || GetFileAttributesW(installed.Path.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        return false;
    }
    std::wstring path;
    std::wstring style;
    std::wstring tile;
    Util::ReadDesktopWallpaper(path, style, tile);
    return CompareStringOrdinal(path.c_str(), static_cast<int>(path.size()), installed.Path.c_str(),
                                static_cast<int>(installed.Path.size()), TRUE) == CSTR_EQUAL;
}

// What start-up is doing, so that a failure can be named to the user: completes "Nimbrel could
// not start: ...".
std::wstring& StartupStep()
{
    static std::wstring step;
    return step;
}

// Reports have been applied since the weather cache was last written.
bool g_weatherUnsaved = false;

const std::wstring& Below(std::wstring& cache, const std::wstring& parent, const wchar_t* name)
{
    if (cache.empty())
    {
        cache = parent + name;
    }
    return cache;
}
} // namespace

bool Program::IsBackgroundStart(const wchar_t* commandLine)
{
    if (commandLine == nullptr || *commandLine == L'\0')
    {
        return false;
    }
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (arguments == nullptr)
    {
        return false;
    }
    bool background = false;
    // CommandLineToArgvW takes the first word of a command line for the program's name, which
    // the command line that WinMain is given does not hold.
    for (int i = 0; i < count && !background; ++i)
    {
        background = lstrcmpiW(arguments[i], COptions::BackgroundArgument) == 0;
    }
    LocalFree(arguments);
    return background;
}

bool Program::ShowRunningInstance(DWORD milliseconds)
{
    // The running copy may still be starting: its hidden window comes a moment after its lock.
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;)
    {
        const HWND hidden = FindWindowW(kHiddenWindowClass, L"FormHidden");
        if (hidden != nullptr)
        {
            // This start came from the user, so it may hand the foreground on to the running copy.
            DWORD processId = 0;
            GetWindowThreadProcessId(hidden, &processId);
            AllowSetForegroundWindow(processId);
            return PostMessageW(hidden, WM_SHOW_EARTH, 0, 0) != FALSE;
        }
        if (GetTickCount64() >= deadline)
        {
            return false;
        }
        Sleep(100);
    }
}

int Program::Main(HINSTANCE instance, const wchar_t* commandLine)
{
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName);
    // Access denied means the mutex exists under another security context: also running.
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || (mutex == nullptr && error == ERROR_ACCESS_DENIED))
    {
        if (mutex != nullptr)
        {
            CloseHandle(mutex);
        }
        // A second start at log-on has nothing to show; one by the user wants the map.
        if (IsBackgroundStart(commandLine) || ShowRunningInstance(5000))
        {
            return 0;
        }
        MessageBoxW(
            nullptr,
            L"Nimbrel is already running.\r\nRight click on Nimbrel icon in Windows notification area "
            L"to continue.",
            ProductName, MB_ICONINFORMATION);
        return 0;
    }
    s_background = IsBackgroundStart(commandLine);

    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    Module().Init(instance);

    const int result = Run();

    Module().Term();
    if (SUCCEEDED(com))
    {
        CoUninitialize();
    }
    if (mutex != nullptr)
    {
        CloseHandle(mutex);
    }
    // A download worker abandoned at exit may still be inside a request: end the process now,
    // before static destructors tear down what it might touch.
    ExitProcess(static_cast<UINT>(result));
}

int Program::Run()
{
    bool started = false;
    StartupStep() = L"its user-interface thread could not be prepared";
    try
    {
        CMessageLoop loop;
        Module().AddMessageLoop(&loop);

        StartupStep() = L"the graphics library (GDI+) could not be started";
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR gdiplusToken = 0;
        if (Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr) != Gdiplus::Ok)
        {
            ThrowApplicationException(Here());
        }

        int exitCode = 0;
        const bool ready = OnStartup();
        started = true;
        if (ready)
        {
            exitCode = loop.Run();
        }

        OnShutdown();
        Gdiplus::GdiplusShutdown(gdiplusToken);
        Module().RemoveMessageLoop();
        return exitCode;
    }
    catch (...)
    {
        Log::Exception(L"Program::Run");
        if (started)
        {
            return 0;
        }
        // Nothing on the screen yet tells the user that the program is not running, nor why.
        const std::wstring text = std::wstring(ProductName) + L" could not start: " + StartupStep() + L".";
        Log::Write(L"Program::Run", text.c_str());
        ShowMessageBox(nullptr, text.c_str(), ProductName, MB_OK | MB_ICONERROR);
        return StartupFailed;
    }
}

bool Program::OnStartup()
{
    StartupStep() = L"the download thread could not be started";
    ThreadPool().Initialize();
    StartupStep() = L"the path of its program folder could not be read, or is longer than 259 characters";
    PathNameExecutable();
    PathStartup();
    StartupStep() = L"its settings folder (Nimbrel in the application data folder) could not be created";
    PathUserAppData();
    StartupStep() = L"its wallpaper folder could not be prepared";
    s_firstRun = GetFileAttributesW(PathOptions().c_str()) == INVALID_FILE_ATTRIBUTES;
    SaveDesktopWallpaper();
    CleanWallpaperFolder();
    StartupStep() = L"its images could not be loaded";
    LoadImages();
    CFormLocalWeather::PreparePanelBackground(PathLocalWeatherBackground());
    EarthBackground::SetFolder(PathEarthBackgrounds());
    Data::SetCataloguePath(Paths().CityRecords);

    StartupStep() = L"its settings could not be loaded";
    SetOptions(CPtr<COptions>(new COptions()));
    LoadOptions(Options());
    // The weather of the last run, so that the map is full before the network is up; fresh
    // enough cities are not even asked for again by the first batch.
    const bool cached = WeatherCache::Load(PathWeatherCache(), Options().HomeCity.Get(), *Options().Cities,
                                           DateTime::UtcNow()) > 0;
    AlertMonitor().LoadTold(PathToldAlerts(), DateTime::UtcNow());

    StartupStep() = L"the map window could not be created";
    try
    {
        s_formEarth = new CFormEarth();
        s_formEarth->Create();
    }
    catch (...)
    {
        Log::Exception(L"Program::OnStartup");
        ThrowApplicationException(Here());
    }
    AddWeatherView(&s_formEarth->View());

    StartupStep() = L"the local weather window could not be created";
    try
    {
        s_formLocalWeather = new CFormLocalWeather(WindowHost());
        s_formLocalWeather->Create();
    }
    catch (...)
    {
        Log::Exception(L"Program::OnStartup");
        ThrowApplicationException(Here());
    }
    AddWeatherView(s_formLocalWeather);

    StartupStep() = L"the options dialog could not be created";
    s_formOptions = new CFormOptions(WindowHost());
    if (!s_formOptions->Create())
    {
        ThrowApplicationException(Here());
    }

    // Its creation starts the update cycle, so everything above must be in place first.
    StartupStep() = L"the notification area window could not be created";
    try
    {
        s_formHidden = new CFormHidden();
        s_formHidden->Create();
    }
    catch (...)
    {
        Log::Exception(L"Program::OnStartup");
        ThrowApplicationException(Here());
    }
    StartupStep() = L"its windows could not be shown";
    s_formHidden->AddNotifyIcon();
    // The tray icon shows the home city's weather like the windows do.
    AddWeatherView(s_formHidden);

    // Back as the user left it, at log-on too, without taking the focus from the map or anyone.
    s_formLocalWeather->ShowAsRemembered();
    // Started at log-on the program stays in the tray; the map waits until the user asks for it.
    if (!s_background)
    {
        ShowEarth();
    }
    // At log-on the wallpaper is the map the user sees first.
    if (cached)
    {
        UpdateWallpaper();
    }

    if (s_firstRun)
    {
        s_formHidden->ShowBalloonTip();
        ShowOptions(KeepPage);
        const std::wstring product = ProductName;
        const std::wstring welcome =
            L"Welcome!\r\n\r\nUseful tips:\r\n\r\nBy default " + product +
            L" shows the temperatures in Fahrenheit. \r\n"
            L"You can change the temperatures to Celsius (Centigrade) in 'Options' dialog. \r\n\r\n"
            L"In 'Options' dialog, you can select your favorite cities and change other options as well. "
            L"\r\n\r\n"
            L"To access " +
            product + L" menu right click on the notification icon in system tray area. \r\n";
        MessageBoxW(s_formOptions->Hwnd(), welcome.c_str(), L"Welcome", MB_ICONINFORMATION);
    }
    // The exit command may have come while the welcome box was open: its modal loop took the
    // quit message, so the program's own loop would wait for one that never comes.
    return !IsExiting();
}

void Program::OnShutdown()
{
    RestoreDesktopWallpaper();
    if (s_formHidden != nullptr)
    {
        RemoveWeatherView(s_formHidden);
        s_formHidden->DestroyWindow();
    }
    if (s_formLocalWeather != nullptr)
    {
        RemoveWeatherView(s_formLocalWeather);
        s_formLocalWeather->DestroyWindow();
    }
    if (s_formEarth != nullptr)
    {
        s_formEarth->DestroyWindow();
    }
    if (s_formOptions != nullptr)
    {
        s_formOptions->DestroyWindow();
    }
    // The options hold GDI+ fonts and the images are GDI+ bitmaps: both go before GDI+ does.
    SetOptions(CPtr<COptions>());
    WallpaperBackgrounds().clear();
    FreeImages();
    CFormLocalWeather::FreePanelBackground();
    UtilGraphics::FreeSharedObjects();
}

void Program::OnExit()
{
    // Once only: a second exit (the session ending while the exit runs, a repeated command
    // dispatched by a message box of the first) would save and stop everything again.
    if (s_exiting.exchange(true))
    {
        return;
    }
    if (s_formHidden != nullptr)
    {
        s_formHidden->DeleteNotifyIcon();
    }
    if (s_formEarth != nullptr && s_formEarth->IsWindow())
    {
        ShowWindow(s_formEarth->Hwnd(), SW_HIDE);
    }
    if (s_formLocalWeather != nullptr && s_formLocalWeather->IsWindow())
    {
        ShowWindow(s_formLocalWeather->Hwnd(), SW_HIDE);
    }
    try
    {
        if (s_formOptions != nullptr)
        {
            s_formOptions->DropAndHide();
        }
    }
    catch (...)
    {
        Log::Exception(L"Program::OnExit");
    }
    try
    {
        SaveOptionsOnExit(Options());
    }
    catch (...)
    {
        Log::Exception(L"Program::OnExit");
    }
    // Wait at most a moment: a worker inside a download is abandoned, and its reports are
    // dropped because the exiting flag is set.
    ThreadPool().Shutdown(1);
    RestoreDesktopWallpaper();
    PostQuitMessage(0);
}

void Program::ShowOptions(unsigned page)
{
    try
    {
        if (s_formOptions != nullptr)
        {
            s_formOptions->Showup(page);
        }
    }
    catch (...)
    {
        Log::Exception(L"Program::ShowOptions");
    }
}

void Program::ShowEarth()
{
    if (s_formEarth == nullptr || !s_formEarth->IsWindow())
    {
        return;
    }
    const HWND window = s_formEarth->Hwnd();
    // A window shown again keeps its size: its map is composed before it shows, so that it never
    // shows black first.
    if (s_earthShown && !IsWindowVisible(window) && !IsIconic(window))
    {
        s_formEarth->View().PrepareToShow();
    }
    // The first showing is maximised, whenever it comes; later ones keep the user's size.
    ShowWindow(window, !s_earthShown ? SW_SHOWMAXIMIZED : IsIconic(window) ? SW_RESTORE : SW_SHOW);
    s_earthShown = true;
    SetForegroundWindow(window);
    SetActiveWindow(window);
}

void Program::ShowLocalWeather()
{
    if (s_formLocalWeather == nullptr || !s_formLocalWeather->IsWindow())
    {
        return;
    }
    const HWND window = s_formLocalWeather->Hwnd();
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetActiveWindow(window);
}

void Program::OpenWebPage(HWND owner)
{
    try
    {
        Util::OpenUrl(owner, NIMBREL_WEB_PAGE);
    }
    catch (...)
    {
        // No browser to open it with: the address itself is the next best thing.
        const std::wstring text = std::wstring(L"Please visit ") + NIMBREL_WEB_PAGE;
        MessageBoxW(owner, text.c_str(), ProductName, MB_ICONINFORMATION);
    }
}

void Program::ShowFeedback(HWND owner)
{
    const std::wstring text =
        std::wstring(L"Feel free to contact us for any question, suggestion or issue.\r\n"
                     L"Please send your email to: \r\n") +
        NIMBREL_FEEDBACK_EMAIL;
    MessageBoxW(owner, text.c_str(), L"Feedback", MB_OK);
}

void Program::ShowAbout(HWND owner)
{
    try
    {
        CFormAbout about(WindowHost());
        about.DoModal(owner);
    }
    catch (...)
    {
        Log::Exception(L"Program::ShowAbout");
    }
}

CThreadPool& Program::ThreadPool()
{
    static CThreadPool* pool = new CThreadPool(); // never destroyed: an abandoned worker may use it
    return *pool;
}

CWeatherReportList& Program::ReportList()
{
    static CWeatherReportList* list = new CWeatherReportList(); // shared with the worker to the end
    return *list;
}

void Program::ScheduleDownload(bool notify)
{
    // The batch still queued or running fetches the stale cities anyway.
    if (CWeatherDownloadWork::IsOneClaimed())
    {
        return;
    }
    try
    {
        CWeatherDownloadWork::Hooks hooks;
        hooks.CreateService = [] { return std::unique_ptr<IWeatherService>(new CNoaaWeatherService()); };
        // Read on the worker only: the batch's reports are counted so that the hidden window can
        // tell a batch in which every city failed (the network is down) from a good one.
        auto reports = std::make_shared<unsigned>(0);
        hooks.AddReport = [reports](CPtr<CWeatherReport> report, bool notifyNow)
        {
            ++*reports;
            AddWeatherReport(std::move(report), notifyNow);
        };
        hooks.BatchComplete = [reports]
        {
            if (!IsExiting())
            {
                PostMessageW(s_hiddenWindow.load(), WM_DOWNLOAD_COMPLETE, *reports == 0 ? 1 : 0, 0);
            }
        };
        hooks.PauseAfterFailure = [] { Sleep(1000); };

        COptions& options = Options();
        CPtr<CWeatherDownloadWork> work = CWeatherDownloadWork::ForStaleCities(
            options.HomeCity.Get(), *options.Cities, DateTime::UtcNow(), notify, std::move(hooks));
        if (work && work->Claim() && ThreadPool().QueueRequest(work.Get()))
        {
            work.Detach(); // the pool owns it now
        }
    }
    catch (...)
    {
        Log::Exception(L"Program::ScheduleDownload");
    }
}

void Program::AddWeatherReport(CPtr<CWeatherReport> report, bool notify)
{
    if (IsExiting())
    {
        return;
    }
    ReportList().Add(std::move(report));
    if (notify && !IsExiting())
    {
        PostMessageW(s_hiddenWindow.load(), WM_WEATHER_REPORT, 0, 0);
    }
}

bool Program::ApplyWeatherReports()
{
    const std::vector<CPtr<CWeatherReport>> reports = ReportList().TakeAll();
    if (reports.empty())
    {
        return false;
    }
    try
    {
        COptions& options = Options();
        g_weatherUnsaved = true;
        CWeatherDownloadWork::ApplyReports(reports, options.HomeCity.Get(), *options.Cities);
    }
    catch (...)
    {
        Log::Exception(L"Program::ApplyWeatherReports");
    }
    return true;
}

void Program::OnWeatherReport()
{
    if (IsExiting())
    {
        return;
    }
    try
    {
        if (ApplyWeatherReports())
        {
            UpdateViews();
        }
    }
    catch (...)
    {
        Log::Exception(L"Program::OnWeatherReport");
    }
}

void Program::OnDownloadComplete()
{
    if (IsExiting())
    {
        return;
    }
    try
    {
        ApplyWeatherReports();
        UpdateWallpaper();
        SaveWeatherCache();
    }
    catch (...)
    {
        Log::Exception(L"Program::OnDownloadComplete");
    }
}

CAlertMonitor& Program::AlertMonitor()
{
    static CAlertMonitor* monitor = new CAlertMonitor(); // shared with the worker to the end
    return *monitor;
}

void Program::PollWeatherAlerts()
{
    if (IsExiting())
    {
        return;
    }
    try
    {
        COptions& options = Options();
        if (!options.ShowWeatherAlerts)
        {
            if (AlertMonitor().Clear())
            {
                OnWeatherAlertsChanged();
            }
            return;
        }
        const DateTime now = DateTime::UtcNow();
        if (AlertMonitor().Expire(now))
        {
            OnWeatherAlertsChanged();
        }
        if (CAlertPollWork::IsOneClaimed())
        {
            return;
        }
        std::vector<CAlertPollWork::Poll> polls =
            AlertMonitor().DuePolls(options.HomeCity.Get(), *options.Cities, now);
        if (polls.empty())
        {
            return;
        }
        CPtr<CAlertPollWork> work(new CAlertPollWork(std::move(polls),
                                                     [](std::vector<CAlertPollWork::Poll> results)
                                                     {
                                                         if (!IsExiting())
                                                         {
                                                             AlertMonitor().Deliver(std::move(results));
                                                             PostMessageW(s_hiddenWindow.load(),
                                                                          WM_WEATHER_ALERTS, 0, 0);
                                                         }
                                                     }));
        if (work->Claim() && ThreadPool().QueueRequest(work.Get()))
        {
            work.Detach(); // the pool owns it now
        }
    }
    catch (...)
    {
        Log::Exception(L"Program::PollWeatherAlerts");
    }
}

void Program::OnWeatherAlerts()
{
    if (IsExiting())
    {
        return;
    }
    try
    {
        COptions& options = Options();
        const City* home = options.HomeCity.Get();
        std::vector<CWeatherAlert> told;
        const bool changed = AlertMonitor().Apply(home != nullptr ? home->Id : 0, DateTime::UtcNow(), told);
        if (!options.ShowWeatherAlerts)
        {
            // Switched off while the round ran: nothing is shown, so nothing counts as told.
            for (const CWeatherAlert& alert : told)
            {
                AlertMonitor().Untold(alert.Id);
            }
            AlertMonitor().Clear();
            OnWeatherAlertsChanged();
            return;
        }
        if (!told.empty())
        {
            // One balloon a round, the worst alert's: a second one would replace it at once. The
            // others wait for the next round, as does one whose balloon cannot be shown (no tray
            // icon yet, or none at all).
            const auto worst = std::max_element(told.begin(), told.end(),
                                                [](const CWeatherAlert& a, const CWeatherAlert& b)
                                                { return a.Severity < b.Severity; });
            const bool shown =
                s_formHidden != nullptr && s_formHidden->ShowAlertBalloon(worst->Event, worst->Headline);
            for (auto alert = told.begin(); alert != told.end(); ++alert)
            {
                if (alert != worst || !shown)
                {
                    AlertMonitor().Untold(alert->Id);
                }
            }
            AlertMonitor().SaveTold(PathToldAlerts());
        }
        if (changed)
        {
            OnWeatherAlertsChanged();
        }
    }
    catch (...)
    {
        Log::Exception(L"Program::OnWeatherAlerts");
    }
}

void Program::OnWeatherAlertsChanged()
{
    std::vector<int> ids;
    for (const auto& entry : WeatherAlerts().All())
    {
        ids.push_back(entry.first);
    }
    UtilGraphics::SetAlertCities(std::move(ids));
    if (s_formHidden != nullptr)
    {
        const CWeatherAlert* home = HomeCityAlert();
        s_formHidden->SetAlertEvent(home != nullptr ? home->Event : std::wstring());
    }
    // The wallpaper carries the marks too; it is written again only when its picture changed.
    if (!LiveOptions().IsNull() && LiveOptions()->UpdateWallpaper)
    {
        UpdateWallpaper();
    }
    else
    {
        UpdateViews();
    }
}

const CWeatherAlertList& Program::WeatherAlerts()
{
    return AlertMonitor().List();
}

const CWeatherAlert* Program::HomeCityAlert()
{
    if (LiveOptions().IsNull() || LiveOptions()->HomeCity.Get() == nullptr)
    {
        return nullptr;
    }
    return WeatherAlerts().MostImportant(LiveOptions()->HomeCity->Id);
}

bool Program::HasWeatherAlerts()
{
    return !WeatherAlerts().IsEmpty();
}

void Program::ShowWeatherAlerts(HWND owner)
{
    try
    {
        const COptions& options = Options();
        const auto cityName = [&options](int id) -> std::wstring
        {
            if (!options.HomeCity.IsNull() && options.HomeCity->Id == id)
            {
                return options.HomeCity->DisplayName();
            }
            for (const City& city : *options.Cities)
            {
                if (city.Id == id)
                {
                    return city.DisplayName();
                }
            }
            return std::wstring();
        };
        std::vector<CFormWeatherAlerts::Row> rows;
        for (const auto& [cityId, alerts] : WeatherAlerts().All())
        {
            for (const CWeatherAlert& alert : alerts)
            {
                rows.push_back({cityName(cityId), alert});
            }
        }
        CFormWeatherAlerts dialog(std::move(rows));
        dialog.DoModal(owner);
    }
    catch (...)
    {
        Log::Exception(L"Program::ShowWeatherAlerts");
    }
}

void Program::UpdateWallpaper()
{
    try
    {
        if (Options().UpdateWallpaper)
        {
            // Several monitors get one picture spanning them all, a map for each in its place.
            const CWallpaperLayout layout = UtilGraphics::DesktopLayout();
            const bool spanned = layout.IsSpanned();
            SizedBackgrounds& backgrounds = WallpaperBackgrounds();
            for (auto kept = backgrounds.begin(); kept != backgrounds.end();)
            {
                kept = IsWallpaperSize(layout, kept->first.first, kept->first.second)
                           ? std::next(kept)
                           : backgrounds.erase(kept);
            }
            const CPtr<Gdiplus::Bitmap> map =
                spanned ? UtilGraphics::ComposeSpannedWallpaper(
                              layout,
                              [&](int width, int height) -> CStretchedBackground& {
                                  return backgrounds[{width, height}];
                              },
                              Options(), SmallWeatherIcons(), DateTime::UtcNow())
                        : UtilGraphics::GenerateNimbrelWallpaper(backgrounds[WallpaperSizes(layout).at(0)],
                                                                 Options(), SmallWeatherIcons());
            // The same picture again (same weather, the sun where it was) is not written again.
            const std::uint64_t fingerprint = UtilGraphics::Fingerprint(*map);
            if (!IsInstalled(fingerprint, spanned))
            {
                // On disk before the map goes on the desktop: a run that ends without putting the
                // user's wallpaper back leaves it for the next start.
                RememberedWallpaper().Store(PathWallpaper());
                std::wstring written;
                Installed() = InstalledMap();
                if (UtilGraphics::InstallWallpaper(*map, PathWallpaper(), &written, spanned))
                {
                    Installed() = InstalledMap{written, fingerprint, spanned};
                }
            }
        }
        else
        {
            WallpaperBackgrounds().clear();
            RestoreDesktopWallpaper();
        }
    }
    catch (...)
    {
        Log::Exception(L"Program::UpdateWallpaper");
    }
    // A wallpaper that failed is no reason to leave the views stale.
    UpdateViews();
    ReleaseSourceImages();
    // Until the next update the backgrounds wait in their files, not in memory.
    for (auto& [size, kept] : WallpaperBackgrounds())
    {
        kept.Park();
    }
}

void Program::SaveWeatherCache()
{
    if (!g_weatherUnsaved || LiveOptions().IsNull())
    {
        return;
    }
    const COptions& options = *LiveOptions();
    // A file that could not be written is tried again after the next batch.
    g_weatherUnsaved = !WeatherCache::Save(PathWeatherCache(), options.HomeCity.Get(), *options.Cities);
}

CStretchedBackground* Program::WallpaperBackgroundOfSize(int width, int height)
{
    if (LiveOptions().IsNull() || !LiveOptions()->UpdateWallpaper ||
        !IsWallpaperSize(UtilGraphics::DesktopLayout(), width, height))
    {
        return nullptr;
    }
    return &WallpaperBackgrounds()[{width, height}];
}

void Program::ReleaseSourceImages()
{
    // The decoded earth image is the largest thing the program holds, and once the stretched
    // backgrounds are made nothing needs it until the region, the background or a size changes,
    // or the sun moves on over a map that shows day and night.
    // Only a wallpaper still to be stretched (the first one, say, while the window already shows
    // its map) would decode it again at once.
    if (LiveOptions().IsNull())
    {
        return;
    }
    COptions& options = *LiveOptions();
    if (options.UpdateWallpaper)
    {
        const auto shade = CStretchedBackground::ShadeAt(options, DateTime::UtcNow());
        for (const auto& [width, height] : WallpaperSizes(UtilGraphics::DesktopLayout()))
        {
            const auto kept = WallpaperBackgrounds().find({width, height});
            if (kept == WallpaperBackgrounds().end() ||
                kept->second.IsStale(options.Region, options.Background, width, height, shade))
            {
                return;
            }
        }
    }
    options.Background.Image.Reset();
}

void Program::SaveDesktopWallpaper()
{
    try
    {
        RememberedWallpaper().Remember(PathWallpaper());
    }
    catch (...)
    {
        Log::Exception(L"Program::SaveDesktopWallpaper");
    }
}

void Program::CleanWallpaperFolder()
{
    Installed() = InstalledMap();
    try
    {
        Util::DeleteFilesInFolder(PathWallpaper());
    }
    catch (...)
    {
        // Without a folder for the maps the program still shows the weather.
        Log::Exception(L"Program::CleanWallpaperFolder");
    }
}

void Program::RestoreDesktopWallpaper()
{
    Installed() = InstalledMap();
    try
    {
        RememberedWallpaper().Restore(PathWallpaper());
    }
    catch (...)
    {
        Log::Exception(L"Program::RestoreDesktopWallpaper");
    }
}

namespace
{
std::vector<IWeatherView*>& WeatherViews()
{
    static std::vector<IWeatherView*> views;
    return views;
}
} // namespace

void Program::UpdateViews()
{
    for (IWeatherView* view : std::vector<IWeatherView*>(WeatherViews()))
    {
        // A view that fails to redraw must not keep the others stale.
        try
        {
            view->RefreshWeather();
        }
        catch (...)
        {
            Log::Exception(L"Program::UpdateViews");
        }
    }
}

void Program::AddWeatherView(IWeatherView* view)
{
    RemoveWeatherView(view);
    WeatherViews().push_back(view);
}

void Program::RemoveWeatherView(IWeatherView* view)
{
    std::vector<IWeatherView*>& views = WeatherViews();
    views.erase(std::remove(views.begin(), views.end(), view), views.end());
}

CWeatherIcons& Program::WeatherIcons()
{
    static CWeatherIcons icons;
    return icons;
}

void Program::LoadImages()
{
    WeatherIcons().Load(PathSmallWeatherIcons(), PathLargeWeatherIcons());
}

void Program::FreeImages()
{
    WeatherIcons().Free();
}

Gdiplus::Bitmap* Program::GetLargeWeatherIcon(const Nullable<EnumWeatherCode>& code, bool isDay)
{
    return WeatherIcons().GetLarge(code, isDay);
}

Gdiplus::Bitmap* Program::GetSmallWeatherIcon(bool isDay, const Nullable<EnumWeatherCode>& code)
{
    return WeatherIcons().GetSmall(isDay, code);
}

Gdiplus::Bitmap* Program::GetSmallNotAvailableIcon()
{
    return WeatherIcons().SmallNotAvailable();
}

Gdiplus::Bitmap* Program::GetLargeNotAvailableIcon()
{
    return WeatherIcons().LargeNotAvailable();
}

std::function<Gdiplus::Bitmap*(bool isDay, const Nullable<EnumWeatherCode>& code)>
Program::SmallWeatherIcons()
{
    return [](bool isDay, const Nullable<EnumWeatherCode>& code) { return GetSmallWeatherIcon(isDay, code); };
}

COptions& Program::Options()
{
    return *LiveOptions();
}

void Program::SetOptions(CPtr<COptions> options)
{
    LiveOptions() = std::move(options);
}

void Program::SaveOptions(COptions& options)
{
    SaveOptions(options, &COptions::Save);
}

void Program::SaveOptionsOnExit(COptions& options)
{
    SaveOptions(options, &COptions::SaveOnExit);
}

void Program::SaveOptions(COptions& options, bool (COptions::*save)(const AppPaths&))
{
    bool saved = false;
    try
    {
        saved = (options.*save)(Paths());
    }
    catch (...)
    {
        // No per-user folder to save to: as much a failure as a file that could not be written.
    }
    if (!saved)
    {
        ShowMessageBox(nullptr, L"Could not save options.", ProductName, MB_OK | MB_ICONERROR);
    }
}

void Program::LoadOptions(COptions& options)
{
    const std::wstring unread = options.Load(Paths());
    if (!unread.empty())
    {
        const std::wstring text = L"Your settings could not be read from " + unread +
                                  L": another program holds the file, or it cannot be opened.\r\n\r\n" +
                                  ProductName +
                                  L" runs on its default settings this time, and leaves the file as it is.";
        ShowMessageBox(nullptr, text.c_str(), ProductName, MB_OK | MB_ICONWARNING);
    }
}

IWindowHost& Program::WindowHost()
{
    static CWindowHost host;
    return host;
}

CAppModule& Program::Module()
{
    return CAppModule::Current();
}

const std::wstring& Program::PathNameExecutable()
{
    static std::wstring path;
    if (path.empty())
    {
        path = ExecutablePath(Here());
    }
    return path;
}

const std::wstring& Program::PathStartup()
{
    static std::wstring path;
    if (path.empty())
    {
        std::wstring executable = ExecutablePath(Here());
        const size_t slash = executable.find_last_of(L"\\/");
        executable.erase(slash == std::wstring::npos ? 0 : slash + 1);
        path = executable.empty() ? std::wstring(L".\\") : Util::AppendBackslash(executable);
    }
    return path;
}

const std::wstring& Program::PathCityRecords()
{
    static std::wstring path;
    return Below(path, PathStartup(), L"CityRecords.txt");
}

const std::wstring& Program::PathUI()
{
    static std::wstring path;
    return Below(path, PathStartup(), L"UI\\");
}

const std::wstring& Program::PathLocalWeatherBackground()
{
    static std::wstring path;
    return Below(path, PathUI(), L"LocalWeatherBackground.png");
}

const std::wstring& Program::PathEarthBackgrounds()
{
    static std::wstring path;
    return Below(path, PathStartup(), L"EarthBackgrounds\\");
}

const std::wstring& Program::PathLargeWeatherIcons()
{
    static std::wstring path;
    return Below(path, PathStartup(), L"LargeWeatherIcons\\");
}

const std::wstring& Program::PathSmallWeatherIcons()
{
    static std::wstring path;
    return Below(path, PathStartup(), L"SmallWeatherIcons\\");
}

const std::wstring& Program::PathUserAppData()
{
    static std::wstring path;
    if (path.empty())
    {
        wchar_t folder[MAX_PATH];
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                    folder)))
        {
            ThrowApplicationException(Here());
        }
        EnsuredFolder(path, Util::AppendBackslash(folder), ProductFolderName);
    }
    return path;
}

const std::wstring& Program::PathOptions()
{
    static std::wstring path;
    return Below(path, PathUserAppData(), L"Options.txt");
}

const std::wstring& Program::PathCities()
{
    static std::wstring path;
    return Below(path, PathUserAppData(), L"Cities.txt");
}

const std::wstring& Program::PathWallpaper()
{
    static std::wstring path;
    return EnsuredFolder(path, PathUserAppData(), L"Wallpaper");
}

const std::wstring& Program::PathWeatherCache()
{
    static std::wstring path;
    return Below(path, PathUserAppData(), L"WeatherCache.txt");
}

const std::wstring& Program::PathUserWallpaper()
{
    static std::wstring path;
    return Below(path, PathUserAppData(), L"UserWallpaper.txt");
}

const std::wstring& Program::PathToldAlerts()
{
    static std::wstring path;
    return Below(path, PathUserAppData(), L"NotifiedAlerts.txt");
}

const AppPaths& Program::Paths()
{
    static AppPaths paths;
    if (paths.Options.empty())
    {
        AppPaths made;
        made.ProductFolderName = ProductFolderName;
        made.Executable = PathNameExecutable();
        made.CityRecords = PathCityRecords();
        made.Options = PathOptions();
        made.Cities = PathCities();
        paths = std::move(made);
    }
    return paths;
}
