// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CWeatherAlert.h"

Nullable<DateTime> CWeatherAlert::End() const
{
    return Ends.HasValue ? Ends : Expires;
}

Nullable<DateTime> CWeatherAlert::Start() const
{
    return Onset.HasValue ? Onset : Effective;
}

bool CWeatherAlert::IsOver(DateTime utcNow) const
{
    const Nullable<DateTime> end = End();
    return end.HasValue && end.Value() <= utcNow;
}

const wchar_t* CWeatherAlert::SeverityText(AlertSeverity severity)
{
    switch (severity)
    {
    case AlertSeverity::Extreme:
        return L"Extreme";
    case AlertSeverity::Severe:
        return L"Severe";
    case AlertSeverity::Moderate:
        return L"Moderate";
    case AlertSeverity::Minor:
        return L"Minor";
    default:
        return L"Unknown";
    }
}

AlertSeverity CWeatherAlert::SeverityOf(const std::string& text)
{
    if (text == "Extreme")
    {
        return AlertSeverity::Extreme;
    }
    if (text == "Severe")
    {
        return AlertSeverity::Severe;
    }
    if (text == "Moderate")
    {
        return AlertSeverity::Moderate;
    }
    if (text == "Minor")
    {
        return AlertSeverity::Minor;
    }
    return AlertSeverity::Unknown;
}
