// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ApplicationException.h"
#include "core/DateTime.h"
#include "data/WeatherCache.h"
#include "platform/CHttpClient.h"
#include "tests/support/ExpectThrowAt.h"
#include "tests/weather/TestHttpServer.h" // winsock2.h must come before windows.h
#include "tests/weather/ScopedEnvironmentVariable.h"
#include "tests/support/TempFolder.h"
#include "weather/CNoaaApiClient.h"
#include "weather/WeatherServiceNoaa.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

using Request = TestHttpServer::Request;

namespace
{
const char* const StationPath = "/data/observations/metar/stations/";
const char* const SoapPath = "/xml/SOAP_server/ndfdXMLserver.php";
const char* const Observation =
    "2007/11/30 05:53\nKLAX 300553Z 00000KT 10SM FEW008 14/11 A2992 RMK AO2 T01440111\n";

// Two twelve-hour periods, the daily maximum on a layout of its own.
const char* const Dwml = R"(<?xml version="1.0"?>
<dwml version="1.0">
  <head><product concise-name="tabular-digital"/></head>
  <data>
    <time-layout time-coordinate="local" summarization="12hourly">
      <layout-key>k-p12h-n2-1</layout-key>
      <start-valid-time>2007-11-30T06:00:00-08:00</start-valid-time>
      <end-valid-time>2007-11-30T18:00:00-08:00</end-valid-time>
      <start-valid-time>2007-11-30T18:00:00-08:00</start-valid-time>
      <end-valid-time>2007-12-01T06:00:00-08:00</end-valid-time>
    </time-layout>
    <time-layout time-coordinate="local" summarization="24hourly">
      <layout-key>k-p24h-n1-1</layout-key>
      <start-valid-time>2007-11-30T06:00:00-08:00</start-valid-time>
      <end-valid-time>2007-11-30T18:00:00-08:00</end-valid-time>
    </time-layout>
    <parameters applicable-location="point1">
      <temperature type="maximum" units="Fahrenheit" time-layout="k-p24h-n1-1"><value>60</value></temperature>
      <weather time-layout="k-p12h-n2-1">
        <weather-conditions weather-summary="Sunny &amp; mild"/>
        <weather-conditions weather-summary="Rain Likely )"
                         "\xE2\x80\x93"
                         R"( Windy"/>
      </weather>
      <conditions-icon type="forecast-NWS" time-layout="k-p12h-n2-1">
        <icon-link>http://www.nws.noaa.gov/weather/images/fcicons/skc.jpg</icon-link>
        <icon-link>http://www.nws.noaa.gov/weather/images/fcicons/nra70.jpg</icon-link>
      </conditions-icon>
    </parameters>
  </data>
</dwml>
)";

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::string EscapeXml(const std::string& text)
{
    std::string escaped;
    for (const char c : text)
    {
        escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    return escaped;
}

std::string Envelope(const std::string& body)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<SOAP-ENV:Envelope SOAP-ENV:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"
 xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/" xmlns:xsd="http://www.w3.org/2001/XMLSchema"
 xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:SOAP-ENC="http://schemas.xmlsoap.org/soap/encoding/">
<SOAP-ENV:Body>)" +
           body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string ForecastAnswer(const std::string& dwml)
{
    return Envelope(
        R"(<ns1:NDFDgenByDayResponse xmlns:ns1="https://graphical.weather.gov/xml/DWMLgen/wsdl/ndfdXML.wsdl">)"
        R"(<dwmlByDayOut xsi:type="xsd:string">)" +
        EscapeXml(dwml) + "</dwmlByDayOut></ns1:NDFDgenByDayResponse>");
}

const std::string Fault = Envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
                                   "<faultstring>format is not valid</faultstring></SOAP-ENV:Fault>");

