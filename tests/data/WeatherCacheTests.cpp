// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ApplicationException.h"
#include "data/WeatherCache.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "tests/support/TempFolder.h"

#include <filesystem>
#include <fstream>
#endif

#include <cstddef>
#include <string>
#include <vector>

namespace
{
const DateTime kNow = DateTime(2024, 1, 15, 12, 0, 0);

City Paris()
{
    return City(113600, L"LFPO", L"France", L"Paris", L"Orly", 48.733f, 2.4f);
}

City LosAngeles()
{
    return City(42, L"KLAX", L"USA", L"Los Angeles", L"", 33.9333f, -118.4f);
}

// Every field the model holds, with values that only round-trip when written exactly.
CCurrentWeather FullObservation()
{
    CCurrentWeather weather;
    weather.ReportDateTime = DateTime(2024, 1, 15, 10, 53, 0);
    weather.WeatherCode = Thunderstorms;
    weather.Temprature = -0.1f;
    weather.DewPoint = -3.33333f;
    weather.WindDirection = 280;
    weather.WindDirectionVariable = true;
    weather.WindVariableFrom = 250;
    weather.WindVariableTo = 310;
    weather.WindSpeed = 5.14444f;
    weather.WindGust = 12.3456789f;
    weather.Visibility = 1609.344f;
    weather.Pressure = 1013.2f;
    return weather;
}

CForecast TwoPeriods()
{
    CForecast forecast;
    forecast.ReportDateTime = DateTime::FromTicks(DateTime(2024, 1, 15, 11, 0, 0).Ticks(), DateTime::KindUtc);
    CForecastItem day;
    day.Start = DateTime(2024, 1, 15, 6, 0, 0);
    day.End = DateTime(2024, 1, 15, 18, 0, 0);
    // Tabs, line ends, backslashes and characters beyond ASCII (one outside the BMP) all survive.
    day.WeatherSummary = L"Rain \u2013 Windy\tthen\r\nC:\\ \U0001F327";
    day.WeatherCode = Rain;
    day.TempratureMin = 7.7777f;
    day.TempratureMax = 15.5556f;
    CForecastItem night; // everything optional left out
    night.Start = DateTime(2024, 1, 15, 18, 0, 0);
    night.End = DateTime(2024, 1, 16, 6, 0, 0);
    forecast.Items = {day, night};
    return forecast;
}

void ExpectSame(const CCurrentWeather& a, const CCurrentWeather& b)
{
    EXPECT_EQ(a.Dump(), b.Dump());
    EXPECT_EQ(a.ReportDateTime.Ticks(), b.ReportDateTime.Ticks());
    const auto same = [](const auto& x, const auto& y)
    { return x.HasValue == y.HasValue && (!x.HasValue || x.Value() == y.Value()); };
    EXPECT_TRUE(same(a.WeatherCode, b.WeatherCode));
    EXPECT_TRUE(same(a.Temprature, b.Temprature));
    EXPECT_TRUE(same(a.DewPoint, b.DewPoint));
    EXPECT_TRUE(same(a.WindDirection, b.WindDirection));
    EXPECT_EQ(a.WindDirectionVariable, b.WindDirectionVariable);
    EXPECT_TRUE(same(a.WindVariableFrom, b.WindVariableFrom));
    EXPECT_TRUE(same(a.WindVariableTo, b.WindVariableTo));
    EXPECT_TRUE(same(a.WindSpeed, b.WindSpeed));
    EXPECT_TRUE(same(a.WindGust, b.WindGust));
    EXPECT_TRUE(same(a.Visibility, b.Visibility));
    EXPECT_TRUE(same(a.Pressure, b.Pressure));
}

void ExpectRefused(const std::string& text, const char* why)
{
    EXPECT_THROW(WeatherCache::Read(text), ApplicationException) << why;
}
} // namespace

