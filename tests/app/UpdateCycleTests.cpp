// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CFormHidden.h"
#include "app/CWeatherDownloadWork.h"
#include "app/Program.h"
#include "ui/IWeatherView.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace
{
const DateTime kNow(2008, 6, 1, 12, 0, 0);

City MakeCity(int id, const wchar_t* code, const wchar_t* country)
{
    return City(id, code, country, code, L"", 34.0f, -118.0f);
}

// Answers from a script: a station in the failing set throws, every other one reports.
class FakeService : public IWeatherService
{
public:
    explicit FakeService(std::vector<std::wstring>& calls, bool failAll = false)
        : m_calls(calls), m_failAll(failAll)
    {
    }
    CPtr<CWeatherReport> GetWeatherReport(const CWeatherRequest& request) override
    {
        return Report(L"full:", request);
    }
    CPtr<CWeatherReport> GetCurrentWeatherReport(const CWeatherRequest& request) override
    {
        return Report(L"current:", request);
    }

private:
    CPtr<CWeatherReport> Report(const wchar_t* kind, const CWeatherRequest& request)
    {
        m_calls.push_back(kind + request.StationCode);
        if (m_failAll)
        {
            throw std::runtime_error("no answer");
        }
        CPtr<CWeatherReport> report(new CWeatherReport());
        report->CityId = request.CityId;
        return report;
    }
    std::vector<std::wstring>& m_calls;
    bool m_failAll;
};

struct Recorder
{
    std::vector<std::wstring> Calls;
    std::vector<std::pair<int, bool>> Reports; // city id, notify
    int Completions = 0;
    int Pauses = 0;
    bool FailAll = false;

    CWeatherDownloadWork::Hooks Hooks()
    {
        CWeatherDownloadWork::Hooks hooks;
        hooks.CreateService = [this]
        { return std::unique_ptr<IWeatherService>(new FakeService(Calls, FailAll)); };
        hooks.AddReport = [this](CPtr<CWeatherReport> report, bool notify)
        { Reports.emplace_back(report->CityId, notify); };
        hooks.BatchComplete = [this] { ++Completions; };
        hooks.PauseAfterFailure = [this] { ++Pauses; };
        return hooks;
    }
};

TEST(UpdateCycleScheduling, StaleMeansMoreThanAnHourOld)
{
    Recorder recorder;
    std::vector<City> favourites{MakeCity(2, L"LFPO", L"France"), MakeCity(3, L"RJTT", L"Japan"),
                                 MakeCity(4, L"EGLL", L"United Kingdom")};
    favourites[0].CurrentWeather.ReportDateTime = kNow - TimeSpan::FromMinutes(60); // exactly: fresh
    favourites[1].CurrentWeather.ReportDateTime = kNow - TimeSpan(TimeSpan::FromMinutes(60).Ticks() + 1);
    // favourites[2] was never updated: 1990, always stale

    CPtr<CWeatherDownloadWork> work =
        CWeatherDownloadWork::ForStaleCities(nullptr, favourites, kNow, true, recorder.Hooks());
    ASSERT_TRUE(work);
    EXPECT_TRUE(work->FullRequests.empty());
    ASSERT_EQ(2u, work->CurrentRequests.size());
    EXPECT_EQ(L"RJTT", work->CurrentRequests[0].StationCode);
    EXPECT_EQ(3, work->CurrentRequests[0].CityId);
    EXPECT_EQ(L"EGLL", work->CurrentRequests[1].StationCode);

    for (City& city : favourites)
    {
        city.CurrentWeather.ReportDateTime = kNow;
    }
    EXPECT_FALSE(CWeatherDownloadWork::ForStaleCities(nullptr, favourites, kNow, false, recorder.Hooks()));
}

TEST(UpdateCycleScheduling, OnlyAUsHomeCityGetsAForecast)
{
    Recorder recorder;
    const std::vector<City> none;
    City home = MakeCity(1, L"KLAX", L"USA"); // observation and forecast both stale
    CPtr<CWeatherDownloadWork> work =
        CWeatherDownloadWork::ForStaleCities(&home, none, kNow, false, recorder.Hooks());
    ASSERT_TRUE(work);
    ASSERT_EQ(1u, work->FullRequests.size());
    EXPECT_TRUE(work->CurrentRequests.empty());

    home.Forecast.ReportDateTime = kNow; // fresh forecast, stale observation
    work = CWeatherDownloadWork::ForStaleCities(&home, none, kNow, false, recorder.Hooks());
    ASSERT_TRUE(work);
    EXPECT_TRUE(work->FullRequests.empty());
    EXPECT_EQ(1u, work->CurrentRequests.size());

    City abroad = MakeCity(5, L"MMMX", L"Mexico");
    work = CWeatherDownloadWork::ForStaleCities(&abroad, none, kNow, false, recorder.Hooks());
    ASSERT_TRUE(work);
    EXPECT_TRUE(work->FullRequests.empty());
    EXPECT_EQ(1u, work->CurrentRequests.size());

    City usaLowerCase = MakeCity(6, L"KSFO", L"usa"); // the country must be exactly "USA"
    work = CWeatherDownloadWork::ForStaleCities(&usaLowerCase, none, kNow, false, recorder.Hooks());
    ASSERT_TRUE(work);
    EXPECT_TRUE(work->FullRequests.empty());
}

TEST(UpdateCycleScheduling, OneBatchAtATimeWhateverBecomesOfIt)
{
    // Behind a stalling network the ticks must not pile batches up before the one worker.
    Recorder recorder;
    auto running = std::make_unique<CWeatherDownloadWork>(false, recorder.Hooks());
    ASSERT_TRUE(running->Claim());
    CWeatherDownloadWork next(false, recorder.Hooks());
    EXPECT_FALSE(next.Claim());
    running->Execute();
    EXPECT_FALSE(next.Claim()) << "free again before the worker was done with it";
    running.reset();

    // Deleted unrun (the pool stopping first, or refusing it): free again all the same.
    auto unrun = std::make_unique<CWeatherDownloadWork>(false, recorder.Hooks());
    ASSERT_TRUE(unrun->Claim());
    EXPECT_TRUE(unrun->Claim()); // its own claim holds
    unrun.reset();
    EXPECT_TRUE(next.Claim());
}

TEST(UpdateCycleBatch, NotifiesAfterTheSecondFourthAndNinthReport)
{
    Recorder recorder;
    CWeatherDownloadWork work(true, recorder.Hooks());
    work.FullRequests.push_back(CWeatherRequest{1, 0, 0, L"KLAX"});
    for (int id = 10; id < 20; ++id)
    {
        work.CurrentRequests.push_back(CWeatherRequest{id, 0, 0, L"S" + std::to_wstring(id)});
    }
    work.Execute();

    ASSERT_EQ(11u, recorder.Reports.size());
    EXPECT_EQ(L"full:KLAX", recorder.Calls[0]);
    EXPECT_TRUE(recorder.Reports[0].second); // a full report follows the batch's flag
    std::vector<int> notified;
    for (size_t i = 1; i < recorder.Reports.size(); ++i)
    {
        if (recorder.Reports[i].second)
        {
            notified.push_back(static_cast<int>(i));
        }
    }
    EXPECT_EQ((std::vector<int>{2, 4, 9}), notified);
    EXPECT_EQ(1, recorder.Completions);

    Recorder quiet;
    CWeatherDownloadWork later(false, quiet.Hooks());
    later.CurrentRequests = work.CurrentRequests;
    later.Execute();
    for (const auto& report : quiet.Reports)
    {
        EXPECT_FALSE(report.second);
    }
}

TEST(UpdateCycleBatch, EveryCityFailingStillCompletesTheBatch)
{
    Recorder recorder;
    recorder.FailAll = true;
    CWeatherDownloadWork work(true, recorder.Hooks());
    work.FullRequests.push_back(CWeatherRequest{1, 0, 0, L"KLAX"});
    work.CurrentRequests.push_back(CWeatherRequest{2, 0, 0, L"LFPO"});
    work.CurrentRequests.push_back(CWeatherRequest{3, 0, 0, L"RJTT"});
    work.Execute();
    EXPECT_EQ(3u, recorder.Calls.size()); // no retries
    EXPECT_TRUE(recorder.Reports.empty());
    EXPECT_EQ(3, recorder.Pauses);
    EXPECT_EQ(1, recorder.Completions);
}

TEST(UpdateCycleApply, ReportsGoToTheirCityOnlyWhenNewer)
{
    City home = MakeCity(1, L"KLAX", L"USA");
    std::vector<City> favourites{MakeCity(2, L"LFPO", L"France"), MakeCity(2, L"LFPG", L"France")};

    std::vector<CPtr<CWeatherReport>> reports;
    auto add = [&](int id, DateTime observed, float temperature)
    {
        CPtr<CWeatherReport> report(new CWeatherReport());
        report->CityId = id;
        report->CurrentWeather.ReportDateTime = observed;
        report->CurrentWeather.Temprature = temperature;
        reports.push_back(std::move(report));
    };
    add(1, kNow, 20.0f);
    add(2, kNow, 15.0f);
    add(2, kNow - TimeSpan::FromMinutes(30), 99.0f); // an older second report changes nothing
    add(42, kNow, 0.0f);                             // a city that was removed meanwhile
    CWeatherDownloadWork::ApplyReports(reports, &home, favourites);

    EXPECT_EQ(20.0f, home.CurrentWeather.Temprature.Value());
    EXPECT_EQ(15.0f, favourites[0].CurrentWeather.Temprature.Value());
    EXPECT_FALSE(favourites[1].CurrentWeather.Temprature.HasValue); // only the first with that id
    // An observation-only report never disturbs the stored forecast.
    EXPECT_EQ(DateTime(1990, 1, 1, 0, 0, 0), home.Forecast.ReportDateTime);
}

TEST(UpdateCycleTimer, OneMinuteTwiceThenEveryFifteen)
{
    unsigned ticks = 0;
    EXPECT_EQ(0u, CFormHidden::AdvanceUpdateTimer(ticks));                            // at one minute
    EXPECT_EQ(CFormHidden::LaterTimerPeriod, CFormHidden::AdvanceUpdateTimer(ticks)); // at two
    for (int i = 0; i < 10; ++i)
    {
        EXPECT_EQ(0u, CFormHidden::AdvanceUpdateTimer(ticks));
    }
    EXPECT_EQ(3u, ticks);
}
} // namespace

namespace
{
class FakeView : public IWeatherView
{
public:
    explicit FakeView(bool fails) : m_fails(fails) {}
    void RefreshWeather() override
    {
        ++Refreshes;
        if (m_fails)
        {
            throw std::runtime_error("cannot draw");
        }
    }
    int Refreshes = 0;

private:
    bool m_fails;
};

TEST(UpdateCycleViews, AFailingViewDoesNotKeepTheOthersStale)
{
    FakeView map(true);
    FakeView local(false);
    Program::AddWeatherView(&map);
    Program::AddWeatherView(&local);
    Program::AddWeatherView(&local); // once only
    Program::UpdateViews();
    EXPECT_EQ(1, map.Refreshes);
    EXPECT_EQ(1, local.Refreshes);

    Program::RemoveWeatherView(&map);
    Program::RemoveWeatherView(&local);
    Program::UpdateViews();
    EXPECT_EQ(1, local.Refreshes);
}
} // namespace
