// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <string>
#include <vector>

class CCurrentWeather;

enum class EnumWindUnit
{
    MilesPerHour,
    KilometresPerHour,
    MetresPerSecond,
    Knots
};

enum class EnumPressureUnit
{
    InchesOfMercury,
    Hectopascals
};

enum class EnumVisibilityUnit
{
    Miles,
    Kilometres
};

// The unit each quantity of an observation is shown in, and the short texts that show them.
// Observations are kept in SI units (Celsius, metres per second, hectopascals, metres); only
// these texts convert.
struct DisplayUnits
{
    bool Metric = false; // temperatures in Celsius
    EnumWindUnit Wind = EnumWindUnit::MilesPerHour;
    EnumPressureUnit Pressure = EnumPressureUnit::InchesOfMercury;
    EnumVisibilityUnit Visibility = EnumVisibilityUnit::Miles;

    // The units that go with a temperature choice where no other is chosen: mph, inHg and miles
    // with Fahrenheit; km/h, hPa and kilometres with Celsius.
    static DisplayUnits FollowingTemperature(bool metric);

    // The symbols the texts use: "mph", "km/h", "m/s", "kt"; "inHg", "hPa"; "mi", "km".
    static const char* Symbol(EnumWindUnit unit);
    static const char* Symbol(EnumPressureUnit unit);
    static const char* Symbol(EnumVisibilityUnit unit);

    // Each text is empty when the observation does not have what it needs.
    // "Feels like 61°", only when that differs from the temperature shown by 2 degrees or more.
    std::wstring FeelsLikeText(const CCurrentWeather& weather) const;
    // "WSW 12 mph", "WSW 12 mph, gusts 25", "Variable 3 mph" or "Calm".
    std::wstring WindText(const CCurrentWeather& weather) const;
    // "Humidity 45%".
    std::wstring HumidityText(const CCurrentWeather& weather) const;
    // "29.92 inHg" or "1013 hPa".
    std::wstring PressureText(const CCurrentWeather& weather) const;
    // "Visibility 10 mi", "Visibility 0.25 mi", "Visibility 0.8 km".
    std::wstring VisibilityText(const CCurrentWeather& weather) const;
    // The texts above that are not empty, in that order.
    std::vector<std::wstring> DetailTexts(const CCurrentWeather& weather) const;

    // The sixteen points of the compass, "N" for 0 and 360 degrees.
    static std::wstring CompassPoint(int degrees);
};
