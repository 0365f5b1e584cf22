// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CCurrentWeather.h"

#include "core/Util.h"
#include "weather/Atmosphere.h"
#include "weather/WeatherDump.h"

namespace
{
const TimeSpan kRecentFor = TimeSpan(3 * TimeSpan::TicksPerHour);
}

bool CCurrentWeather::IsRecent() const
{
    return IsRecent(DateTime::UtcNow());
}

bool CCurrentWeather::IsRecent(DateTime utcNow) const
{
    // As a difference: adding to a time at the end of the calendar would overflow.
    return utcNow - ReportDateTime < kRecentFor;
}

bool CCurrentWeather::IsStale(DateTime utcNow) const
{
    return !IsRecent(utcNow) && (WeatherCode.HasValue || Temprature.HasValue);
}

Nullable<float> CCurrentWeather::GetRelativeHumidity() const
{
    if (!Temprature.HasValue || !DewPoint.HasValue)
    {
        return {};
    }
    return static_cast<float>(Atmosphere::RelativeHumidity(Temprature.Value(), DewPoint.Value()));
}

Nullable<float> CCurrentWeather::GetFeelsLike() const
{
    return Atmosphere::FeelsLike(Temprature, GetRelativeHumidity(), WindSpeed);
}

std::wstring CCurrentWeather::GetTempratureText(const std::wstring& fallback, bool metric) const
{
    return GetTempratureText(fallback, metric, DateTime::UtcNow());
}

std::wstring CCurrentWeather::GetTempratureText(const std::wstring& fallback, bool metric,
                                                DateTime utcNow) const
{
    return IsRecent(utcNow) ? GetLastTempratureText(fallback, metric) : fallback;
}

std::wstring CCurrentWeather::GetLastTempratureText(const std::wstring& fallback, bool metric) const
{
    const Nullable<int> shown = GetTemprature(metric);
    return shown.HasValue ? Temperature::Degrees(shown.Value()) : fallback;
}

std::wstring CCurrentWeather::Dump() const
{
    return L"CCurrentWeather::Dump(): ReportDateTime: " + WeatherDump::Time(ReportDateTime) +
           L", WeatherCode: " + WeatherDump::Code(WeatherCode) + L", Temprature: " +
           Temperature::Dump(Temprature) + L", DewPoint: " + Temperature::Dump(DewPoint);
}
