// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/MetarParser.h"

#include "tests/support/ExpectThrowAt.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{
const DateTime kNow(2007, 11, 30, 7, 0, 0);

CCurrentWeather Parse(const std::string& text, const std::string& station = "KLAX", DateTime now = kNow)
{
    return ParseMetarReport(text, station, now);
}

int CodeOf(const std::string& report)
{
    return Parse("2007/11/30 05:53\n" + report).WeatherCode.Value();
}

TEST(MetarParser, RealWorldReportShapes)
{
    // An automated station with gusts, negative temperatures and remarks that must not be read.
    CCurrentWeather weather =
        Parse("2007/11/30 05:51\nKJFK 300551Z AUTO 31015G25KT 10SM FEW040 BKN250 M02/M08 "
              "A3012 RMK AO2 SLP199 T10171078",
              "KJFK");
    EXPECT_EQ(MostlyCloudy, weather.WeatherCode.Value());
    EXPECT_EQ(-2.0f, weather.Temprature.Value());
    EXPECT_EQ(-8.0f, weather.DewPoint.Value());

    // A trend group's weather comes after the main weather group and does not replace it.
    weather =
        Parse("2007/11/30 05:50\nEGLL 300550Z 24012KT 9999 -RA SCT012 BKN025 08/06 Q1003 BECMG 4000 +TSRA");
    EXPECT_EQ(Rain, weather.WeatherCode.Value());
    EXPECT_EQ(8.0f, weather.Temprature.Value());

    // CAVOK and NOSIG set nothing; a missing dew point stays absent.
    weather = Parse("2007/11/30 05:30\nLFPG 300530Z 27008KT CAVOK 12/ Q1018 NOSIG");
    EXPECT_EQ(Clear, weather.WeatherCode.Value());
    EXPECT_EQ(12.0f, weather.Temprature.Value());
    EXPECT_FALSE(weather.DewPoint.HasValue);

    // Showers in the vicinity and recent rain are no present weather at the station.
    weather = Parse("2007/11/30 05:20\nRJTT 300520Z 36005KT 9999 VCSH FEW020 15/10 Q1020 RERA");
    EXPECT_EQ(Fair, weather.WeatherCode.Value());
}

TEST(MetarParser, ReadsTimeCodeAndTemperaturesOfAStationFile)
{
    const std::string file =
        "2007/11/30 05:53\r\nKLAX 300553Z 00000KT 10SM FEW008 14/11 A2992 RMK AO2 T01440111\r\n";
    const CCurrentWeather weather = Parse(file, "KLAX", DateTime(2010, 6, 15, 12, 0, 0));
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53), weather.ReportDateTime);
    EXPECT_EQ(Fair, weather.WeatherCode.Value());
    EXPECT_EQ(14.0f, weather.Temprature.Value());
    EXPECT_EQ(11.0f, weather.DewPoint.Value());

    // Lower case reads the same, the station's code included.
    const CCurrentWeather lower =
        Parse("2007/11/30 05:53\nklax 300553z 00000kt 10sm few008 bkn100 14/11 a2992", "klax",
              DateTime(2010, 6, 15, 12, 0, 0));
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53), lower.ReportDateTime);
    EXPECT_EQ(MostlyCloudy, lower.WeatherCode.Value());
    EXPECT_EQ(14.0f, lower.Temprature.Value());
}

