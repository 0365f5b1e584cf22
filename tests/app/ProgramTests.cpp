// SPDX-License-Identifier: GPL-2.0-or-later
// The test server brings winsock2.h, which must come before windows.h.
#include "tests/weather/TestHttpServer.h"

#include "tests/weather/ScopedEnvironmentVariable.h"

#include "app/Program.h"
#include "data/COptions.h"
#include "data/WeatherCache.h"
#include "platform/WindowMessages.h"
#include "weather/CWeatherReport.h"
#include "res/Resource.h"
#include "Version.h"

#include "tests/support/ProcessTools.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace
{
using ProcessTools::Child;

constexpr DWORD kStartTimeout = 30000;
constexpr DWORD kExitTimeout = 15000;

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

// Found once its creation has finished: it names itself while being created.
HWND WaitForHiddenWindow(const Child& child)
{
    return ProcessTools::WaitForWindow(
        child.Id(),
        [](HWND window)
        {
            return ProcessTools::ClassNameOf(window) == kHiddenWindowClass &&
                   ProcessTools::TextOf(window) == L"FormHidden";
        },
        kStartTimeout);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (!condition())
    {
        if (GetTickCount64() >= deadline)
        {
            return false;
        }
        Sleep(50);
    }
    return true;
}

HWND MapWindowOf(const Child& child)
{
    return ProcessTools::WaitForWindow(
        child.Id(), [](HWND window) { return ProcessTools::ClassNameOf(window) == kEarthWindowClass; },
        kStartTimeout);
}

// Started at log-on the program stays in the tray; a start by the user while it runs brings its
// map to the front, as the user left it, and ends at once without a word.
TEST(ProgramInstance, ALogOnStartStaysInTheTrayAndASecondStartShowsTheMap)
{
    std::filesystem::path options(Program::PathOptions());
    if (!std::filesystem::exists(options))
    {
        CloseHandle(CreateFileW(options.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
    Child first(Quoted(ProcessTools::NimbrelExecutable()) + L" /Background");
    ASSERT_TRUE(first.Started());
    const HWND hidden = WaitForHiddenWindow(first);
    ASSERT_NE(nullptr, hidden) << "Nimbrel did not reach its message loop";
    SendMessageTimeoutW(hidden, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kStartTimeout, nullptr);
    const HWND map = MapWindowOf(first);
    ASSERT_NE(nullptr, map);
    EXPECT_FALSE(IsWindowVisible(map)) << "a start at log-on showed the map";

    // Another start at log-on (the Run value twice) changes nothing.
    {
        Child again(Quoted(ProcessTools::NimbrelExecutable()) + L" /background");
        EXPECT_EQ(0u, again.WaitForExit(kExitTimeout));
        SendMessageTimeoutW(hidden, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kStartTimeout, nullptr);
        EXPECT_FALSE(IsWindowVisible(map));
    }

    // The user's start: the map comes maximised the first time, as at a start of the user's own.
    {
        Child second(Quoted(ProcessTools::NimbrelExecutable()));
        EXPECT_EQ(0u, second.WaitForExit(kExitTimeout));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(map) != FALSE; }, kStartTimeout));
        EXPECT_TRUE(IsZoomed(map));
    }

    // Made smaller and minimised by the user, it comes back restored to that size.
    ShowWindow(map, SW_RESTORE);
    ASSERT_TRUE(WaitUntil([&] { return !IsZoomed(map); }, kStartTimeout));
    ShowWindow(map, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(map) != FALSE; }, kStartTimeout));
    {
        Child third(Quoted(ProcessTools::NimbrelExecutable()));
        EXPECT_EQ(0u, third.WaitForExit(kExitTimeout));
        EXPECT_TRUE(WaitUntil([&] { return !IsIconic(map) && IsWindowVisible(map); }, kStartTimeout));
        EXPECT_FALSE(IsZoomed(map));
    }

    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), first.WaitForExit(0)) << "the first instance was disturbed";
    PostMessageW(hidden, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(0u, first.WaitForExit(kExitTimeout));
}

