// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CAlertFeed.h"
#include "weather/CAlertNotifications.h"
#include "weather/CWeatherAlertList.h"
#include "weather/NoaaApi.h"

#include "tests/support/ExpectThrowAt.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{
// Answers in the service's own shape for downtown Los Angeles, asked at 13:05 PST.
const std::string Warning =
#include "weather/api/alerts-warning.inc"
    ;
const std::string Mixed =
#include "weather/api/alerts-mixed.inc"
    ;
const std::string None =
#include "weather/api/alerts-none.inc"
    ;

const DateTime Now = DateTime::FromTicks(DateTime(2026, 12, 9, 21, 5, 0).Ticks(), DateTime::KindUtc);

DateTime Utc(int day, int hour, int minute)
{
    return DateTime(2026, 12, day, hour, minute, 0);
}

DateTime Later(int minutes)
{
    return Now + TimeSpan(minutes * TimeSpan::TicksPerMinute);
}

std::string WithFeature(const std::string& properties)
{
    return R"({"type": "FeatureCollection", "features": [{"type": "Feature", "properties": {)" + properties +
           "}}]}";
}

CWeatherAlert Alert(const std::string& id, AlertSeverity severity, DateTime end)
{
    CWeatherAlert alert;
    alert.Id = id;
    alert.Event = L"Event " + std::wstring(id.begin(), id.end());
    alert.Severity = severity;
    alert.Expires = end;
    return alert;
}
} // namespace

TEST(WeatherAlertsTests, ReadsTheServicesAlertsInUtcAndLeavesOutAllButActualOnes)
{
    EXPECT_EQ("/alerts/active?point=34.0522,-118.2437", NoaaApi::AlertsPath(34.0522f, -118.2437f));
    EXPECT_TRUE(NoaaApi::ParseAlerts(None).empty());

    const std::vector<CWeatherAlert> warning = NoaaApi::ParseAlerts(Warning);
    ASSERT_EQ(1u, warning.size());
    const CWeatherAlert& tornado = warning[0];
    EXPECT_EQ("urn:oid:2.49.0.1.840.0.4c1f0b1e5a6f1b2d8d5e3a7c9f0e1d2c3b4a5968.001.1", tornado.Id);
    EXPECT_EQ(L"Tornado Warning", tornado.Event);
    EXPECT_EQ(AlertSeverity::Extreme, tornado.Severity);
    EXPECT_TRUE(tornado.IsSevere());
    EXPECT_EQ(L"Immediate", tornado.Urgency);
    EXPECT_EQ(L"Observed", tornado.Certainty);
    EXPECT_EQ(L"Alert", tornado.MessageType);
    EXPECT_EQ(Utc(9, 21, 2), tornado.Effective.Value());
    EXPECT_EQ(Utc(9, 21, 45), tornado.End().Value());
    EXPECT_EQ(L"Los Angeles, CA", tornado.AreaDesc);
    EXPECT_EQ(L"NWS Los Angeles/Oxnard CA", tornado.SenderName);
    EXPECT_EQ(0u, tornado.Headline.find(L"Tornado Warning issued December 9"));
    EXPECT_NE(std::wstring::npos, tornado.Description.find(L"\n\nHAZARD...Damaging tornado."));
    EXPECT_EQ(0u, tornado.Instruction.find(L"TAKE COVER NOW!"));

    // The test message is left out; nulls read as absent; the event's end wins over the expiry.
    const std::vector<CWeatherAlert> mixed = NoaaApi::ParseAlerts(Mixed);
    ASSERT_EQ(3u, mixed.size());
    EXPECT_EQ(AlertSeverity::Severe, mixed[0].Severity);
    EXPECT_EQ(Utc(10, 12, 0), mixed[0].End().Value());
    EXPECT_EQ(Utc(9, 18, 0), mixed[0].Start().Value());
    EXPECT_EQ(L"Wind Advisory", mixed[1].Event);
    EXPECT_EQ(AlertSeverity::Moderate, mixed[1].Severity);
    EXPECT_EQ(Utc(10, 2, 0), mixed[1].End().Value());
    EXPECT_TRUE(mixed[1].Instruction.empty());
    EXPECT_EQ(AlertSeverity::Minor, mixed[2].Severity);
    EXPECT_EQ(Utc(9, 19, 0), mixed[2].Start().Value());
    EXPECT_TRUE(mixed[2].Headline.empty());

    // Times in UTC or with fractions; a repeated id, a cancellation and an unknown severity.
    const std::string twice =
        R"({"features": [{"properties": {"id": "a", "event": "Heat Advisory", "status": "Actual",
             "severity": "Catastrophic", "expires": "2026-12-09T22:00:00.250Z"}},
           {"properties": {"id": "a", "event": "Other", "status": "Actual"}},
           {"properties": {"id": "b", "event": "Heat Advisory", "status": "Actual", "messageType": "Cancel"}}]})";
    const std::vector<CWeatherAlert> read = NoaaApi::ParseAlerts(twice);
    ASSERT_EQ(1u, read.size());
    EXPECT_EQ(L"Heat Advisory", read[0].Event);
    EXPECT_EQ(AlertSeverity::Unknown, read[0].Severity);
    EXPECT_EQ(Utc(9, 22, 0), read[0].End().Value());
}

