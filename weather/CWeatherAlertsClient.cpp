// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CWeatherAlertsClient.h"

#include "platform/CHttpClient.h"
#include "weather/CNoaaApiClient.h"
#include "weather/NoaaApi.h"

#include <utility>

CWeatherAlertsClient::CWeatherAlertsClient(CHttpClient& client) : m_client(client) {}

bool CWeatherAlertsClient::Poll(float latitude, float longitude, CAlertFeed& feed,
                                std::vector<CWeatherAlert>& alerts, DateTime utcNow)
{
    try
    {
        const std::string path = NoaaApi::AlertsPath(latitude, longitude);
        const std::wstring url = CNoaaApiClient::BaseUrl() + std::wstring(path.begin(), path.end());
        CHttpClient::Response response = m_client.GetConditional(
            url, L"Accept: application/geo+json\r\n" + feed.ConditionalHeaders(), BodyLimit);
        const bool changed = response.Status != 304;
        std::vector<CWeatherAlert> read;
        if (changed)
        {
            read = NoaaApi::ParseAlerts(response.Body);
        }
        feed.OnAnswer(response.ETag, response.LastModified, response.CacheControl, utcNow);
        if (changed)
        {
            alerts = std::move(read);
        }
        return changed;
    }
    catch (...)
    {
        feed.OnFailure(utcNow);
        throw;
    }
}