// The observation files and the forecast service on one test server.
void Weather(TestHttpServer&, const Request& request, SOCKET connection)
{
    if (request.Target == std::string(StationPath) + "KLAX.TXT")
    {
        TestHttpServer::Send(connection,
                             TestHttpServer::Response(200, "Content-Type: text/plain\r\n", Observation));
    }
    else if (request.Target == SoapPath)
    {
        TestHttpServer::Send(
            connection, TestHttpServer::Response(200, "Content-Type: text/xml\r\n", ForecastAnswer(Dwml)));
    }
    else
    {
        TestHttpServer::Send(connection, TestHttpServer::Response(404, "", "no such file"));
    }
}

CWeatherRequest LosAngeles()
{
    CWeatherRequest request;
    request.CityId = 42;
    request.Latitude = 33.9333f;
    request.Longitude = -118.4f;
    request.StationCode = L"KLAX";
    return request;
}
} // namespace

TEST(WeatherServiceNoaaTests, FetchesTheStationFileNamedByItsCode)
{
    EXPECT_EQ(L"https://tgftp.nws.noaa.gov/data/observations/metar/stations/KLAX.TXT",
              WeatherServiceNoaa::ObservationUrl(L"KLAX"));
    // A code from a damaged or hostile Cities.txt never steers the request elsewhere.
    for (const wchar_t* code : {L"../x", L"KLA", L"KLAXX", L"K?AX", L"klax", L"K%2F"})
    {
        EXPECT_THROW_AT(WeatherServiceNoaa::ObservationUrl(code), ApplicationException,
                        "WeatherServiceNoaa::ObservationUrl (47)");
    }

    TestHttpServer server(Weather);
    const ScopedEnvironmentVariable folder(L"NIMBREL_OBSERVATION_URL", server.Url(StationPath));
    CHttpClient client;

    const CPtr<CWeatherReport> report = WeatherServiceNoaa::GetCurrentWeatherReport(client, LosAngeles());
    EXPECT_EQ(42, report->CityId);
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53), report->CurrentWeather.ReportDateTime);
    ASSERT_TRUE(report->CurrentWeather.Temprature.HasValue);
    EXPECT_FLOAT_EQ(14.0f, report->CurrentWeather.Temprature.Value());
    EXPECT_TRUE(report->Forecast.Items.empty());

    const std::vector<Request> requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("GET", requests[0].Method);
    EXPECT_EQ("/data/observations/metar/stations/KLAX.TXT", requests[0].Target);
    EXPECT_EQ("127.0.0.1:" + std::to_string(server.Port()), requests[0].Header("Host"));
    EXPECT_EQ(Narrow(CHttpClient::UserAgent()), requests[0].Header("User-Agent"));
    EXPECT_TRUE(
        std::regex_match(requests[0].Header("User-Agent"),
                         std::regex(R"(Nimbrel/\d+\.\d+\.\d+ \(https?://[^ ()]+, [^ ()@]+@[^ ()@]+\))")))
        << requests[0].Header("User-Agent");
    EXPECT_EQ("", requests[0].Body);

    CWeatherRequest unknown = LosAngeles();
    unknown.StationCode = L"KXXX";
    EXPECT_THROW_AT(WeatherServiceNoaa::GetCurrentWeatherReport(client, unknown), ApplicationException,
                    "Util::DownloadHttp (18)");
}

