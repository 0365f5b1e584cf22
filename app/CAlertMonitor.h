// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "app/CAlertPollWork.h"
#include "core/DateTime.h"
#include "data/City.h"
#include "weather/CAlertNotifications.h"
#include "weather/CWeatherAlertList.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

// The weather alerts of the home city and of the favourites in the USA: whose turn it is to be
// asked, the alerts held, and the ones the user has been told of. Everything but Deliver is the
// user-interface thread's.
class CAlertMonitor
{
public:
    // The polls due at utcNow, with their feeds; cities no longer among these are forgotten.
    std::vector<CAlertPollWork::Poll> DuePolls(const City* homeCity, const std::vector<City>& favourites,
                                               DateTime utcNow);
    // Worker side: hands a round's results over.
    void Deliver(std::vector<CAlertPollWork::Poll> results);
    // Takes the results handed over; answers whether the alerts held changed, and fills told
    // with the home city's alerts to tell the user of now.
    bool Apply(int homeCityId, DateTime utcNow, std::vector<CWeatherAlert>& told);
    // The alert's notice could not be shown: it is told again at the next round.
    void Untold(const std::string& id) { m_told.Withdraw(id); }
    // Drops alerts that have ended; answers whether any went.
    bool Expire(DateTime utcNow);
    // Forgets every alert and feed (alerts switched off); answers whether any alert went.
    bool Clear();

    const CWeatherAlertList& List() const { return m_list; }

    // The record of alerts told, in the per-user folder; a file that cannot be read is no record.
    void LoadTold(const std::wstring& path, DateTime utcNow);
    void SaveTold(const std::wstring& path) const;

private:
    std::map<int, CAlertFeed> m_feeds;
    CWeatherAlertList m_list;
    CAlertNotifications m_told;
    std::mutex m_mutex; // guards m_delivered
    std::vector<CAlertPollWork::Poll> m_delivered;
};
