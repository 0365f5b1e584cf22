// SPDX-License-Identifier: GPL-2.0-or-later
// nimbrel-diag: runs the program's own readers, calculator and downloads on what the command
// line names and prints what they make of it, so that a report, a forecast document or a
// catalogue that misbehaves in the program can be looked at by itself.
//
//   nimbrel-diag metar STATION FILE     the observation read from a station's file, with wind,
//                                       visibility, pressure, humidity and feels-like (SI and
//                                       knots; each empty when the report has none)
//   nimbrel-diag dwml FILE              the periods of a forecast document
//   nimbrel-diag fetch URL              the body of a download, byte for byte (Windows)
//   nimbrel-diag forecast LAT LON       the periods from the forecast service (Windows)
//   nimbrel-diag sun LAT LON YYYY-MM-DD sunrise and sunset in UTC
//   nimbrel-diag records FILE           the records of a catalogue file, as record lines
//
// One result per line, fields "key=value" separated by a tab, lines ended by "\n" alone. A
// failure prints the single line "error=<location>" (the failing check's location text, or the
// XML parser's message) and exits with 1; a malformed command line prints the usage on the
// error output and exits with 2. Arguments the program's parsers refuse are failures (1).
#include "core/ApplicationException.h"
#include "core/ArgumentException.h"
#include "core/DateTime.h"
#include "core/Here.h"
#include "core/Nullable.h"
#include "core/TimeSpan.h"
#include "core/Util.h"
#include "data/CityRecord.h"
#include "data/Data.h"
#include "weather/Atmosphere.h"
#include "weather/CCurrentWeather.h"
#include "weather/CForecast.h"
#include "weather/CSun.h"
#include "weather/MetarParser.h"
#include "weather/NoaaDwml.h"

#ifdef _WIN32
#include "map/CWallpaperLayout.h"
#include "map/MapSnapshot.h"

#include <windows.h>

#include "platform/CHttpClient.h"
#include "weather/CWeatherRequest.h"
#include "weather/UtilDownload.h"
#include "weather/WeatherServiceNoaa.h"

#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "usage:\n"
    "  nimbrel-diag metar STATION FILE\n"
    "  nimbrel-diag dwml FILE\n"
#ifdef _WIN32
    "  nimbrel-diag fetch URL\n"
    "  nimbrel-diag forecast LAT LON\n"
    "  nimbrel-diag map OPTIONS_DIR OUT.bmp WIDTH HEIGHT [--weather FILE] [--program DIR]\n"
    "                  [--monitor X,Y,WIDTH,HEIGHT]...\n"
#endif
    "  nimbrel-diag sun LAT LON YYYY-MM-DD\n"
    "  nimbrel-diag records FILE\n";

// The whole file as bytes: the readers see exactly what a download would have given them.
std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        ThrowApplicationException(Here());
    }
    std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
    {
        ThrowApplicationException(Here());
    }
    return content;
}

// "2007-11-30T05:53:00"; a fraction of a second is cut off.
std::string FormatDateTime(DateTime time)
{
    const long long second = time.Ticks() / TimeSpan::TicksPerSecond % 60;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02lld", time.Year(), time.Month(), time.Day(),
                  time.Hour(), time.Minute(), second);
    return text;
}

std::string FormatTemperature(const Nullable<float>& value, const char* format)
{
    if (!value.HasValue)
    {
        return "NULL";
    }
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<double>(value.Value()));
    return text;
}

std::string FormatCode(const Nullable<EnumWeatherCode>& code)
{
    return code.HasValue ? std::to_string(static_cast<int>(code.Value())) : "NULL";
}

std::string FormatForecast(const CForecast& forecast)
{
    std::string lines;
    for (const CForecastItem& item : forecast.Items)
    {
        lines += "start=" + FormatDateTime(item.Start) + "\tend=" + FormatDateTime(item.End) +
                 "\tcode=" + FormatCode(item.WeatherCode) +
                 "\tmin=" + FormatTemperature(item.TempratureMin, "%.4f") +
                 "\tmax=" + FormatTemperature(item.TempratureMax, "%.4f") +
                 "\tsummary=" + Util::ToNarrow(item.WeatherSummary) + "\n";
    }
    return lines;
}

