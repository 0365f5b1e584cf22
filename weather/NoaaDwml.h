// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"
#include "weather/CForecast.h"
#include "weather/EnumWeatherCode.h"

#include <string>

// Reading of the forecast service's DWML answer: twelve-hour periods with their summary, the
// weather code of their icon, and the day's minimum and maximum temperature.
namespace NoaaDwml
{
// The deepest nesting of elements taken. The XML parser descends recursively, so a deeper
// document is refused before it sees it; the real ones nest about six deep.
inline constexpr int MaxNesting = 256;

// Replaces the forecast's contents with the periods of the document, at most
// CForecast::MaxItems of them, in time linear in the text's length; summaries are read as
// UTF-8. The text is parsed in place and is changed by it. On failure the forecast is left as
// it was: a structural fault of the document or a bad period date throws ApplicationException,
// as does a document nested deeper than MaxNesting ("NoaaDwml::Parse12HourlyForecast");
// malformed XML throws the XML parser's rapidxml::parse_error.
void Parse12HourlyForecast(std::string& text, CForecast& forecast);

// The same, with the present UTC time to stamp the forecast with.
void Parse12HourlyForecast(std::string& text, CForecast& forecast, DateTime utcNow);

// The weather code of a forecast icon's address ("http://.../nra70.jpg" gives Rain); absent
// when the icon's name is not one we know.
Nullable<EnumWeatherCode> WeatherCodeFromIconLink(const std::string& link);
} // namespace NoaaDwml
