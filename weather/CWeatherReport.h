// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/TypeName.h"
#include "weather/CCurrentWeather.h"
#include "weather/CForecast.h"

// What one download produced for one city. Made on the download worker and handed whole to
// the user-interface thread.
class CWeatherReport
{
public:
    int CityId = 0;
    CCurrentWeather CurrentWeather;
    CForecast Forecast; // no items when only the observation was asked for
};

template <> struct TypeName<CWeatherReport>
{
    static constexpr const char* Value = "class CWeatherReport";
};
