// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/City.h"

#include "weather/CWeatherReport.h"

#include <utility>

City::City(int id, std::wstring stationCode, std::wstring country, std::wstring displayName,
           std::wstring details, float latitude, float longitude)
    : CityRecord(id, std::move(stationCode), std::move(country), std::move(displayName), std::move(details),
                 latitude, longitude)
{
}

void City::UpdateWeather(const City& other)
{
    UpdateWeather(other.CurrentWeather, other.Forecast);
}

void City::UpdateWeather(const CWeatherReport& report)
{
    UpdateWeather(report.CurrentWeather, report.Forecast);
}

void City::UpdateWeather(const CCurrentWeather& currentWeather, const CForecast& forecast)
{
    if (currentWeather.ReportDateTime > CurrentWeather.ReportDateTime)
    {
        CurrentWeather = currentWeather;
    }
    if (forecast.ReportDateTime > Forecast.ReportDateTime)
    {
        Forecast = forecast;
    }
}
