// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/NoaaDwml.h"

#include "tests/support/ExpectThrowAt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace
{
const DateTime kNow(2007, 11, 30, 14, 0, 0);

// Hours after 2007-12-03 00:00, written with the forecast point's zone offset.
std::string Time(int hours)
{
    char text[40];
    std::snprintf(text, sizeof text, "2007-12-%02dT%02d:00:00-05:00", 3 + hours / 24, hours % 24);
    return text;
}

// Twelve-hour periods by their start.
std::string Layout(const std::string& key, const std::vector<int>& starts)
{
    std::string xml = "<time-layout time-coordinate=\"local\"><layout-key>" + key + "</layout-key>";
    for (const int start : starts)
    {
        xml += "<start-valid-time>" + Time(start) + "</start-valid-time><end-valid-time>" + Time(start + 12) +
               "</end-valid-time>";
    }
    return xml + "</time-layout>\n";
}

// An element with a list of children; an empty text is written the way the service writes a
// missing value.
std::string List(const std::string& name, const std::string& attributes, const std::string& child,
                 const std::vector<std::string>& texts)
{
    std::string xml = "<" + name + " " + attributes + "><name>" + name + "</name>";
    for (const std::string& text : texts)
    {
        xml += text.empty() ? "<" + child + " xsi:nil=\"true\"/>"
                            : "<" + child + ">" + text + "</" + child + ">";
    }
    return xml + "</" + name + ">\n";
}

// Summaries given as nullptr have no attribute at all.
std::string Weather(const std::string& attributes, const std::vector<const char*>& summaries)
{
    std::string xml = "<weather " + attributes + ">";
    for (const char* summary : summaries)
    {
        xml += summary == nullptr
                   ? std::string("<weather-conditions/>")
                   : "<weather-conditions weather-summary=\"" + std::string(summary) +
                         "\"><value coverage=\"likely\" weather-type=\"rain\"/></weather-conditions>";
    }
    return xml + "</weather>\n";
}

std::string Document(const std::string& layouts, const std::string& parameters)
{
    return "<?xml version=\"1.0\"?>\n<dwml version=\"1.0\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
           "<head><product><title>NOAA's NWS Forecast</title></product></head>\n<data>"
           "<location><location-key>point1</location-key><point latitude=\"33.93\" "
           "longitude=\"-118.40\"/></location>\n" +
           layouts + "<parameters applicable-location=\"point1\">\n" + parameters +
           "</parameters></data></dwml>\n";
}

CForecast Parse(std::string text)
{
    CForecast forecast;
    NoaaDwml::Parse12HourlyForecast(text, forecast, kNow);
    return forecast;
}

const std::string kPeriods = "time-layout=\"k-p12h-n5-3\"";
const std::string kForecast =
    "\xEF\xBB\xBF" +
    Document(
        Layout("k-p24h-n3-1", {6, 30, 54}) + Layout("k-p24h-n3-2", {18, 42, 66}) +
            Layout("k-p12h-n5-3", {6, 18, 30, 42, 54}),
        List("temperature", "type=\"maximum\" time-layout=\"k-p24h-n3-1\"", "value", {"60", "55", ""}) +
            List("temperature", "type=\"minimum\" time-layout=\"k-p24h-n3-2\"", "value", {"45", "41", "39"}) +
            "<!-- <weather time-layout=\"elsewhere\"> -->\n" +
            Weather(kPeriods, {"Sunny", "Mostly Clear", "Rain Likely", "Chance Showers", "Partly Cloudy"}) +
            List("conditions-icon", kPeriods, "icon-link",
                 {"http://x/skc.jpg", "http://x/nfew.jpg", "http://x/ra70.jpg", "http://x/nhi_shwrs30.jpg",
                  "http://x/sct.jpg"}));

TEST(NoaaDwml, ReadsPeriodsWithTheirDaysTemperatures)
{
    const CForecast forecast = Parse(kForecast);
    EXPECT_EQ(kNow, forecast.ReportDateTime);
    EXPECT_EQ(DateTime::KindUtc, forecast.ReportDateTime.GetKind());
    ASSERT_EQ(5u, forecast.Items.size());

    const CForecastItem& first = forecast.Items[0];
    EXPECT_EQ(DateTime(2007, 12, 3, 6, 0, 0), first.Start); // the zone offset is not applied
    EXPECT_EQ(DateTime(2007, 12, 3, 18, 0, 0), first.End);
    EXPECT_EQ(L"Sunny", first.WeatherSummary);
    EXPECT_EQ(Clear, first.WeatherCode.Value());
    EXPECT_NEAR(15.5556f, first.TempratureMax.Value(), 1e-4);
    EXPECT_NEAR(7.2222f, first.TempratureMin.Value(), 1e-4);

    // The night period of the same date shows the same pair.
    EXPECT_EQ(Fair, forecast.Items[1].WeatherCode.Value());
    EXPECT_EQ(first.TempratureMax.Value(), forecast.Items[1].TempratureMax.Value());
    EXPECT_EQ(first.TempratureMin.Value(), forecast.Items[1].TempratureMin.Value());
    EXPECT_EQ(Rain, forecast.Items[2].WeatherCode.Value());
    EXPECT_NEAR(5.0f, forecast.Items[2].TempratureMin.Value(), 1e-4);
    EXPECT_EQ(RainShowers, forecast.Items[3].WeatherCode.Value());
    EXPECT_FALSE(forecast.Items[4].TempratureMax.HasValue);
    EXPECT_NEAR(3.8889f, forecast.Items[4].TempratureMin.Value(), 1e-4);
}

TEST(NoaaDwml, DropsEmptyPeriodsAtEitherEnd)
{
    // A period already over opens the list: no summary and an unknown icon, and its day's
    // maximum does not keep it; the next one, with only that maximum, is kept. So is an empty
    // one in the middle; the empty ones at the end go.
    const CForecast trimmed =
        Parse(Document(Layout("d", {6, 30}) + Layout("p", {6, 18, 30, 42, 54, 66}),
                       List("temperature", "type=\"maximum\" time-layout=\"d\"", "value", {"50", "52"}) +
                           Weather("time-layout=\"p\"", {nullptr, nullptr, "Cloudy", "", nullptr, nullptr}) +
                           List("conditions-icon", "time-layout=\"p\"", "icon-link",
                                {"hz.jpg", "", "ovc.jpg", "hz.jpg", "", "hz.jpg"})));
    ASSERT_EQ(3u, trimmed.Items.size());
    EXPECT_EQ(DateTime(2007, 12, 3, 18, 0, 0), trimmed.Items[0].Start);
    EXPECT_NEAR(10.0f, trimmed.Items[0].TempratureMax.Value(), 1e-4);
    EXPECT_EQ(Cloudy, trimmed.Items[1].WeatherCode.Value());
    EXPECT_EQ(DateTime(2007, 12, 4, 18, 0, 0), trimmed.Items[2].Start);

    // A first period with only an icon is kept; the periods end with the shortest list.
    const CForecast iconOnly = Parse(
        Document(Layout("p", {6, 18, 30, 42}), Weather("time-layout=\"p\"", {nullptr, "Rain", "Rain"}) +
                                                   List("conditions-icon", "time-layout=\"p\"", "icon-link",
                                                        {"nsct.jpg", "ra.jpg", "ra.jpg", "ra.jpg"})));
    ASSERT_EQ(3u, iconOnly.Items.size());
    EXPECT_EQ(PartlyCloudy, iconOnly.Items[0].WeatherCode.Value());
}

TEST(NoaaDwml, KeepsTheWeekTheWindowDrawsWithItsSummariesInUtf8)
{
    // Twenty days of periods: only the first week's are kept.
    std::vector<int> starts;
    std::vector<const char*> summaries;
    std::vector<std::string> icons;
    for (int i = 0; i < 40; ++i)
    {
        starts.push_back(18 + 12 * i);
        summaries.push_back(i == 0 ? "Caf&#233; &#8211; Windy" : "Rain \xE2\x80\x93 Windy");
        icons.push_back("ra.jpg");
    }
    const CForecast forecast = Parse(
        Document(Layout("p", starts), Weather("time-layout=\"p\"", summaries) +
                                          List("conditions-icon", "time-layout=\"p\"", "icon-link", icons)));
    ASSERT_EQ(CForecast::MaxItems, forecast.Items.size());
    EXPECT_EQ(14u, CForecast::MaxItems);
    EXPECT_EQ(DateTime(2007, 12, 10, 6, 0, 0), forecast.Items.back().Start);
    EXPECT_EQ(L"Caf\u00E9 \u2013 Windy", forecast.Items[0].WeatherSummary);
    EXPECT_EQ(L"Rain \u2013 Windy", forecast.Items[1].WeatherSummary);
}

TEST(NoaaDwml, TemperatureEntriesFailOneByOne)
{
    const std::string days = "<time-layout><layout-key>d</layout-key><start-valid-time>" + Time(6) +
                             "</start-valid-time><start-valid-time>" + Time(30) + "</start-valid-time>" +
                             "<start-valid-time>" + Time(54) + "</start-valid-time>" +
                             "<start-valid-time>garbage</start-valid-time></time-layout>";
    const auto temperatures = [](const std::string& attributes, const std::vector<std::string>& values)
    { return List("temperature", attributes, "value", values); };
    const CForecast forecast =
        Parse(Document(days + Layout("p", {6, 18, 30, 42, 54}),
                       temperatures("type=\"maximum\" time-layout=\"d\"", {"", "sixty", "1e39"}) +
                           temperatures("type=\"maximum\" time-layout=\"d\"", {"70", "68", "66", "99"}) +
                           temperatures("type=\"dew point\" time-layout=\"d\"", {"10", "10", "10"}) +
                           temperatures("type=\"minimum\" time-layout=\"unknown\"", {"10", "10", "10"}) +
                           temperatures("type=\"minimum\"", {"10", "10", "10"}) +
                           temperatures("time-layout=\"d\"", {"10", "10"}) +
                           temperatures("type=\"minimum\" time-layout=\"d\"", {" 41 ", "-1e400", "nan"}) +
                           Weather("time-layout=\"p\"", {"A", "B", "C", "D", "E"}) +
                           List("conditions-icon", "time-layout=\"p\"", "icon-link", {"", "", "", "", ""})));
    ASSERT_EQ(5u, forecast.Items.size());
    // An empty value is the day's entry, without a temperature: the later list does not fill it.
    EXPECT_FALSE(forecast.Items[0].TempratureMax.HasValue);
    EXPECT_NEAR(5.0f, forecast.Items[0].TempratureMin.Value(), 1e-4);
    // Unreadable values and out-of-range ones drop their entry, so the later list fills in.
    EXPECT_NEAR(20.0f, forecast.Items[2].TempratureMax.Value(), 1e-4);
    EXPECT_NEAR(18.8889f, forecast.Items[4].TempratureMax.Value(), 1e-4);
    EXPECT_FALSE(forecast.Items[2].TempratureMin.HasValue);
    EXPECT_FALSE(forecast.Items[4].TempratureMin.HasValue);
}

TEST(NoaaDwml, StructuralFaultsNameTheirCheckAndKeepTheForecast)
{
    const std::string layout = Layout("p", {6, 18});
    const std::string icons = List("conditions-icon", "time-layout=\"p\"", "icon-link", {"ra.jpg", "ra.jpg"});
    const std::string weather = Weather("time-layout=\"p\"", {"Rain", "Rain"});
    const std::string otherIcons = List("conditions-icon", "time-layout=\"q\"", "icon-link", {"ra.jpg"});
    const std::string badDate =
        "<time-layout><layout-key>p</layout-key><start-valid-time>2007-12-3</start-valid-time>"
        "<end-valid-time>2007-12-03T18:00:00</end-valid-time></time-layout>";
    const std::vector<std::pair<std::string, const wchar_t*>> documents = {
        {"", L"NoaaDwml::Parse12HourlyForecast (162)"},
        {"\xEF\xBB\xBF \r\n", L"NoaaDwml::Parse12HourlyForecast (162)"},
        {"<dwml><head/></dwml>", L"NoaaDwml::Parse12HourlyForecast (164)"},
        {"<dwml><data/></dwml>", L"NoaaDwml::Parse12HourlyForecast (166)"},
        {Document("<time-layout/>", weather + icons), L"NoaaDwml::Parse12HourlyForecast (171)"},
        {Document(layout, icons), L"NoaaDwml::Parse12HourlyForecast (197)"},
        {Document(layout, weather), L"NoaaDwml::Parse12HourlyForecast (199)"},
        {Document(layout, Weather("", {"Rain"}) + icons), L"NoaaDwml::Parse12HourlyForecast (202)"},
        {Document(layout, weather + List("conditions-icon", "", "icon-link", {})),
         L"NoaaDwml::Parse12HourlyForecast (204)"},
        {Document(layout + Layout("q", {6}), weather + otherIcons), L"NoaaDwml::Parse12HourlyForecast (205)"},
        {Document(layout, Weather("time-layout=\"q\"", {}) + otherIcons),
         L"NoaaDwml::Parse12HourlyForecast (208)"},
        {Document(badDate, weather + icons), L"Util::ParseDigits (361)"}, // a bad period date ends the parse
    };
    for (const auto& [document, location] : documents)
    {
        std::string text = document;
        CForecast forecast;
        forecast.Items.resize(1);
        forecast.ReportDateTime = DateTime(2000, 1, 1, 0, 0, 0);
        std::wstring thrown = L"nothing";
        try
        {
            NoaaDwml::Parse12HourlyForecast(text, forecast, kNow);
        }
        catch (const ApplicationException& e)
        {
            thrown = e.Location;
        }
        EXPECT_EQ(LocationFunctionPart(location), LocationFunctionPart(thrown)) << document;
        EXPECT_EQ(1u, forecast.Items.size());
        EXPECT_EQ(DateTime(2000, 1, 1, 0, 0, 0), forecast.ReportDateTime);
    }
}

TEST(NoaaDwml, MalformedAndHostileDocumentsFailCleanly)
{
    // The XML parser's own error, not one of ours.
    for (const char* text : {"<dwml><data>", "<dwml a=\"1></dwml>", "<dwml></dwml>junk", "just text"})
    {
        EXPECT_THROW(Parse(text), std::exception) << text;
    }

    // Every truncation of a real document ends in a result or an exception, never a stray read.
    for (std::size_t length = 0; length < kForecast.size(); ++length)
    {
        try
        {
            Parse(kForecast.substr(0, length));
        }
        catch (const ApplicationException&)
        {
        }
        catch (const std::exception&)
        {
        }
    }

    // Deep nesting would take the parser's recursion through the stack; hiding it in names
    // with quotes must not fool the check, while markup inside comments and values is no nesting.
    std::string deep;
    std::string quoted;
    std::string harmless = "<dwml><!-- ";
    for (int i = 0; i < 100000; ++i)
    {
        deep += "<a>";
        quoted += "<a\">";
        harmless += "<a>";
    }
    EXPECT_THROW_AT(Parse(deep), ApplicationException, "NoaaDwml::Parse12HourlyForecast (158)");
    EXPECT_THROW_AT(Parse(quoted), ApplicationException, "NoaaDwml::Parse12HourlyForecast (158)");
    // The deepest document taken reaches the XML parser, which reads it whole; one level more
    // is refused. Siblings and self-closing elements add no depth.
    std::string opening;
    std::string closing;
    for (int i = 0; i < NoaaDwml::MaxNesting; ++i)
    {
        opening += "<b/><c></c><a x='1'>";
        closing += "</a>";
    }
    EXPECT_THROW_AT(Parse(opening + closing), ApplicationException, "NoaaDwml::Parse12HourlyForecast (164)");
    EXPECT_THROW_AT(Parse("<dwml>" + opening + closing + "</dwml>"), ApplicationException,
                    "NoaaDwml::Parse12HourlyForecast (158)");
    harmless += " --><x a='<a><a><a>'/><![CDATA[<a><a>]]><?pi <a><a>?></dwml>";
    EXPECT_THROW_AT(Parse(harmless), ApplicationException, "NoaaDwml::Parse12HourlyForecast (164)");

    // Huge texts in the right places are just long texts.
    const std::string huge(100000, 'x');
    const CForecast forecast =
        Parse(Document(Layout("p", {6}),
                       Weather("time-layout=\"p\"", {huge.c_str()}) +
                           List("conditions-icon", "time-layout=\"p\"", "icon-link", {huge + "/ra" + huge})));
    ASSERT_EQ(1u, forecast.Items.size());
    EXPECT_EQ(100000u, forecast.Items[0].WeatherSummary.size());
    EXPECT_EQ(Rain, forecast.Items[0].WeatherCode.Value());
}

TEST(NoaaDwml, WeatherCodeFromIconLink)
{
    const std::vector<std::pair<std::string, int>> known = {
        {"http://www.nws.noaa.gov/weather/images/fcicons/nra70.jpg", Rain},
        {"http://x/blizzard.jpg", Snow},
        {"http://x/nwind_skc.jpg", Clear},
        {"http://x/hi_tsra20.jpg", Thunderstorms},
        {"http://x/hi_shwrs.jpg", RainShowers},
        {"http://x/rasn.jpg", RainAndSnow},
        {"http://x/nbkn.jpg", MostlyCloudy},
        {"http://x/nfg.jpg", Fog},
        {"http://x/NOVC.JPG", Cloudy},
        {"few.jpg", Fair},
        {"http://x.y/z/sn", Snow}, // a dot before the last slash is no extension
    };
    for (const auto& [link, code] : known)
    {
        EXPECT_EQ(code, NoaaDwml::WeatherCodeFromIconLink(link).Value()) << link;
    }
    for (const char* link : {"http://x/hz.jpg", "", "http://x/", "http://x/70.jpg", "http://x/ts/"})
    {
        EXPECT_FALSE(NoaaDwml::WeatherCodeFromIconLink(link).HasValue) << link;
    }
}
} // namespace
