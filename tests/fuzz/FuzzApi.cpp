// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer target: any text as an answer of the weather service's JSON API, read both as a
// points answer and as a forecast, its first bytes also as a forecast phrase. The mapping may
// refuse it only with an exception of our family; a crash, a sanitizer report, a hang or any
// other exception is a fault.
#include "core/ApplicationException.h"
#include "core/DateTime.h"
#include "weather/CForecast.h"
#include "weather/NoaaApi.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    static const DateTime now(2026, 12, 9, 21, 0, 0);
    try
    {
        NoaaApi::ForecastUrlOfPoints(text);
    }
    catch (const ApplicationException&)
    {
    }
    CForecast forecast;
    try
    {
        NoaaApi::ParseForecast(text, forecast, now);
    }
    catch (const ApplicationException&)
    {
    }
    NoaaApi::WeatherCodeOfPhrase(text.substr(0, std::min<std::size_t>(size, 4096)));
    return 0;
}
