// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CWeatherAlertList.h"

#include <algorithm>
#include <utility>

void CWeatherAlertList::Set(int cityId, std::vector<CWeatherAlert> alerts, DateTime utcNow)
{
    alerts.erase(std::remove_if(alerts.begin(), alerts.end(),
                                [utcNow](const CWeatherAlert& alert) { return alert.IsOver(utcNow); }),
                 alerts.end());
    if (alerts.empty())
    {
        m_alerts.erase(cityId);
    }
    else
    {
        m_alerts[cityId] = std::move(alerts);
    }
}

bool CWeatherAlertList::Expire(DateTime utcNow)
{
    bool removed = false;
    for (auto city = m_alerts.begin(); city != m_alerts.end();)
    {
        std::vector<CWeatherAlert>& alerts = city->second;
        const std::size_t before = alerts.size();
        alerts.erase(std::remove_if(alerts.begin(), alerts.end(),
                                    [utcNow](const CWeatherAlert& alert) { return alert.IsOver(utcNow); }),
                     alerts.end());
        removed = removed || alerts.size() != before;
        city = alerts.empty() ? m_alerts.erase(city) : std::next(city);
    }
    return removed;
}

void CWeatherAlertList::Keep(const std::vector<int>& cityIds)
{
    for (auto city = m_alerts.begin(); city != m_alerts.end();)
    {
        const bool kept = std::find(cityIds.begin(), cityIds.end(), city->first) != cityIds.end();
        city = kept ? std::next(city) : m_alerts.erase(city);
    }
}

const std::vector<CWeatherAlert>& CWeatherAlertList::OfCity(int cityId) const
{
    static const std::vector<CWeatherAlert> none;
    const auto found = m_alerts.find(cityId);
    return found != m_alerts.end() ? found->second : none;
}

const CWeatherAlert* CWeatherAlertList::MostImportant(int cityId) const
{
    const CWeatherAlert* best = nullptr;
    for (const CWeatherAlert& alert : OfCity(cityId))
    {
        if (best == nullptr || alert.Severity > best->Severity)
        {
            best = &alert;
            continue;
        }
        if (alert.Severity == best->Severity)
        {
            const Nullable<DateTime> end = alert.End();
            const Nullable<DateTime> bestEnd = best->End();
            if (end.HasValue && (!bestEnd.HasValue || end.Value() < bestEnd.Value()))
            {
                best = &alert;
            }
        }
    }
    return best;
}
