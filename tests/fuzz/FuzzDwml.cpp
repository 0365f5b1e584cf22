// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer target: any text as the forecast service's answer. The parser may refuse it only
// with an exception of our family or the XML parser's parse error; a crash, a sanitizer report,
// a hang or any other exception is a fault.
#include "core/ApplicationException.h"
#include "core/DateTime.h"
#include "weather/CForecast.h"
#include "weather/NoaaDwml.h"

#include <rapidxml/rapidxml.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    static const DateTime now(2007, 11, 30, 14, 0, 0);
    CForecast forecast;
    try
    {
        NoaaDwml::Parse12HourlyForecast(text, forecast, now);
    }
    catch (const ApplicationException&)
    {
    }
    catch (const rapidxml::parse_error&)
    {
    }
    return 0;
}
