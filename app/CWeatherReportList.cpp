// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CWeatherReportList.h"

#include <utility>

void CWeatherReportList::Add(CPtr<CWeatherReport> report)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_reports.push_back(std::move(report));
}

std::vector<CPtr<CWeatherReport>> CWeatherReportList::TakeAll()
{
    std::vector<CPtr<CWeatherReport>> taken;
    std::lock_guard<std::mutex> guard(m_lock);
    taken.swap(m_reports);
    return taken;
}