TEST(WeatherServiceNoaaTests, AsksForTheForecastInOneSoapCallAndReadsTheAnswer)
{
    TestHttpServer server(Weather);
    const ScopedEnvironmentVariable folder(L"NIMBREL_OBSERVATION_URL", server.Url(StationPath));
    const ScopedEnvironmentVariable endpoint(L"NIMBREL_FORECAST_URL", server.Url(SoapPath));
    CHttpClient client;

    const std::string today = DateTime::Today().ToXsdDateString();
    const CPtr<CWeatherReport> report = WeatherServiceNoaa::GetWeatherReport(client, LosAngeles());
    EXPECT_EQ(42, report->CityId);
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53), report->CurrentWeather.ReportDateTime);

    const std::vector<CForecastItem>& items = report->Forecast.Items;
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ(L"Sunny & mild", items[0].WeatherSummary);
    EXPECT_EQ(EnumWeatherCode::Clear, items[0].WeatherCode.Value());
    EXPECT_EQ(DateTime(2007, 11, 30, 6, 0), items[0].Start);
    EXPECT_EQ(DateTime(2007, 11, 30, 18, 0), items[0].End);
    EXPECT_NEAR(15.5556, items[0].TempratureMax.Value(), 1e-3);
    EXPECT_FALSE(items[0].TempratureMin.HasValue);
    EXPECT_EQ(L"Rain Likely \u2013 Windy", items[1].WeatherSummary); // UTF-8 all the way
    EXPECT_EQ(EnumWeatherCode::Rain, items[1].WeatherCode.Value());

    const std::vector<Request> requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    const Request& call = requests[1];
    EXPECT_EQ("POST", call.Method);
    EXPECT_EQ(SoapPath, call.Target);
    EXPECT_EQ(R"("https://graphical.weather.gov/xml/DWMLgen/wsdl/ndfdXML.wsdl#NDFDgenByDay")",
              call.Header("SOAPAction"));
    EXPECT_EQ(Narrow(CHttpClient::UserAgent()), call.Header("User-Agent"));
    EXPECT_NE(std::string::npos, call.Header("Content-Type").find("text/xml"));

    // The five parameters in their order, each with its schema type, inside the SOAP-encoded
    // call element of the service's namespace.
    const std::string& body = call.Body;
    const std::regex callElement(R"(<ns1:NDFDgenByDay[^>]*>\s*)"
                                 R"(<latitude xsi:type="xsd:decimal">33\.933</latitude>\s*)"
                                 R"(<longitude xsi:type="xsd:decimal">-118\.400</longitude>\s*)"
                                 R"(<startDate xsi:type="xsd:date">)" +
                                 today +
                                 R"(</startDate>\s*)"
                                 R"(<numDays xsi:type="xsd:integer">7</numDays>\s*)"
                                 R"(<format xsi:type="xsd:string">12 hourly</format>\s*)"
                                 R"(</ns1:NDFDgenByDay>)");
    EXPECT_TRUE(std::regex_search(body, callElement)) << body;
    EXPECT_NE(std::string::npos,
              body.find(R"(xmlns:ns1="https://graphical.weather.gov/xml/DWMLgen/wsdl/ndfdXML.wsdl")"))
        << body;
    EXPECT_NE(std::string::npos, body.find(R"(encodingStyle="http://schemas.xmlsoap.org/soap/encoding/")"))
        << body;
}

TEST(WeatherServiceNoaaTests, AFailedForecastCallThrowsAndKeepsTheOldForecast)
{
    TestHttpServer server(
        [](TestHttpServer&, const Request& request, SOCKET connection)
        {
            if (request.Target == "/fault-200")
            {
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(200, "Content-Type: text/xml\r\n", Fault));
            }
            else if (request.Target == "/fault-500")
            {
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(500, "Content-Type: text/xml\r\n", Fault));
            }
            else if (request.Target == "/not-xml")
            {
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(200, "", "Service temporarily unavailable"));
            }
            else if (request.Target == "/truncated")
            {
                const std::string answer = ForecastAnswer(Dwml);
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(200, "", answer.substr(0, answer.size() / 2)));
            }
            else
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(404, "", ""));
            }
        });
    CHttpClient client;
    CForecast forecast;
    forecast.Items.resize(3);

    const std::wstring refused =
        L"http://127.0.0.1:" + std::to_wstring(TestHttpServer::UnusedPort()) + L"/soap";
    for (const std::wstring& url :
         {server.Url("/fault-200"), server.Url("/fault-500"), server.Url("/not-xml"),
          server.Url("/truncated"), server.Url("/missing"), refused, std::wstring(L"not an address")})
    {
        SCOPED_TRACE(Narrow(url));
        const ScopedEnvironmentVariable endpoint(L"NIMBREL_FORECAST_URL", url);
        EXPECT_THROW_AT(WeatherServiceNoaa::GetForecast(client, LosAngeles(), forecast), ApplicationException,
                        "WeatherServiceNoaa::GetForecast (63)");
        EXPECT_EQ(3u, forecast.Items.size());
    }
}

