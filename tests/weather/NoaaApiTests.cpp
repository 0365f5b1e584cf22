// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/NoaaApi.h"

#include "tests/support/ExpectThrowAt.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{
// Documents in the service's own shape: El Segundo, California, asked on a Wednesday afternoon.
const std::string Points =
#include "weather/api/points.inc"
    ;
const std::string Forecast =
#include "weather/api/forecast.inc"
    ;

const DateTime Now(2026, 12, 9, 21, 5, 0);

float Celsius(float fahrenheit)
{
    return (fahrenheit - 32.0f) * 5.0f / 9.0f;
}

std::string WithPeriods(const std::string& periods)
{
    return R"({"type": "Feature", "properties": {"units": "us", "periods": [)" + periods + "]}}";
}
} // namespace

TEST(NoaaApiTests, ReadsTheForecastAsDaysAndNightsWithTheirTemperatures)
{
    CForecast forecast;
    NoaaApi::ParseForecast(Forecast, forecast, Now);
    EXPECT_EQ(DateTime::FromTicks(Now.Ticks(), DateTime::KindUtc), forecast.ReportDateTime);

    const std::vector<CForecastItem>& items = forecast.Items;
    ASSERT_EQ(CForecast::MaxItems, items.size());
    // "This Afternoon" begins at 14:00, but is that day's period all the same.
    EXPECT_EQ(DateTime(2026, 12, 9, 6, 0), items[0].Start);
    EXPECT_EQ(DateTime(2026, 12, 9, 18, 0), items[0].End);
    EXPECT_EQ(L"Sunny", items[0].WeatherSummary);
    EXPECT_EQ(Clear, items[0].WeatherCode.Value());
    EXPECT_NEAR(Celsius(68), items[0].TempratureMax.Value(), 1e-4);
    EXPECT_NEAR(Celsius(52), items[0].TempratureMin.Value(), 1e-4);
    // The night shares its date's pair, as a SOAP answer's periods do.
    EXPECT_EQ(DateTime(2026, 12, 9, 18, 0), items[1].Start);
    EXPECT_EQ(DateTime(2026, 12, 10, 6, 0), items[1].End);
    EXPECT_EQ(L"Partly Cloudy", items[1].WeatherSummary);
    EXPECT_EQ(PartlyCloudy, items[1].WeatherCode.Value());
    EXPECT_NEAR(Celsius(68), items[1].TempratureMax.Value(), 1e-4);
    EXPECT_NEAR(Celsius(52), items[1].TempratureMin.Value(), 1e-4);

    EXPECT_EQ(Thunderstorms, items[7].WeatherCode.Value()); // "... Thunderstorms then Mostly Cloudy"
    EXPECT_EQ(Rain, items[12].WeatherCode.Value());         // "Slight Chance Light Rain then Partly Sunny"
    EXPECT_EQ(DateTime(2026, 12, 15, 18, 0), items[13].Start);
    EXPECT_NEAR(Celsius(46), items[13].TempratureMin.Value(), 1e-4);
}

TEST(NoaaApiTests, AlignsAnOvernightStartAndTakesCelsiusInEitherForm)
{
    CForecast forecast;
    NoaaApi::ParseForecast(
        WithPeriods(R"({"number": 1, "name": "Overnight", "startTime": "2026-12-10T02:00:00-05:00",
                        "endTime": "2026-12-10T06:00:00-05:00", "isDaytime": false, "temperature": -3,
                        "temperatureUnit": "C", "shortForecast": "Patchy Fog"},
                       {"number": 2, "name": "Thursday", "startTime": "2026-12-10T06:00:00-05:00",
                        "endTime": "2026-12-10T18:00:00-05:00", "isDaytime": true,
                        "temperature": {"unitCode": "wmoUnit:degC", "value": 4.5}, "shortForecast": null},
                       {"number": 3, "name": "Thursday Night", "startTime": "2026-12-10T18:00:00-05:00",
                        "endTime": "2026-12-11T06:00:00-05:00", "isDaytime": false, "temperature": null,
                        "temperatureUnit": "F", "shortForecast": "Heavy Snow"})"),
        forecast, Now);
    ASSERT_EQ(3u, forecast.Items.size());
    EXPECT_EQ(DateTime(2026, 12, 9, 18, 0), forecast.Items[0].Start);
    EXPECT_FLOAT_EQ(-3.0f, forecast.Items[0].TempratureMin.Value());
    EXPECT_FALSE(forecast.Items[0].TempratureMax.HasValue);
    EXPECT_EQ(Fog, forecast.Items[0].WeatherCode.Value());
    EXPECT_FLOAT_EQ(4.5f, forecast.Items[1].TempratureMax.Value());
    EXPECT_EQ(L"", forecast.Items[1].WeatherSummary);
    EXPECT_FALSE(forecast.Items[1].WeatherCode.HasValue);
    EXPECT_FALSE(forecast.Items[2].TempratureMin.HasValue);
    EXPECT_EQ(Snow, forecast.Items[2].WeatherCode.Value());
}

