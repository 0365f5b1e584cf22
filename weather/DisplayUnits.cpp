// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/DisplayUnits.h"

#include "core/Util.h"
#include "weather/Atmosphere.h"
#include "weather/CCurrentWeather.h"
#include "weather/Temperature.h"

#include <cmath>
#include <cstdlib>

namespace
{
// A value rounded to the given decimals, without trailing zeros unless kept: 0.25, 1.5, 10. Empty
// for a value no observation can have.
std::wstring Decimal(double value, int decimals, bool keepZeros = false)
{
    double factor = 1.0;
    for (int i = 0; i < decimals; ++i)
    {
        factor *= 10.0;
    }
    const double scaled = std::round(value * factor);
    if (!std::isfinite(scaled) || std::fabs(scaled) > 1e12)
    {
        return std::wstring();
    }
    long long units = std::llabs(static_cast<long long>(scaled));
    std::wstring fraction;
    for (int i = 0; i < decimals; ++i)
    {
        fraction.insert(fraction.begin(), static_cast<wchar_t>(L'0' + units % 10));
        units /= 10;
    }
    while (!keepZeros && !fraction.empty() && fraction.back() == L'0')
    {
        fraction.pop_back();
    }
    std::wstring text = (scaled < 0 ? L"-" : L"") + std::to_wstring(units);
    return fraction.empty() ? text : text + L"." + fraction;
}

std::wstring Wide(const char* text)
{
    return Util::ToWide(text);
}

double WindInUnit(double metresPerSecond, EnumWindUnit unit)
{
    switch (unit)
    {
    case EnumWindUnit::KilometresPerHour:
        return metresPerSecond * 3.6;
    case EnumWindUnit::MetresPerSecond:
        return metresPerSecond;
    case EnumWindUnit::Knots:
        return metresPerSecond / Atmosphere::MetresPerSecondPerKnot;
    case EnumWindUnit::MilesPerHour:
    default:
        return metresPerSecond / Atmosphere::MetresPerSecondPerMph;
    }
}

// A wind speed as whole units; a wind there is shows as at least 1.
std::wstring Speed(float metresPerSecond, EnumWindUnit unit)
{
    const double value = WindInUnit(metresPerSecond, unit);
    return Decimal(value > 0.0 && value < 1.0 ? 1.0 : value, 0);
}
} // namespace

DisplayUnits DisplayUnits::FollowingTemperature(bool metric)
{
    DisplayUnits units;
    units.Metric = metric;
    units.Wind = metric ? EnumWindUnit::KilometresPerHour : EnumWindUnit::MilesPerHour;
    units.Pressure = metric ? EnumPressureUnit::Hectopascals : EnumPressureUnit::InchesOfMercury;
    units.Visibility = metric ? EnumVisibilityUnit::Kilometres : EnumVisibilityUnit::Miles;
    return units;
}

const char* DisplayUnits::Symbol(EnumWindUnit unit)
{
    switch (unit)
    {
    case EnumWindUnit::KilometresPerHour:
        return "km/h";
    case EnumWindUnit::MetresPerSecond:
        return "m/s";
    case EnumWindUnit::Knots:
        return "kt";
    case EnumWindUnit::MilesPerHour:
    default:
        return "mph";
    }
}

const char* DisplayUnits::Symbol(EnumPressureUnit unit)
{
    return unit == EnumPressureUnit::Hectopascals ? "hPa" : "inHg";
}

const char* DisplayUnits::Symbol(EnumVisibilityUnit unit)
{
    return unit == EnumVisibilityUnit::Kilometres ? "km" : "mi";
}

std::wstring DisplayUnits::CompassPoint(int degrees)
{
    static const wchar_t* const kPoints[] = {L"N", L"NNE", L"NE", L"ENE", L"E", L"ESE", L"SE", L"SSE",
                                             L"S", L"SSW", L"SW", L"WSW", L"W", L"WNW", L"NW", L"NNW"};
    const int normalised = ((degrees % 360) + 360) % 360;
    // Each point covers 22.5 degrees centred on it: the nearest of degrees / 22.5.
    return kPoints[(normalised * 4 + 45) / 90 % 16];
}

std::wstring DisplayUnits::FeelsLikeText(const CCurrentWeather& weather) const
{
    const Nullable<int> shown = Temperature::ForDisplay(weather.Temprature, Metric);
    const Nullable<int> feels = Temperature::ForDisplay(weather.GetFeelsLike(), Metric);
    if (!shown.HasValue || !feels.HasValue || std::abs(feels.Value() - shown.Value()) < 2)
    {
        return std::wstring();
    }
    return L"Feels like " + Temperature::Degrees(feels.Value());
}

std::wstring DisplayUnits::WindText(const CCurrentWeather& weather) const
{
    if (!weather.WindSpeed.HasValue)
    {
        return std::wstring();
    }
    const float speed = weather.WindSpeed.Value();
    const bool gusts = weather.WindGust.HasValue && weather.WindGust.Value() > speed;
    if (speed <= 0.0f && !gusts)
    {
        return L"Calm";
    }
    std::wstring text;
    if (weather.WindDirectionVariable)
    {
        text = L"Variable ";
    }
    else if (weather.WindDirection.HasValue)
    {
        text = CompassPoint(weather.WindDirection.Value()) + L" ";
    }
    text += Speed(speed, Wind) + L" " + Wide(Symbol(Wind));
    if (gusts)
    {
        text += L", gusts " + Speed(weather.WindGust.Value(), Wind);
    }
    return text;
}

std::wstring DisplayUnits::HumidityText(const CCurrentWeather& weather) const
{
    const Nullable<float> humidity = weather.GetRelativeHumidity();
    if (!humidity.HasValue || !std::isfinite(humidity.Value()))
    {
        return std::wstring();
    }
    return L"Humidity " + Decimal(humidity.Value(), 0) + L"%";
}

std::wstring DisplayUnits::PressureText(const CCurrentWeather& weather) const
{
    if (!weather.Pressure.HasValue)
    {
        return std::wstring();
    }
    const double hectopascals = weather.Pressure.Value();
    // Inches with two decimals always (30.10), as barometers read; hectopascals whole.
    const std::wstring value =
        Pressure == EnumPressureUnit::Hectopascals
            ? Decimal(hectopascals, 0)
            : Decimal(hectopascals / Atmosphere::HectopascalsPerInchOfMercury, 2, true);
    return value.empty() ? value : value + L" " + Wide(Symbol(Pressure));
}

std::wstring DisplayUnits::VisibilityText(const CCurrentWeather& weather) const
{
    if (!weather.Visibility.HasValue || weather.Visibility.Value() < 0.0f)
    {
        return std::wstring();
    }
    const double value = Visibility == EnumVisibilityUnit::Kilometres
                             ? weather.Visibility.Value() / 1000.0
                             : weather.Visibility.Value() / Atmosphere::MetresPerStatuteMile;
    // Fine steps where visibility is poor (a quarter mile matters), whole ones where it is good.
    const int decimals = value < 1.0 ? 2 : value < 10.0 ? 1 : 0;
    return L"Visibility " + Decimal(value, decimals) + L" " + Wide(Symbol(Visibility));
}

std::vector<std::wstring> DisplayUnits::DetailTexts(const CCurrentWeather& weather) const
{
    std::vector<std::wstring> texts;
    for (std::wstring text : {FeelsLikeText(weather), WindText(weather), HumidityText(weather),
                              PressureText(weather), VisibilityText(weather)})
    {
        if (!text.empty())
        {
            texts.push_back(std::move(text));
        }
    }
    return texts;
}