TEST(WeatherAlertsTests, RefusesHostileAlertDocumentsWithTheirLocation)
{
    const std::string actual = R"("id": "x", "event": "Tornado Warning", "status": "Actual")";
    std::string deep;
    for (int i = 0; i < NoaaApi::MaxNesting; ++i)
    {
        deep += "[";
    }
    const std::vector<std::pair<std::string, const wchar_t*>> cases = {
        {Warning.substr(0, Warning.size() / 2), L"ParseDocument"},
        {R"({"features": )" + deep + "]}", L"CheckShape"},
        {std::string(NoaaApi::MaxDocumentBytes + 1, ' '), L"CheckShape"},
        {R"({"features": {}})", L"NoaaApi::ParseAlerts"},
        {R"({"features": [7]})", L"NoaaApi::ParseAlerts"},
        {R"({"features": [{"properties": 7}]})", L"Properties"},
        {WithFeature(R"("id": "x", "event": "E", "status": 1)"), L"NoaaApi::ParseAlerts"},
        {WithFeature(R"("event": "E", "status": "Actual")"), L"ReadAlertId"},
        {WithFeature(R"("id": "x\ny", "event": "E", "status": "Actual")"), L"ReadAlertId"},
        {WithFeature(R"("id": "x", "status": "Actual")"), L"NoaaApi::ParseAlerts"},
        {WithFeature(R"("id": "x", "event": ["E"], "status": "Actual")"), L"ReadAlertText"},
        {WithFeature(actual + R"(, "severity": 4)"), L"NoaaApi::ParseAlerts"},
        {WithFeature(actual + R"(, "expires": 1765000000)"), L"ReadAlertTime"},
        {WithFeature(actual + R"(, "expires": "2026-12-09T13:45:00")"), L"ReadAlertTime"},
        {WithFeature(actual + R"(, "ends": "2026-12-09T13:45:00+25:00")"), L"ReadAlertTime"},
        {WithFeature(actual + R"(, "onset": "0001-01-01T00:00:00+01:00")"), L"ReadAlertTime"},
    };
    for (const auto& [text, location] : cases)
    {
        SCOPED_TRACE(text.substr(0, 200));
        try
        {
            NoaaApi::ParseAlerts(text);
            ADD_FAILURE() << "no failure";
        }
        catch (const ApplicationException& e)
        {
            EXPECT_EQ(location, LocationFunctionPart(e.Location));
        }
    }

    // Flooding stops at the caps instead of filling the memory or the dialog.
    std::string many = R"({"features": [)";
    for (std::size_t i = 0; i <= NoaaApi::MaxAlerts; ++i)
    {
        many += (i > 0 ? "," : "") +
                std::string(R"({"properties": {"status": "Actual", "event": "E", "id": "i)") +
                std::to_string(i) + R"("}})";
    }
    EXPECT_EQ(NoaaApi::MaxAlerts, NoaaApi::ParseAlerts(many + "]}").size());
    const std::string longText = std::string(NoaaApi::MaxAlertTextBytes - 1, 'a') + "\xC3\xA9";
    const std::vector<CWeatherAlert> cut =
        NoaaApi::ParseAlerts(WithFeature(actual + R"(, "description": ")" + longText + "\""));
    EXPECT_EQ(std::wstring(NoaaApi::MaxAlertTextBytes - 1, L'a'), cut[0].Description);
}