TEST(NoaaApiTests, ChoosesTheCodeOfAPhraseByItsBestKnownWords)
{
    const std::vector<std::pair<const char*, Nullable<EnumWeatherCode>>> cases = {
        {"Sunny", Clear},
        {"Mostly Sunny", Fair},
        {"Partly Cloudy", PartlyCloudy},
        {"Partly Sunny", MostlyCloudy},
        {"Mostly Cloudy", MostlyCloudy},
        {"Cloudy", Cloudy},
        {"Areas Of Fog", Fog},
        {"Chance Rain Showers", RainShowers},
        {"Slight Chance Snow Showers", SnowShowers},
        {"Rain And Snow Likely", RainAndSnow},
        {"Isolated Showers And Thunderstorms", Thunderstorms},
        {"Freezing Rain", Rain},
        {"Breezy", Windy},
        {"Sunny then Chance Showers", RainShowers}, // the more significant part
        {"  HEAVY   rain ", Rain},
        {"Volcanic Ash", Nullable<EnumWeatherCode>()},
        {"then", Nullable<EnumWeatherCode>()},
        {"", Nullable<EnumWeatherCode>()},
    };
    for (const auto& [phrase, code] : cases)
    {
        SCOPED_TRACE(phrase);
        const Nullable<EnumWeatherCode> found = NoaaApi::WeatherCodeOfPhrase(phrase);
        ASSERT_EQ(code.HasValue, found.HasValue);
        if (code.HasValue)
        {
            EXPECT_EQ(code.Value(), found.Value());
        }
    }
}

TEST(NoaaApiTests, AsksForTheRoundedPointAndReadsItsForecastAddress)
{
    EXPECT_EQ("/points/33.9333,-118.4", NoaaApi::PointsPath(33.9333f, -118.4f));
    EXPECT_EQ("/points/39.7457,-97.0892", NoaaApi::PointsPath(39.74567f, -97.08921f));
    EXPECT_EQ("/points/0,-5", NoaaApi::PointsPath(-0.00001f, -5.0f));
    EXPECT_THROW_AT(NoaaApi::PointsPath(1e30f, 0.0f), ApplicationException, "FormatCoordinate (315)");

    EXPECT_EQ("https://api.weather.gov/gridpoints/LOX/148,41/forecast", NoaaApi::ForecastUrlOfPoints(Points));
    EXPECT_THROW_AT(NoaaApi::ForecastUrlOfPoints(R"({"properties": {"forecast": "file:///c:/x"}})"),
                    ApplicationException, "NoaaApi::ForecastUrlOfPoints (350)");
    EXPECT_THROW_AT(NoaaApi::ForecastUrlOfPoints(R"({"properties": {"forecast": 7}})"), ApplicationException,
                    "NoaaApi::ForecastUrlOfPoints (345)");
}

TEST(NoaaApiTests, RefusesHostileDocumentsAndKeepsTheOldForecast)
{
    const std::string period = R"({"startTime": "2026-12-09T06:00:00-05:00", "isDaytime": true,
                                   "temperature": 50, "temperatureUnit": "F", "shortForecast": "Sunny"})";
    std::string deep;
    for (int i = 0; i < NoaaApi::MaxNesting; ++i)
    {
        deep += "[";
    }
    const std::vector<std::pair<std::string, const wchar_t*>> cases = {
        {"", L"ParseDocument (161)"},
        {Forecast.substr(0, Forecast.size() / 2), L"ParseDocument (161)"},
        {"[1]", L"ParseDocument (165)"},
        {R"({"properties": {"periods": ")" + deep + R"("}})", L"NoaaApi::ParseForecast (366)"},
        {R"({"properties": )" + deep + "]}", L"CheckShape (145)"},
        {std::string(NoaaApi::MaxDocumentBytes + 1, ' '), L"CheckShape (115)"},
        {R"({"properties": []})", L"Properties (176)"},
        {R"({"properties": {"periods": {}}})", L"NoaaApi::ParseForecast (366)"},
        {WithPeriods(""), L"NoaaApi::ParseForecast (407)"},
        {WithPeriods("7"), L"ReadPeriod (263)"},
        {WithPeriods(R"({"startTime": "2026-12-09T06:00:00-05:00", "isDaytime": "yes"})"),
         L"ReadPeriod (269)"},
        {WithPeriods(R"({"startTime": "2026-13-09T06:00:00-05:00", "isDaytime": true})"),
         L"ReadPeriod (296)"},
        {WithPeriods(R"({"startTime": "9999-12-31T18:00:00", "isDaytime": false})"), L"ReadPeriod (296)"},
        {WithPeriods(R"({"startTime": "2026-12-09", "isDaytime": true})"), L"ReadPeriod (296)"},
        {WithPeriods(period +
                     R"(, {"startTime": "2026-12-09T18:00:00", "isDaytime": false, "shortForecast": 1})"),
         L"ReadPeriod (274)"},
        {WithPeriods(R"({"startTime": "2026-12-09T06:00:00", "isDaytime": true, "temperature": "50"})"),
         L"ReadTemperature (226)"},
        {WithPeriods(R"({"startTime": "2026-12-09T06:00:00", "isDaytime": true, "temperature": 50,
                         "temperatureUnit": "K"})"),
         L"ReadTemperature (241)"},
        // Periods that carry nothing are no forecast.
        {WithPeriods(R"({"startTime": "2026-12-09T06:00:00", "isDaytime": true, "temperature": 1e300,
                         "temperatureUnit": "F"})"),
         L"NoaaApi::ParseForecast (407)"},
    };
    for (const auto& [text, location] : cases)
    {
        SCOPED_TRACE(text.substr(0, 200));
        CForecast forecast;
        forecast.Items.resize(3);
        try
        {
            NoaaApi::ParseForecast(text, forecast, Now);
            ADD_FAILURE() << "no failure";
        }
        catch (const ApplicationException& e)
        {
            EXPECT_EQ(LocationFunctionPart(location), LocationFunctionPart(e.Location));
        }
        EXPECT_EQ(3u, forecast.Items.size());
    }

    // A repeated or out-of-order period is passed over, not stored twice.
    CForecast forecast;
    NoaaApi::ParseForecast(WithPeriods(period + "," + period), forecast, Now);
    EXPECT_EQ(1u, forecast.Items.size());
}
