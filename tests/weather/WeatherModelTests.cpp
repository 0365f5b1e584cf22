#include "weather/CCurrentWeather.h"
#include "weather/CForecast.h"
#include "weather/CWeatherReport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
TEST(WeatherTemperatures, RoundHalfAwayFromZeroInEitherUnit)
{
    CCurrentWeather weather;
    weather.Temprature = -0.4f;
    EXPECT_EQ(0, weather.GetTemprature(true).Value());
    EXPECT_EQ(31, weather.GetTemprature(false).Value()); // 31.28
    weather.Temprature = -0.5f;
    EXPECT_EQ(-1, weather.GetTemprature(true).Value());
    weather.Temprature = 21.5f;
    EXPECT_EQ(22, weather.GetTemprature(true).Value());
    weather.Temprature = -21.5f;
    EXPECT_EQ(-22, weather.GetTemprature(true).Value());

    // 60 °F comes back as 60 °F, and as 16 °C.
    weather.Temprature = Temperature::FahrenheitToCelsius(60.0f);
    EXPECT_EQ(60, weather.GetTemprature(false).Value());
    EXPECT_EQ(16, weather.GetTemprature(true).Value());

    weather.Temprature.Clear();
    EXPECT_FALSE(weather.GetTemprature(true).HasValue);
}

TEST(WeatherTemperatures, CorruptValuesAreNotShown)
{
    CCurrentWeather weather;
    weather.Temprature = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(weather.GetTemprature(true).HasValue);
    weather.Temprature = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(weather.GetTemprature(false).HasValue);
    weather.Temprature = 3e38f;
    EXPECT_FALSE(weather.GetTemprature(false).HasValue);
}

TEST(WeatherFreshness, OlderThanThreeHoursShowsTheFallback)
{
    const DateTime now(2008, 6, 1, 12, 0, 0);
    CCurrentWeather weather;
    weather.Temprature = 23.0f;
    weather.ReportDateTime = DateTime(2008, 6, 1, 9, 0, 1);
    EXPECT_TRUE(weather.IsRecent(now));
    EXPECT_EQ(L"23\u00B0", weather.GetTempratureText(L"N/A", true, now));
    EXPECT_EQ(L"73\u00B0", weather.GetTempratureText(L"N/A", false, now));

    weather.ReportDateTime = DateTime(2008, 6, 1, 9, 0, 0); // exactly three hours: stale
    EXPECT_FALSE(weather.IsRecent(now));
    EXPECT_EQ(L"N/A", weather.GetTempratureText(L"N/A", true, now));

    weather.ReportDateTime = DateTime(2008, 6, 1, 11, 0, 0);
    weather.Temprature.Clear();
    EXPECT_EQ(L"", weather.GetTempratureText(L"", true, now));

    // A fresh default-constructed weather is from 1990: never recent.
    EXPECT_FALSE(CCurrentWeather().IsRecent());

    // At the end of the calendar the three hours must not run past it.
    weather.ReportDateTime = DateTime::FromTicks(DateTime::MaxTicks);
    EXPECT_TRUE(weather.IsRecent(now));
    EXPECT_TRUE(weather.IsRecent(weather.ReportDateTime));
}

TEST(WeatherForecastItem, RangeTextMarksMissingEnds)
{
    CForecastItem item;
    EXPECT_EQ(L"--/--", item.GetTempratureRangeText(false));
    item.TempratureMin = Temperature::FahrenheitToCelsius(58.0f);
    EXPECT_EQ(L"--/58\u00B0", item.GetTempratureRangeText(false));
    item.TempratureMax = Temperature::FahrenheitToCelsius(75.0f);
    EXPECT_EQ(L"75\u00B0/58\u00B0", item.GetTempratureRangeText(false));
    item.TempratureMin.Clear();
    EXPECT_EQ(L"24\u00B0/--", item.GetTempratureRangeText(true));
}

TEST(WeatherCodeIcons, DayAndNightTables)
{
    EXPECT_STREQ(L"Clear.png", WeatherCodes::IconFileName(Hot, false));
    EXPECT_STREQ(L"Night Clear.png", WeatherCodes::IconFileName(Clear, false));
    EXPECT_STREQ(L"Night Mostly Cloudy.png", WeatherCodes::IconFileName(MostlyCloudy, false));
    EXPECT_STREQ(L"Cloudy.png", WeatherCodes::IconFileName(Cloudy, false));
    EXPECT_STREQ(L"Thunderstorms.png", WeatherCodes::IconFileName(Tornado, true));
    EXPECT_STREQ(L"Snow.png", WeatherCodes::IconFileName(SnowShowers, true));
    EXPECT_EQ(nullptr, WeatherCodes::IconFileName(19, true));
    EXPECT_EQ(nullptr, WeatherCodes::IconFileName(-1, false));
}

TEST(WeatherDumps, NameEveryFieldAndMarkAbsentValues)
{
    CCurrentWeather weather;
    weather.WeatherCode = PartlyCloudy;
    const std::wstring text = weather.Dump();
    EXPECT_EQ(0u, text.find(L"CCurrentWeather::Dump(): ReportDateTime: 1990-01-01"));
    EXPECT_NE(std::wstring::npos,
              text.find(L", WeatherCode: PartlyCloudy, Temprature: NULL, DewPoint: NULL"));

    CForecast forecast;
    forecast.Items.resize(2);
    forecast.Items[1].WeatherSummary = L"Sunny";
    const std::wstring all = forecast.Dump();
    EXPECT_NE(std::wstring::npos, all.find(L"\r\nItems: \r\n"));
    EXPECT_NE(std::wstring::npos, all.find(L"WeatherSummary: Sunny, WeatherCode: NULL"));
}
} // namespace
