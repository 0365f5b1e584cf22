// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer target: any text as the weather service's active-alerts collection. The mapping may
// refuse it only with an exception of our family; a crash, a sanitizer report, a hang or any
// other exception is a fault.
#include "core/ApplicationException.h"
#include "weather/NoaaApi.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    try
    {
        NoaaApi::ParseAlerts(text);
    }
    catch (const ApplicationException&)
    {
    }
    return 0;
}
