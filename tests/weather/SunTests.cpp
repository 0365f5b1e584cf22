// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ApplicationException.h"
#include "core/ArgumentException.h"
#include "core/Util.h"
#include "weather/CSun.h"

#include "tests/support/ExpectThrowAt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Minutes from the date's midnight to the instant.
double MinutesAfter(DateTime date, DateTime instant)
{
    return static_cast<double>((instant - date.Date()).Ticks()) / TimeSpan::TicksPerMinute;
}

struct Place
{
    const char* name;
    double latitude;
    double longitude;
    int year, month, day;
    // The first sunrise after the date's 0h UTC and the sunset that follows it, in minutes after
    // that midnight, as published (upper limb on the horizon, standard refraction).
    double sunrise;
    double sunset;
};

TEST(SunriseSunset, AgreeWithPublishedTimesWithinTwoMinutes)
{
    const Place places[] = {
        {"Los Angeles", 33.938, -118.389, 2007, 1, 15, 14 * 60 + 58.7, 1507.5},
        {"Tokyo Narita", 35.767, 140.383, 2007, 1, 15, 21 * 60 + 47.8, 1908.5},
        {"Paris Orly", 48.733, 2.4, 2007, 6, 21, 3 * 60 + 47.3, 19 * 60 + 57.0},
        {"New York", 40.7128, -74.006, 2020, 1, 1, 12 * 60 + 20.0, 21 * 60 + 39.0},
        {"Sydney", -33.8688, 151.2093, 2020, 12, 21, 18 * 60 + 41.4, 1986.2},
        {"Reykjavik", 64.1466, -21.9426, 2021, 6, 21, 2 * 60 + 55.4, 1443.8},
        {"Quito", -0.1807, -78.4678, 2021, 3, 20, 11 * 60 + 18.0, 23 * 60 + 24.5},
        {"Cape Town", -33.9249, 18.4241, 2021, 6, 21, 5 * 60 + 51.4, 15 * 60 + 44.9},
        {"Suva", -18.14, 178.44, 2021, 1, 1, 17 * 60 + 34.3, 1845.9},
        {"Apia", -13.83, -171.76, 2021, 1, 1, 17 * 60 + 3.1, 1798.7},
        {"Tromso", 69.6492, 18.9553, 2021, 3, 1, 6 * 60 + 9.3, 15 * 60 + 45.4},
        {"Ushuaia", -54.8, -68.3, 2021, 12, 21, 7 * 60 + 51.5, 1511.4},
    };
    for (const Place& place : places)
    {
        SCOPED_TRACE(place.name);
        // Any time of the day names the same date.
        const DateTime date(place.year, place.month, place.day, 17, 45);
        Nullable<DateTime> sunrise;
        Nullable<DateTime> sunset;
        CSun::GetSunriseSunset(sunrise, place.latitude, place.longitude, date, sunset);
        ASSERT_TRUE(sunrise.HasValue);
        ASSERT_TRUE(sunset.HasValue);
        EXPECT_NEAR(place.sunrise, MinutesAfter(date, sunrise.Value()), 2.0);
        EXPECT_NEAR(place.sunset, MinutesAfter(date, sunset.Value()), 2.0);
    }
}

// Sunrise and sunset for many places and dates from an independent ephemeris; its header says how
// it was made.
const char kSunTimes[] =
#include "weather/SunTimesTable.inc"
    ;

struct SunTimesRow
{
    std::string line;
    double latitude = 0;
    double longitude = 0;
    DateTime date;
    DateTime sunrise;
    DateTime sunset;
    std::string polar; // "up" or "down" when the sun neither rises nor sets that date, else empty
};

// "2024-01-15", optionally followed by "T14:58:47".
DateTime ParseUtc(const std::string& text)
{
    if (text.size() != 10 && !(text.size() == 19 && text[10] == 'T'))
    {
        throw std::invalid_argument("not a date and time: " + text);
    }
    const bool hasTime = text.size() == 19;
    return DateTime(Util::ParseDigits(text, 0, 4), Util::ParseDigits(text, 5, 2),
                    Util::ParseDigits(text, 8, 2), hasTime ? Util::ParseDigits(text, 11, 2) : 0,
                    hasTime ? Util::ParseDigits(text, 14, 2) : 0,
                    hasTime ? Util::ParseDigits(text, 17, 2) : 0);
}

