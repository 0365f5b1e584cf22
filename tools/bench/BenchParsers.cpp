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

// Every time layout has a key of the same length, every temperature list names one of them and
// no period's date has a temperature: each lookup that searches from the start goes the whole way.
std::string GenerateLargeAnswer(std::size_t targetSize)
{
    std::string layouts;
    std::string temperatures;
    std::string periods = "<time-layout><layout-key>periods</layout-key>";
    std::string conditions = "<weather time-layout=\"periods\">";
    std::string icons = "<conditions-icon time-layout=\"periods\">";
    char buffer[512];
    for (int i = 0; layouts.size() + temperatures.size() + periods.size() + conditions.size() + icons.size() <
                    targetSize - 1024;
         ++i)
    {
        const int year = 1900 + i / 360;
        const int month = 1 + i / 30 % 12;
        const int day = 1 + i % 28;
        std::snprintf(buffer, sizeof buffer,
                      "<time-layout time-coordinate=\"local\" summarization=\"24hourly\"><layout-key>k%08d"
                      "</layout-key><start-valid-time>%04d-%02d-%02dT06:00:00-05:00</start-valid-time>"
                      "<end-valid-time>%04d-%02d-%02dT18:00:00-05:00</end-valid-time></time-layout>\n",
                      i, year, month, day, year, month, day);
        layouts += buffer;
        std::snprintf(buffer, sizeof buffer,
                      "<temperature type=\"%s\" units=\"Fahrenheit\" time-layout=\"k%08d\"><value>%d</value>"
                      "</temperature>\n",
                      i % 2 == 0 ? "maximum" : "minimum", i, 40 + i % 50);
        temperatures += buffer;
        std::snprintf(buffer, sizeof buffer,
                      "<start-valid-time>%04d-%02d-%02dT06:00:00-05:00</start-valid-time>"
                      "<end-valid-time>%04d-%02d-%02dT18:00:00-05:00</end-valid-time>",
                      2100 + i / 360, month, day, 2100 + i / 360, month, day);
        periods += buffer;
        conditions += "<weather-conditions weather-summary=\"Chance Rain Showers\"/>";
        icons += "<icon-link>http://forecast.weather.gov/images/wtf/shra40.jpg</icon-link>";
    }
    return "<?xml version=\"1.0\"?>\n<dwml version=\"1.0\"><data>" + layouts + periods +
           "</time-layout><parameters applicable-location=\"point1\">" + temperatures + conditions +
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
