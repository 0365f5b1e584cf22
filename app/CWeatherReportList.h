// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "weather/CWeatherReport.h"

#include <mutex>
#include <vector>

// Finished reports on their way from the download worker to the user-interface thread. The
// lock is held for one append or one take-all, never across a download or a window call.
class CWeatherReportList
{
public:
    void Add(CPtr<CWeatherReport> report);
    std::vector<CPtr<CWeatherReport>> TakeAll();

private:
    std::mutex m_lock;
    std::vector<CPtr<CWeatherReport>> m_reports;
};