std::vector<SunTimesRow> ReadSunTimes()
{
    std::vector<SunTimesRow> rows;
    const std::string text = kSunTimes;
    std::size_t start = 0;
    while (start < text.size())
    {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back(); // a checkout with Windows line ends
        }
        if (line.empty() || line[0] == '#' || line.rfind("place,", 0) == 0)
        {
            continue;
        }
        const std::vector<std::string> fields = Util::Split(line);
        if (fields.size() != 7)
        {
            ADD_FAILURE() << "malformed row: " << line;
            continue;
        }
        SunTimesRow row;
        row.line = line;
        row.latitude = Util::ParseDouble(fields[1].c_str());
        row.longitude = Util::ParseDouble(fields[2].c_str());
        row.date = ParseUtc(fields[3]);
        row.polar = fields[6];
        if (row.polar.empty())
        {
            row.sunrise = ParseUtc(fields[4]);
            row.sunset = ParseUtc(fields[5]);
        }
        else if (fields[4] != "none" || fields[5] != "none" || (row.polar != "up" && row.polar != "down"))
        {
            ADD_FAILURE() << "malformed polar row: " << line;
            continue;
        }
        rows.push_back(row);
    }
    return rows;
}

double MinutesBetween(DateTime a, DateTime b)
{
    return static_cast<double>((b - a).Ticks()) / TimeSpan::TicksPerMinute;
}

TEST(SunriseSunset, AgreeWithTheEphemerisTableWithinTwoMinutes)
{
    const std::vector<SunTimesRow> rows = ReadSunTimes();
    ASSERT_GE(rows.size(), 100u);
    int polarRows = 0;
    for (const SunTimesRow& row : rows)
    {
        SCOPED_TRACE(row.line);
        const DateTime date = row.date + TimeSpan::FromMinutes(9 * 60 + 30);
        Nullable<DateTime> sunrise;
        Nullable<DateTime> sunset;
        CSun::GetSunriseSunset(sunrise, row.latitude, row.longitude, date, sunset);
        if (!row.polar.empty())
        {
            ++polarRows;
            EXPECT_FALSE(sunrise.HasValue || sunset.HasValue);
            EXPECT_EQ(row.polar == "up", CSun::IsDay(row.latitude, row.longitude, date));
            continue;
        }
        ASSERT_TRUE(sunrise.HasValue && sunset.HasValue);
        EXPECT_NEAR(0.0, MinutesBetween(row.sunrise, sunrise.Value()), 2.0);
        EXPECT_NEAR(0.0, MinutesBetween(row.sunset, sunset.Value()), 2.0);

        // Around the published times the place itself turns from night to day and back.
        const TimeSpan margin = TimeSpan::FromMinutes(10);
        EXPECT_FALSE(CSun::IsDay(row.latitude, row.longitude, row.sunrise - margin));
        EXPECT_TRUE(CSun::IsDay(row.latitude, row.longitude, row.sunrise + margin));
        EXPECT_TRUE(CSun::IsDay(row.latitude, row.longitude, row.sunset - margin));
        EXPECT_FALSE(CSun::IsDay(row.latitude, row.longitude, row.sunset + margin));
    }
    EXPECT_GE(polarRows, 6);
}

TEST(SunriseSunset, EveryPlaceBetweenThePolarCirclesHasADayAndANight)
{
    // Walks the globe and the year: the sunrise falls on the given date, the day is shorter than a
    // day, the middle of the day is day and the middle of the night is night, wherever the local
    // day lies against the UTC date.
    for (int latitude = -65; latitude <= 65; latitude += 13)
    {
        for (int longitude = -180; longitude <= 180; longitude += 36)
        {
            for (int month = 1; month <= 12; month += 2)
            {
                SCOPED_TRACE(testing::Message() << latitude << " " << longitude << " month " << month);
                const DateTime date(2023, month, 28, 0, 0);
                Nullable<DateTime> sunrise;
                Nullable<DateTime> sunset;
                CSun::GetSunriseSunset(sunrise, latitude, longitude, date, sunset);
                ASSERT_TRUE(sunrise.HasValue && sunset.HasValue);
                const double rise = MinutesAfter(date, sunrise.Value());
                const double set = MinutesAfter(date, sunset.Value());
                EXPECT_GE(rise, 0.0);
                EXPECT_LT(rise, 1440.0);
                EXPECT_GT(set - rise, 0.0);
                EXPECT_LT(set - rise, 1440.0);

                const std::int64_t length = (sunset.Value() - sunrise.Value()).Ticks();
                const DateTime noon = sunrise.Value() + TimeSpan(length / 2);
                const DateTime midnight = noon + TimeSpan(TimeSpan::TicksPerDay / 2);
                EXPECT_TRUE(CSun::IsDay(noon, sunrise, sunset, latitude));
                EXPECT_FALSE(CSun::IsDay(midnight, sunrise, sunset, latitude));
                // The same answers from the place itself, which computes its own date's window.
                EXPECT_TRUE(CSun::IsDay(latitude, longitude, noon));
                EXPECT_FALSE(CSun::IsDay(latitude, longitude, midnight));
            }
        }
    }
}

