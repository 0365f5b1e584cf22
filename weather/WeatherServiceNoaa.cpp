// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/WeatherServiceNoaa.h"

#include "core/ApplicationException.h"
#include "core/DateTime.h"
#include "core/Here.h"
#include "core/Util.h"
#include "platform/CHttpClient.h"
#include "platform/Log.h"
#include "weather/CNoaaApiClient.h"
#include "weather/CSoapTransport.h"
#include "weather/MetarParser.h"
#include "weather/NoaaDwml.h"
#include "weather/UtilDownload.h"

#include "soapndfdXMLBindingProxy.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace
{
// The service's addresses today; the forecast endpoint is also the generated proxy's default
// (weather/soap/ndfdXML.h), though we always name it.
const wchar_t* const ObservationBase = L"https://tgftp.nws.noaa.gov/data/observations/metar/stations/";
const wchar_t* const ForecastEndpoint = L"https://digital.weather.gov/xml/SOAP_server/ndfdXMLserver.php";
} // namespace

std::wstring WeatherServiceNoaa::ObservationUrl(const std::wstring& stationCode)
{
    // The code goes into the address as it is: a code from a damaged or hostile Cities.txt
    // ("../x", "A?b", an encoded character) must not steer the request elsewhere.
    const bool plain =
        stationCode.size() == 4 &&
        std::all_of(stationCode.begin(), stationCode.end(),
                    [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'); });
    if (!plain)
    {
        ThrowApplicationException(Here());
    }
    return Util::ServiceAddress(L"NIMBREL_OBSERVATION_URL", ObservationBase) + stationCode + L".TXT";
}

CCurrentWeather WeatherServiceNoaa::GetCurrentWeather(CHttpClient& client, const CWeatherRequest& request)
{
    const std::string text =
        Util::DownloadHttp(client, ObservationUrl(request.StationCode), ObservationBodyLimit);
    return ParseMetarReport(text, Util::ToNarrow(request.StationCode));
}

CPtr<CWeatherReport> WeatherServiceNoaa::GetCurrentWeatherReport(CHttpClient& client,
                                                                 const CWeatherRequest& request)
{
    CPtr<CWeatherReport> report(new CWeatherReport());
    report->CityId = request.CityId;
    report->CurrentWeather = GetCurrentWeather(client, request);
    return report;
}

void WeatherServiceNoaa::GetForecast(CHttpClient& client, const CWeatherRequest& request, CForecast& forecast)
{
    // Written with "." whatever the user's locale, three decimals as the service expects.
    const std::string latitude = Util::ToString(static_cast<double>(request.Latitude));
    const std::string longitude = Util::ToString(static_cast<double>(request.Longitude));
    const std::string startDate = DateTime::Today().ToXsdDateString();
    const std::wstring url = Util::ServiceAddress(L"NIMBREL_FORECAST_URL", ForecastEndpoint);
    const std::string endpoint = Util::ToNarrow(url);

    std::string dwml;
    {
        // The transport outlives the proxy, whose context calls it.
        CSoapTransport transport(client, url, ForecastBodyLimit);
        ndfdXMLBindingProxy proxy;
        if (proxy.soap == nullptr)
        {
            ThrowApplicationException(Here());
        }
        transport.Attach(proxy.soap);
        // The answer's text stays UTF-8, as the document is; by default the runtime would cut
        // every character to one byte.
        soap_set_mode(proxy.soap, SOAP_C_UTFSTRING);
        const int result = proxy.NDFDgenByDay(endpoint.c_str(), nullptr, latitude, longitude, startDate, "7",
                                              "12 hourly", dwml);
        proxy.destroy();
        if (result != SOAP_OK || transport.Failed())
        {
            ThrowApplicationException(Here());
        }
    }
    NoaaDwml::Parse12HourlyForecast(dwml, forecast);
}

CPtr<CWeatherReport> WeatherServiceNoaa::GetWeatherReport(CHttpClient& client, const CWeatherRequest& request)
{
    CPtr<CWeatherReport> report = GetCurrentWeatherReport(client, request);
    // A forecast service outage must not cost the home city its observation, while every other
    // city still gets one: the observation goes out alone and the stored forecast stays. The
    // SOAP service is legacy and may go at any time, so when it fails the JSON API, which gives
    // the same week, is asked instead.
    try
    {
        CForecast forecast;
        GetForecast(client, request, forecast);
        report->Forecast = std::move(forecast);
        Log::Write(L"WeatherServiceNoaa::GetWeatherReport", L"forecast from the SOAP service");
        return report;
    }
    catch (...)
    {
        Log::Exception(L"WeatherServiceNoaa::GetWeatherReport");
    }
    try
    {
        CForecast forecast;
        CNoaaApiClient(client).GetForecast(request, forecast);
        report->Forecast = std::move(forecast);
        Log::Write(L"WeatherServiceNoaa::GetWeatherReport", L"forecast from the JSON API");
    }
    catch (...)
    {
        Log::Exception(L"WeatherServiceNoaa::GetWeatherReport");
    }
    return report;
}