TEST(WeatherServiceNoaaTests, AFullReportKeepsItsObservationWhenOnlyTheForecastFails)
{
    TestHttpServer server(
        [](TestHttpServer& self, const Request& request, SOCKET connection)
        {
            if (request.Target == "/silent")
            {
                self.WaitForClientToLeave(connection);
            }
            else if (request.Target == "/fault")
            {
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(500, "Content-Type: text/xml\r\n", Fault));
            }
            else if (request.Target == "/broken-dwml")
            {
                TestHttpServer::Send(
                    connection, TestHttpServer::Response(200, "", ForecastAnswer("<dwml><data/></dwml>")));
            }
            else
            {
                Weather(self, request, connection);
            }
        });
    const ScopedEnvironmentVariable folder(L"NIMBREL_OBSERVATION_URL", server.Url(StationPath));
    // The JSON API has no answer for the place either.
    const ScopedEnvironmentVariable api(L"NIMBREL_API_URL", server.Url(""));
    CNoaaApiClient::ForgetPoints();
    CHttpClient client;
    const DateTime noForecast = CForecast().ReportDateTime;

    const std::wstring refused =
        L"http://127.0.0.1:" + std::to_wstring(TestHttpServer::UnusedPort()) + L"/soap";
    for (const std::wstring& url : {server.Url("/fault"), server.Url("/broken-dwml"), refused})
    {
        SCOPED_TRACE(Narrow(url));
        const ScopedEnvironmentVariable endpoint(L"NIMBREL_FORECAST_URL", url);
        const CPtr<CWeatherReport> report = WeatherServiceNoaa::GetWeatherReport(client, LosAngeles());
        EXPECT_EQ(42, report->CityId);
        EXPECT_EQ(DateTime(2007, 11, 30, 5, 53), report->CurrentWeather.ReportDateTime);
        EXPECT_TRUE(report->Forecast.Items.empty());
        EXPECT_EQ(noForecast, report->Forecast.ReportDateTime);
    }

    // The observation is asked for first; without it there is no report and no forecast call.
    const ScopedEnvironmentVariable endpoint(L"NIMBREL_FORECAST_URL", server.Url(SoapPath));
    CWeatherRequest unknown = LosAngeles();
    unknown.StationCode = L"KXXX";
    const std::size_t before = server.Requests().size();
    EXPECT_THROW_AT(WeatherServiceNoaa::GetWeatherReport(client, unknown), ApplicationException,
                    "Util::DownloadHttp (18)");
    const std::vector<Request> requests = server.Requests();
    ASSERT_EQ(before + 1, requests.size());
    EXPECT_EQ("GET", requests.back().Method);

    // A forecast service that takes the call and never answers is given up on.
    const ScopedEnvironmentVariable silent(L"NIMBREL_FORECAST_URL", server.Url("/silent"));
    client.SetDeadline(3000);
    CForecast forecast;
    EXPECT_THROW_AT(WeatherServiceNoaa::GetForecast(client, LosAngeles(), forecast), ApplicationException,
                    "WeatherServiceNoaa::GetForecast (63)");
}