TEST(WeatherAlertsTests, AsksConditionallyAndWaitsForTheLongerOfTwoMinutesAndMaxAge)
{
    CAlertFeed feed;
    EXPECT_TRUE(feed.IsDue(Now));
    EXPECT_EQ(L"", feed.ConditionalHeaders());

    feed.OnAnswer(L"\"abc\"", L"Wed, 09 Dec 2026 21:05:00 GMT", L"public, max-age=300, s-maxage=600", Now);
    EXPECT_EQ(L"If-None-Match: \"abc\"\r\nIf-Modified-Since: Wed, 09 Dec 2026 21:05:00 GMT\r\n",
              feed.ConditionalHeaders());
    EXPECT_FALSE(feed.IsDue(Later(4)));
    EXPECT_TRUE(feed.IsDue(Later(5)));

    // A 304 without validators keeps those held; a short max-age still waits two minutes.
    feed.OnAnswer(L"", L"", L"max-age=30", Now);
    EXPECT_NE(std::wstring::npos, feed.ConditionalHeaders().find(L"\"abc\""));
    EXPECT_FALSE(feed.IsDue(Later(1)));
    EXPECT_TRUE(feed.IsDue(Later(2)));
    feed.OnFailure(Now);
    EXPECT_TRUE(feed.IsDue(Later(2)));

    // A header value that would add lines of the server's choosing is never sent back.
    CAlertFeed hostile;
    hostile.OnAnswer(L"\"x\"\r\nX-Injected: 1", L"", L"max-age=99999999", Now);
    EXPECT_EQ(L"", hostile.ConditionalHeaders());
    EXPECT_FALSE(hostile.IsDue(Later(59)));
    EXPECT_TRUE(hostile.IsDue(Later(60)));

    EXPECT_EQ(60, CAlertFeed::MaxAgeOf(L"Max-Age = \"60\"").Value());
    EXPECT_FALSE(CAlertFeed::MaxAgeOf(L"no-cache").HasValue);
    EXPECT_FALSE(CAlertFeed::MaxAgeOf(L"max-age=-5").HasValue);
    EXPECT_FALSE(CAlertFeed::MaxAgeOf(L"max-age=99999999999").HasValue);
}

TEST(WeatherAlertsTests, TellsEachSevereAlertOnceAcrossARestartUntilItEnds)
{
    const std::vector<CWeatherAlert> alerts = {
        Alert("extreme", AlertSeverity::Extreme, Later(40)),
        Alert("severe", AlertSeverity::Severe, Later(90)),
        Alert("moderate", AlertSeverity::Moderate, Later(90)),
        Alert("over", AlertSeverity::Extreme, Later(-1)),
    };
    CAlertNotifications told;
    const std::vector<CWeatherAlert> first = told.TakeNew(alerts, Now);
    ASSERT_EQ(2u, first.size());
    EXPECT_EQ("extreme", first[0].Id);
    EXPECT_EQ("severe", first[1].Id);
    EXPECT_TRUE(told.TakeNew(alerts, Later(1)).empty());
    told.Withdraw("severe"); // its notice could not be shown
    EXPECT_EQ(1u, told.TakeNew(alerts, Later(1)).size());

    // The next run reads what this one saved; the record of an alert that ended is dropped.
    CAlertNotifications restarted = CAlertNotifications::Parse(told.Serialize(), Later(60));
    EXPECT_FALSE(restarted.WasTold("extreme"));
    EXPECT_TRUE(restarted.WasTold("severe"));
    EXPECT_TRUE(restarted.TakeNew(alerts, Later(60)).empty());

    // A damaged file is no record at all.
    for (const std::string damaged :
         {"severe\n", "severe\t12x\n", "\t5\n", "severe\t5", "a\t99999999999999999999\n"})
    {
        SCOPED_TRACE(damaged);
        const CAlertNotifications read = CAlertNotifications::Parse(told.Serialize() + damaged, Now);
        EXPECT_FALSE(read.WasTold("severe"));
    }
}

TEST(WeatherAlertsTests, KeepsAlertsByCityUntilTheyEndOrTheServiceDropsThem)
{
    CWeatherAlertList list;
    list.Set(1,
             {Alert("a", AlertSeverity::Moderate, Later(30)), Alert("b", AlertSeverity::Severe, Later(90)),
              Alert("c", AlertSeverity::Severe, Later(60)), Alert("gone", AlertSeverity::Extreme, Later(0))},
             Now);
    list.Set(2, {Alert("d", AlertSeverity::Minor, Later(10))}, Now);
    ASSERT_EQ(3u, list.OfCity(1).size());
    EXPECT_EQ("c", list.MostImportant(1)->Id);
    EXPECT_EQ(nullptr, list.MostImportant(3));

    EXPECT_FALSE(list.Expire(Later(5)));
    EXPECT_TRUE(list.Expire(Later(30)));
    EXPECT_EQ(2u, list.OfCity(1).size());
    EXPECT_TRUE(list.OfCity(2).empty());

    list.Set(1, {Alert("b", AlertSeverity::Severe, Later(90))}, Now);
    ASSERT_EQ(1u, list.OfCity(1).size());
    EXPECT_EQ("b", list.OfCity(1)[0].Id);
    list.Keep({2});
    EXPECT_TRUE(list.IsEmpty());
}