TEST(SunriseSunset, NeighbouringDaysCoverLocalDaysAcrossTheUtcDate)
{
    // Late afternoon in Los Angeles is the early hours of the next UTC date; late morning in
    // Tokyo is before the UTC date's own sunrise there.
    EXPECT_TRUE(CSun::IsDay(33.938, -118.389, DateTime(2007, 1, 15, 0, 30)));
    EXPECT_FALSE(CSun::IsDay(33.938, -118.389, DateTime(2007, 1, 15, 6, 0)));
    EXPECT_TRUE(CSun::IsDay(35.767, 140.383, DateTime(2007, 1, 15, 2, 0)));
    EXPECT_FALSE(CSun::IsDay(35.767, 140.383, DateTime(2007, 1, 15, 14, 0)));

    // On both sides of the date line: Suva's noon is near 0h UTC, Apia's near 23h30 UTC.
    EXPECT_TRUE(CSun::IsDay(-18.14, 178.44, DateTime(2021, 1, 1, 0, 10)));
    EXPECT_FALSE(CSun::IsDay(-18.14, 178.44, DateTime(2021, 1, 1, 12, 10)));
    EXPECT_TRUE(CSun::IsDay(-13.83, -171.76, DateTime(2021, 1, 1, 23, 30)));
    EXPECT_FALSE(CSun::IsDay(-13.83, -171.76, DateTime(2021, 1, 1, 11, 30)));

    // The meridian 180 has two names for one place.
    Nullable<DateTime> riseEast, setEast, riseWest, setWest;
    const DateTime date(2021, 9, 1, 0, 0);
    CSun::GetSunriseSunset(riseEast, 0.0, 180.0, date, setEast);
    CSun::GetSunriseSunset(riseWest, 0.0, -180.0, date, setWest);
    EXPECT_NEAR(MinutesAfter(date, riseEast.Value()), MinutesAfter(date, riseWest.Value()), 1.0);
    EXPECT_NEAR(MinutesAfter(date, setEast.Value()), MinutesAfter(date, setWest.Value()), 1.0);
    EXPECT_NEAR(17 * 60 + 56.5, MinutesAfter(date, riseEast.Value()), 2.0);
}

TEST(SunriseSunset, PolarDayAndNightInBothHemispheres)
{
    struct Polar
    {
        double latitude;
        int month, day;
        bool isDay;
    };
    const Polar cases[] = {
        {78.0, 6, 21, true},   {78.0, 12, 21, false}, {69.65, 7, 1, true},    {69.65, 12, 15, false},
        {-78.0, 6, 21, false}, {-78.0, 1, 10, true},  {-77.85, 12, 21, true}, {-69.0, 6, 21, false},
        {90.0, 6, 1, true},    {90.0, 1, 1, false},   {-90.0, 1, 1, true},    {-90.0, 7, 1, false},
    };
    for (const Polar& polar : cases)
    {
        for (double longitude : {-180.0, -75.0, 0.0, 139.0, 180.0})
        {
            SCOPED_TRACE(testing::Message()
                         << polar.latitude << " " << longitude << " " << polar.month << "-" << polar.day);
            const DateTime now(2007, polar.month, polar.day, 12, 0);
            Nullable<DateTime> sunrise = now;
            Nullable<DateTime> sunset = now;
            CSun::GetSunriseSunset(sunrise, polar.latitude, longitude, now, sunset);
            EXPECT_FALSE(sunrise.HasValue);
            EXPECT_FALSE(sunset.HasValue);
            EXPECT_EQ(polar.isDay, CSun::IsDay(polar.latitude, longitude, now));
        }
    }

    // Closer to the equator the sun always rises, so a missing window is an error.
    const Nullable<DateTime> none;
    EXPECT_THROW_AT(CSun::IsDay(DateTime(2007, 1, 1, 12, 0), none, none, 50), ApplicationException,
                    "CSun::IsDay (498)");
}