TEST(MetarParser, CombinesWeatherAndCloudsByPrecedence)
{
    EXPECT_EQ(Fog, CodeOf("KLAX 300553Z 00000KT 10SM BR FEW008 14/11"));
    EXPECT_EQ(Rain, CodeOf("KLAX 300553Z 00000KT 3SM -RA BR OVC010 14/11"));
    EXPECT_EQ(MostlyCloudy, CodeOf("KLAX 300553Z FEW008 SCT030 BKN100 14/11"));
    EXPECT_EQ(Clear, CodeOf("KLAX 300553Z 00000KT CAVOK 14/11 Q1015"));
    EXPECT_EQ(Clear, CodeOf("KLAX 300553Z VV002 NSC 14/11")); // not cloud groups
    // The station's own code is not a scattered layer.
    EXPECT_EQ(Clear, Parse("2007/11/30 05:53\nSCTE 300553Z 00000KT 14/11", "SCTE").WeatherCode.Value());
    // Trend groups forecast the next hours and remarks are no groups: neither is the present sky.
    EXPECT_EQ(Fair, CodeOf("KLAX 300553Z FEW008 14/11 A2992 TEMPO -SHRA"));
    EXPECT_EQ(Fair, CodeOf("KLAX 300553Z FEW008 14/11 RMK -SHRA OVC010"));
    EXPECT_EQ(Fair, CodeOf("WSSS 300553Z 36005KT 9999 FEW018 31/24 Q1009 TEMPO TSRA"));
    EXPECT_EQ(PartlyCloudy, CodeOf("LFPO 300553Z 24010KT 9999 SCT030 09/05 Q1012 BECMG BKN012"));
    EXPECT_EQ(Fair, CodeOf("VHHH 300553Z 09012KT 9999 FEW020 24/19 Q1016 TEMPO 3000 SHRA"));
    EXPECT_EQ(Fair, CodeOf("EGLL 300553Z FEW020 14/11 Q1016 NOSIG= OVC010"));
    EXPECT_EQ(Rain, CodeOf("EGLL 300553Z -RA FEW020 14/11 Q1016 NOSIG"));

    const std::vector<std::pair<std::string, int>> groups = {
        {"-SHRASN", RainShowers},
        {"RASN", Snow},
        {"FZDZ", RainShowers},
        {"FZRA", Rain},
        {"BCFG", Fog},
        {"+TSRA", Thunderstorms},
        {"+FC", Tornado},
        {"SHGS", HailShowers},
        {"-SHSN", SnowShowers},
        {"GR", Hail},
        {"HZ", Haze},
        {"VCSH", Clear},
        {"FC", Clear},
        {"FC -RA", Rain},
        {"-RA +TSRA", Rain},
        {"RERA", Clear},
    };
    for (const auto& [group, code] : groups)
    {
        EXPECT_EQ(code, CodeOf("KLAX 300553Z " + group + " 14/11")) << group;
    }
}

CCurrentWeather Groups(const std::string& groups)
{
    return Parse("2007/11/30 05:53\nKLAX 300553Z " + groups);
}

constexpr float kKnot = 1852.0f / 3600.0f;
constexpr float kMile = 1609.344f;

TEST(MetarParser, WindGroups)
{
    CCurrentWeather weather = Groups("27015G25KT 240V300 10SM");
    EXPECT_EQ(270, weather.WindDirection.Value());
    EXPECT_FALSE(weather.WindDirectionVariable);
    EXPECT_FLOAT_EQ(15 * kKnot, weather.WindSpeed.Value());
    EXPECT_FLOAT_EQ(25 * kKnot, weather.WindGust.Value());
    EXPECT_EQ(240, weather.WindVariableFrom.Value());
    EXPECT_EQ(300, weather.WindVariableTo.Value());

    weather = Groups("00000KT");
    EXPECT_EQ(0, weather.WindDirection.Value());
    EXPECT_EQ(0.0f, weather.WindSpeed.Value());
    EXPECT_FALSE(weather.WindGust.HasValue);
    weather = Groups("VRB03KT");
    EXPECT_TRUE(weather.WindDirectionVariable);
    EXPECT_FALSE(weather.WindDirection.HasValue);
    EXPECT_FLOAT_EQ(3 * kKnot, weather.WindSpeed.Value());
    EXPECT_FLOAT_EQ(8.0f, Groups("36008MPS").WindSpeed.Value());
    EXPECT_FLOAT_EQ(10.0f, Groups("09036G072KMH").WindSpeed.Value());
    EXPECT_FLOAT_EQ(20.0f, Groups("09036G072KMH").WindGust.Value());
    EXPECT_FLOAT_EQ(115 * kKnot, Groups("360115G140KT").WindSpeed.Value());

    // Not wind groups, and a first group out of range (over 250 kt) that is dropped, not
    // replaced by a later one.
    for (const char* groups : {"27015KTS", "2701KT", "37015KT", "27015G5KT", "/////KT", "27015G1234KT",
                               "270260KT 27015KT", "27015G260KT", "RMK 27015KT", "TEMPO 27015KT", "27015"})
    {
        SCOPED_TRACE(groups);
        weather = Groups(groups);
        EXPECT_FALSE(weather.WindSpeed.HasValue);
        EXPECT_FALSE(weather.WindDirection.HasValue);
        EXPECT_FALSE(weather.WindGust.HasValue);
    }
    EXPECT_FALSE(Groups("240V370").WindVariableFrom.HasValue);
}

