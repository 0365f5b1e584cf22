// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"
#include "weather/CForecast.h"
#include "weather/EnumWeatherCode.h"

#include <cstddef>
#include <string>

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
} // namespace NoaaApi
