// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "core/DateTime.h"
#include "core/TypeName.h"
#include "platform/IWork.h"
#include "weather/CAlertFeed.h"
#include "weather/CWeatherAlert.h"

#include <atomic>
#include <functional>
#include <vector>

// One round of alert requests, run on the download worker: each city's feed goes in, comes back
// with its validators and next poll updated and, when the service's list changed, the new list.
class CAlertPollWork : public IWork
{
public:
    struct Poll
    {
        int CityId = 0;
        float Latitude = 0.0f;
        float Longitude = 0.0f;
        CAlertFeed Feed;
        bool Changed = false; // Alerts is the service's new list
        std::vector<CWeatherAlert> Alerts;
    };
    using Deliver = std::function<void(std::vector<Poll>)>;

    CAlertPollWork(std::vector<Poll> polls, Deliver deliver);
    ~CAlertPollWork() override;
    CAlertPollWork(const CAlertPollWork&) = delete;
    CAlertPollWork& operator=(const CAlertPollWork&) = delete;

    // One round at a time, as for the weather downloads: a stalled network must not pile rounds
    // up before the one worker.
    bool Claim();
    static bool IsOneClaimed() { return s_claimed.load(); }

    void Execute() override;

private:
    static std::atomic<bool> s_claimed;

    std::vector<Poll> m_polls;
    Deliver m_deliver;
    bool m_claimed = false;
};

template <> struct TypeName<CAlertPollWork>
{
    static constexpr const char* Value = "class CAlertPollWork";
};