TEST(MetarParser, VisibilityAndPressureGroups)
{
    const std::vector<std::pair<std::string, float>> visibilities = {
        {"10SM", 10 * kMile},      {"1 1/2SM", 1.5f * kMile},
        {"1/4SM", 0.25f * kMile},  {"M1/4SM", 0.25f * kMile},
        {"P6SM", 6 * kMile},       {"3/16SM", 0.1875f * kMile},
        {"9999", 10000.0f},        {"0800", 800.0f},
        {"2000SW", 2000.0f},       {"9999NDV", 10000.0f},
        {"CAVOK", 10000.0f},       {"0000", 0.0f},
        {"9999 1500SW", 10000.0f}, {"3 BKN010 1/2SM", 0.5f * kMile},
    };
    for (const auto& [groups, metres] : visibilities)
    {
        const CCurrentWeather weather = Groups(groups);
        ASSERT_TRUE(weather.Visibility.HasValue) << groups;
        EXPECT_NEAR(metres, weather.Visibility.Value(), 0.01f) << groups;
    }
    for (const char* groups :
         {"3/2SM", "1/0SM", "2000XX", "999", "10KM", "1 BKN010", "TEMPO 3000", "RMK 9999"})
    {
        EXPECT_FALSE(Groups(groups).Visibility.HasValue) << groups;
    }

    EXPECT_NEAR(1013.2f, Groups("A2992").Pressure.Value(), 0.05f);
    EXPECT_EQ(1009.0f, Groups("Q1009 A2992").Pressure.Value()); // the first one wins
    EXPECT_NEAR(1013.2f, Groups("A2992 Q1009").Pressure.Value(), 0.05f);
    for (const char* groups : {"Q0849", "Q1091", "A2500 Q1009", "A////", "Q101", "RMK A2992", "NOSIG Q1009"})
    {
        EXPECT_FALSE(Groups(groups).Pressure.HasValue) << groups;
    }
    EXPECT_EQ(850.0f, Groups("Q0850").Pressure.Value());
    EXPECT_EQ(1090.0f, Groups("Q1090").Pressure.Value());

    // A whole report: everything from the trend on is forecast.
    const CCurrentWeather report =
        Parse("2007/11/30 05:50\nEGLL 300550Z 24012G22KT 210V270 9999 -RA SCT012 08/06 "
              "Q1003 BECMG 00000KT 0800 Q0990 RMK A2900");
    EXPECT_EQ(240, report.WindDirection.Value());
    EXPECT_FLOAT_EQ(22 * kKnot, report.WindGust.Value());
    EXPECT_EQ(10000.0f, report.Visibility.Value());
    EXPECT_EQ(1003.0f, report.Pressure.Value());
}

TEST(MetarParser, TemperatureGroups)
{
    const CCurrentWeather frost = Parse("2007/11/30 05:53\nKLAX 300553Z M05/M10 03/01");
    EXPECT_EQ(-5.0f, frost.Temprature.Value());
    EXPECT_EQ(-10.0f, frost.DewPoint.Value());
    const CCurrentWeather zero = Parse("2007/11/30 05:53\nKLAX 300553Z 00/M00");
    EXPECT_EQ(0.0f, zero.Temprature.Value());
    EXPECT_EQ(0.0f, zero.DewPoint.Value());
    for (const char* group : {"12/", "12//", "12///"})
    {
        const CCurrentWeather weather = Parse(std::string("2007/11/30 05:53\nKLAX 300553Z ") + group);
        EXPECT_EQ(12.0f, weather.Temprature.Value()) << group;
        EXPECT_FALSE(weather.DewPoint.HasValue) << group;
    }
    const CCurrentWeather none = Parse("2007/11/30 05:53\nKLAX 300553Z 1/1 123/12 12/1 RMK 14/11");
    EXPECT_FALSE(none.Temprature.HasValue);
    EXPECT_FALSE(none.DewPoint.HasValue);
}

