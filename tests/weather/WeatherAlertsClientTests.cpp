// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ApplicationException.h"
#include "platform/CHttpClient.h"
#include "tests/weather/TestHttpServer.h" // winsock2.h must come before windows.h
#include "tests/weather/ScopedEnvironmentVariable.h"
#include "weather/CWeatherAlertsClient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Request = TestHttpServer::Request;

namespace
{
const std::string Warning =
#include "weather/api/alerts-warning.inc"
    ;

const DateTime Now(2026, 12, 9, 21, 5, 0);

DateTime Later(int minutes)
{
    return Now + TimeSpan(minutes * TimeSpan::TicksPerMinute);
}
} // namespace

TEST(WeatherAlertsClientTests, AsksAgainWithTheValidatorsAndTakesA304AsUnchanged)
{
    TestHttpServer server(
        [](TestHttpServer&, const Request& request, SOCKET connection)
        {
            if (request.Target != "/alerts/active?point=34.0522,-118.2437")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(404, "", ""));
            }
            else if (request.Header("If-None-Match") == "\"v1\"")
            {
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(304, "Cache-Control: max-age=60\r\n", ""));
            }
            else if (request.Header("If-None-Match").empty())
            {
                TestHttpServer::Send(
                    connection, TestHttpServer::Response(200,
                                                         "Content-Type: application/geo+json\r\n"
                                                         "ETag: \"v1\"\r\n"
                                                         "Last-Modified: Wed, 09 Dec 2026 21:04:00 GMT\r\n"
                                                         "Cache-Control: public, max-age=300\r\n",
                                                         Warning));
            }
            else
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(500, "", "{}"));
            }
        });
    const ScopedEnvironmentVariable base(L"NIMBREL_API_URL", server.Url(""));
    CHttpClient http;
    CWeatherAlertsClient client(http);
    CAlertFeed feed;
    std::vector<CWeatherAlert> alerts;

    ASSERT_TRUE(client.Poll(34.0522f, -118.2437f, feed, alerts, Now));
    ASSERT_EQ(1u, alerts.size());
    EXPECT_EQ(L"Tornado Warning", alerts[0].Event);
    EXPECT_FALSE(feed.IsDue(Later(4)));
    EXPECT_TRUE(feed.IsDue(Later(5)));

    // Unchanged: the list stays, and two minutes is the least wait whatever max-age says.
    EXPECT_FALSE(client.Poll(34.0522f, -118.2437f, feed, alerts, Later(5)));
    EXPECT_EQ(1u, alerts.size());
    EXPECT_FALSE(feed.IsDue(Later(6)));
    EXPECT_TRUE(feed.IsDue(Later(7)));

    const std::vector<Request> requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("application/geo+json", requests[0].Header("Accept"));
    EXPECT_EQ(0u, requests[0].Header("User-Agent").find("Nimbrel/"));
    EXPECT_EQ("Wed, 09 Dec 2026 21:04:00 GMT", requests[1].Header("If-Modified-Since"));

    // A failure keeps the list and tries again after the shortest period.
    feed.ETag = L"\"stale\"";
    EXPECT_THROW(client.Poll(34.0522f, -118.2437f, feed, alerts, Later(7)), ApplicationException);
    EXPECT_EQ(1u, alerts.size());
    EXPECT_TRUE(feed.IsDue(Later(9)));
}