// "YYYY-MM-DD" exactly; the date must exist.
DateTime ParseDate(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
    {
        throw ArgumentException(Here());
    }
    return DateTime(Util::ParseDigits(text, 0, 4), Util::ParseDigits(text, 5, 2),
                    Util::ParseDigits(text, 8, 2), 0, 0, 0);
}

// The value scaled and written with the format, or nothing when absent.
std::string FormatOptional(const Nullable<float>& value, double scale, const char* format)
{
    if (!value.HasValue)
    {
        return std::string();
    }
    char text[64];
    std::snprintf(text, sizeof text, format, value.Value() * scale);
    return text;
}

std::string Metar(const std::string& station, const std::string& path)
{
    const CCurrentWeather weather = ParseMetarReport(ReadFile(path), station);
    const double toKnots = 1.0 / Atmosphere::MetresPerSecondPerKnot;
    const std::string direction = weather.WindDirectionVariable ? "VRB"
                                  : weather.WindDirection.HasValue
                                      ? std::to_string(weather.WindDirection.Value())
                                      : std::string();
    return "time=" + FormatDateTime(weather.ReportDateTime) + "\tcode=" + FormatCode(weather.WeatherCode) +
           "\ttemp=" + FormatTemperature(weather.Temprature, "%g") +
           "\tdew=" + FormatTemperature(weather.DewPoint, "%g") + "\twind_dir=" + direction +
           "\twind_kt=" + FormatOptional(weather.WindSpeed, toKnots, "%.1f") +
           "\tgust_kt=" + FormatOptional(weather.WindGust, toKnots, "%.1f") +
           "\tvis_m=" + FormatOptional(weather.Visibility, 1.0, "%.0f") +
           "\tpressure_hpa=" + FormatOptional(weather.Pressure, 1.0, "%.1f") +
           "\thumidity=" + FormatOptional(weather.GetRelativeHumidity(), 1.0, "%.0f") +
           "\tfeels_like_c=" + FormatOptional(weather.GetFeelsLike(), 1.0, "%.1f") + "\n";
}

std::string Dwml(const std::string& path)
{
    std::string text = ReadFile(path);
    CForecast forecast;
    NoaaDwml::Parse12HourlyForecast(text, forecast);
    return FormatForecast(forecast);
}

std::string Sun(const std::string& latitude, const std::string& longitude, const std::string& date)
{
    Nullable<DateTime> sunrise;
    Nullable<DateTime> sunset;
    CSun::GetSunriseSunset(sunrise, Util::ParseDouble(latitude.c_str()), Util::ParseDouble(longitude.c_str()),
                           ParseDate(date), sunset);
    return "sunrise=" + (sunrise.HasValue ? FormatDateTime(sunrise.Value()) : "none") +
           "\tsunset=" + (sunset.HasValue ? FormatDateTime(sunset.Value()) : "none") + "\n";
}

// Each line in the code page the file is written in, so that a record read and written back
// unchanged prints exactly as the file holds it.
std::string Records(const std::string& path)
{
    std::string lines;
    for (const CityRecord& record : Data::ParseCityRecords(ReadFile(path)))
    {
        lines += Util::ToNarrow(record.ToLine()) + "\n";
    }
    return lines;
}

#ifdef _WIN32
std::string Fetch(const std::string& url)
{
    CHttpClient client;
    return Util::DownloadHttp(client, Util::ToWide(url), WeatherServiceNoaa::ObservationBodyLimit);
}

std::string Forecast(const std::string& latitude, const std::string& longitude)
{
    CWeatherRequest request;
    request.Latitude = static_cast<float>(Util::ParseDouble(latitude.c_str()));
    request.Longitude = static_cast<float>(Util::ParseDouble(longitude.c_str()));
    CHttpClient client;
    CForecast forecast;
    WeatherServiceNoaa::GetForecast(client, request, forecast);
    return FormatForecast(forecast);
}

// The program folder whose images the map uses: given, or the one the build puts beside the
// tools (build/windows/Nimbrel), or the tool's own folder when it ships with the program.
std::wstring ProgramFolder(const std::string& given)
{
    if (!given.empty())
    {
        return Util::AppendBackslash(Util::ToWide(given));
    }
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length > 0 && length < MAX_PATH ? length : 0);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    if (GetFileAttributesW((folder + L"EarthBackgrounds").c_str()) != INVALID_FILE_ATTRIBUTES)
    {
        return folder;
    }
    return folder + L"..\\..\\Nimbrel\\";
}

