// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/Atmosphere.h"
#include "weather/CCurrentWeather.h"
#include "weather/CForecast.h"
#include "weather/CWeatherReport.h"
#include "weather/DisplayUnits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

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

    EXPECT_FALSE(weather.IsStale(now));

    weather.ReportDateTime = DateTime(2008, 6, 1, 9, 0, 0); // exactly three hours: stale
    EXPECT_FALSE(weather.IsRecent(now));
    EXPECT_EQ(L"N/A", weather.GetTempratureText(L"N/A", true, now));
    // Drawn as the last known weather, not as none.
    EXPECT_TRUE(weather.IsStale(now));
    EXPECT_EQ(L"23\u00B0", weather.GetLastTempratureText(L"N/A", true));

    weather.ReportDateTime = DateTime(2008, 6, 1, 11, 0, 0);
    weather.Temprature.Clear();
    EXPECT_EQ(L"", weather.GetTempratureText(L"", true, now));

    // A fresh default-constructed weather is from 1990: never recent, and no weather, not old.
    EXPECT_FALSE(CCurrentWeather().IsRecent());
    EXPECT_FALSE(CCurrentWeather().IsStale(now));
    EXPECT_EQ(L"N/A", CCurrentWeather().GetLastTempratureText(L"N/A", true));

    // At the end of the calendar the three hours must not run past it.
    weather.ReportDateTime = DateTime::FromTicks(DateTime::MaxTicks);
    EXPECT_TRUE(weather.IsRecent(now));
    EXPECT_TRUE(weather.IsRecent(weather.ReportDateTime));
}

TEST(WeatherDerived, NwsHeatIndexAndWindChillTablePoints)
{
    // Heat index chart (°F by relative humidity) and wind chill chart (°F by mph), rounded.
    const struct
    {
        double Fahrenheit, Humidity, Shown;
    } heat[] = {{90, 50, 95}, {100, 40, 109}, {86, 90, 105}, {96, 60, 116}, {110, 40, 136}, {84, 85, 96}};
    for (const auto& point : heat)
    {
        EXPECT_EQ(point.Shown, std::round(Atmosphere::HeatIndex(point.Fahrenheit, point.Humidity)))
            << point.Fahrenheit << " " << point.Humidity;
    }
    const struct
    {
        double Fahrenheit, Mph, Shown;
    } chill[] = {{40, 5, 36}, {0, 15, -19}, {30, 10, 21}, {-10, 20, -35}, {-45, 60, -98}, {20, 30, 1}};
    for (const auto& point : chill)
    {
        EXPECT_EQ(point.Shown, std::round(Atmosphere::WindChill(point.Fahrenheit, point.Mph)))
            << point.Fahrenheit << " " << point.Mph;
    }
}

TEST(WeatherDerived, HumidityAndFeelsLikeOfAnObservation)
{
    CCurrentWeather weather;
    EXPECT_FALSE(weather.GetRelativeHumidity().HasValue);
    EXPECT_FALSE(weather.GetFeelsLike().HasValue);
    weather.Temprature = 14.0f;
    weather.DewPoint = 11.0f;
    EXPECT_NEAR(82.1f, weather.GetRelativeHumidity().Value(), 0.1f);
    weather.DewPoint = 15.0f; // rounding in the report: never above saturation
    EXPECT_EQ(100.0f, weather.GetRelativeHumidity().Value());

    // Between 50 and 80 °F the air feels as warm as it is, wind or not.
    EXPECT_EQ(14.0f, weather.GetFeelsLike().Value());

    // At 80 °F and above the heat index, which needs the dew point.
    weather.Temprature = Temperature::FahrenheitToCelsius(90.0f);
    weather.DewPoint.Clear();
    EXPECT_FALSE(weather.GetFeelsLike().HasValue);
    weather.DewPoint = 21.0f;
    const double humidity = weather.GetRelativeHumidity().Value();
    EXPECT_NEAR(Temperature::FahrenheitToCelsius(static_cast<float>(Atmosphere::HeatIndex(90, humidity))),
                weather.GetFeelsLike().Value(), 1e-3);

    // At 50 °F and below the wind chill above 3 mph (3 kt is 3.45 mph), the temperature up to it.
    weather.Temprature = Temperature::FahrenheitToCelsius(30.0f);
    EXPECT_FALSE(weather.GetFeelsLike().HasValue);
    weather.WindSpeed = 10 * 0.44704f;
    EXPECT_NEAR(Temperature::FahrenheitToCelsius(21.25f), weather.GetFeelsLike().Value(), 0.01f);
    weather.WindSpeed = 2 * 1852.0f / 3600.0f;
    EXPECT_EQ(weather.Temprature.Value(), weather.GetFeelsLike().Value());
}

