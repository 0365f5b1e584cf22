// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CNoaaWeatherService.h"

#include "weather/WeatherServiceNoaa.h"

CPtr<CWeatherReport> CNoaaWeatherService::GetWeatherReport(const CWeatherRequest& request)
{
    return WeatherServiceNoaa::GetWeatherReport(m_client, request);
}

CPtr<CWeatherReport> CNoaaWeatherService::GetCurrentWeatherReport(const CWeatherRequest& request)
{
    return WeatherServiceNoaa::GetCurrentWeatherReport(m_client, request);
}
