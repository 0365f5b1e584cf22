// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/MapSnapshot.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/TimeSpan.h"
#include "core/Util.h"
#include "data/COptions.h"
#include "data/EarthBackground.h"
#include "map/WeatherMap.h"
#include "platform/GdiPlus.h"
#include "platform/UtilFile.h"
#include "weather/CWeatherIcons.h"
#include "weather/MetarParser.h"

#include <cmath>
#include <cstdlib>

namespace
{
// GDI+ for the length of one snapshot; it counts its users, so a caller's own start is kept.
class GdiplusSession
{
public:
    GdiplusSession()
    {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok)
        {
            ThrowApplicationException(Here());
        }
    }
    ~GdiplusSession()
    {
        // The composer's kept format goes first: no GDI+ object may outlive its session.
        UtilGraphics::FreeSharedObjects();
        Gdiplus::GdiplusShutdown(m_token);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR m_token = 0;
};

template <typename Action> void ForEachCity(COptions& options, Action action)
{
    if (!options.HomeCity.IsNull())
    {
        action(*options.HomeCity);
    }
    if (!options.Cities.IsNull())
    {
        for (City& city : *options.Cities)
        {
            action(city);
        }
    }
}

const char kBlanks[] = " \t";
} // namespace

namespace MapSnapshot
{
void MakeUpWeather(City& city, DateTime utcNow)
{
    const unsigned id = static_cast<unsigned>(std::abs(static_cast<long long>(city.Id)));
    CCurrentWeather weather;
    weather.ReportDateTime = utcNow - TimeSpan(20 * TimeSpan::TicksPerMinute);
    weather.WeatherCode = static_cast<EnumWeatherCode>(id % WeatherCodeCount);
    // Warm near the equator, cold near the poles, a little different from city to city.
    const float latitude = std::isfinite(city.Latitude) ? std::fabs(city.Latitude) : 0.0f;
    weather.Temprature = 30.0f - 0.6f * latitude + static_cast<float>(id % 7) - 3.0f;
    weather.DewPoint = weather.Temprature.Value() - 5.0f;
    city.CurrentWeather = weather;
}

void MakeUpWeather(COptions& options, DateTime utcNow)
{
    ForEachCity(options, [&](City& city) { MakeUpWeather(city, utcNow); });
}

void ReadWeatherFile(COptions& options, const std::wstring& weatherFile, DateTime utcNow)
{
    const std::string text = UtilFile::ReadFileAscii(weatherFile);
    std::size_t start = 0;
    while (start < text.size())
    {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        const std::string line = text.substr(start, end - start);
        start = end + 1;

        const std::size_t stationStart = line.find_first_not_of(kBlanks);
        if (stationStart == std::string::npos)
        {
            continue;
        }
        const std::size_t stationEnd = std::min(line.find_first_of(kBlanks, stationStart), line.size());
        const std::size_t pathStart = line.find_first_not_of(kBlanks, stationEnd);
        if (pathStart == std::string::npos)
        {
            ThrowApplicationException(Here());
        }
        const std::size_t pathEnd = line.find_last_not_of(kBlanks) + 1;
        const std::string station = line.substr(stationStart, stationEnd - stationStart);
        const std::wstring path = Util::ToWide(line.substr(pathStart, pathEnd - pathStart));

        const CCurrentWeather weather = ParseMetarReport(UtilFile::ReadFileAscii(path), station, utcNow);
        const std::wstring stationCode = Util::ToWide(station);
        ForEachCity(options,
                    [&](City& city)
                    {
                        if (city.StationCode == stationCode)
                        {
                            city.CurrentWeather = weather;
                        }
                    });
    }
}

void WriteMapFile(const std::wstring& programFolder, const std::wstring& optionsFolder,
                  const std::wstring& weatherFile, const std::wstring& outputPath, int width, int height,
                  const std::vector<CWallpaperLayout::Rect>& moreMonitors)
{
    const GdiplusSession gdiplus;
    const std::wstring program = Util::AppendBackslash(programFolder);
    const std::wstring user = Util::AppendBackslash(optionsFolder);
    const EarthBackground::ScopedFolder backgrounds(program + L"EarthBackgrounds\\");

    CWeatherIcons icons;
    icons.Load(program + L"SmallWeatherIcons\\", program + L"LargeWeatherIcons\\");

    const DateTime now = DateTime::UtcNow();
    CPtr<COptions> options(new COptions());
    // As at start-up: each file on its own, and one that cannot be read keeps what was there.
    try
    {
        options->LoadOptions(user + L"Options.txt");
    }
    catch (const ApplicationException&)
    {
    }
    try
    {
        options->LoadCities(user + L"Cities.txt");
    }
    catch (const ApplicationException&)
    {
    }
    MakeUpWeather(*options, now);
    if (!weatherFile.empty())
    {
        ReadWeatherFile(*options, weatherFile, now);
    }

    const UtilGraphics::WeatherIconSource source = [&](bool isDay, const Nullable<EnumWeatherCode>& code)
    { return icons.GetSmall(isDay, code); };
    std::vector<CWallpaperLayout::Rect> monitors{CWallpaperLayout::Rect{0, 0, width, height}};
    monitors.insert(monitors.end(), moreMonitors.begin(), moreMonitors.end());
    const CWallpaperLayout layout(monitors);
    const CPtr<Gdiplus::Bitmap> map =
        layout.IsSpanned() ? UtilGraphics::GenerateSpannedWallpaper(layout, *options, source, now)
                           : UtilGraphics::GenerateNimbrelWallpaper(width, height, *options, source, now);
    const CLSID encoder = UtilGraphics::GetEncoderBmp();
    if (map->Save(outputPath.c_str(), &encoder, nullptr) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
}
} // namespace MapSnapshot
