// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/WeatherCache.h"

#include "platform/Log.h"
#include "platform/UtilFile.h"
#include "weather/CNoaaApiClient.h"

#include <windows.h>

std::size_t WeatherCache::Load(const std::wstring& path, City* homeCity, std::vector<City>& favourites,
                               DateTime utcNow)
{
    try
    {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        {
            return 0; // none yet
        }
        const unsigned long long size =
            (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (size > MaxFileBytes)
        {
            Log::Write(L"WeatherCache::Load", L"the weather cache is too large and is ignored");
            return 0;
        }
        const std::vector<Entry> entries = Read(UtilFile::ReadFileAscii(path));
        const std::size_t applied = Apply(entries, homeCity, favourites, utcNow);
        for (const Entry& entry : entries)
        {
            const City* city = FindCity(entry, homeCity, favourites);
            if (city != nullptr && !entry.ForecastUrl.empty())
            {
                CNoaaApiClient::KeepForecastUrl(city->Latitude, city->Longitude, entry.ForecastUrl);
            }
        }
        return applied;
    }
    catch (...)
    {
        // The weather comes again with the next batch, and the next save replaces the file.
        Log::Exception(L"WeatherCache::Load (the weather cache is ignored)");
        return 0;
    }
}

bool WeatherCache::Save(const std::wstring& path, const City* homeCity, const std::vector<City>& favourites)
{
    try
    {
        const auto forecastUrlOf = [](const City& city)
        {
            try
            {
                return CNoaaApiClient::KeptForecastUrlFor(city.Latitude, city.Longitude);
            }
            catch (...)
            {
                return std::wstring(); // the weather is worth saving without it
            }
        };
        UtilFile::WriteFileWhole(path, Write(Collect(homeCity, favourites, forecastUrlOf)));
        return true;
    }
    catch (...)
    {
        Log::Exception(L"WeatherCache::Save");
        return false;
    }
}
