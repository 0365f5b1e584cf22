// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "weather/CWeatherAlert.h"

#include <map>
#include <string>
#include <vector>

// The alerts the user has already been told of, by id with the time the record may be dropped
// (the alert's end), so that each Extreme or Severe alert is told once, across restarts too.
// Kept in a small text file of "id<TAB>end ticks" lines.
class CAlertNotifications
{
public:
    // Alerts the last record is kept for when the service names no end.
    static constexpr int DaysKeptWithoutEnd = 7;

    // The alerts of the list to tell the user of now: Extreme or Severe, not over, not told
    // before. They are recorded as told.
    std::vector<CWeatherAlert> TakeNew(const std::vector<CWeatherAlert>& alerts, DateTime utcNow);
    // Forgets that the alert was told (its notice could not be shown), so it is told again.
    void Withdraw(const std::string& id) { m_told.erase(id); }
    // Drops the records of alerts over at utcNow; answers whether any went.
    bool Forget(DateTime utcNow);
    bool WasTold(const std::string& id) const { return m_told.count(id) != 0; }

    std::string Serialize() const;
    // The records of a file Serialize wrote, less those over at utcNow. A text that is not such
    // a file gives no records at all: telling an alert twice beats telling it never.
    static CAlertNotifications Parse(const std::string& text, DateTime utcNow);

private:
    std::map<std::string, std::int64_t> m_told; // id to UTC ticks of its end
};
