// Throughput of the two parsers, run by hand: reports per second for a station file and for a
// seven-day forecast document. Not a test: the numbers depend on the machine.
//   nimbrel-bench-parsers METAR_FILE DWML_FILE [METAR_RUNS DWML_RUNS]
#include "core/ApplicationException.h"
#include "core/Util.h"
#include "weather/CForecast.h"
#include "weather/MetarParser.h"
#include "weather/NoaaDwml.h"

#include <chrono>
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