TEST(WeatherServiceNoaaTests, ObservationAndForecastEachHaveTheirOwnSizeLimit)
{
    using WeatherServiceNoaa::ForecastBodyLimit;
    using WeatherServiceNoaa::ObservationBodyLimit;
    // At the limit the whole body comes. Beyond it only the header block comes, declaring one
    // byte more: the client gives up on the length alone, and the server is not left sending
    // megabytes that nobody reads.
    const auto beyond = [](TestHttpServer& self, std::size_t limit, SOCKET connection)
    {
        TestHttpServer::Send(connection, "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " +
                                             std::to_string(limit + 1) + "\r\n\r\n");
        self.WaitForClientToLeave(connection);
    };
    TestHttpServer server(
        [&](TestHttpServer& self, const Request& request, SOCKET connection)
        {
            const std::string& path = request.Target;
            if (path == "/at-limit/KLAX.TXT")
            {
                std::string file = Observation;
                file.resize(ObservationBodyLimit, ' ');
                TestHttpServer::Send(connection, TestHttpServer::Response(200, "", file));
            }
            else if (path == "/over-limit/KLAX.TXT")
            {
                beyond(self, ObservationBodyLimit, connection);
            }
            else if (path == "/soap-at-limit")
            {
                std::string answer = ForecastAnswer(Dwml);
                answer.resize(ForecastBodyLimit, ' ');
                TestHttpServer::Send(connection, TestHttpServer::Response(200, "", answer));
            }
            else if (path == "/soap-over-limit")
            {
                beyond(self, ForecastBodyLimit, connection);
            }
            else
            {
                Weather(self, request, connection);
            }
        });
    CHttpClient client;
    {
        // The file arrives whole; whether a file that size is an observation is the parser's
        // judgement, not the download's.
        const ScopedEnvironmentVariable folder(L"NIMBREL_OBSERVATION_URL", server.Url("/at-limit/"));
        std::wstring failure;
        try
        {
            WeatherServiceNoaa::GetCurrentWeather(client, LosAngeles());
        }
        catch (const ApplicationException& e)
        {
            failure = e.Location;
        }
        EXPECT_NE(L"Util::DownloadHttp", LocationFunctionPart(failure));
    }
    {
        const ScopedEnvironmentVariable folder(L"NIMBREL_OBSERVATION_URL", server.Url("/over-limit/"));
        EXPECT_THROW_AT(WeatherServiceNoaa::GetCurrentWeather(client, LosAngeles()), ApplicationException,
                        "Util::DownloadHttp (18)");
    }

    CForecast forecast;
    {
        const ScopedEnvironmentVariable endpoint(L"NIMBREL_FORECAST_URL", server.Url("/soap-at-limit"));
        WeatherServiceNoaa::GetForecast(client, LosAngeles(), forecast);
        EXPECT_EQ(2u, forecast.Items.size());
    }
    {
        const ScopedEnvironmentVariable endpoint(L"NIMBREL_FORECAST_URL", server.Url("/soap-over-limit"));
        EXPECT_THROW_AT(WeatherServiceNoaa::GetForecast(client, LosAngeles(), forecast), ApplicationException,
                        "WeatherServiceNoaa::GetForecast (63)");
        EXPECT_EQ(2u, forecast.Items.size());
    }
}

namespace
{
const std::string ApiPoints =
#include "weather/api/points.inc"
    ;
const std::string ApiForecast =
#include "weather/api/forecast.inc"
    ;
const std::string ApiProblem =
#include "weather/api/problem.inc"
    ;

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    {
        text.replace(at, from.size(), to);
    }
    return text;
}
} // namespace

