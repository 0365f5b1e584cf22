// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"
#include "weather/CForecast.h"
#include "weather/CWeatherAlert.h"
#include "weather/EnumWeatherCode.h"

#include <cstddef>
#include <string>
#include <vector>

// Reading of the weather service's JSON API (api.weather.gov): the points answer that names a
// place's forecast, and the forecast's day and night periods as the same model the SOAP
// service's answer fills. Portable: the downloads are CNoaaApiClient's.
//
// Every refusal is an ApplicationException whose location names the check; nothing else
// leaves these functions, whatever the text holds.
namespace NoaaApi
{
// The deepest nesting of arrays and objects taken; the service's documents nest about five
// deep, so anything near this is not one of them.
inline constexpr int MaxNesting = 64;

// The longest document taken, the cap of a forecast download as well.
inline constexpr std::size_t MaxDocumentBytes = 8 * 1024 * 1024;

// "/points/39.7456,-97.0892": the position rounded to four decimals without trailing zeros,
// the form the service answers without redirecting.
std::string PointsPath(float latitude, float longitude);

// properties.forecast of a points answer: an http or https address. A document that is not
// JSON, nested deeper than MaxNesting, longer than MaxDocumentBytes, or without that text
// throws.
std::string ForecastUrlOfPoints(const std::string& text);

// Replaces the forecast's contents with the periods of a forecast answer, at most
// CForecast::MaxItems of them. Each period starts at 06:00 (day) or 18:00 (night) of its date,
// as the SOAP service's do, whatever hour the service's first period begins at; its summary is
// shortForecast, its code that phrase's, and its maximum and minimum are those of the day and
// night periods starting on the same date, in Celsius. On failure (no periods, a period
// without a start or a day/night flag, a field of the wrong type) the forecast is left as it
// was.
void ParseForecast(const std::string& text, CForecast& forecast);
void ParseForecast(const std::string& text, CForecast& forecast, DateTime utcNow);

// The weather code of a shortForecast phrase ("Chance Rain Showers" gives RainShowers). A
// phrase not in the service's table is judged by the longest run of its words that is (the
// most significant on a tie); "A then B" by the more significant of its parts; absent when no
// word is known.
Nullable<EnumWeatherCode> WeatherCodeOfPhrase(const std::string& phrase);

// A point's active alerts are a handful; a collection beyond these is cut short, not refused.
inline constexpr std::size_t MaxAlerts = 100;
inline constexpr std::size_t MaxAlertTextBytes = 16 * 1024; // each text, cut at a character

// "/alerts/active?point=34.0522,-118.2437", the position written as for PointsPath.
std::string AlertsPath(float latitude, float longitude);

// The alerts of an active-alerts answer (a GeoJSON feature collection), in the service's order.
// Only actual alerts count: exercises, tests, drafts and cancellations are left out, as is a
// second alert with an id already read. A document that is not JSON, too deep or too long, a
// feature without an id or event, a field of the wrong type or a malformed time throws.
std::vector<CWeatherAlert> ParseAlerts(const std::string& text);
} // namespace NoaaApi
