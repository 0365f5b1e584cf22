// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "data/City.h"
#include "weather/CCurrentWeather.h"
#include "weather/CForecast.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The weather kept across restarts: the last observation of each city, the home city's forecast
// and the forecast address the JSON API named for a city, in WeatherCache.txt of the per-user
// folder. Read at start-up, so that the map is full before the network is up, and written whole
// after each batch that brought something new.
//
// The file is UTF-8 text with CR LF line ends: a first line naming the format and its version,
// then one record a line, its fields separated by tabs, and a last line "end" (a file cut short
// is refused). A "C" record (id, station code) starts a city; the records after it, up to the
// next "C", are that city's: "O" its observation, "F" its forecast's time and "I" one forecast
// period each, "P" its forecast address. An absent value is an empty field. Records of a kind
// this version does not know, and fields after those it knows, are passed over, so that a later
// version may add them. Anything else that is wrong refuses the whole file: a cache is a
// convenience, never worth guessing at.
namespace WeatherCache
{
// The first line of the files this version writes and reads.
inline constexpr const char* Header = "Nimbrel weather cache\t1";
// Larger files are not ours; the loader does not even read them.
inline constexpr std::size_t MaxFileBytes = 4 * 1024 * 1024;
inline constexpr std::size_t MaxCities = 10000;
inline constexpr std::size_t MaxSummaryLength = 1000; // characters of one period's summary
inline constexpr std::size_t MaxUrlLength = 2000;

// What is kept for one city.
struct Entry
{
    int CityId = 0;
    std::wstring StationCode;
    bool HasCurrentWeather = false;
    CCurrentWeather CurrentWeather;
    bool HasForecast = false;
    CForecast Forecast;
    std::wstring ForecastUrl; // empty when none is kept
};

// The file's text for these entries.
std::string Write(const std::vector<Entry>& entries);
// The entries of a file's text; throws ApplicationException, naming the check, when the text is
// not a whole cache of this version.
std::vector<Entry> Read(const std::string& text);

// The entries for the home city (its observation and forecast) and each favourite (its
// observation) that has weather; forecastUrlOf gives a city's kept forecast address, if any.
std::vector<Entry> Collect(const City* homeCity, const std::vector<City>& favourites,
                           const std::function<std::wstring(const City&)>& forecastUrlOf);

// The city of the options an entry belongs to: the same id and station code, the home city first;
// null when there is none.
City* FindCity(const Entry& entry, City* homeCity, std::vector<City>& favourites);

// Gives each city of the options the weather kept for it where that is newer than its own (the
// forecast to the home city only). Entries of cities no longer in the options are dropped, and so
// is weather dated more than an hour after utcNow: it would pass for fresh until then. Returns how
// many cities took something.
std::size_t Apply(const std::vector<Entry>& entries, City* homeCity, std::vector<City>& favourites,
                  DateTime utcNow);

#ifdef _WIN32
// Reads the file into the cities (Apply) and hands its forecast addresses to the JSON API's
// client. Never throws: a missing file gives nothing, and an unreadable, oversized or malformed
// one is logged and ignored (the next save replaces it). Returns how many cities took weather.
std::size_t Load(const std::wstring& path, City* homeCity, std::vector<City>& favourites, DateTime utcNow);
// Writes the cities' weather and the API's forecast addresses over the file, whole (temporary
// file, flush, replace). Never throws; false (logged) when it could not be written.
bool Save(const std::wstring& path, const City* homeCity, const std::vector<City>& favourites);
#endif
} // namespace WeatherCache