TEST(WeatherServiceNoaaTests, WhenTheSoapServiceFailsTheJsonApiGivesTheForecast)
{
    std::atomic<int> grid{148};
    std::atomic<bool> expired{false};
    TestHttpServer server(
        [&](TestHttpServer& self, const Request& request, SOCKET connection)
        {
            const std::string base = "http://127.0.0.1:" + std::to_string(self.Port());
            const std::string forecast = "/gridpoints/LOX/" + std::to_string(grid.load()) + ",41/forecast";
            const std::string json = "Content-Type: application/geo+json\r\n";
            if (request.Target == SoapPath)
            {
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(500, "Content-Type: text/xml\r\n", Fault));
            }
            else if (request.Target == "/points/33.9333,-118.4")
            {
                // The service's own redirect to its canonical form is followed.
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(301, "Location: /points/canonical\r\n", ""));
            }
            else if (request.Target == "/api/points/33.9333,-118.4")
            {
                // Names a forecast outside the API's base address.
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(
                                         200, json, Replaced(ApiPoints, "https://api.weather.gov", base)));
            }
            else if (request.Target == "/points/canonical")
            {
                const std::string points =
                    Replaced(ApiPoints, "/gridpoints/LOX/148,41/", forecast.substr(0, forecast.size() - 8));
                TestHttpServer::Send(
                    connection,
                    TestHttpServer::Response(200, json, Replaced(points, "https://api.weather.gov", base)));
            }
            else if (request.Target == forecast && !expired)
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(200, json, ApiForecast));
            }
            else if (request.Target == forecast)
            {
                TestHttpServer::Send(
                    connection,
                    TestHttpServer::Response(503, "Content-Type: application/problem+json\r\n", ApiProblem));
            }
            else
            {
                Weather(self, request, connection);
            }
        });
    const ScopedEnvironmentVariable folder(L"NIMBREL_OBSERVATION_URL", server.Url(StationPath));
    const ScopedEnvironmentVariable endpoint(L"NIMBREL_FORECAST_URL", server.Url(SoapPath));
    const ScopedEnvironmentVariable api(L"NIMBREL_API_URL", server.Url("/"));
    CNoaaApiClient::ForgetPoints();
    CHttpClient client;
    const auto targets = [&](std::size_t from)
    {
        std::vector<std::string> list;
        const std::vector<Request> requests = server.Requests();
        for (std::size_t i = from; i < requests.size(); ++i)
        {
            list.push_back(requests[i].Target);
        }
        return list;
    };

    CPtr<CWeatherReport> report = WeatherServiceNoaa::GetWeatherReport(client, LosAngeles());
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53), report->CurrentWeather.ReportDateTime);
    ASSERT_EQ(CForecast::MaxItems, report->Forecast.Items.size());
    EXPECT_EQ(L"Sunny", report->Forecast.Items[0].WeatherSummary);
    EXPECT_EQ(
        std::vector<std::string>({std::string(StationPath) + "KLAX.TXT", SoapPath, "/points/33.9333,-118.4",
                                  "/points/canonical", "/gridpoints/LOX/148,41/forecast"}),
        targets(0));
    const Request call = server.Requests().back();
    EXPECT_EQ("application/geo+json", call.Header("Accept"));
    EXPECT_EQ(Narrow(CHttpClient::UserAgent()), call.Header("User-Agent"));

    // The place's forecast address is kept for the run; a kept one that has gone (404) is looked
    // up anew.
    std::size_t before = server.Requests().size();
    report = WeatherServiceNoaa::GetWeatherReport(client, LosAngeles());
    EXPECT_EQ(CForecast::MaxItems, report->Forecast.Items.size());
    EXPECT_EQ("/gridpoints/LOX/148,41/forecast", targets(before).back());
    EXPECT_EQ(3u, targets(before).size());

    grid = 149;
    before = server.Requests().size();
    report = WeatherServiceNoaa::GetWeatherReport(client, LosAngeles());
    EXPECT_EQ(CForecast::MaxItems, report->Forecast.Items.size());
    EXPECT_EQ(std::vector<std::string>({std::string(StationPath) + "KLAX.TXT", SoapPath,
                                        "/gridpoints/LOX/148,41/forecast", "/points/33.9333,-118.4",
                                        "/points/canonical", "/gridpoints/LOX/149,41/forecast"}),
              targets(before));

    // A points answer never sends the forecast request to another address than the API's.
    {
        const ScopedEnvironmentVariable elsewhere(L"NIMBREL_API_URL", server.Url("/api"));
        before = server.Requests().size();
        report = WeatherServiceNoaa::GetWeatherReport(client, LosAngeles());
        EXPECT_TRUE(report->Forecast.Items.empty());
        EXPECT_EQ("/api/points/33.9333,-118.4", targets(before).back());
    }

    // An expired grid (503 with a problem document) leaves the observation alone, as a SOAP
    // failure would.
    expired = true;
    report = WeatherServiceNoaa::GetWeatherReport(client, LosAngeles());
    EXPECT_EQ(DateTime(2007, 11, 30, 5, 53), report->CurrentWeather.ReportDateTime);
    EXPECT_TRUE(report->Forecast.Items.empty());
}

