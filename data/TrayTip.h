// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "weather/DisplayUnits.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class City;

// The notification area icon's tooltip: the home city's weather in a few short lines, within what
// the shell's tooltip field holds.
namespace TrayTip
{
// The shell's field holds 128 characters with the terminating null.
inline constexpr std::size_t MaxLength = 127;

// Turns an instant in UTC into the user's wall-clock time.
using LocalTime = std::function<DateTime(DateTime utc)>;

// The tooltip's lines, in order: the event of an active weather alert when there is one
// ("Tornado Warning"); "Los Angeles: 66°F, clear (observed 10:53)", the observation time in local
// time; the feels-like text when it differs from the temperature by 2 degrees or more; the wind
// ("Wind: WSW 9 mph, gusts 25", "Wind: Calm"). Without a home city "<product>: no home city", and
// "Los Angeles: no recent observation" when its observation is missing or too old. Lines that do not
// fit are dropped from the last.
std::wstring Text(const City* home, const DisplayUnits& units, DateTime utcNow, const LocalTime& toLocal,
                  const std::wstring& productName, const std::wstring& alertEvent = std::wstring());

// The lines joined by line breaks, as many from the first as fit in maxLength characters; a first
// line too long alone is cut short with "…", never inside a character.
std::wstring FitLines(const std::vector<std::wstring>& lines, std::size_t maxLength = MaxLength);
} // namespace TrayTip
