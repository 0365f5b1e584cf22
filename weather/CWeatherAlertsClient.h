// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "weather/CAlertFeed.h"
#include "weather/CWeatherAlert.h"

#include <cstddef>
#include <vector>

class CHttpClient;

// The active alerts of one place from the weather service's JSON API (its base as for
// CNoaaApiClient), asked conditionally so that an unchanged list costs the service a 304.
class CWeatherAlertsClient
{
public:
    // A point's collection is a few kilobytes a warning.
    static constexpr std::size_t BodyLimit = 2 * 1024 * 1024;

    explicit CWeatherAlertsClient(CHttpClient& client);

    // Asks for the alerts at the position with the feed's validators, then schedules the feed's
    // next poll. True with alerts replaced by the service's list; false when the list is
    // unchanged (304), alerts untouched. A failed download or document throws, with the feed
    // set to try again after the shortest period.
    bool Poll(float latitude, float longitude, CAlertFeed& feed, std::vector<CWeatherAlert>& alerts,
              DateTime utcNow);

private:
    CHttpClient& m_client;
};