TEST(WeatherCacheTests, KeepsEveryFieldAndEveryAbsenceThroughAFile)
{
    City home = LosAngeles();
    home.CurrentWeather = FullObservation();
    home.Forecast = TwoPeriods();
    City favourite = Paris();
    favourite.CurrentWeather.ReportDateTime = DateTime(2024, 1, 15, 11, 0, 0); // nothing else known
    City never(7, L"EGLL", L"UK", L"London", L"", 51.5f, 0.0f);                // no weather: not kept
    const std::vector<City> favourites = {favourite, never};
    const auto url = [](const City& city)
    { return city.Id == 42 ? std::wstring(L"https://api.weather.gov/gridpoints/LOX/148,41/forecast") : L""; };

    const std::string text = WeatherCache::Write(WeatherCache::Collect(&home, favourites, url));
    EXPECT_EQ(0u, text.find(std::string(WeatherCache::Header) + "\r\n"));
    const std::vector<WeatherCache::Entry> entries = WeatherCache::Read(text);
    ASSERT_EQ(2u, entries.size());

    EXPECT_EQ(42, entries[0].CityId);
    EXPECT_EQ(L"KLAX", entries[0].StationCode);
    ASSERT_TRUE(entries[0].HasCurrentWeather);
    ExpectSame(home.CurrentWeather, entries[0].CurrentWeather);
    ASSERT_TRUE(entries[0].HasForecast);
    EXPECT_EQ(home.Forecast.Dump(), entries[0].Forecast.Dump());
    EXPECT_EQ(DateTime::KindUtc, entries[0].Forecast.ReportDateTime.GetKind());
    ASSERT_EQ(2u, entries[0].Forecast.Items.size());
    const CForecastItem& day = entries[0].Forecast.Items[0];
    EXPECT_EQ(home.Forecast.Items[0].WeatherSummary, day.WeatherSummary);
    EXPECT_EQ(home.Forecast.Items[0].TempratureMin.Value(), day.TempratureMin.Value());
    EXPECT_EQ(home.Forecast.Items[0].TempratureMax.Value(), day.TempratureMax.Value());
    EXPECT_FALSE(entries[0].Forecast.Items[1].WeatherCode.HasValue);
    EXPECT_FALSE(entries[0].Forecast.Items[1].TempratureMax.HasValue);
    EXPECT_EQ(L"https://api.weather.gov/gridpoints/LOX/148,41/forecast", entries[0].ForecastUrl);

    EXPECT_EQ(L"LFPO", entries[1].StationCode);
    ASSERT_TRUE(entries[1].HasCurrentWeather);
    ExpectSame(favourite.CurrentWeather, entries[1].CurrentWeather);
    EXPECT_FALSE(entries[1].HasForecast); // a favourite's forecast is never kept
    EXPECT_TRUE(entries[1].ForecastUrl.empty());

    // Written again, the same bytes: nothing drifts from one run to the next.
    EXPECT_EQ(text, WeatherCache::Write(entries));
    // A later version's records and fields are passed over, and LF alone does as a line end.
    std::string later = text;
    later.replace(later.find("\r\nC\t113600"), 2, "\r\nX\tsomething new\r\n");
    later.insert(later.find("\r\nF\t"), "\tnew field");
    std::string lf;
    for (const char c : later)
    {
        if (c != '\r')
        {
            lf += c;
        }
    }
    EXPECT_EQ(text, WeatherCache::Write(WeatherCache::Read(lf)));
}

TEST(WeatherCacheTests, RefusesACacheThatIsCutShortDamagedOrHostile)
{
    City home = LosAngeles();
    home.CurrentWeather = FullObservation();
    home.Forecast = TwoPeriods();
    const std::string good = WeatherCache::Write(WeatherCache::Collect(&home, {}, nullptr));
    ASSERT_NO_THROW(WeatherCache::Read(good));
    const auto replaced = [&](const std::string& from, const std::string& to)
    {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(std::string::npos, at) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };

    ExpectRefused("", "empty");
    ExpectRefused(good.substr(0, good.size() - 5), "without its end");
    ExpectRefused(good.substr(0, good.size() - 2), "its last line without a line end");
    ExpectRefused(good.substr(0, good.find("\r\nI\t") + 2) + "end\r\n" +
                      good.substr(good.find("\r\nI\t") + 2),
                  "text after the end");
    ExpectRefused(replaced("cache\t1", "cache\t2"), "another version");
    ExpectRefused(replaced("\t-0.1\t", "\tnan\t"), "a temperature that is no number");
    ExpectRefused(replaced("\t-0.1\t", "\t1e30\t"), "a temperature off any scale");
    ExpectRefused(replaced("\t280\t", "\t-1\t"), "a wind direction off the compass");
    ExpectRefused(replaced("\t17\t", "\t19\t"), "an unknown weather code");
    ExpectRefused(replaced("\r\nO\t", "\r\nO\t9" + std::string(30, '9')), "a time past the calendar");
    ExpectRefused(replaced("\tKLAX", "\tK/../X"), "a station code that is no code");
    ExpectRefused(replaced("\r\nO\t", "\r\nZZ\t"), "a record kind that is no letter");
    ExpectRefused(replaced("\tRain ", "\tRain \\q"), "an escape that means nothing");
    ExpectRefused(replaced("C\t42\tKLAX\r\n", ""), "weather before any city");
    ExpectRefused(replaced("\r\nF\t", "\r\nF\t1\t0\r\nF\t"), "two forecasts for one city");

    // More periods than any forecast holds, or more cities than the options could.
    std::string periods = good.substr(0, good.find("\r\nI\t") + 2);
    const std::string period = good.substr(
        good.find("\r\nI\t") + 2, good.find("\r\n", good.find("\r\nI\t") + 2) - good.find("\r\nI\t"));
    for (std::size_t i = 0; i <= CForecast::MaxItems; ++i)
    {
        periods += period;
    }
    ExpectRefused(periods + "end\r\n", "too many periods");
    std::string cities = std::string(WeatherCache::Header) + "\r\n";
    for (std::size_t i = 0; i <= WeatherCache::MaxCities; ++i)
    {
        cities += "C\t" + std::to_string(i) + "\tKLAX\r\n";
    }
    ExpectRefused(cities + "end\r\n", "too many cities");
}

