// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CAlertPollWork.h"

#include "platform/CHttpClient.h"
#include "platform/Log.h"
#include "weather/CWeatherAlertsClient.h"

#include <utility>

std::atomic<bool> CAlertPollWork::s_claimed{false};

CAlertPollWork::CAlertPollWork(std::vector<Poll> polls, Deliver deliver)
    : m_polls(std::move(polls)), m_deliver(std::move(deliver))
{
}

CAlertPollWork::~CAlertPollWork()
{
    if (m_claimed)
    {
        s_claimed.store(false);
    }
}

bool CAlertPollWork::Claim()
{
    bool expected = false;
    m_claimed = m_claimed || s_claimed.compare_exchange_strong(expected, true);
    return m_claimed;
}

void CAlertPollWork::Execute()
{
    try
    {
        CHttpClient http;
        CWeatherAlertsClient client(http);
        for (Poll& poll : m_polls)
        {
            try
            {
                poll.Changed =
                    client.Poll(poll.Latitude, poll.Longitude, poll.Feed, poll.Alerts, DateTime::UtcNow());
            }
            catch (...)
            {
                // The city keeps the alerts it had until they end; the feed says when to ask again.
                Log::Exception(L"CAlertPollWork::Execute");
            }
        }
        m_deliver(std::move(m_polls));
    }
    catch (...)
    {
        Log::Exception(L"CAlertPollWork::Execute");
    }
}
