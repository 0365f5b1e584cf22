// libFuzzer target: any text as a station's observation file. The parser may refuse it only
// with an exception of our family; a crash, a sanitizer report, a hang or any other exception
// is a fault.
#include "core/ApplicationException.h"
#include "core/DateTime.h"
#include "weather/MetarParser.h"

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
        ParseMetarReport(text, "KLAX", now);
    }
    catch (const ApplicationException&)
    {
    }
    return 0;
}
