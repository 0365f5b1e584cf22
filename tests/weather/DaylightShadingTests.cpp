// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CDaylightShading.h"
#include "weather/CSun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace
{
constexpr int kHalf = CDaylightShading::FullDay / 2;

// The shading of the whole earth at one pixel a degree, under the sun at the instant.
CDaylightShading WholeEarth(DateTime instant)
{
    double latitude = 0;
    double longitude = 0;
    CSun::GetSubsolarPoint(instant, latitude, longitude);
    return CDaylightShading(-180, 90, 180, -90, 360, 180, latitude, longitude);
}

// At the moment the sun rises (or sets) at a place, the middle of twilight runs through the place:
// along its latitude, the day side of the shading begins at its longitude, within seconds of time.
TEST(DaylightShading, TwilightsMiddleIsWhereTheSunRisesAndSetsAtEquinoxAndSolstices)
{
    struct Place
    {
        double Latitude;
        double Longitude;
    };
    const Place places[] = {{0.2, -78.5}, {45.0, 7.0},    {-33.9, 151.2},
                            {60.0, 25.0}, {-50.0, -70.0}, {35.7, 179.6}};
    const DateTime dates[] = {DateTime(2024, 3, 20, 0, 0), DateTime(2024, 6, 21, 0, 0),
                              DateTime(2024, 12, 21, 0, 0)};
    constexpr double kSpan = 1.0;      // degrees of longitude either side of the place
    constexpr int kColumns = 2000;     // a thousandth of a degree each
    constexpr double kTolerance = 0.1; // degrees of longitude: 24 seconds of the earth's turn
    for (const DateTime& date : dates)
    {
        for (const Place& place : places)
        {
            Nullable<DateTime> sunrise;
            Nullable<DateTime> sunset;
            CSun::GetSunriseSunset(sunrise, place.Latitude, place.Longitude, date, sunset);
            ASSERT_TRUE(sunrise.HasValue && sunset.HasValue);
            for (const bool rising : {true, false})
            {
                SCOPED_TRACE(testing::Message()
                             << date.Month() << "/" << date.Day() << " " << place.Latitude << ","
                             << place.Longitude << (rising ? " sunrise" : " sunset"));
                double sunLatitude = 0;
                double sunLongitude = 0;
                CSun::GetSubsolarPoint(rising ? sunrise.Value() : sunset.Value(), sunLatitude, sunLongitude);
                const CDaylightShading shading(place.Longitude - kSpan, place.Latitude + 0.0005,
                                               place.Longitude + kSpan, place.Latitude - 0.0005, kColumns, 1,
                                               sunLatitude, sunLongitude);
                // Rising, the day lies to the east; setting, to the west.
                const auto lit = [&](int x) { return (shading.Weight(x, 0) >= kHalf) == rising; };
                ASSERT_FALSE(lit(0));
                ASSERT_TRUE(lit(kColumns - 1));
                int x = 0;
                while (!lit(x))
                {
                    ++x;
                }
                const double crossing = place.Longitude - kSpan + x * (2 * kSpan / kColumns);
                EXPECT_NEAR(place.Longitude, crossing, kTolerance);
            }
        }
    }
}

// Every city's day or night icon matches the light under it: in full day or full night
// everywhere, and in twilight away from its thin middle up to the latitudes where the sun's altitude
// changes so slowly, around the equinoxes, that the minutes by which a neighbouring day's sunrise
// stands in for the day's own are a visible part of twilight. A row of pixels is lit exactly as its
// weights say, whether it is blended pixel by pixel or known as a whole.
TEST(DaylightShading, IconsAgreeWithTheLightUnderThemAndRowsBlendByTheirWeights)
{
    const DateTime instants[] = {DateTime(2024, 3, 20, 3, 6, 0), DateTime(2024, 6, 21, 12, 0, 0),
                                 DateTime(2024, 12, 21, 18, 30, 0), DateTime(2025, 9, 22, 23, 50, 0)};
    constexpr int kMargin = 8; // weights either side of the middle: about a quarter of a degree
    for (const DateTime& instant : instants)
    {
        SCOPED_TRACE(instant.Month());
        const CDaylightShading shading = WholeEarth(instant);
        int twilight = 0;
        int whole = 0;
        for (int y = 0; y < 180; ++y)
        {
            const double latitude = 89.5 - y;
            for (int x = 0; x < 360; ++x)
            {
                const int weight = shading.Weight(x, y);
                if (weight > 0 && weight < CDaylightShading::FullDay)
                {
                    ++twilight;
                }
                if (weight == 0 || weight == CDaylightShading::FullDay ||
                    (std::abs(weight - kHalf) > kMargin && std::abs(latitude) < 55))
                {
                    EXPECT_EQ(weight > kHalf, CSun::IsDay(latitude, x - 179.5, instant))
                        << latitude << "," << x - 179.5 << " weight " << weight;
                }
            }

            std::vector<std::uint8_t> day(360 * 3, 200);
            std::vector<std::uint8_t> night(360 * 3);
            for (int x = 0; x < 360; ++x)
            {
                night[x * 3] = 10;
                night[x * 3 + 1] = 60;
                night[x * 3 + 2] = static_cast<std::uint8_t>(x % 256);
            }
            const std::vector<std::uint8_t> dayBefore = day;
            shading.BlendRow(y, day.data(), night.data());
            whole += shading.Row(y) != CDaylightShading::Light::Twilight;
            for (int i = 0; i < 360 * 3; ++i)
            {
                const int weight = shading.Weight(i / 3, y);
                const int expected =
                    (dayBefore[i] * weight + night[i] * (CDaylightShading::FullDay - weight) + kHalf) /
                    CDaylightShading::FullDay;
                ASSERT_EQ(expected, day[i]) << "row " << y << ", byte " << i;
            }
        }
        // Twilight is a band some twelve degrees wide around the earth (wider on the map towards
        // the poles), and near the solstices whole rows around a pole are in day or in night.
        EXPECT_GT(twilight, 360 * 12);
        EXPECT_LT(twilight, 360 * 40);
        if (instant.Month() == 6 || instant.Month() == 12)
        {
            EXPECT_GT(whole, 20);
        }
    }
}
} // namespace
