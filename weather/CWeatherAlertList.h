// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "weather/CWeatherAlert.h"

#include <map>
#include <vector>

// The active alerts of every polled city, by city id. Each answer of the service replaces the
// city's list, so an alert it no longer names is gone; one whose end has passed goes as well,
// whether or not an answer came since.
class CWeatherAlertList
{
public:
    // The city's alerts are now these, less those already over at utcNow.
    void Set(int cityId, std::vector<CWeatherAlert> alerts, DateTime utcNow);
    // Drops every alert over at utcNow; answers whether any went.
    bool Expire(DateTime utcNow);
    // Forgets the cities not among these (no longer the home city or a favourite).
    void Keep(const std::vector<int>& cityIds);

    const std::vector<CWeatherAlert>& OfCity(int cityId) const;
    // The city's worst alert (the most severe, then the one ending first); null when none.
    const CWeatherAlert* MostImportant(int cityId) const;
    bool IsEmpty() const { return m_alerts.empty(); }
    const std::map<int, std::vector<CWeatherAlert>>& All() const { return m_alerts; }

private:
    std::map<int, std::vector<CWeatherAlert>> m_alerts; // no empty lists
};