TEST(SunriseSunset, HostileInputsFailInsideTheFamily)
{
    Nullable<DateTime> sunrise;
    Nullable<DateTime> sunset;
    const DateTime date(2007, 6, 21, 0, 0);

    // Out of range, also infinitely, clears earlier results and names the check.
    for (const auto& [latitude, longitude] :
         {std::pair{90.5, 0.0}, std::pair{-90.5, 0.0}, std::pair{0.0, 180.5}, std::pair{0.0, -181.0},
          std::pair{kInf, 0.0}, std::pair{0.0, -kInf}})
    {
        sunrise = date;
        sunset = date;
        EXPECT_THROW_AT(CSun::GetSunriseSunset(sunrise, latitude, longitude, date, sunset), ArgumentException,
                        "CSun::GetSunriseSunset (391)");
        EXPECT_FALSE(sunrise.HasValue);
        EXPECT_FALSE(sunset.HasValue);
    }

    // The poles are computed one degree short of them.
    Nullable<DateTime> rise89, set89;
    CSun::GetSunriseSunset(sunrise, 90.0, 10.0, DateTime(2007, 3, 19, 0, 0), sunset);
    CSun::GetSunriseSunset(rise89, 89.0, 10.0, DateTime(2007, 3, 19, 0, 0), set89);
    ASSERT_TRUE(sunrise.HasValue && rise89.HasValue);
    EXPECT_EQ(rise89.Value(), sunrise.Value());
    EXPECT_EQ(set89.Value(), sunset.Value());

    // A latitude that is no number has no sunrise; the season cannot tell either.
    CSun::GetSunriseSunset(sunrise, kNaN, 10.0, date, sunset);
    EXPECT_FALSE(sunrise.HasValue || sunset.HasValue);
    EXPECT_THROW_AT(CSun::IsDay(kNaN, 10.0, date), ApplicationException, "CSun::IsDay (498)");
    // A longitude that is no number gives no time of day at all.
    EXPECT_THROW_AT(CSun::GetSunriseSunset(sunrise, 45.0, kNaN, date, sunset), ApplicationException,
                    "calcGeomMeanLongSun (123)");
    EXPECT_THROW_AT(CSun::IsDay(kNaN, kNaN, date), ApplicationException, "calcGeomMeanLongSun (123)");

    // The ends of the calendar: results where they fit, a range failure where the sunset would not.
    CSun::GetSunriseSunset(sunrise, 0.0, 0.0, DateTime(1, 1, 1, 0, 0), sunset);
    EXPECT_TRUE(sunrise.HasValue && sunset.HasValue);
    EXPECT_FALSE(CSun::IsDay(DateTime(), sunrise, sunset, 0.0));
    CSun::GetSunriseSunset(sunrise, 0.0, 0.0, DateTime(9999, 12, 31, 0, 0), sunset);
    EXPECT_TRUE(sunrise.HasValue && sunset.HasValue);
    EXPECT_TRUE(CSun::IsDay(DateTime(9999, 12, 31, 12, 0), sunrise, sunset, 0.0));
    EXPECT_THROW(CSun::GetSunriseSunset(sunrise, 0.0, -170.0, DateTime(9999, 12, 31, 0, 0), sunset),
                 ApplicationException);
    EXPECT_FALSE(sunrise.HasValue || sunset.HasValue);

    EXPECT_THROW_AT(calcGeomMeanLongSun(kNaN), ApplicationException, "calcGeomMeanLongSun (123)");
    EXPECT_THROW_AT(calcGeomMeanLongSun(kInf), ApplicationException, "calcGeomMeanLongSun (123)");
    EXPECT_THROW_AT(calcGeomMeanLongSun(-kInf), ApplicationException, "calcGeomMeanLongSun (123)");
    // Far outside any use, where a conversion of the turn count to an integer would overflow.
    for (double t : {-1e8, -123456789.5, 1e12, -1e150, 1e150, -0.0077904})
    {
        const double l0 = calcGeomMeanLongSun(t);
        EXPECT_GE(l0, 0.0) << t;
        EXPECT_LT(l0, 360.0) << t;
    }
}
} // namespace