// "X,Y,WIDTH,HEIGHT": a monitor's rectangle in virtual-screen coordinates (X and Y may be negative).
CWallpaperLayout::Rect ParseMonitor(const std::string& text)
{
    int values[4] = {};
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i)
    {
        const std::size_t end = i < 3 ? text.find(',', start) : text.size();
        if (end == std::string::npos)
        {
            ThrowApplicationException(Here(), "a monitor is X,Y,WIDTH,HEIGHT");
        }
        values[i] = Util::ParseInt(text.substr(start, end - start).c_str());
        start = end + 1;
    }
    return CWallpaperLayout::Rect{values[0], values[1], values[2], values[3]};
}

std::string Map(const std::vector<std::string>& arguments)
{
    std::string weather;
    std::string program;
    std::vector<CWallpaperLayout::Rect> monitors;
    for (std::size_t i = 5; i + 1 < arguments.size(); i += 2)
    {
        if (arguments[i] == "--monitor")
        {
            monitors.push_back(ParseMonitor(arguments[i + 1]));
        }
        else
        {
            (arguments[i] == "--weather" ? weather : program) = arguments[i + 1];
        }
    }
    const int width = Util::ParseInt(arguments[3].c_str());
    const int height = Util::ParseInt(arguments[4].c_str());
    MapSnapshot::WriteMapFile(ProgramFolder(program), Util::ToWide(arguments[1]), Util::ToWide(weather),
                              Util::ToWide(arguments[2]), width, height, monitors);
    if (monitors.empty())
    {
        return "map=" + arguments[2] + "\twidth=" + arguments[3] + "\theight=" + arguments[4] + "\n";
    }
    monitors.insert(monitors.begin(), CWallpaperLayout::Rect{0, 0, width, height});
    const CWallpaperLayout layout(monitors);
    std::string text = "map=" + arguments[2] + "\twidth=" + std::to_string(layout.Width()) +
                       "\theight=" + std::to_string(layout.Height()) + "\n";
    for (const CWallpaperLayout::Rect& place : layout.Maps())
    {
        text += "monitor\tx=" + std::to_string(place.Left) + "\ty=" + std::to_string(place.Top) +
                "\twidth=" + std::to_string(place.Width) + "\theight=" + std::to_string(place.Height) + "\n";
    }
    return text;
}

bool IsMapCommand(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 5 || arguments[0] != "map" || (arguments.size() - 5) % 2 != 0)
    {
        return false;
    }
    for (std::size_t i = 5; i < arguments.size(); i += 2)
    {
        if (arguments[i] != "--weather" && arguments[i] != "--program" && arguments[i] != "--monitor")
        {
            return false;
        }
    }
    return true;
}
#endif

struct UsageError
{
};

// The complete output of one command; nothing is printed before it has all succeeded.
std::string Run(const std::vector<std::string>& arguments)
{
    const std::string command = arguments.empty() ? std::string() : arguments[0];
    const std::size_t count = arguments.size() - (arguments.empty() ? 0 : 1);
    if (command == "metar" && count == 2)
    {
        return Metar(arguments[1], arguments[2]);
    }
    if (command == "dwml" && count == 1)
    {
        return Dwml(arguments[1]);
    }
    if (command == "sun" && count == 3)
    {
        return Sun(arguments[1], arguments[2], arguments[3]);
    }
    if (command == "records" && count == 1)
    {
        return Records(arguments[1]);
    }
#ifdef _WIN32
    if (command == "fetch" && count == 1)
    {
        return Fetch(arguments[1]);
    }
    if (command == "forecast" && count == 2)
    {
        return Forecast(arguments[1], arguments[2]);
    }
    if (IsMapCommand(arguments))
    {
        return Map(arguments);
    }
#endif
    throw UsageError();
}

bool Write(const std::string& bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}
} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Bytes out as they are: a fetched body unchanged, and "\n" not turned into "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string output;
    try
    {
        output = Run(arguments);
    }
    catch (const UsageError&)
    {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    catch (const ApplicationException& e)
    {
        Write("error=" + Util::ToNarrow(e.Location) + "\n");
        return kExitFailure;
    }
    catch (const std::exception& e)
    {
        Write(std::string("error=") + e.what() + "\n");
        return kExitFailure;
    }
    catch (...)
    {
        Write("error=unknown exception\n");
        return kExitFailure;
    }
    return Write(output) ? 0 : kExitFailure;
}
