// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/TypeName.h"

// Weather conditions in order of significance: where an observation names several, the larger
// code wins. The values are stored in files and compared, so they never change.
enum EnumWeatherCode : int
{
    Clear = 0,
    Fair = 1,
    Fog = 2,
    Haze = 3,
    PartlyCloudy = 4,
    MostlyCloudy = 5,
    Cloudy = 6,
    Cold = 7,
    Hot = 8,
    Windy = 9,
    RainShowers = 10,
    SnowShowers = 11,
    HailShowers = 12,
    Rain = 13,
    Snow = 14,
    RainAndSnow = 15,
    Hail = 16,
    Thunderstorms = 17,
    Tornado = 18,
};

constexpr int WeatherCodeCount = 19;

template <> struct TypeName<EnumWeatherCode>
{
    static constexpr const char* Value = "enum EnumWeatherCode";
};

namespace WeatherCodes
{
// Icon file names of a code by day and by night; null for a code outside 0 to 18.
const wchar_t* DayIconFileName(int code);
const wchar_t* NightIconFileName(int code);
const wchar_t* IconFileName(int code, bool isDay);

// The code's name ("PartlyCloudy"), for diagnostics.
const wchar_t* Name(int code);
// The condition in a few lower-case words ("partly cloudy"), for running text; null as above.
const wchar_t* Phrase(int code);
} // namespace WeatherCodes