TEST(WeatherCacheTests, GivesKeptWeatherOnlyToTheSameCityAndNeverAsFreshFromTheFuture)
{
    WeatherCache::Entry home;
    home.CityId = 42;
    home.StationCode = L"KLAX";
    home.HasCurrentWeather = true;
    home.CurrentWeather = FullObservation();
    home.HasForecast = true;
    home.Forecast = TwoPeriods();
    WeatherCache::Entry renamed = home; // the same id, another station: another city now
    renamed.StationCode = L"KSMO";
    WeatherCache::Entry paris = home;
    paris.CityId = 113600;
    paris.StationCode = L"LFPO";
    WeatherCache::Entry gone = paris;
    gone.CityId = 1;
    WeatherCache::Entry future = paris;
    future.CityId = 7;
    future.StationCode = L"EGLL";
    future.CurrentWeather.ReportDateTime = kNow + TimeSpan::FromMinutes(61);

    City losAngeles = LosAngeles();
    std::vector<City> favourites = {Paris(), City(7, L"EGLL", L"UK", L"London", L"", 51.5f, 0.0f)};
    EXPECT_EQ(2u, WeatherCache::Apply({renamed, gone, future, home, paris}, &losAngeles, favourites, kNow));

    EXPECT_EQ(home.CurrentWeather.Dump(), losAngeles.CurrentWeather.Dump());
    EXPECT_EQ(home.Forecast.Dump(), losAngeles.Forecast.Dump());
    EXPECT_EQ(paris.CurrentWeather.Dump(), favourites[0].CurrentWeather.Dump());
    EXPECT_TRUE(favourites[0].Forecast.Items.empty()) << "a favourite took a forecast";
    EXPECT_FALSE(favourites[1].CurrentWeather.Temprature.HasValue) << "weather from the future was taken";

    // Weather the cities already have newer is left alone.
    losAngeles.CurrentWeather.ReportDateTime = kNow;
    losAngeles.Forecast.ReportDateTime = kNow;
    EXPECT_EQ(0u, WeatherCache::Apply({home}, &losAngeles, favourites, kNow));
    EXPECT_EQ(kNow, losAngeles.CurrentWeather.ReportDateTime);
    EXPECT_EQ(kNow, losAngeles.Forecast.ReportDateTime);
}

#ifdef _WIN32
TEST(WeatherCacheFile, AnUnreadableOversizedOrDamagedFileIsIgnoredAndReplacedByTheNextSave)
{
    const TempFolder folder;
    const std::wstring path = folder.File(L"WeatherCache.txt");
    City home = LosAngeles();
    std::vector<City> favourites;
    EXPECT_EQ(0u, WeatherCache::Load(path, &home, favourites, kNow)); // none yet

    home.CurrentWeather = FullObservation();
    City saved = home;
    const std::string good = WeatherCache::Write(WeatherCache::Collect(&saved, favourites, nullptr));
    home = LosAngeles();
    const auto write = [&](const std::string& bytes)
    { std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc) << bytes; };

    write(good.substr(0, good.size() / 2));
    EXPECT_EQ(0u, WeatherCache::Load(path, &home, favourites, kNow));
    write(good.substr(0, good.size() - 5) + std::string(WeatherCache::MaxFileBytes, ' ') + "end\r\n");
    EXPECT_EQ(0u, WeatherCache::Load(path, &home, favourites, kNow));
    {
        // Held by another program that lets nobody read it.
        write(good);
        const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        EXPECT_EQ(0u, WeatherCache::Load(path, &home, favourites, kNow));
        CloseHandle(held);
    }
    EXPECT_FALSE(home.CurrentWeather.Temprature.HasValue);

    write("damaged");
    ASSERT_TRUE(WeatherCache::Save(path, &saved, favourites));
    EXPECT_EQ(1u, WeatherCache::Load(path, &home, favourites, kNow));
    EXPECT_EQ(saved.CurrentWeather.Dump(), home.CurrentWeather.Dump());
}
#endif