TEST(WeatherDetails, TextsInEachUnit)
{
    CCurrentWeather weather;
    weather.Temprature = 30.0f; // 86 °F
    weather.DewPoint = 25.0f;   // humid: feels hotter
    weather.WindDirection = 250;
    weather.WindSpeed = static_cast<float>(10 * Atmosphere::MetresPerSecondPerKnot);
    weather.WindGust = static_cast<float>(25 * Atmosphere::MetresPerSecondPerKnot);
    weather.Pressure = 1013.25f;
    weather.Visibility = 400.0f;

    const DisplayUnits us = DisplayUnits::FollowingTemperature(false);
    EXPECT_EQ((std::vector<std::wstring>{L"Feels like 97\u00B0", L"WSW 12 mph, gusts 29", L"Humidity 75%",
                                         L"29.92 inHg", L"Visibility 0.25 mi"}),
              us.DetailTexts(weather));
    DisplayUnits metric = DisplayUnits::FollowingTemperature(true);
    EXPECT_EQ((std::vector<std::wstring>{L"Feels like 36\u00B0", L"WSW 19 km/h, gusts 46", L"Humidity 75%",
                                         L"1013 hPa", L"Visibility 0.4 km"}),
              metric.DetailTexts(weather));
    metric.Wind = EnumWindUnit::Knots;
    EXPECT_EQ(L"WSW 10 kt, gusts 25", metric.WindText(weather));
    metric.Wind = EnumWindUnit::MetresPerSecond;
    EXPECT_EQ(L"WSW 5 m/s, gusts 13", metric.WindText(weather));

    // Calm, variable, the compass's ends; visibility fine where poor and whole where good.
    weather.WindGust = Nullable<float>();
    weather.WindSpeed = 0.0f;
    EXPECT_EQ(L"Calm", us.WindText(weather));
    weather.WindSpeed = 1.5f;
    weather.WindDirection = Nullable<int>();
    weather.WindDirectionVariable = true;
    EXPECT_EQ(L"Variable 3 mph", us.WindText(weather));
    EXPECT_EQ(L"N", DisplayUnits::CompassPoint(360));
    EXPECT_EQ(L"N", DisplayUnits::CompassPoint(11));
    EXPECT_EQ(L"NNE", DisplayUnits::CompassPoint(12));
    EXPECT_EQ(L"NNW", DisplayUnits::CompassPoint(348));
    weather.Visibility = 10000.0f;
    EXPECT_EQ(L"Visibility 6.2 mi", us.VisibilityText(weather));
    EXPECT_EQ(L"Visibility 10 km", metric.VisibilityText(weather));
    weather.Visibility = static_cast<float>(1.5 * Atmosphere::MetresPerStatuteMile);
    EXPECT_EQ(L"Visibility 1.5 mi", us.VisibilityText(weather));
    weather.Pressure = 1016.0f;
    EXPECT_EQ(L"30.00 inHg", us.PressureText(weather));

    // Feels-like only from 2 degrees apart, as the temperature is shown; nothing without values.
    weather.Temprature = 20.0f;
    weather.DewPoint = 10.0f;
    EXPECT_EQ(L"", us.FeelsLikeText(weather));
    weather.Temprature = 0.0f;
    weather.WindSpeed = 5.0f;
    EXPECT_EQ(L"Feels like 23\u00B0", us.FeelsLikeText(weather));
    EXPECT_EQ(L"Feels like -5\u00B0", metric.FeelsLikeText(weather));
    EXPECT_TRUE(us.DetailTexts(CCurrentWeather()).empty());
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
