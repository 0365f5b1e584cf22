// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "app/IWeatherService.h"
#include "core/CPtr.h"
#include "core/DateTime.h"
#include "data/City.h"
#include "platform/IWork.h"
#include "weather/CWeatherReport.h"
#include "weather/CWeatherRequest.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// One batch of downloads, run on the download worker. It holds copies of what it needs, so the
// worker never touches the live cities, and hands each report back through its hooks.
class CWeatherDownloadWork : public IWork
{
public:
    // What a batch needs from the program; the tests supply their own.
    struct Hooks
    {
        std::function<std::unique_ptr<IWeatherService>()> CreateService;
        std::function<void(CPtr<CWeatherReport>, bool notify)> AddReport;
        std::function<void()> BatchComplete;     // after the last request, failed or not
        std::function<void()> PauseAfterFailure; // a second's rest before the next city
    };

    CWeatherDownloadWork(bool notify, Hooks hooks);
    ~CWeatherDownloadWork() override;
    CWeatherDownloadWork(const CWeatherDownloadWork&) = delete;
    CWeatherDownloadWork& operator=(const CWeatherDownloadWork&) = delete;

    // The batch for every city whose data is more than an hour old at utcNow: a home city in the
    // USA gets its forecast too, every other city only the observation. Empty when all are fresh.
    static CPtr<CWeatherDownloadWork> ForStaleCities(const City* homeCity,
                                                     const std::vector<City>& favourites, DateTime utcNow,
                                                     bool notify, Hooks hooks);

    // Stores each report in the city with its id (the home city first); a report for a city that
    // is gone is dropped.
    static void ApplyReports(const std::vector<CPtr<CWeatherReport>>& reports, City* homeCity,
                             std::vector<City>& favourites);

    // At most one batch is queued or running at a time: behind a stalling network, batches queued
    // on every tick would pile up without bound before the one worker. Claim makes this batch
    // that one, and fails while another still is; the claim ends when the batch is deleted,
    // whether it ran or not.
    bool Claim();
    static bool IsOneClaimed() { return s_claimed.load(); }

    bool Notify() const { return m_notify; }
    bool IsEmpty() const { return FullRequests.empty() && CurrentRequests.empty(); }

    void Execute() override;

    std::vector<CWeatherRequest> FullRequests;    // observation and forecast
    std::vector<CWeatherRequest> CurrentRequests; // observation only

private:
    static std::atomic<bool> s_claimed;

    bool m_notify;
    bool m_claimed = false;
    Hooks m_hooks;
};

template <> struct TypeName<CWeatherDownloadWork>
{
    static constexpr const char* Value = "class CWeatherDownloadWork";
};
