// SPDX-License-Identifier: GPL-2.0-or-later
// Throughput of the two parsers, run by hand: reports per second for a station file and for a
// seven-day forecast document, then the time of one forecast answer generated just under the
// download's size cap, with thousands of time layouts, temperature lists and periods (the shape
// that once took half a minute). Not a test: the numbers depend on the machine.
//   nimbrel-bench-parsers METAR_FILE DWML_FILE [METAR_RUNS DWML_RUNS]
#include "core/ApplicationException.h"
#include "core/Util.h"
#include "weather/CForecast.h"
#include "weather/MetarParser.h"
#include "weather/NoaaDwml.h"
#include "weather/WeatherServiceNoaa.h"

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace
{
std::string ReadFile(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The shape that made the reading quadratic, filling the cap: half of it thousands of time
// layouts with keys of one length and as many temperature elements naming the last of them;
// the other half a daily temperature list of decades and periods on a date it does not hold,
// so that every lookup that searches from the start goes the whole way.
std::string GenerateLargeAnswer(std::size_t targetSize)
{
    const std::size_t half = targetSize / 2 - 512;
    char buffer[256];
    std::string layouts;
    std::string temperatures;
    int count = 0;
    while (layouts.size() + temperatures.size() < half - 100)
    {
        std::snprintf(buffer, sizeof buffer, "<time-layout><layout-key>k%07d</layout-key></time-layout>\n",
                      count++);
        layouts += buffer;
        temperatures += "<temperature type=\"maximum\" time-layout=\"k9999999\"/>\n";
    }
    layouts += "<time-layout><layout-key>k9999999</layout-key></time-layout>\n";

    std::string days = "<time-layout><layout-key>days</layout-key>";
    std::string values = "<temperature type=\"maximum\" time-layout=\"days\">";
    std::string periods = "<time-layout><layout-key>periods</layout-key>";
    std::string conditions = "<weather time-layout=\"periods\">";
    std::string icons = "<conditions-icon time-layout=\"periods\">";
    for (int day = 0; days.size() + values.size() + periods.size() + conditions.size() + icons.size() < half;
         ++day)
    {
        std::snprintf(buffer, sizeof buffer, "<start-valid-time>%04d-%02d-%02dT06:00:00</start-valid-time>",
                      1900 + day / 336, 1 + day / 28 % 12, 1 + day % 28);
        days += buffer;
        values += "<value>60</value>";
        if (day % 2 == 0)
        {
            periods += "<start-valid-time>2500-01-01T06:00:00</start-valid-time>"
                       "<end-valid-time>2500-01-01T18:00:00</end-valid-time>";
            conditions += "<weather-conditions weather-summary=\"Rain\"/>";
            icons += "<icon-link>ra.jpg</icon-link>";
        }
    }
    return "<?xml version=\"1.0\"?>\n<dwml version=\"1.0\"><data>" + layouts + days + "</time-layout>" +
           periods + "</time-layout><parameters>" + temperatures + values + "</temperature>" + conditions +
           "</weather>" + icons + "</conditions-icon></parameters></data></dwml>\n";
}

template <typename Parse> double PerSecond(int runs, Parse parse)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
    {
        parse();
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return runs / elapsed.count();
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5)
    {
        std::fputs("usage: nimbrel-bench-parsers METAR_FILE DWML_FILE [METAR_RUNS DWML_RUNS]\n", stderr);
        return 2;
    }
    try
    {
        const std::string metar = ReadFile(argv[1]);
        const std::string dwml = ReadFile(argv[2]);
        const int metarRuns = argc == 5 ? Util::ParseInt(argv[3]) : 100000;
        const int dwmlRuns = argc == 5 ? Util::ParseInt(argv[4]) : 10000;

        const double metarRate = PerSecond(metarRuns, [&] { ParseMetarReport(metar, "KLAX"); });
        CForecast forecast;
        const double dwmlRate = PerSecond(dwmlRuns,
                                          [&]
                                          {
                                              std::string text =
                                                  dwml; // parsed in place, so each run gets its own copy
                                              NoaaDwml::Parse12HourlyForecast(text, forecast);
                                          });
        std::printf("metar_runs=%d\tmetar_per_second=%.0f\n", metarRuns, metarRate);
        std::printf("dwml_runs=%d\tdwml_per_second=%.0f\tforecast_items=%zu\n", dwmlRuns, dwmlRate,
                    forecast.Items.size());

        const std::string large = GenerateLargeAnswer(WeatherServiceNoaa::ForecastBodyLimit);
        std::string text = large;
        const auto start = std::chrono::steady_clock::now();
        NoaaDwml::Parse12HourlyForecast(text, forecast);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("large_dwml_bytes=%zu\tlarge_dwml_cap=%zu\tlarge_dwml_seconds=%.3f\tforecast_items=%zu\n",
                    large.size(), WeatherServiceNoaa::ForecastBodyLimit, elapsed.count(),
                    forecast.Items.size());
        return 0;
    }
    catch (const ApplicationException& e)
    {
        std::printf("error=%s\n", Util::ToNarrow(e.Location).c_str());
        return 1;
    }
    catch (const std::exception& e)
    {
        std::printf("error=%s\n", e.what());
        return 1;
    }
}