TEST(MetarParser, DatesTheDayHourMinuteGroup)
{
    // Without a first line the day is looked for in the three days before now + 3 hours.
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53),
              Parse("KLAX 300553Z 14/11", "KLAX", DateTime(2007, 12, 1, 22, 0, 0)).ReportDateTime);
    EXPECT_EQ(DateTime(2007, 12, 31, 23, 50),
              Parse("KLAX 312350Z 14/11", "KLAX", DateTime(2008, 1, 1, 0, 30, 0)).ReportDateTime);
    // A report a little ahead of our clock still belongs to today.
    EXPECT_EQ(DateTime(2007, 12, 1, 1, 0),
              Parse("KLAX 010100Z", "KLAX", DateTime(2007, 11, 30, 23, 0, 0)).ReportDateTime);
    EXPECT_THROW_AT(Parse("KLAX 300553Z 14/11", "KLAX", DateTime(2007, 12, 5, 12, 0, 0)),
                    ApplicationException, "Nullable<class DateTime>::Value (20)");

    // A first line on another day dates the group by the look-back; an impossible group leaves
    // the first line's time.
    EXPECT_EQ(DateTime(2007, 11, 29, 23, 53), Parse("2007/11/30 00:10\nKLAX 292353Z").ReportDateTime);
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53), Parse("2007/11/30 05:53\nKLAX 302599Z").ReportDateTime);
    // A date-only first line, and one whose time is impossible, still give the date.
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53),
              Parse("2007/11/30\nKLAX 300553Z", "KLAX", DateTime(2009, 1, 1, 0, 0, 0)).ReportDateTime);
    EXPECT_EQ(DateTime(2007, 11, 30, 0, 0), Parse("2007/11/30 25:53\nKLAX").ReportDateTime);
    // An impossible date is no first line at all.
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53), Parse("2007/02/30 05:53\nKLAX 300553Z").ReportDateTime);

    for (const char* text : {"", "2007/11/30", "2007/02/30 05:53\nKLAX 14/11", " \r\n\t "})
    {
        SCOPED_TRACE(text);
        EXPECT_THROW_AT(Parse(text), ApplicationException, "Nullable<class DateTime>::Value (20)");
    }
}

TEST(MetarParser, MissingAndFutureReportsAreRefused)
{
    // A NIL body is a missing report, not a clear sky.
    for (const char* text :
         {"2007/11/30 05:53\nKLAX 300553Z NIL", "KLAX 300553Z NIL=", "METAR KLAX 300553Z nil"})
    {
        SCOPED_TRACE(text);
        EXPECT_THROW_AT(Parse(text), ApplicationException, "ParseMetarReport (343)");
    }
    EXPECT_EQ(Fair, CodeOf("KLAX 300553Z FEW008 14/11 RMK NIL"));

    // Up to two hours ahead of our clock is a clock skew; later is no observation at all.
    EXPECT_EQ(DateTime(2007, 11, 30, 9, 0), Parse("2007/11/30 09:00\nKLAX 300900Z 14/11").ReportDateTime);
    for (const char* text : {"2007/11/30 09:01\nKLAX 300901Z 14/11", "2099/11/30 05:53\nKLAX 300553Z 14/11",
                             "2099/11/30 05:53", "9999/12/31 23:59\nKLAX 312359Z"})
    {
        SCOPED_TRACE(text);
        EXPECT_THROW_AT(Parse(text), ApplicationException, "ParseMetarReport (384)");
    }
}

TEST(MetarParser, HostileTextFailsCleanly)
{
    // A group longer than any real one is passed over unread, whatever its shape.
    std::string rain;
    while (rain.size() < MaxMetarGroupLength)
    {
        rain += "RA";
    }
    EXPECT_EQ(Rain, CodeOf("KLAX 300553Z " + rain + " 14/11"));
    const CCurrentWeather skipped =
        Parse("2007/11/30 05:53\nKLAX 300553Z -" + rain + " FEW" + std::string(30, '0') + " 14/" + rain);
    EXPECT_EQ(Clear, skipped.WeatherCode.Value());
    EXPECT_FALSE(skipped.Temprature.HasValue);

    // A text of the longest length taken, made of groups long enough to exhaust the stack of the
    // regular-expression engine, still reads its short groups.
    std::string longGroup(3000, 'R');
    for (std::size_t i = 1; i < longGroup.size(); i += 2)
    {
        longGroup[i] = 'A';
    }
    const std::string digits(800, '9');
    std::string text = "2007/11/30 05:53\nKLAX " + longGroup + " " + digits + "Z " + digits + "/" + digits +
                       " FEW" + digits + " M" + digits + "/ \x01\xff\x80 -RA ";
    ASSERT_LT(text.size(), MaxMetarTextLength);
    text.resize(MaxMetarTextLength, ' ');
    const CCurrentWeather weather = Parse(text);
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53), weather.ReportDateTime);
    EXPECT_EQ(Rain, weather.WeatherCode.Value());
    EXPECT_FALSE(weather.Temprature.HasValue);
    // One character more and the text is no observation file.
    EXPECT_THROW_AT(Parse(text + " "), ApplicationException, "ParseMetarReport (286)");

    EXPECT_THROW_AT(Parse("KLAX 300553Z", "KLAX", DateTime::FromTicks(DateTime::MaxTicks)),
                    ApplicationException, "Nullable<class DateTime>::Value (20)");
}
} // namespace
