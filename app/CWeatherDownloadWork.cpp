// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CWeatherDownloadWork.h"

#include "platform/Log.h"

#include <utility>

std::atomic<bool> CWeatherDownloadWork::s_claimed{false};

CWeatherDownloadWork::CWeatherDownloadWork(bool notify, Hooks hooks)
    : m_notify(notify), m_hooks(std::move(hooks))
{
}

CWeatherDownloadWork::~CWeatherDownloadWork()
{
    // Deleted by the worker after it ran, by the pool when it stops first, or unqueued by the
    // scheduler: each way the next tick may schedule again.
    if (m_claimed)
    {
        s_claimed.store(false);
    }
}

bool CWeatherDownloadWork::Claim()
{
    bool expected = false;
    m_claimed = m_claimed || s_claimed.compare_exchange_strong(expected, true);
    return m_claimed;
}

namespace
{
CWeatherRequest RequestFor(const City& city)
{
    CWeatherRequest request;
    request.CityId = city.Id;
    request.Latitude = city.Latitude;
    request.Longitude = city.Longitude;
    request.StationCode = city.StationCode;
    return request;
}
} // namespace

CPtr<CWeatherDownloadWork> CWeatherDownloadWork::ForStaleCities(const City* homeCity,
                                                                const std::vector<City>& favourites,
                                                                DateTime utcNow, bool notify, Hooks hooks)
{
    // A time equal to the cutoff is still fresh.
    const DateTime cutoff = utcNow - TimeSpan::FromMinutes(60);
    CPtr<CWeatherDownloadWork> work(new CWeatherDownloadWork(notify, std::move(hooks)));
    if (homeCity != nullptr)
    {
        if (homeCity->Country == L"USA" && homeCity->Forecast.ReportDateTime < cutoff)
        {
            work->FullRequests.push_back(RequestFor(*homeCity));
        }
        else if (homeCity->CurrentWeather.ReportDateTime < cutoff)
        {
            work->CurrentRequests.push_back(RequestFor(*homeCity));
        }
    }
    for (const City& city : favourites)
    {
        if (city.CurrentWeather.ReportDateTime < cutoff)
        {
            work->CurrentRequests.push_back(RequestFor(city));
        }
    }
    if (work->IsEmpty())
    {
        work.Reset();
    }
    return work;
}

void CWeatherDownloadWork::ApplyReports(const std::vector<CPtr<CWeatherReport>>& reports, City* homeCity,
                                        std::vector<City>& favourites)
{
    for (const CPtr<CWeatherReport>& report : reports)
    {
        if (homeCity != nullptr && report->CityId == homeCity->Id)
        {
            homeCity->UpdateWeather(*report);
            continue;
        }
        for (City& city : favourites)
        {
            if (city.Id == report->CityId)
            {
                city.UpdateWeather(*report);
                break;
            }
        }
    }
}

void CWeatherDownloadWork::Execute()
{
    std::unique_ptr<IWeatherService> service = m_hooks.CreateService();

    for (const CWeatherRequest& request : FullRequests)
    {
        try
        {
            m_hooks.AddReport(service->GetWeatherReport(request), m_notify);
        }
        catch (...)
        {
            Log::Exception(L"CWeatherDownloadWork::Execute (full)");
            m_hooks.PauseAfterFailure();
        }
    }

    // In a first batch the views fill in early: after the 2nd, 4th, 9th, 14th, ... report,
    // rather than redrawing after every city.
    unsigned counter = 1;
    for (const CWeatherRequest& request : CurrentRequests)
    {
        try
        {
            CPtr<CWeatherReport> report = service->GetCurrentWeatherReport(request);
            ++counter;
            const bool notify = m_notify && (counter == 3 || counter % 5 == 0);
            m_hooks.AddReport(std::move(report), notify);
        }
        catch (...)
        {
            Log::Exception(L"CWeatherDownloadWork::Execute (current)");
            m_hooks.PauseAfterFailure();
        }
    }

    service.reset();
    m_hooks.BatchComplete();
}
