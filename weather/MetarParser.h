#pragma once

#include "core/DateTime.h"
#include "weather/CCurrentWeather.h"

#include <string>

// Reads the observation file of one station: an optional first line with the time of issue
// ("2007/11/30 05:53") and the METAR report. Only the time, the weather and cloud groups and
// the temperature group are read; the remarks after "RMK" are ignored. Safe to call from
// several threads at once.
//
// Throws ApplicationException when the text yields no time at all.
CCurrentWeather ParseMetarReport(const std::string& text, const std::string& stationCode);

// The same with the present UTC time given, which dates a day-hour-minute group when the file
// has no matching first line.
CCurrentWeather ParseMetarReport(const std::string& text, const std::string& stationCode, DateTime utcNow);
