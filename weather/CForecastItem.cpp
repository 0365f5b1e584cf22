// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CForecastItem.h"

#include "weather/WeatherDump.h"

std::wstring CForecastItem::GetTempratureRangeText(bool metric) const
{
    const Nullable<int> maximum = GetTempratureMax(metric);
    const Nullable<int> minimum = GetTempratureMin(metric);
    std::wstring text =
        maximum.HasValue ? Temperature::Degrees(maximum.Value()) + L"/" : std::wstring(L"--/");
    text += minimum.HasValue ? Temperature::Degrees(minimum.Value()) : std::wstring(L"--");
    return text;
}

std::wstring CForecastItem::Dump() const
{
    return L"CForecastItem::Dump(): Start: " + WeatherDump::Time(Start) + L", End: " +
           WeatherDump::Time(End) + L", WeatherSummary: " + WeatherSummary + L", WeatherCode: " +
           WeatherDump::Code(WeatherCode);
}
