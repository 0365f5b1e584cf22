// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CAlertMonitor.h"

#include "platform/Log.h"
#include "platform/UtilFile.h"

#include <algorithm>
#include <utility>

std::vector<CAlertPollWork::Poll>
CAlertMonitor::DuePolls(const City* homeCity, const std::vector<City>& favourites, DateTime utcNow)
{
    std::vector<const City*> cities;
    if (homeCity != nullptr && homeCity->Country == L"USA")
    {
        cities.push_back(homeCity);
    }
    for (const City& city : favourites)
    {
        const bool listed = std::any_of(cities.begin(), cities.end(),
                                        [&](const City* other) { return other->Id == city.Id; });
        if (city.Country == L"USA" && !listed)
        {
            cities.push_back(&city);
        }
    }
    std::vector<int> ids;
    std::vector<CAlertPollWork::Poll> polls;
    for (const City* city : cities)
    {
        ids.push_back(city->Id);
        const CAlertFeed& feed = m_feeds[city->Id];
        if (feed.IsDue(utcNow))
        {
            CAlertPollWork::Poll poll;
            poll.CityId = city->Id;
            poll.Latitude = city->Latitude;
            poll.Longitude = city->Longitude;
            poll.Feed = feed;
            polls.push_back(std::move(poll));
        }
    }
    for (auto feed = m_feeds.begin(); feed != m_feeds.end();)
    {
        feed = std::find(ids.begin(), ids.end(), feed->first) != ids.end() ? std::next(feed)
                                                                           : m_feeds.erase(feed);
    }
    m_list.Keep(ids);
    return polls;
}

void CAlertMonitor::Deliver(std::vector<CAlertPollWork::Poll> results)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (CAlertPollWork::Poll& result : results)
    {
        m_delivered.push_back(std::move(result));
    }
}

bool CAlertMonitor::Apply(int homeCityId, DateTime utcNow, std::vector<CWeatherAlert>& told)
{
    std::vector<CAlertPollWork::Poll> results;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        results.swap(m_delivered);
    }
    bool changed = false;
    for (CAlertPollWork::Poll& result : results)
    {
        const auto feed = m_feeds.find(result.CityId);
        if (feed == m_feeds.end())
        {
            continue; // no longer a city of ours
        }
        feed->second = result.Feed;
        if (result.Changed)
        {
            m_list.Set(result.CityId, std::move(result.Alerts), utcNow);
            changed = true;
        }
    }
    m_told.Forget(utcNow);
    told = m_told.TakeNew(m_list.OfCity(homeCityId), utcNow);
    return changed;
}

bool CAlertMonitor::Expire(DateTime utcNow)
{
    return m_list.Expire(utcNow);
}

bool CAlertMonitor::Clear()
{
    const bool had = !m_list.IsEmpty();
    m_list.Keep({});
    m_feeds.clear();
    return had;
}

void CAlertMonitor::LoadTold(const std::wstring& path, DateTime utcNow)
{
    try
    {
        m_told = CAlertNotifications::Parse(UtilFile::ReadFileAscii(path), utcNow);
    }
    catch (...)
    {
        m_told = CAlertNotifications(); // missing or unreadable: nothing told yet
    }
}

void CAlertMonitor::SaveTold(const std::wstring& path) const
{
    try
    {
        UtilFile::WriteFileWhole(path, m_told.Serialize());
    }
    catch (...)
    {
        Log::Exception(L"CAlertMonitor::SaveTold");
    }
}
