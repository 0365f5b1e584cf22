// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CAlertMonitor.h"
#include "platform/UtilFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
const DateTime Now(2026, 12, 9, 21, 5, 0);

City InCountry(int id, const wchar_t* country)
{
    return City(id, L"KLAX", country, L"City " + std::to_wstring(id), L"", 34.0522f, -118.2437f);
}

CAlertPollWork::Poll Answer(const CAlertPollWork::Poll& poll, AlertSeverity severity, int minutes)
{
    CAlertPollWork::Poll answered = poll;
    answered.Changed = true;
    CWeatherAlert alert;
    alert.Id = "urn:oid:" + std::to_string(poll.CityId);
    alert.Event = L"Tornado Warning";
    alert.Severity = severity;
    alert.Expires = Now + TimeSpan(minutes * TimeSpan::TicksPerMinute);
    answered.Alerts.push_back(alert);
    answered.Feed.OnAnswer(L"", L"", L"", Now);
    return answered;
}
} // namespace

TEST(AlertMonitorTests, PollsCitiesInTheUsaAndTellsTheHomeCitysSevereAlertsOnceAcrossARestart)
{
    const TempFolder folder;
    const std::wstring told = folder.File(L"NotifiedAlerts.txt");
    const City home = InCountry(1, L"USA");
    const std::vector<City> favourites = {InCountry(1, L"USA"), InCountry(2, L"USA"),
                                          InCountry(3, L"Canada")};

    CAlertMonitor monitor;
    monitor.LoadTold(told, Now); // no file yet
    std::vector<CAlertPollWork::Poll> polls = monitor.DuePolls(&home, favourites, Now);
    ASSERT_EQ(2u, polls.size());
    EXPECT_EQ(1, polls[0].CityId);
    EXPECT_EQ(2, polls[1].CityId);
    monitor.Deliver(
        {Answer(polls[0], AlertSeverity::Extreme, 40), Answer(polls[1], AlertSeverity::Extreme, 40)});
    std::vector<CWeatherAlert> tell;
    EXPECT_TRUE(monitor.Apply(1, Now, tell));
    ASSERT_EQ(1u, tell.size()); // the home city's only
    EXPECT_EQ("urn:oid:1", tell[0].Id);
    EXPECT_EQ(2u, monitor.List().All().size());
    EXPECT_TRUE(monitor.DuePolls(&home, favourites, Now).empty()); // not before two minutes
    monitor.SaveTold(told);

    CAlertMonitor restarted;
    restarted.LoadTold(told, Now);
    polls = restarted.DuePolls(&home, favourites, Now);
    restarted.Deliver({Answer(polls[0], AlertSeverity::Extreme, 40)});
    restarted.Apply(1, Now, tell);
    EXPECT_TRUE(tell.empty());

    // An unreadable record tells again rather than never; the alert's end removes it.
    UtilFile::WriteFileWhole(told, "\x01garbage");
    CAlertMonitor damaged;
    damaged.LoadTold(told, Now);
    polls = damaged.DuePolls(&home, favourites, Now);
    damaged.Deliver({Answer(polls[0], AlertSeverity::Severe, 40)});
    damaged.Apply(1, Now, tell);
    EXPECT_EQ(1u, tell.size());
    EXPECT_TRUE(damaged.Expire(Now + TimeSpan(41 * TimeSpan::TicksPerMinute)));
    EXPECT_TRUE(damaged.List().IsEmpty());
}
