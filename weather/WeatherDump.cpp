// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/WeatherDump.h"

#include "core/Util.h"

#include <cstdio>

namespace WeatherDump
{
std::wstring Time(DateTime value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, " %02d:%02d", value.Hour(), value.Minute());
    return Util::ToWide(value.ToXsdDateString() + buffer);
}

std::wstring Code(const Nullable<EnumWeatherCode>& code)
{
    if (!code.HasValue)
    {
        return L"NULL";
    }
    const wchar_t* name = WeatherCodes::Name(code.Value());
    return name != nullptr ? std::wstring(name) : Util::ToString(static_cast<int>(code.Value()));
}
} // namespace WeatherDump
