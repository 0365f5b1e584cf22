// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer target: any text as a station's observation file. The parser may refuse it only
// with an exception of our family; a crash, a sanitizer report, a hang or any other exception
// is a fault.
#include "core/ApplicationException.h"
#include "core/DateTime.h"
#include "weather/MetarParser.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // A fixed clock keeps a finding reproducible; the station code is the one in the seeds.
    static const DateTime now(2007, 11, 30, 7, 0, 0);
    try
    {
        // What is derived from a report must stay a plain number in its range too.
        const CCurrentWeather weather = ParseMetarReport(text, "KLAX", now);
        const Nullable<float> humidity = weather.GetRelativeHumidity();
        const Nullable<float> feelsLike = weather.GetFeelsLike();
        if ((humidity.HasValue && !(humidity.Value() >= 0.0f && humidity.Value() <= 100.0f)) ||
            (feelsLike.HasValue && !std::isfinite(feelsLike.Value())))
        {
            __builtin_trap();
        }
    }
    catch (const ApplicationException&)
    {
    }
    return 0;
}
