// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "weather/CCurrentWeather.h"

#include <cstddef>
#include <string>

// Reads the observation file of one station: an optional first line with the time of issue
// ("2007/11/30 05:53") and the METAR report. Read are the time, the weather and cloud groups,
// the temperature group, and the first wind, wind direction range, visibility and pressure
// groups (kept in SI units); the report ends at the remarks ("RMK"), at the first trend group
// ("TEMPO", "BECMG", "NOSIG": a forecast, not the present sky) and after a group ending in "=".
// Safe to call from several threads at once.
//
// Real reports are a line of a few dozen short groups; the regular-expression engine recurses
// about once per character it matches, and a worker thread has little stack. So a group longer
// than MaxMetarGroupLength is passed over before any recogniser sees it, and a text longer than
// MaxMetarTextLength is no observation file at all.
//
// Throws ApplicationException when the text yields no time at all ("Nullable<class
// DateTime>::Value (20)"), "ParseMetarReport" for a text longer than MaxMetarTextLength,
// which is refused whole as malformed, "ParseMetarReport" for a missing report (its body
// is "NIL"), and "ParseMetarReport" for one dated more than two hours after utcNow. A
// caller keeps the observation it had in each case.
inline constexpr std::size_t MaxMetarGroupLength = 32;
inline constexpr std::size_t MaxMetarTextLength = 8192;

CCurrentWeather ParseMetarReport(const std::string& text, const std::string& stationCode);

// The same with the present UTC time given, which dates a day-hour-minute group when the file
// has no matching first line.
CCurrentWeather ParseMetarReport(const std::string& text, const std::string& stationCode, DateTime utcNow);
