// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/EnumWeatherCode.h"

namespace
{
const wchar_t* const kDayIcons[WeatherCodeCount] = {
    L"Clear.png",         L"Fair.png",   L"Fog.png",           L"Haze.png",          L"Partly Cloudy.png",
    L"Mostly Cloudy.png", L"Cloudy.png", L"Cold.png",          L"Clear.png",         L"Windy.png",
    L"Rain Showers.png",  L"Snow.png",   L"Hail.png",          L"Rain.png",          L"Snow.png",
    L"Rain and Snow.png", L"Hail.png",   L"Thunderstorms.png", L"Thunderstorms.png",
};

// Only clear, fair, partly and mostly cloudy skies look different at night; a hot night is
// simply clear.
const wchar_t* const kNightIcons[WeatherCodeCount] = {
    L"Night Clear.png",
    L"Night Fair.png",
    L"Fog.png",
    L"Haze.png",
    L"Night Partly Cloudy.png",
    L"Night Mostly Cloudy.png",
    L"Cloudy.png",
    L"Cold.png",
    L"Clear.png",
    L"Windy.png",
    L"Rain Showers.png",
    L"Snow.png",
    L"Hail.png",
    L"Rain.png",
    L"Snow.png",
    L"Rain and Snow.png",
    L"Hail.png",
    L"Thunderstorms.png",
    L"Thunderstorms.png",
};

const wchar_t* const kNames[WeatherCodeCount] = {
    L"Clear", L"Fair",        L"Fog",   L"Haze",          L"PartlyCloudy", L"MostlyCloudy", L"Cloudy",
    L"Cold",  L"Hot",         L"Windy", L"RainShowers",   L"SnowShowers",  L"HailShowers",  L"Rain",
    L"Snow",  L"RainAndSnow", L"Hail",  L"Thunderstorms", L"Tornado",
};

// As a sentence speaks of the weather: "Los Angeles: 66°F, clear".
const wchar_t* const kPhrases[WeatherCodeCount] = {
    L"clear", L"fair",          L"fog",   L"haze",          L"partly cloudy", L"mostly cloudy", L"cloudy",
    L"cold",  L"hot",           L"windy", L"rain showers",  L"snow showers",  L"hail showers",  L"rain",
    L"snow",  L"rain and snow", L"hail",  L"thunderstorms", L"tornado",
};

bool InRange(int code)
{
    return code >= 0 && code < WeatherCodeCount;
}
} // namespace

namespace WeatherCodes
{
const wchar_t* DayIconFileName(int code)
{
    return InRange(code) ? kDayIcons[code] : nullptr;
}

const wchar_t* NightIconFileName(int code)
{
    return InRange(code) ? kNightIcons[code] : nullptr;
}

const wchar_t* IconFileName(int code, bool isDay)
{
    return isDay ? DayIconFileName(code) : NightIconFileName(code);
}

const wchar_t* Name(int code)
{
    return InRange(code) ? kNames[code] : nullptr;
}

const wchar_t* Phrase(int code)
{
    return InRange(code) ? kPhrases[code] : nullptr;
}
} // namespace WeatherCodes
