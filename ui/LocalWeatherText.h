// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"
#include "weather/EnumWeatherCode.h"

#include <string>

class City;

// What the local weather window shows, as one line of text for screen readers: its window text
// and so its accessible name. "Los Angeles, 66°F, clear." in every mode, and in the large mode
// the forecast columns after it: "Mon 72/58 Sunny, night Mostly Clear; Tue ...".
class LocalWeatherText
{
public:
    // What the window says without a home city, drawn and read alike.
    static constexpr const wchar_t* NoHomeCityMessage =
        L"To see local weather information, open 'Options' and select your 'Home City'";

    // The line for the home city (none: the message above) in a mode of the window (any mode but
    // Small and Icon Only is Large), temperatures in Celsius when metric. Throws only when memory
    // runs out.
    static std::wstring Describe(const City* home, int mode, bool metric, DateTime utcNow);

    // "clear", "partly cloudy", "thunderstorms"...; empty without a code or for one not known.
    static std::wstring Condition(const Nullable<EnumWeatherCode>& code);
};
