// SPDX-License-Identifier: GPL-2.0-or-later
// nimbrel-bench-map: how long the weather map takes to compose at wallpaper size, with the
// default options (the home city and seventeen favourites) and recent made-up weather for every
// city, drawn with the shipped earth image and icons.
//
//   nimbrel-bench-map [--runs N] [--size WIDTHxHEIGHT] [--program DIR] [--save FILE.bmp]
//
// For each size (1920x1080 and 3840x2160, or only the one given), N compositions (default 25) of
// each kind, each into a new 24-bit bitmap as for the wallpaper; prints the median, the fastest and
// the slowest in milliseconds:
//   full    the whole map from scratch, the earth image stretched anew, as when the region, the
//           background or the size has changed; the first run also decodes the earth image, as
//           the program's first map does. Once with day and night off and once on, which adds
//           reading the night image and blending it in by the sun (its cost is the difference);
//   update  new weather over the kept stretched background: a copy and the cities. As in the
//           program, the background waits in its temporary file between maps, so each update
//           also reads it back.
// DIR is the folder of Nimbrel.exe with its "EarthBackgrounds\" and "SmallWeatherIcons\" (default:
// the build's Nimbrel folder, two levels above this program). --save writes the last updated map of
// the last size as a BMP file to look at.
#include "core/ApplicationException.h"
#include "core/Util.h"
#include "data/City.h"
#include "data/COptions.h"
#include "data/EarthBackground.h"
#include "map/CStretchedBackground.h"
#include "map/MapSnapshot.h"
#include "map/WeatherMap.h"
#include "platform/GdiPlus.h"
#include "weather/CWeatherIcons.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace
{
const char kUsage[] =
    "usage: nimbrel-bench-map [--runs N] [--size WIDTHxHEIGHT] [--program DIR] [--save FILE.bmp]\n";

std::wstring DefaultProgramFolder()
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length < MAX_PATH ? length : 0);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + L"..\\..\\Nimbrel\\";
}

struct Times
{
    double Median;
    double Fastest;
    double Slowest;
};

Times Summarise(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    const double median = times.size() % 2 != 0 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    return Times{median, times.front(), times.back()};
}

template <typename Compose> std::vector<double> Time(int runs, Compose compose)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
    {
        const auto start = std::chrono::steady_clock::now();
        compose(run);
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    return times;
}