// A copy that holds the lock but shows no hidden window (still starting, or hung) cannot be
// asked for its map: the second start says that one runs, as before, and ends.
TEST(ProgramInstance, ASecondStartThatFindsNoWindowToAskSaysThatOneRuns)
{
    const HANDLE lock = CreateMutexW(nullptr, FALSE, Program::MutexName);
    ASSERT_NE(nullptr, lock);
    Child second(Quoted(ProcessTools::NimbrelExecutable()));
    ASSERT_TRUE(second.Started());
    // The box is found once it is fully built: visible, captioned, with its text in place.
    const HWND message = ProcessTools::WaitForWindow(
        second.Id(),
        [](HWND window)
        {
            return ProcessTools::ClassNameOf(window) == L"#32770" && IsWindowVisible(window) &&
                   ProcessTools::TextOf(window) == L"Nimbrel" && GetDlgItem(window, 0xFFFF) != nullptr;
        },
        kStartTimeout);
    ASSERT_NE(nullptr, message) << "the second instance showed no message";
    wchar_t text[512] = L"";
    GetDlgItemTextW(message, 0xFFFF, text, 512);
    EXPECT_NE(std::wstring::npos, std::wstring(text).find(L"Nimbrel is already running."));
    PostMessageW(message, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, second.WaitForExit(kExitTimeout));
    CloseHandle(lock);
}

