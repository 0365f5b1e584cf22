// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CAlertNotifications.h"

#include "core/ApplicationException.h"
#include "core/TimeSpan.h"

#include <algorithm>
#include <cstdint>

std::vector<CWeatherAlert> CAlertNotifications::TakeNew(const std::vector<CWeatherAlert>& alerts,
                                                        DateTime utcNow)
{
    std::vector<CWeatherAlert> fresh;
    for (const CWeatherAlert& alert : alerts)
    {
        if (!alert.IsSevere() || alert.IsOver(utcNow) || WasTold(alert.Id))
        {
            continue;
        }
        const Nullable<DateTime> end = alert.End();
        m_told[alert.Id] =
            end.HasValue ? end.Value().Ticks() : utcNow.Ticks() + DaysKeptWithoutEnd * TimeSpan::TicksPerDay;
        fresh.push_back(alert);
    }
    return fresh;
}

bool CAlertNotifications::Forget(DateTime utcNow)
{
    const std::size_t before = m_told.size();
    for (auto record = m_told.begin(); record != m_told.end();)
    {
        record = record->second <= utcNow.Ticks() ? m_told.erase(record) : std::next(record);
    }
    return m_told.size() != before;
}

std::string CAlertNotifications::Serialize() const
{
    std::string text;
    for (const auto& [id, end] : m_told)
    {
        text += id + '\t' + std::to_string(end) + '\n';
    }
    return text;
}

CAlertNotifications CAlertNotifications::Parse(const std::string& text, DateTime utcNow)
{
    CAlertNotifications read;
    std::size_t start = 0;
    while (start < text.size())
    {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
        {
            return CAlertNotifications(); // cut short
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t tab = line.find('\t');
        const std::string ticks = tab == std::string::npos ? std::string() : line.substr(tab + 1);
        if (tab == 0 || ticks.empty() || ticks.size() > 19 ||
            !std::all_of(ticks.begin(), ticks.end(), [](char c) { return c >= '0' && c <= '9'; }))
        {
            return CAlertNotifications();
        }
        const std::int64_t value = std::stoll(ticks);
        if (value > DateTime::MaxTicks)
        {
            return CAlertNotifications();
        }
        read.m_told[line.substr(0, tab)] = value;
    }
    read.Forget(utcNow);
    return read;
}