int Run(int runs, const std::vector<std::pair<int, int>>& sizes, const std::wstring& programFolder,
        const std::wstring& savePath)
{
    const std::wstring program = Util::AppendBackslash(programFolder);
    EarthBackground::SetFolder(program + L"EarthBackgrounds\\");
    CWeatherIcons icons;
    icons.Load(program + L"SmallWeatherIcons\\", program + L"LargeWeatherIcons\\");
    const UtilGraphics::WeatherIconSource iconSource = [&](bool isDay, const Nullable<EnumWeatherCode>& code)
    { return icons.GetSmall(isDay, code); };

    COptions options;
    const DateTime now = DateTime::UtcNow();
    MapSnapshot::MakeUpWeather(options, now);
    if (options.Background.GetImage().GetWidth() == 0)
    {
        std::fprintf(stderr, "no earth image in %ls\n", options.Background.Path.c_str());
        return 1;
    }
    const int cities = static_cast<int>(options.Cities->size()) + (options.HomeCity.IsNull() ? 0 : 1);

    CPtr<Gdiplus::Bitmap> map;
    for (const auto& [width, height] : sizes)
    {
        // Measured from a cold start: the first map decodes the earth image, as the program's does.
        // Day and night off and on take turns, so that a machine busy with other work slows both
        // alike; with it on, the sun is a few minutes on at every run, so that each map is lit anew.
        options.Background.Image.Reset();
        std::vector<double> dayOnly;
        std::vector<double> full;
        for (int run = 0; run < runs; ++run)
        {
            for (const bool shaded : {false, true})
            {
                options.ShowDayAndNight = shaded;
                std::vector<double>& times = shaded ? full : dayOnly;
                times.push_back(Time(1,
                                     [&](int)
                                     {
                                         map = UtilGraphics::GenerateNimbrelWallpaper(
                                             width, height, options, iconSource,
                                             now + TimeSpan::FromMinutes(5.0 * run));
                                     })
                                    .front());
            }
        }
        // Each update brings new weather: every observation taken anew, the temperatures changed.
        CStretchedBackground kept;
        kept.Prepare(options.Region, options.Background, width, height, now);
        kept.Park();
        const std::vector<double> update =
            Time(runs,
                 [&](int run)
                 {
                     MapSnapshot::MakeUpWeather(options, now - TimeSpan::FromMinutes(run));
                     for (City& city : *options.Cities)
                     {
                         city.CurrentWeather.Temprature = city.CurrentWeather.Temprature.Value() + run % 3;
                     }
                     map = UtilGraphics::ComposeWeatherMap(kept, width, height, options, iconSource, now);
                     kept.Park();
                 });
        const Times d = Summarise(dayOnly);
        const Times f = Summarise(full);
        const Times u = Summarise(update);
        std::printf(
            "map %dx%d, %d cities, %d runs: full, day and night off: median %.1f ms, fastest %.1f ms, "
            "slowest %.1f ms, first %.1f ms\n",
            width, height, cities, runs, d.Median, d.Fastest, d.Slowest, dayOnly.front());
        std::printf("map %dx%d, %d cities, %d runs: full, day and night on: median %.1f ms, fastest %.1f ms, "
                    "slowest %.1f ms (shading adds %.1f%%)\n",
                    width, height, cities, runs, f.Median, f.Fastest, f.Slowest,
                    100.0 * (f.Median - d.Median) / d.Median);
        std::printf("map %dx%d, %d cities, %d runs: update median %.1f ms, fastest %.1f ms, slowest %.1f ms "
                    "(%.1f%% of full)\n",
                    width, height, cities, runs, u.Median, u.Fastest, u.Slowest, 100.0 * u.Median / f.Median);
        std::fflush(stdout);
    }
    if (!savePath.empty())
    {
        const CLSID encoder = UtilGraphics::GetEncoderBmp();
        if (map->Save(savePath.c_str(), &encoder, nullptr) != Gdiplus::Ok)
        {
            std::fprintf(stderr, "could not save %ls\n", savePath.c_str());
            return 1;
        }
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    int runs = 25;
    int width = 0;
    int height = 0;
    std::wstring programFolder = DefaultProgramFolder();
    std::wstring savePath;
    try
    {
        for (int i = 1; i < argc; ++i)
        {
            const std::string option = argv[i];
            if (i + 1 >= argc)
            {
                std::fputs(kUsage, stderr);
                return 2;
            }
            const char* value = argv[++i];
            if (option == "--runs")
            {
                runs = Util::ParseInt(value);
            }
            else if (option == "--size")
            {
                const char* times = std::strchr(value, 'x');
                if (times == nullptr)
                {
                    std::fputs(kUsage, stderr);
                    return 2;
                }
                width = Util::ParseInt(std::string(value, times).c_str());
                height = Util::ParseInt(times + 1);
                if (width < 1 || height < 1)
                {
                    std::fputs(kUsage, stderr);
                    return 2;
                }
            }
            else if (option == "--program")
            {
                programFolder = Util::ToWide(value);
            }
            else if (option == "--save")
            {
                savePath = Util::ToWide(value);
            }
            else
            {
                std::fputs(kUsage, stderr);
                return 2;
            }
        }
        if (runs < 1 || width < 0 || height < 0 || (width == 0) != (height == 0))
        {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    catch (const ApplicationException&)
    {
        std::fputs(kUsage, stderr);
        return 2;
    }

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
    {
        std::fputs("GDI+ did not start\n", stderr);
        return 1;
    }
    int result = 1;
    try
    {
        const std::vector<std::pair<int, int>> sizes =
            width > 0 ? std::vector<std::pair<int, int>>{{width, height}}
                      : std::vector<std::pair<int, int>>{{1920, 1080}, {3840, 2160}};
        result = Run(runs, sizes, programFolder, savePath);
    }
    catch (const ApplicationException& e)
    {
        std::fprintf(stderr, "error=%ls\n", e.Location.c_str());
    }
    UtilGraphics::FreeSharedObjects();
    Gdiplus::GdiplusShutdown(token);
    return result;
}
