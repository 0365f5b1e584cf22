// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"
#include "weather/EnumWeatherCode.h"
#include "weather/Temperature.h"

#include <string>

// The weather observed at a station. Temperatures in Celsius.
class CCurrentWeather
{
public:
    DateTime ReportDateTime = DateTime(1990, 1, 1, 0, 0, 0); // UTC, without a kind mark
    Nullable<EnumWeatherCode> WeatherCode;
    Nullable<float> Temprature;
    Nullable<float> DewPoint;

    // Wind: the direction it blows from in degrees (0 with a calm), or variable ("VRB") with no
    // direction; the range it varies over ("280V350"); speed and gust in metres per second.
    Nullable<int> WindDirection;
    bool WindDirectionVariable = false;
    Nullable<int> WindVariableFrom;
    Nullable<int> WindVariableTo;
    Nullable<float> WindSpeed;
    Nullable<float> WindGust;
    Nullable<float> Visibility; // metres; 10 km or more is 10000
    Nullable<float> Pressure;   // hectopascals, at sea level

    // In percent, from the temperature and the dew point.
    Nullable<float> GetRelativeHumidity() const;
    // In Celsius: heat index, wind chill or the temperature itself (Atmosphere::FeelsLike).
    Nullable<float> GetFeelsLike() const;

    Nullable<int> GetTemprature(bool metric) const { return Temperature::ForDisplay(Temprature, metric); }

    // Observed less than three hours before now.
    bool IsRecent() const;
    bool IsRecent(DateTime utcNow) const;
    // Not recent, but an observation all the same (one kept from an earlier run, say): the last
    // known weather, drawn as such (its temperature greyed) until a newer one comes. A city that
    // never had one draws none.
    bool IsStale(DateTime utcNow) const;

    // "23°" when recent and known, else the fallback unchanged.
    std::wstring GetTempratureText(const std::wstring& fallback, bool metric) const;
    std::wstring GetTempratureText(const std::wstring& fallback, bool metric, DateTime utcNow) const;
    // "23°" when known, however old, else the fallback: the text of a recent or stale observation.
    std::wstring GetLastTempratureText(const std::wstring& fallback, bool metric) const;

    std::wstring Dump() const;
};
