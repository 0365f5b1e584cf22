// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer target: any text as the weather cache file. Reading may refuse it only with an
// exception of our family; what it accepts must be given to the cities and written again
// without a fault, and must read back as the same text. A crash, a sanitizer report, a hang or any
// other exception is a fault.
#include "core/ApplicationException.h"
#include "core/DateTime.h"
#include "data/WeatherCache.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<WeatherCache::Entry> entries;
    try
    {
        entries = WeatherCache::Read(text);
    }
    catch (const ApplicationException&)
    {
        return 0;
    }
    static const DateTime now(2026, 12, 9, 21, 0, 0);
    City home(42, L"KLAX", L"USA", L"Los Angeles", L"", 33.9333f, -118.4f);
    std::vector<City> favourites = {City(113600, L"LFPO", L"France", L"Paris", L"Orly", 48.733f, 2.4f)};
    WeatherCache::Apply(entries, &home, favourites, now);
    const std::string written = WeatherCache::Write(entries);
    // What was accepted is written in this version's own form, which reads back unchanged.
    if (WeatherCache::Write(WeatherCache::Read(written)) != written)
    {
        std::abort();
    }
    return 0;
}