// The per-user folder moved aside and a file put in its place, for one test.
class SettingsFolderBlocked
{
public:
    SettingsFolderBlocked() : m_folder(Program::PathUserAppData())
    {
        m_folder.pop_back();
        m_kept = m_folder + L".kept";
        std::filesystem::remove_all(m_kept);
        std::filesystem::rename(m_folder, m_kept);
        CloseHandle(CreateFileW(m_folder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
    ~SettingsFolderBlocked()
    {
        std::error_code ignored;
        std::filesystem::remove(m_folder, ignored);
        std::filesystem::rename(m_kept, m_folder, ignored);
    }
    SettingsFolderBlocked(const SettingsFolderBlocked&) = delete;
    SettingsFolderBlocked& operator=(const SettingsFolderBlocked&) = delete;

private:
    std::wstring m_folder;
    std::wstring m_kept;
};

TEST(ProgramInstance, AFailedStartSaysWhatFailedAndEndsWithAnErrorCode)
{
    const SettingsFolderBlocked blocked;
    Child program(Quoted(ProcessTools::NimbrelExecutable()));
    ASSERT_TRUE(program.Started());
    const HWND message = ProcessTools::WaitForWindow(
        program.Id(),
        [](HWND window)
        {
            return ProcessTools::ClassNameOf(window) == L"#32770" && IsWindowVisible(window) &&
                   ProcessTools::TextOf(window) == L"Nimbrel" && GetDlgItem(window, 0xFFFF) != nullptr;
        },
        kStartTimeout);
    ASSERT_NE(nullptr, message) << "the failed start showed no message";
    wchar_t text[512] = L"";
    GetDlgItemTextW(message, 0xFFFF, text, 512);
    EXPECT_NE(std::wstring::npos, std::wstring(text).find(L"could not start: its settings folder"));
    PostMessageW(message, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(static_cast<DWORD>(Program::StartupFailed), program.WaitForExit(kExitTimeout));
}

TEST(ProgramInstance, EndOfSessionEndsTheProgram)
{
    Child program(Quoted(ProcessTools::NimbrelExecutable()));
    const HWND hidden = WaitForHiddenWindow(program);
    ASSERT_NE(nullptr, hidden);
    // A session that is not really ending leaves it running.
    SendMessageTimeoutW(hidden, WM_ENDSESSION, FALSE, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), program.WaitForExit(500));
    SendMessageTimeoutW(hidden, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_EQ(0u, program.WaitForExit(kExitTimeout));
}

TEST(ProgramInstance, ExitDuringAHangingDownloadEndsAtOnce)
{
    // The weather server takes the connection and never answers.
    TestHttpServer server([](TestHttpServer& self, const TestHttpServer::Request&, SOCKET connection)
                          { self.WaitForClientToLeave(connection); });
    ScopedEnvironmentVariable observations(L"NIMBREL_OBSERVATION_URL", server.Url("/stations/"));
    ScopedEnvironmentVariable forecasts(L"NIMBREL_FORECAST_URL", server.Url("/forecast"));

    Child program(Quoted(ProcessTools::NimbrelExecutable()));
    const HWND hidden = WaitForHiddenWindow(program);
    ASSERT_NE(nullptr, hidden);
    const ULONGLONG deadline = GetTickCount64() + kStartTimeout;
    while (server.Requests().empty() && GetTickCount64() < deadline)
    {
        Sleep(50);
    }
    ASSERT_FALSE(server.Requests().empty()) << "the first download batch never started";

    // The worker is inside the download now; the exit must not wait for it, nor hang on it.
    PostMessageW(hidden, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(0u, program.WaitForExit(5000));
}

// The settings files as a test leaves them: put back as they were at its end.
class KeptFile
{
public:
    explicit KeptFile(const std::wstring& path) : m_path(path), m_kept(path + L".kept")
    {
        std::error_code ignored;
        std::filesystem::remove(m_kept, ignored);
        m_existed = std::filesystem::exists(m_path);
        if (m_existed)
        {
            std::filesystem::copy_file(m_path, m_kept);
        }
    }
    ~KeptFile()
    {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
        if (m_existed)
        {
            std::filesystem::rename(m_kept, m_path, ignored);
        }
    }
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

private:
    std::wstring m_path;
    std::wstring m_kept;
    bool m_existed = false;
};

// With the weather server down every batch fails: the next one comes after about half a minute,
// not a quarter of an hour, and a wake-up from sleep brings one about ten seconds later.
TEST(ProgramUpdates, AFailedBatchIsRetriedSoonAndAWakeUpFetchesAgain)
{
    const KeptFile options(Program::PathOptions());
    const KeptFile cities(Program::PathCities());
    // One city, outside the USA: one request, and one second's pause after it fails, per batch.
    std::ofstream(std::filesystem::path(Program::PathOptions()), std::ios::binary)
        << "HomeCity=113600;LFPO;France;Paris;Orly;48.733000;2.400000\r\nUpdateWallpaper=false\r\n";
    std::ofstream(std::filesystem::path(Program::PathCities()), std::ios::binary) << "";
    TestHttpServer server([](TestHttpServer& self, const TestHttpServer::Request&, SOCKET connection)
                          { self.Send(connection, TestHttpServer::Response(404, "", "no such station")); });
    ScopedEnvironmentVariable observations(L"NIMBREL_OBSERVATION_URL", server.Url("/stations/"));

    Child program(Quoted(ProcessTools::NimbrelExecutable()) + L" /background");
    const HWND hidden = WaitForHiddenWindow(program);
    ASSERT_NE(nullptr, hidden);
    // When the request of that batch (1 = the first) reached the server, in ms from the start.
    const ULONGLONG start = GetTickCount64();
    const auto batchAt = [&](std::size_t batch, DWORD within)
    {
        return WaitUntil([&] { return server.Requests().size() >= batch; }, within)
                   ? static_cast<long long>(GetTickCount64() - start)
                   : -1LL;
    };
    const long long first = batchAt(1, kStartTimeout);
    ASSERT_GE(first, 0) << "the first batch never started";

    // About 30 s, give or take a quarter, after the batch (and its second's pause) ended.
    const long long retry = batchAt(2, 60000);
    ASSERT_GE(retry, 0) << "a batch in which every city failed was not retried";
    EXPECT_GT(retry - first, 18000);
    EXPECT_LT(retry - first, 50000);

    // Once that one has ended too, the system wakes up; the next retry would be a minute away.
    Sleep(2500);
    const long long woken = static_cast<long long>(GetTickCount64() - start);
    PostMessageW(hidden, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    const long long afterWakeUp = batchAt(3, 40000);
    ASSERT_GE(afterWakeUp, 0) << "no batch after the wake-up";
    EXPECT_GT(afterWakeUp - woken, 7000);
    EXPECT_LT(afterWakeUp - woken, 25000);
    EXPECT_EQ(3u, server.Requests().size());

    PostMessageW(hidden, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(0u, program.WaitForExit(kExitTimeout));
}

// The weather of the last run is on the map (the wallpaper, at a start at log-on) before any
// batch has come back, and a city it holds fresh is not even asked for; what a batch brings is
// written back for the next run.
TEST(ProgramWeatherCache, TheLastRunsWeatherIsShownAtOnceAndABatchsWeatherIsKept)
{
    const KeptFile options(Program::PathOptions());
    const KeptFile cities(Program::PathCities());
    const KeptFile cache(Program::PathWeatherCache());
    std::ofstream(std::filesystem::path(Program::PathOptions()), std::ios::binary)
        << "HomeCity=113600;LFPO;France;Paris;Orly;48.733000;2.400000\r\nUpdateWallpaper=true\r\n";
    std::ofstream(std::filesystem::path(Program::PathCities()), std::ios::binary)
        << "7;EGLL;UK;London;Heathrow;51.477000;-0.461000\r\n";
    SYSTEMTIME clock{};
    GetSystemTime(&clock);
    const DateTime now(clock.wYear, clock.wMonth, clock.wDay, clock.wHour, clock.wMinute, clock.wSecond);
    const auto writeCache = [](DateTime paris, DateTime london)
    {
        std::vector<WeatherCache::Entry> entries(2);
        entries[0].CityId = 113600;
        entries[0].StationCode = L"LFPO";
        entries[1].CityId = 7;
        entries[1].StationCode = L"EGLL";
        entries[0].CurrentWeather.ReportDateTime = paris;
        entries[1].CurrentWeather.ReportDateTime = london;
        for (WeatherCache::Entry& entry : entries)
        {
            entry.HasCurrentWeather = true;
            entry.CurrentWeather.WeatherCode = Fair;
            entry.CurrentWeather.Temprature = 18.0f;
        }
        std::ofstream(std::filesystem::path(Program::PathWeatherCache()), std::ios::binary)
            << WeatherCache::Write(entries);
    };
    // London's observation file, five minutes old.
    const DateTime observed = now - TimeSpan::FromMinutes(5);
    char metar[128];
    snprintf(metar, sizeof metar,
             "%04d/%02d/%02d %02d:%02d\nEGLL %02d%02d%02dZ 24010KT 9999 FEW030 12/08 Q1015\n",
             observed.Year(), observed.Month(), observed.Day(), observed.Hour(), observed.Minute(),
             observed.Day(), observed.Hour(), observed.Minute());
    const std::string observation = metar;
    TestHttpServer server(
        [&](TestHttpServer&, const TestHttpServer::Request& request, SOCKET connection)
        {
            TestHttpServer::Send(connection, request.Target == "/stations/EGLL.TXT"
                                                 ? TestHttpServer::Response(200, "", observation)
                                                 : TestHttpServer::Response(404, "", "no such station"));
        });
    ScopedEnvironmentVariable observations(L"NIMBREL_OBSERVATION_URL", server.Url("/stations/"));
    const auto mapOnTheDesktop = []
    {
        for (const auto& file : std::filesystem::directory_iterator(Program::PathWallpaper()))
        {
            if (file.path().extension() == L".bmp")
            {
                return true;
            }
        }
        return false;
    };

    // Everything fresh: no batch at all, and still the map goes on the desktop.
    writeCache(now - TimeSpan::FromMinutes(10), now - TimeSpan::FromMinutes(10));
    {
        Child program(Quoted(ProcessTools::NimbrelExecutable()) + L" /background");
        const HWND hidden = WaitForHiddenWindow(program);
        ASSERT_NE(nullptr, hidden);
        EXPECT_TRUE(WaitUntil(mapOnTheDesktop, kStartTimeout)) << "the kept weather was not drawn";
        EXPECT_TRUE(server.Requests().empty()) << "a city the cache holds fresh was asked for";
        PostMessageW(hidden, WM_COMMAND, ID_APP_EXIT, 0);
        EXPECT_EQ(0u, program.WaitForExit(kExitTimeout));
    }

    // London two hours old: asked for, and its new observation written back beside Paris's.
    writeCache(now - TimeSpan::FromMinutes(10), now - TimeSpan::FromMinutes(120));
    {
        Child program(Quoted(ProcessTools::NimbrelExecutable()) + L" /background");
        const HWND hidden = WaitForHiddenWindow(program);
        ASSERT_NE(nullptr, hidden);
        const auto londonKept = [&]
        {
            std::ifstream file(std::filesystem::path(Program::PathWeatherCache()), std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            try
            {
                const std::vector<WeatherCache::Entry> entries = WeatherCache::Read(text);
                return entries.size() == 2 && entries[1].StationCode == L"EGLL" &&
                       entries[1].CurrentWeather.ReportDateTime == DateTime(observed.Year(), observed.Month(),
                                                                            observed.Day(), observed.Hour(),
                                                                            observed.Minute()) &&
                       entries[0].CurrentWeather.ReportDateTime == now - TimeSpan::FromMinutes(10);
            }
            catch (...)
            {
                return false;
            }
        };
        if (!WaitUntil(londonKept, kStartTimeout))
        {
            // What the program did keep, for a failure that does not come back on a rerun.
            std::ifstream file(std::filesystem::path(Program::PathWeatherCache()), std::ios::binary);
            ADD_FAILURE() << "the batch's weather was not kept; " << server.Requests().size()
                          << " request(s), and the file holds:\n"
                          << std::string((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
        }
        ASSERT_EQ(1u, server.Requests().size());
        EXPECT_EQ("/stations/EGLL.TXT", server.Requests()[0].Target);
        PostMessageW(hidden, WM_COMMAND, ID_APP_EXIT, 0);
        EXPECT_EQ(0u, program.WaitForExit(kExitTimeout));
    }
}

TEST(ProgramExecutable, CarriesIconVersionAndManifest)
{
    const HMODULE image = LoadLibraryExW(ProcessTools::NimbrelExecutable().c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(nullptr, image);
    EXPECT_NE(nullptr, FindResourceW(image, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), RT_GROUP_ICON));
    EXPECT_NE(nullptr, FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST));
    // The tray needs the small size, Explorer's large views the 256-pixel one.
    const HICON small = static_cast<HICON>(
        LoadImageW(image, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    EXPECT_NE(nullptr, small);
    DestroyIcon(small);
    FreeLibrary(image);

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(ProcessTools::NimbrelExecutable().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(ProcessTools::NimbrelExecutable().c_str(), 0, size, info.data()));
    wchar_t* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(NIMBREL_VERSION_WTEXT, text);
}

TEST(ProgramFolders, LayoutBelowTheProgramAndUserFolders)
{
    wchar_t executable[MAX_PATH];
    GetModuleFileNameW(nullptr, executable, MAX_PATH);
    EXPECT_EQ(std::wstring(executable), Program::PathNameExecutable());
    const std::wstring folder = Program::PathStartup();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(L'\\', folder.back());
    EXPECT_EQ(0u, Program::PathNameExecutable().find(folder));

    EXPECT_EQ(folder + L"CityRecords.txt", Program::PathCityRecords());
    EXPECT_EQ(folder + L"UI\\LocalWeatherBackground.png", Program::PathLocalWeatherBackground());
    EXPECT_EQ(folder + L"EarthBackgrounds\\", Program::PathEarthBackgrounds());
    EXPECT_EQ(folder + L"LargeWeatherIcons\\", Program::PathLargeWeatherIcons());
    EXPECT_EQ(folder + L"SmallWeatherIcons\\", Program::PathSmallWeatherIcons());

    const std::wstring user = Program::PathUserAppData();
    ASSERT_GT(user.size(), 9u);
    EXPECT_EQ(L"\\Nimbrel\\", user.substr(user.size() - 9));
    EXPECT_EQ(user + L"Options.txt", Program::PathOptions());
    EXPECT_EQ(user + L"Cities.txt", Program::PathCities());
    EXPECT_EQ(user + L"Wallpaper\\", Program::PathWallpaper());
    EXPECT_EQ(user + L"UserWallpaper.txt", Program::PathUserWallpaper());
    EXPECT_TRUE(std::filesystem::is_directory(Program::PathWallpaper()));
}

// Runs in a child process of its own (the paths are cached per process), after the parent
// removed the per-user folder.
TEST(ProgramFolders, IsolatedFirstUseCreatesTheUserFolders)
{
    wchar_t flag[8];
    if (GetEnvironmentVariableW(L"NIMBREL_ISOLATED", flag, 8) == 0)
    {
        GTEST_SKIP() << "runs inside ProgramFolders.MissingUserFoldersAreCreated";
    }
    const std::wstring user = Program::PathUserAppData();
    EXPECT_TRUE(std::filesystem::is_directory(user));
    EXPECT_FALSE(std::filesystem::exists(user + L"Wallpaper"));
    EXPECT_TRUE(std::filesystem::is_directory(Program::PathWallpaper()));
}

TEST(ProgramFolders, MissingUserFoldersAreCreated)
{
    const std::wstring user = Program::PathUserAppData();
    std::filesystem::remove_all(user);
    ASSERT_FALSE(std::filesystem::exists(user));

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SetEnvironmentVariableW(L"NIMBREL_ISOLATED", L"1");
    Child child(Quoted(self) + L" --gtest_filter=ProgramFolders.IsolatedFirstUseCreatesTheUserFolders");
    SetEnvironmentVariableW(L"NIMBREL_ISOLATED", nullptr);
    EXPECT_EQ(0u, child.WaitForExit(60000));
    EXPECT_TRUE(std::filesystem::is_directory(user + L"Wallpaper"));
}
// Runs in a child process of its own: the exit it makes cannot be undone.
TEST(ProgramUpdateCycle, IsolatedReportsArrivingAfterTheExitAreDropped)
{
    wchar_t flag[8];
    if (GetEnvironmentVariableW(L"NIMBREL_ISOLATED", flag, 8) == 0)
    {
        GTEST_SKIP() << "runs inside ProgramUpdateCycle.ReportsArrivingAfterTheExitAreDropped";
    }
    Program::SetOptions(CPtr<COptions>(new COptions()));
    const int home = Program::Options().HomeCity->Id;
    const int favourite = Program::Options().Cities->front().Id;
    auto report = [](int cityId)
    {
        CPtr<CWeatherReport> made(new CWeatherReport());
        made->CityId = cityId;
        made->CurrentWeather.ReportDateTime = DateTime::UtcNow();
        made->CurrentWeather.Temprature = 21.0f;
        return made;
    };

    Program::AddWeatherReport(report(favourite), false);
    Program::OnExit();
    Program::AddWeatherReport(report(home), true); // finished by a worker that was still running

    EXPECT_TRUE(Program::ApplyWeatherReports());
    EXPECT_TRUE(Program::Options().Cities->front().CurrentWeather.Temprature.HasValue);
    EXPECT_FALSE(Program::Options().HomeCity->CurrentWeather.Temprature.HasValue);
    EXPECT_FALSE(Program::ApplyWeatherReports());
    Program::SetOptions(CPtr<COptions>());
}

TEST(ProgramUpdateCycle, ReportsArrivingAfterTheExitAreDropped)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SetEnvironmentVariableW(L"NIMBREL_ISOLATED", L"1");
    Child child(Quoted(self) +
                L" --gtest_filter=ProgramUpdateCycle.IsolatedReportsArrivingAfterTheExitAreDropped");
    SetEnvironmentVariableW(L"NIMBREL_ISOLATED", nullptr);
    EXPECT_EQ(0u, child.WaitForExit(60000));
}
} // namespace
