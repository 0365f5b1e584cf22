// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"
#include "weather/EnumWeatherCode.h"
#include "weather/Temperature.h"

#include <string>

// One forecast period, normally twelve hours, in the forecast point's local time.
class CForecastItem
{
public:
    DateTime Start;
    DateTime End;
    std::wstring WeatherSummary;
    Nullable<EnumWeatherCode> WeatherCode;
    Nullable<float> TempratureMin; // of the period's calendar day, Celsius
    Nullable<float> TempratureMax;

    Nullable<int> GetTempratureMin(bool metric) const
    {
        return Temperature::ForDisplay(TempratureMin, metric);
    }
    Nullable<int> GetTempratureMax(bool metric) const
    {
        return Temperature::ForDisplay(TempratureMax, metric);
    }

    // "75°/58°", with "--" for a missing end of the range.
    std::wstring GetTempratureRangeText(bool metric) const;

    std::wstring Dump() const;
};
