// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/Atmosphere.h"

#include <algorithm>
#include <cmath>

namespace Atmosphere
{
double RelativeHumidity(double celsius, double dewPointCelsius)
{
    constexpr double a = 17.62;
    constexpr double b = 243.12;
    const double ratio = std::exp(a * dewPointCelsius / (b + dewPointCelsius) - a * celsius / (b + celsius));
    // A dew point a degree above the air is rounding in the report, not supersaturation.
    return std::min(100.0, 100.0 * ratio);
}

double HeatIndex(double fahrenheit, double humidity)
{
    const double t = fahrenheit;
    const double rh = humidity;
    const double simple = 0.5 * (t + 61.0 + (t - 68.0) * 1.2 + rh * 0.094);
    if ((simple + t) / 2.0 < 80.0)
    {
        return simple;
    }
    double index = -42.379 + 2.04901523 * t + 10.14333127 * rh - 0.22475541 * t * rh - 0.00683783 * t * t -
                   0.05481717 * rh * rh + 0.00122874 * t * t * rh + 0.00085282 * t * rh * rh -
                   0.00000199 * t * t * rh * rh;
    if (rh < 13.0 && t >= 80.0 && t <= 112.0)
    {
        index -= (13.0 - rh) / 4.0 * std::sqrt((17.0 - std::fabs(t - 95.0)) / 17.0);
    }
    else if (rh > 85.0 && t >= 80.0 && t <= 87.0)
    {
        index += (rh - 85.0) / 10.0 * ((87.0 - t) / 5.0);
    }
    return index;
}

double WindChill(double fahrenheit, double mph)
{
    const double v = std::pow(mph, 0.16);
    return 35.74 + 0.6215 * fahrenheit - 35.75 * v + 0.4275 * fahrenheit * v;
}

Nullable<float> FeelsLike(const Nullable<float>& celsius, const Nullable<float>& humidity,
                          const Nullable<float>& windMetresPerSecond)
{
    if (!celsius.HasValue)
    {
        return {};
    }
    const double fahrenheit = celsius.Value() * 1.8 + 32.0;
    double feels = 0.0;
    if (fahrenheit >= 80.0)
    {
        if (!humidity.HasValue)
        {
            return {};
        }
        feels = HeatIndex(fahrenheit, humidity.Value());
    }
    else if (fahrenheit <= 50.0)
    {
        if (!windMetresPerSecond.HasValue)
        {
            return {};
        }
        const double mph = windMetresPerSecond.Value() / MetresPerSecondPerMph;
        if (mph <= 3.0)
        {
            return celsius;
        }
        feels = WindChill(fahrenheit, mph);
    }
    else
    {
        return celsius;
    }
    return static_cast<float>((feels - 32.0) / 1.8);
}
} // namespace Atmosphere
