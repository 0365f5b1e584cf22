#include "app/Program.h"

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
#include "weather/CWeatherIcons.h"

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
    SaveDesktopWallpaper();
    CleanWallpaperFolder();
    LoadImages();
    EarthBackground::SetFolder(PathEarthBackgrounds());

    s_firstRun = GetFileAttributesW(PathOptions().c_str()) == INVALID_FILE_ATTRIBUTES;
    CPtr<COptions> options(new COptions());
    options->Load();
    SetOptions(std::move(options));

    // Its creation starts the update cycle, so everything above must be in place first.
    s_formHidden = new CFormHidden();
    s_formHidden->Create();
    return true;
}

void Program::OnShutdown()
{
    RestoreDesktopWallpaper();
    if (s_formHidden != nullptr)
    {
        s_formHidden->DestroyWindow();
    }
    // The options hold GDI+ fonts and the images are GDI+ bitmaps: both go before GDI+ does.
    SetOptions(CPtr<COptions>());
    FreeImages();
    UtilGraphics::FreeSharedObjects();
}

void Program::OnExit()
{
    s_exiting.store(true, std::memory_order_relaxed);
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

void Program::ShowOptions(unsigned) {}

void Program::ShowEarth() {}

void Program::ShowLocalWeather() {}

void Program::OpenWebPage(HWND) {}

void Program::ShowFeedback(HWND) {}

void Program::ShowAbout(HWND) {}

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
        if (work && ThreadPool().QueueRequest(work.Get()))
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
