#include "app/Program.h"

#include "app/CFormEarth.h"
#include "app/CFormHidden.h"
#include "app/CNoaaWeatherService.h"
#include "app/CWeatherDownloadWork.h"
#include "app/CWeatherReportList.h"
#include "app/IWeatherView.h"
#include "app/WindowMessages.h"
#include "core/ApplicationException.h"
#include "core/Util.h"
#include "core/UtilWin32.h"
#include "data/COptions.h"
#include "platform/CAppModule.h"
#include "map/CDesktopWallpaper.h"
#include "map/EarthBackground.h"
#include "map/UtilGraphics.h"
#include "map/UtilWallpaper.h"
#include "platform/CMessageLoop.h"
#include "platform/CThreadPool.h"
#include "platform/GdiPlus.h"
#include "platform/Log.h"
#include "ui/CFormAbout.h"
#include "ui/CFormLocalWeather.h"
#include "ui/CFormOptions.h"
#include "weather/CWeatherIcons.h"
#include "Version.h"

#include <algorithm>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

CFormHidden* Program::s_formHidden = nullptr;
CFormEarth* Program::s_formEarth = nullptr;
CFormLocalWeather* Program::s_formLocalWeather = nullptr;
CFormOptions* Program::s_formOptions = nullptr;
bool Program::s_firstRun = false;
std::atomic<bool> Program::s_exiting{false};
std::atomic<HWND> Program::s_hiddenWindow{nullptr};

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
    static CDesktopWallpaper wallpaper;
    return wallpaper;
}

const std::wstring& Below(std::wstring& cache, const std::wstring& parent, const wchar_t* name)
{
    if (cache.empty())
    {
        cache = parent + name;
    }
    return cache;
}
} // namespace

int Program::Main(HINSTANCE instance)
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
        MessageBoxW(
            nullptr,
            L"Nimbrel is already running.\r\nRight click on Nimbrel icon in Windows notification area "
            L"to continue.",
            ProductName, MB_ICONINFORMATION);
        return 0;
    }

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
    try
    {
        CMessageLoop loop;
        Module().AddMessageLoop(&loop);

        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR gdiplusToken = 0;
        if (Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr) != Gdiplus::Ok)
        {
            ThrowApplicationException("Program::Run (118)");
        }

        int exitCode = 0;
        if (OnStartup())
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
        // A start-up that failed ends the program quietly; there is nobody to tell yet.
        Log::Exception(L"Program::Run");
        return 0;
    }
}

bool Program::OnStartup()
{
    ThreadPool().Initialize();
    s_firstRun = GetFileAttributesW(PathOptions().c_str()) == INVALID_FILE_ATTRIBUTES;
    SaveDesktopWallpaper();
    CleanWallpaperFolder();
    LoadImages();
    CFormLocalWeather::PreparePanelBackground();
    EarthBackground::SetFolder(PathEarthBackgrounds());

    SetOptions(CPtr<COptions>(new COptions()));
    Options().Load();

    try
    {
        s_formEarth = new CFormEarth();
        s_formEarth->Create();
    }
    catch (...)
    {
        Log::Exception(L"Program::OnStartup");
        ThrowApplicationException("Program::OnStartup (566)");
    }
    AddWeatherView(&s_formEarth->View());

    try
    {
        s_formLocalWeather = new CFormLocalWeather();
        s_formLocalWeather->Create();
    }
    catch (...)
    {
        Log::Exception(L"Program::OnStartup");
        ThrowApplicationException("Program::OnStartup (569)");
    }
    AddWeatherView(s_formLocalWeather);

    s_formOptions = new CFormOptions();
    if (!s_formOptions->Create())
    {
        ThrowApplicationException("Program::OnStartup (572)");
    }

    // Its creation starts the update cycle, so everything above must be in place first.
    try
    {
        s_formHidden = new CFormHidden();
        s_formHidden->Create();
    }
    catch (...)
    {
        Log::Exception(L"Program::OnStartup");
        ThrowApplicationException("Program::OnStartup (576)");
    }
    s_formHidden->AddNotifyIcon();

    ShowWindow(s_formEarth->Hwnd(), SW_SHOWMAXIMIZED);
    ShowEarth();

    if (s_firstRun)
    {
        s_formHidden->ShowBalloonTip();
        ShowOptions(KeepPage);
        const std::wstring product = ProductName;
        const std::wstring welcome =
            L"Welcome!\r\n\r\nUseful tips:\r\n\r\nBy default " + product +
            L" shows the tempratures in Fahrenheit. \r\n"
            L"You can change the tempratures to Celsius (Centigrade) in 'Options' dialog. \r\n\r\n"
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
        Options().Save();
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
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
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
        CFormAbout about;
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
        hooks.AddReport = [](CPtr<CWeatherReport> report, bool notifyNow)
        { AddWeatherReport(std::move(report), notifyNow); };
        hooks.BatchComplete = []
        {
            if (!IsExiting())
            {
                PostMessageW(s_hiddenWindow.load(), WM_DOWNLOAD_COMPLETE, 0, 0);
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
    }
    catch (...)
    {
        Log::Exception(L"Program::OnDownloadComplete");
    }
}

void Program::UpdateWallpaper()
{
    try
    {
        if (Options().UpdateWallpaper)
        {
            const CPtr<Gdiplus::Bitmap> map = UtilGraphics::GenerateNimbrelWallpaper();
            UtilGraphics::InstallWallpaper(*map, PathWallpaper());
        }
        else
        {
            RestoreDesktopWallpaper();
        }
    }
    catch (...)
    {
        Log::Exception(L"Program::UpdateWallpaper");
    }
    // A wallpaper that failed is no reason to leave the views stale.
    UpdateViews();
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

COptions& Program::Options()
{
    return *LiveOptions();
}

void Program::SetOptions(CPtr<COptions> options)
{
    LiveOptions() = std::move(options);
}

CAppModule& Program::Module()
{
    static CAppModule module;
    return module;
}

const std::wstring& Program::PathNameExecutable()
{
    static std::wstring path;
    if (path.empty())
    {
        path = ExecutablePath("Program::PathNameExecutable (364)");
    }
    return path;
}

const std::wstring& Program::PathStartup()
{
    static std::wstring path;
    if (path.empty())
    {
        std::wstring executable = ExecutablePath("Program::PathStartup (378)");
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
            ThrowApplicationException("Program::PathUserAppData (392)");
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
