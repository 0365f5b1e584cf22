// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ArgumentException.h"
#include "core/ArgumentOutOfRangeException.h"
#include "core/CPtr.h"
#include "core/Util.h"
#include "data/City.h"
#include "data/Data.h"
#include "data/Tokenize.h"
#include "weather/CWeatherReport.h"

#include "tests/support/ExpectThrowAt.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <string>
#include <vector>

namespace
{
const char kLosAngeles[] = "1;KLAX;USA;Los Angeles;Los Angeles International Airport;33.938;-118.389";

CityRecord Parsed(const std::string& line)
{
    CityRecord record;
    CityRecord::Parse(line, record);
    return record;
}

std::vector<std::string> Fields(std::string line)
{
    std::vector<std::string> fields;
    char* cursor = line.data();
    while (cursor != nullptr)
    {
        fields.emplace_back(Tokenize(cursor));
    }
    EXPECT_THROW_AT(Tokenize(cursor), ApplicationException, "Tokenize (58)");
    return fields;
}

TEST(Tokenize, CutsAtSeparatorsAndStopsAtTheLineEnd)
{
    EXPECT_EQ((std::vector<std::string>{"a", "", "b"}), Fields("a;;b"));
    EXPECT_EQ((std::vector<std::string>{"a", ""}), Fields("a;"));
    EXPECT_EQ((std::vector<std::string>{""}), Fields(""));
    EXPECT_EQ((std::vector<std::string>{"x", "y"}), Fields("x;y\r\nz;w"));
    EXPECT_EQ((std::vector<std::string>{"x"}), Fields("x\ny"));
    EXPECT_EQ((std::vector<std::string>{"x"}), Fields(std::string("x\0;y", 4)));
}

TEST(RecordLine, ReadsEveryFieldInItsPlace)
{
    const CityRecord record = Parsed(std::string(kLosAngeles) + "\r\n");
    EXPECT_EQ(1, record.Id);
    EXPECT_EQ(L"KLAX", record.StationCode);
    EXPECT_EQ(L"USA", record.Country);
    EXPECT_EQ(L"Los Angeles", record.DisplayName());
    EXPECT_EQ(L"Los Angeles International Airport", record.Details);
    EXPECT_EQ(33.938f, record.Latitude);
    EXPECT_EQ(-118.389f, record.Longitude);

    // Empty details, a line feed alone, blanks and a sign in the id, an eighth field.
    const CityRecord other = Parsed(" +7;FAJS;South Africa;Johannesburg;;-26.133;28.233;extra;fields\n");
    EXPECT_EQ(7, other.Id);
    EXPECT_EQ(L"", other.Details);
    EXPECT_EQ(28.233f, other.Longitude);

    // Read directly, an empty name is kept: only the user's rename refuses it.
    EXPECT_EQ(L"", Parsed("2;LFPO;France;;Orly;0;2.4").DisplayName());
    EXPECT_EQ(0.0f, Parsed("2;LFPO;France;Paris;Orly;0;2.4").Latitude);
}

TEST(RecordLine, RefusesMalformedLines)
{
    CityRecord record;
    EXPECT_THROW_AT(CityRecord::Parse("1;KLAX;USA;Los Angeles;Airport;33.938", record), ApplicationException,
                    "Tokenize (58)");
    EXPECT_THROW_AT(CityRecord::Parse("", record), ArgumentException, "Util::ParseInt (320)");
    EXPECT_THROW_AT(CityRecord::Parse("x1;KLAX;USA;LA;;1;1", record), ArgumentException,
                    "Util::ParseInt (311)");
    EXPECT_THROW_AT(CityRecord::Parse("99999999999;KLAX;USA;LA;;1;1", record), ArgumentException,
                    "Util::ParseInt (311)");
    EXPECT_THROW_AT(CityRecord::Parse("1;KLAX;USA;LA;;.0;1", record), ArgumentException,
                    "Util::ParseDouble (341)");
    EXPECT_THROW_AT(CityRecord::Parse("1;KLAX;USA;LA;;-0;1", record), ArgumentException,
                    "Util::ParseDouble (341)");
    EXPECT_THROW_AT(CityRecord::Parse("1;KLAX;USA;LA;;1;1.5x", record), ArgumentException,
                    "Util::ParseDouble (347)");
    EXPECT_THROW_AT(CityRecord::Parse("1;KLAX;USA;LA;;nan;1", record), ArgumentException,
                    "Util::ParseDouble (341)");
    EXPECT_THROW_AT(CityRecord::Parse("1;KLAX;USA;LA;;1e999;1", record), ArgumentException,
                    "Util::ParseDouble (341)");
    // Far beyond a float: narrowing it would be undefined, and no place lies there.
    EXPECT_THROW_AT(CityRecord::Parse("1;KLAX;USA;LA;;1e300;1", record), ArgumentOutOfRangeException,
                    "CityRecord::Parse (112)");
    EXPECT_THROW_AT(CityRecord::Parse("1;KLAX;USA;LA;;90.001;1", record), ArgumentOutOfRangeException,
                    "CityRecord::Parse (112)");
    EXPECT_THROW_AT(CityRecord::Parse("1;KLAX;USA;LA;;0;-180.5", record), ArgumentOutOfRangeException,
                    "CityRecord::Parse (112)");
    EXPECT_NO_THROW(CityRecord::Parse("1;KLAX;USA;LA;;-90;180", record));
}

TEST(RecordLine, WritesALineThatReadsBackTheSame)
{
    EXPECT_EQ(L"1;KLAX;USA;Los Angeles;Los Angeles International Airport;33.938000;-118.389000",
              Parsed(kLosAngeles).ToLine());

    std::vector<CityRecord> records{
        CityRecord(INT_MIN, L"K1", L"", L" Blanks kept ", L"", -90.0f, 180.0f),
        CityRecord(INT_MAX, L"", L"C=D", L"Z\u00FCrich", L"a,b \"c\"", 0.0123456f, 179.99998f),
        // Just below zero: "-0.000000" would not read back at all.
        CityRecord(3, L"NZSP", L"Antarctica", L"Pole", L"", -0.0000001f, -0.0f),
    };
    for (const CityRecord& record : records)
    {
        const std::wstring line = record.ToLine();
        SCOPED_TRACE(Util::ToNarrow(line));
        const CityRecord back = Parsed(Util::ToNarrow(line));
        EXPECT_EQ(record.Id, back.Id);
        EXPECT_EQ(record.StationCode, back.StationCode);
        EXPECT_EQ(record.Country, back.Country);
        EXPECT_EQ(record.DisplayName(), back.DisplayName());
        EXPECT_EQ(record.Details, back.Details);
        EXPECT_NEAR(record.Latitude, back.Latitude, 5e-7);
        EXPECT_NEAR(record.Longitude, back.Longitude, 5e-7);
        EXPECT_EQ(line, back.ToLine());
    }
}

TEST(RecordLine, NeverWritesWhatCouldNotBeReadBack)
{
    CityRecord record = Parsed(kLosAngeles);
    EXPECT_THROW_AT(record.DisplayName(L""), ArgumentException, "CityRecord::DisplayName (45)");
    for (const std::wstring& name :
         {std::wstring(L"Los;Angeles"), std::wstring(L"Los\r\nAngeles"), std::wstring(L"Los\nAngeles"),
          std::wstring(L"Los\0Angeles", 11), std::wstring(L"\u4E1C\u4EAC")})
    {
        EXPECT_THROW_AT(record.DisplayName(name), ArgumentException, "CityRecord::DisplayName (49)");
    }
    EXPECT_EQ(L"Los Angeles", record.DisplayName());
    record.DisplayName(L"L.A. = home");
    EXPECT_EQ(L"L.A. = home", Parsed(Util::ToNarrow(record.ToLine())).DisplayName());

    // The other texts are not the user's, but a record that picked up such a value anyhow is
    // refused whole rather than written as a line that loses it at the next start.
    CityRecord damaged = record;
    damaged.Details = L"Terminal 1;2";
    EXPECT_THROW_AT(damaged.ToLine(), ArgumentException, "CityRecord::ToLine (127)");
    damaged = record;
    damaged.Latitude = std::numeric_limits<float>::quiet_NaN();
    EXPECT_THROW_AT(damaged.ToLine(), ArgumentException, "CityRecord::ToLine (131)");
    damaged = record;
    damaged.Longitude = 200.0f;
    EXPECT_THROW_AT(damaged.ToLine(), ArgumentException, "CityRecord::ToLine (131)");
}

TEST(Catalogue, KeepsTheGoodLinesInFileOrder)
{
    const std::string text = std::string(kLosAngeles) + "\r\n" +
                             "2;KMIA;USA;Miami;;25.791;-80.316\r\n"      // no details
                             "3;KJFK;USA;New York;JFK;40.639\r\n"        // six fields
                             "\r\n"                                      // blank
                             "4;LFPO;France;Paris;Orly;48.733;2.4;x\n" + // eight fields, LF only
                             "5;KXXX;X;Long;" +
                             std::string(6000, 'x') + ";1;1\r\n" +          // overlong
                             std::string(kLosAngeles) + "\r\n" +            // duplicate
                             "6;ESSA;Sweden;Stockholm;Arlanda;59.65;17.95"; // no line end
    const std::vector<CityRecord> records = Data::ParseCityRecords(text);
    std::vector<int> ids;
    for (const CityRecord& record : records)
    {
        ids.push_back(record.Id);
    }
    EXPECT_EQ((std::vector<int>{1, 2, 4, 1, 6}), ids);
    EXPECT_EQ(L"", records[1].Details);
    EXPECT_EQ(L"Orly", records[2].Details);
    EXPECT_TRUE(Data::ParseCityRecords("").empty());
}

TEST(Catalogue, TakesLinesUpToTheLengthLimitAndZerosWithALeadingDigit)
{
    // A line of exactly the longest length loads, with or without its CR LF; one character more
    // and it is skipped, and the lines after it still load.
    const auto line = [](int id, std::size_t length)
    {
        const std::string start = std::to_string(id) + ";KXXX;X;Name;";
        const std::string end = ";1;1";
        return start + std::string(length - start.size() - end.size(), 'd') + end;
    };
    const std::vector<CityRecord> records =
        Data::ParseCityRecords(line(1, Data::MaxLineLength) + "\r\n" + line(2, Data::MaxLineLength + 1) +
                               "\r\n" + line(3, Data::MaxLineLength) + "\n" +
                               line(4, Data::MaxLineLength + 1) + "\n" + line(5, 100000) + "\r\n" +
                               // A zero latitude written 0, 0.0 or with blanks loads; .0, -0 and -0.0 do not.
                               "6;A;X;Zero;;0;0\r\n7;A;X;Zero;;0.0;0.000000\r\n8;A;X;Zero;; 0 ;1\r\n"
                               "9;A;X;Zero;;.0;1\r\n10;A;X;Zero;;-0;1\r\n11;A;X;Zero;;1;-0.0\r\n"
                               // Lines of blanks only are skipped like empty ones.
                               "   \r\n\t\n" +
                               line(12, Data::MaxLineLength));
    std::vector<int> ids;
    for (const CityRecord& record : records)
    {
        ids.push_back(record.Id);
    }
    EXPECT_EQ((std::vector<int>{1, 3, 6, 7, 8, 12}), ids);
    EXPECT_EQ(Data::MaxLineLength - 18, records[0].Details.size());
    EXPECT_EQ(0.0f, records[2].Latitude);
}

TEST(CityWeather, TakesOnlyNewerWeather)
{
    City city(Parsed(kLosAngeles));
    city.CurrentWeather.ReportDateTime = DateTime(2008, 6, 1, 12, 0, 0);
    city.CurrentWeather.Temprature = 20.0f;

    City other(1, L"XXXX", L"Elsewhere", L"Other name", L"", 10.0f, 10.0f);
    other.CurrentWeather.ReportDateTime = DateTime(2008, 6, 1, 12, 0, 0); // same time: not newer
    other.CurrentWeather.Temprature = 30.0f;
    other.Forecast.ReportDateTime = DateTime(2008, 6, 1, 11, 0, 0);
    other.Forecast.Items.resize(3);
    city.UpdateWeather(other);
    EXPECT_EQ(20.0f, city.CurrentWeather.Temprature.Value());
    EXPECT_EQ(3u, city.Forecast.Items.size()); // newer than 1990

    CWeatherReport report;
    report.CityId = 1;
    report.CurrentWeather.ReportDateTime = DateTime(2008, 6, 1, 12, 0, 1);
    report.CurrentWeather.Temprature = 25.0f;
    report.Forecast.ReportDateTime = DateTime(2008, 6, 1, 10, 0, 0); // older: the stored one stays
    city.UpdateWeather(report);
    EXPECT_EQ(25.0f, city.CurrentWeather.Temprature.Value());
    EXPECT_EQ(3u, city.Forecast.Items.size());

    EXPECT_EQ(L"Los Angeles", city.DisplayName());
    EXPECT_EQ(L"KLAX", city.StationCode);
    EXPECT_EQ(33.938f, city.Latitude);
}

TEST(CityDaylight, FollowsTheSunAndAnswersDayWhenItCannot)
{
    const CityRecord losAngeles = Parsed(kLosAngeles);
    EXPECT_TRUE(losAngeles.IsDay(DateTime(2008, 6, 21, 20, 0, 0))); // local noon
    EXPECT_FALSE(losAngeles.IsDay(DateTime(2008, 6, 21, 8, 0, 0))); // local midnight

    CityRecord nowhere = losAngeles;
    nowhere.Latitude = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(nowhere.IsDay(DateTime(2008, 6, 21, 8, 0, 0)));
    nowhere.Latitude = 95.0f;
    EXPECT_TRUE(nowhere.IsDay(DateTime(2008, 6, 21, 8, 0, 0)));
}

TEST(CityPointers, EmptyOnesNameTheirType)
{
    CPtr<City> city;
    EXPECT_THROW_AT(*city, ApplicationException, "CPtr<class City>::operator * (108)");
    CPtr<std::vector<City>> cities;
    EXPECT_THROW_AT(
        cities->size(), ApplicationException,
        "CPtr<class std::vector<class City,class std::allocator<class City> > >::operator -> (114)");
}
} // namespace
