// SPDX-License-Identifier: GPL-2.0-or-later
// The notification area icon's tooltip text.
#include "data/City.h"
#include "data/TrayTip.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
const DateTime kNow(2024, 3, 5, 18, 10, 0);

City LosAngeles()
{
    City city(348400, L"KLAX", L"USA", L"Los Angeles", L"Los Angeles International Airport", 33.94f,
              -118.41f);
    city.CurrentWeather.ReportDateTime = DateTime(2024, 3, 5, 17, 53, 0);
    city.CurrentWeather.WeatherCode = Clear;
    city.CurrentWeather.Temprature = 19.0f; // 66 °F
    city.CurrentWeather.DewPoint = 7.0f;
    return city;
}

// Pacific Standard Time, as the user's clock would show it.
DateTime Pacific(DateTime utc)
{
    return utc - TimeSpan::FromMinutes(8 * 60);
}

std::wstring Tip(const City* home, bool metric, const std::wstring& alert = std::wstring())
{
    return TrayTip::Text(home, DisplayUnits::FollowingTemperature(metric), kNow, Pacific, L"Nimbrel", alert);
}
} // namespace

TEST(TrayTip, NamesCityTemperatureConditionAndLocalObservationTimeInTheChosenUnits)
{
    City home = LosAngeles();
    EXPECT_EQ(L"Los Angeles: 66\u00B0F, clear (observed 09:53)", Tip(&home, false));
    EXPECT_EQ(L"Los Angeles: 19\u00B0C, clear (observed 09:53)", Tip(&home, true));

    home.CurrentWeather.WeatherCode = PartlyCloudy;
    home.CurrentWeather.Temprature.Clear();
    EXPECT_EQ(L"Los Angeles: partly cloudy (observed 09:53)", Tip(&home, false));
}

TEST(TrayTip, AddsFeelsLikeOnlyWhenItDiffersAndTheWindInTheChosenUnit)
{
    City home = LosAngeles();
    home.CurrentWeather.WindSpeed = 4.1f; // 8 kt
    home.CurrentWeather.WindDirection = 250;
    home.CurrentWeather.WindGust = 10.3f;
    EXPECT_EQ(L"Los Angeles: 66\u00B0F, clear (observed 09:53)\nWind: WSW 9 mph, gusts 23",
              Tip(&home, false));
    EXPECT_EQ(L"Los Angeles: 19\u00B0C, clear (observed 09:53)\nWind: WSW 15 km/h, gusts 37",
              Tip(&home, true));

    // A cold wind: the wind chill is well below the temperature.
    home.CurrentWeather.Temprature = 0.0f;
    home.CurrentWeather.DewPoint = -5.0f;
    home.CurrentWeather.WindGust.Clear();
    home.CurrentWeather.WindSpeed = 10.0f;
    home.CurrentWeather.WindDirection = 0;
    EXPECT_EQ(L"Los Angeles: 32\u00B0F, clear (observed 09:53)\nFeels like 19\u00B0\nWind: N 22 mph",
              Tip(&home, false));

    home.CurrentWeather.WindSpeed = 0.0f;
    EXPECT_EQ(L"Los Angeles: 32\u00B0F, clear (observed 09:53)\nWind: Calm", Tip(&home, false));
    home.CurrentWeather.WindSpeed = 1.3f; // below the 3 mph the wind chill needs
    home.CurrentWeather.WindDirectionVariable = true;
    home.CurrentWeather.WindDirection.Clear();
    EXPECT_EQ(L"Los Angeles: 32\u00B0F, clear (observed 09:53)\nWind: Variable 3 mph", Tip(&home, false));
}

TEST(TrayTip, SaysSoWithoutHomeCityOrRecentObservation)
{
    EXPECT_EQ(L"Nimbrel: no home city", Tip(nullptr, false));

    City home = LosAngeles();
    home.CurrentWeather = CCurrentWeather(); // never downloaded
    EXPECT_EQ(L"Los Angeles: no recent observation", Tip(&home, false));

    home = LosAngeles();
    home.CurrentWeather.WindSpeed = 5.0f;
    home.CurrentWeather.ReportDateTime = kNow - TimeSpan::FromMinutes(4 * 60);
    EXPECT_EQ(L"Los Angeles: no recent observation", Tip(&home, false)) << "an old wind is no news either";
}

TEST(TrayTip, PutsAnAlertFirstAndDropsWhatDoesNotFitWhole)
{
    City home = LosAngeles();
    home.CurrentWeather.WindSpeed = 0.0f;
    EXPECT_EQ(L"Red Flag Warning\nLos Angeles: 66\u00B0F, clear (observed 09:53)\nWind: Calm",
              Tip(&home, false, L"Red Flag Warning"));

    // The last lines go first; what is left is never longer than the shell's field.
    const std::wstring alert(90, L'A');
    const std::wstring tip = Tip(&home, false, alert);
    EXPECT_EQ(alert, tip) << "the weather line no longer fits beside the alert";

    home.DisplayName(std::wstring(140, L'x'));
    const std::wstring longName = Tip(&home, false);
    EXPECT_EQ(TrayTip::MaxLength, longName.size());
    EXPECT_EQ(L'\u2026', longName.back());

    // A character outside the basic plane is two units: never cut between them, nor before an accent.
    const std::wstring cloud{static_cast<wchar_t>(0xD83C), static_cast<wchar_t>(0xDF26)}; // U+1F326
    std::wstring lines = std::wstring(125, L'x') + cloud + L"rain";
    EXPECT_EQ(std::wstring(125, L'x') + L"\u2026", TrayTip::FitLines({lines}));
    lines = std::wstring(125, L'x') + L"e\u0301t\u00E9";
    EXPECT_EQ(std::wstring(125, L'x') + L"\u2026", TrayTip::FitLines({lines}));
    EXPECT_EQ(L"ab\ncd", TrayTip::FitLines({L"ab", L"cd", L"ef"}, 5));
}