// A place's forecast address outlives the run through the weather cache: the next run asks the
// kept address at once, looks it up again when it has gone (404), and keeps the new one. An
// address on another server than the API's is never taken from the file.
TEST(WeatherServiceNoaaTests, AForecastAddressKeptAcrossARestartIsLookedUpAgainWhenGone)
{
    TestHttpServer server(
        [&](TestHttpServer& self, const Request& request, SOCKET connection)
        {
            const std::string base = "http://127.0.0.1:" + std::to_string(self.Port());
            const std::string json = "Content-Type: application/geo+json\r\n";
            if (request.Target == "/points/33.9333,-118.4")
            {
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(
                                         200, json, Replaced(ApiPoints, "https://api.weather.gov", base)));
            }
            else if (request.Target == "/gridpoints/LOX/148,41/forecast")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(200, json, ApiForecast));
            }
            else
            {
                TestHttpServer::Send(
                    connection,
                    TestHttpServer::Response(404, "Content-Type: application/problem+json\r\n", ApiProblem));
            }
        });
    const ScopedEnvironmentVariable api(L"NIMBREL_API_URL", server.Url("/"));
    const std::wstring base = server.Url("");
    CNoaaApiClient::ForgetPoints(); // a new run
    const TempFolder folder;
    const std::wstring path = folder.File(L"WeatherCache.txt");

    City home(42, L"KLAX", L"USA", L"Los Angeles", L"", 33.9333f, -118.4f);
    std::vector<City> favourites = {City(7, L"KSFO", L"USA", L"San Francisco", L"", 37.62f, -122.37f)};
    std::vector<WeatherCache::Entry> entries(2);
    entries[0].CityId = 42;
    entries[0].StationCode = L"KLAX";
    entries[0].ForecastUrl = base + L"/gridpoints/LOX/147,41/forecast"; // renumbered since
    entries[1].CityId = 7;
    entries[1].StationCode = L"KSFO";
    entries[1].ForecastUrl = L"http://elsewhere.example/gridpoints/MTR/1,1/forecast";
    std::ofstream(std::filesystem::path(path), std::ios::binary) << WeatherCache::Write(entries);
    WeatherCache::Load(path, &home, favourites, DateTime::UtcNow());
    EXPECT_TRUE(CNoaaApiClient::KeptForecastUrlFor(37.62f, -122.37f).empty());

    CHttpClient client;
    CWeatherRequest request = LosAngeles();
    CForecast forecast;
    CNoaaApiClient(client).GetForecast(request, forecast);
    EXPECT_EQ(CForecast::MaxItems, forecast.Items.size());
    std::vector<std::string> targets;
    for (const Request& made : server.Requests())
    {
        targets.push_back(made.Target);
    }
    EXPECT_EQ(std::vector<std::string>({"/gridpoints/LOX/147,41/forecast", "/points/33.9333,-118.4",
                                        "/gridpoints/LOX/148,41/forecast"}),
              targets);

    ASSERT_TRUE(WeatherCache::Save(path, &home, favourites));
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    const std::vector<WeatherCache::Entry> saved = WeatherCache::Read(
        std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    ASSERT_EQ(1u, saved.size());
    EXPECT_EQ(L"KLAX", saved[0].StationCode);
    EXPECT_EQ(base + L"/gridpoints/LOX/148,41/forecast", saved[0].ForecastUrl);
    CNoaaApiClient::ForgetPoints();
}
