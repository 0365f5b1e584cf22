// nimbrel-bench-map: how long the weather map takes to compose at wallpaper size, with the
// default options (the home city and seventeen favourites) and recent made-up weather for every
// city, drawn with the shipped earth image and icons.
//
//   nimbrel-bench-map [--runs N] [--size WIDTHxHEIGHT] [--program DIR] [--save FILE.bmp]
//
// N compositions (default 25) of 1920x1080 (default), each into a new 24-bit bitmap as for the
// wallpaper; prints the median, the fastest and the slowest in milliseconds. The first run also
// decodes the earth image, as the program's first map does. DIR is the folder of Nimbrel.exe with
// its "EarthBackgrounds\" and "SmallWeatherIcons\" (default: the build's Nimbrel folder, two
// levels above this program). --save writes the last map as a BMP file to look at.
#include "core/ApplicationException.h"
#include "core/Util.h"
#include "data/COptions.h"
#include "data/EarthBackground.h"
#include "map/MapSnapshot.h"
#include "map/WeatherMap.h"
#include "platform/GdiPlus.h"
#include "weather/CWeatherIcons.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
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

int Run(int runs, int width, int height, const std::wstring& programFolder, const std::wstring& savePath)
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
    // Measured from a cold start: the first map decodes the earth image, as the program's does.
    options.Background.Image.Reset();

    std::vector<double> times;
    CPtr<Gdiplus::Bitmap> map;
    for (int run = 0; run < runs; ++run)
    {
        const auto start = std::chrono::steady_clock::now();
        map = UtilGraphics::GenerateNimbrelWallpaper(width, height, options, iconSource, now);
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
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

    const double first = times.front();
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    const double median = times.size() % 2 != 0 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    std::printf(
        "map %dx%d, %d cities, %d runs: median %.1f ms, fastest %.1f ms, slowest %.1f ms, first %.1f ms\n",
        width, height, static_cast<int>(options.Cities->size()) + (options.HomeCity.IsNull() ? 0 : 1), runs,
        median, times.front(), times.back(), first);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    int runs = 25;
    int width = 1920;
    int height = 1080;
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
        if (runs < 1 || width < 1 || height < 1)
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
        result = Run(runs, width, height, programFolder, savePath);
    }
    catch (const ApplicationException& e)
    {
        std::fprintf(stderr, "error=%ls\n", e.Location.c_str());
    }
    UtilGraphics::FreeSharedObjects();
    Gdiplus::GdiplusShutdown(token);
    return result;
}
