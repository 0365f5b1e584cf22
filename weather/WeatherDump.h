// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"
#include "weather/EnumWeatherCode.h"

#include <string>

// Text forms of values in the weather classes' diagnostic dumps.
namespace WeatherDump
{
std::wstring Time(DateTime value);                        // "2007-03-05 14:30"
std::wstring Code(const Nullable<EnumWeatherCode>& code); // "PartlyCloudy", "NULL" when absent
} // namespace WeatherDump
