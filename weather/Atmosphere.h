// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/Nullable.h"
#include "weather/Temperature.h" // Nullable<float>

// The units an observation is read in, and the quantities derived from it. Everything stored
// is SI (metres per second, metres, hectopascals) with temperatures in Celsius.
namespace Atmosphere
{
inline constexpr double MetresPerSecondPerKnot = 1852.0 / 3600.0;
inline constexpr double MetresPerSecondPerMph = 0.44704;
inline constexpr double MetresPerStatuteMile = 1609.344;
inline constexpr double HectopascalsPerInchOfMercury = 33.8638866667;

// Relative humidity in percent from air temperature and dew point (°C), by the Magnus form over
// water with the constants of the WMO guide (17.62, 243.12 °C); at most 100.
double RelativeHumidity(double celsius, double dewPointCelsius);

// The NWS heat index (°F) of a temperature (°F) and a relative humidity (%): Steadman's simple
// form, and where that reaches 80 °F the Rothfusz regression with its adjustments for low
// humidity (below 13 % at 80 to 112 °F) and high humidity (above 85 % at 80 to 87 °F).
double HeatIndex(double fahrenheit, double humidity);

// The NWS wind chill (°F) of a temperature (°F) and a wind speed (mph).
double WindChill(double fahrenheit, double mph);

// What the air feels like (°C): the heat index at 80 °F and above (needs the humidity), the
// wind chill at 50 °F and below with more than 3 mph of wind (needs the wind), otherwise the
// temperature itself. Absent when a value it needs is absent.
Nullable<float> FeelsLike(const Nullable<float>& celsius, const Nullable<float>& humidity,
                          const Nullable<float>& windMetresPerSecond);
} // namespace Atmosphere
