// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CNoaaApiClient.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/Util.h"
#include "platform/CHttpClient.h"
#include "platform/Log.h"
#include "weather/NoaaApi.h"
#include "weather/UtilDownload.h"

#include <windows.h>

#include <map>
#include <mutex>

namespace
{
const wchar_t* const ApiBase = L"https://api.weather.gov";

// Points answers of this run: the address of the points request, with the base it was asked
// at, to the forecast address it named.
std::mutex g_pointsMutex;
std::map<std::wstring, std::wstring> g_points;

std::wstring Widen(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

std::wstring KeptForecastUrl(const std::wstring& pointsUrl)
{
    const std::lock_guard<std::mutex> lock(g_pointsMutex);
    const auto found = g_points.find(pointsUrl);
    return found != g_points.end() ? found->second : std::wstring();
}
} // namespace

CNoaaApiClient::CNoaaApiClient(CHttpClient& client) : m_client(client) {}

std::wstring CNoaaApiClient::BaseUrl()
{
    std::wstring base = Util::ServiceAddress(L"NIMBREL_API_URL", ApiBase);
    while (!base.empty() && base.back() == L'/')
    {
        base.pop_back();
    }
    return base;
}

std::string CNoaaApiClient::Get(const std::wstring& url, std::size_t bodyLimit)
{
    try
    {
        return m_client.Get(url, L"Accept: application/geo+json\r\n", bodyLimit);
    }
    catch (...)
    {
        // 500 and 503 (an expired forecast grid) are the service's passing troubles; its
        // problem document adds nothing a retry at the next update would not.
        Log::Exception(L"CNoaaApiClient::Get");
    }
    ThrowApplicationException(Here());
}

std::uint32_t CNoaaApiClient::LastStatus() const
{
    return m_client.LastStatus();
}

std::wstring CNoaaApiClient::LookUpForecastUrl(const std::wstring& base, const std::wstring& pointsUrl)
{
    const std::wstring url = Util::FromUtf8(NoaaApi::ForecastUrlOfPoints(Get(pointsUrl, PointsBodyLimit)));
    // The forecast is asked of the service that named it, never of an address a points answer
    // points elsewhere.
    if (url.compare(0, base.size() + 1, base + L"/") != 0)
    {
        ThrowApplicationException(Here(), "forecast on another server");
    }
    const std::lock_guard<std::mutex> lock(g_pointsMutex);
    g_points[pointsUrl] = url;
    return url;
}

void CNoaaApiClient::GetForecast(const CWeatherRequest& request, CForecast& forecast)
{
    const std::wstring base = BaseUrl();
    const std::wstring pointsUrl = base + Widen(NoaaApi::PointsPath(request.Latitude, request.Longitude));
    std::wstring forecastUrl = KeptForecastUrl(pointsUrl);
    const bool kept = !forecastUrl.empty();
    if (!kept)
    {
        forecastUrl = LookUpForecastUrl(base, pointsUrl);
    }
    std::string body;
    try
    {
        body = Get(forecastUrl, NoaaApi::MaxDocumentBytes);
    }
    catch (const ApplicationException&)
    {
        // The service renumbers its grids now and then: a kept address that has gone is asked
        // for anew, once.
        if (!kept || LastStatus() != 404)
        {
            throw;
        }
        forecastUrl = LookUpForecastUrl(base, pointsUrl);
        body = Get(forecastUrl, NoaaApi::MaxDocumentBytes);
    }
    NoaaApi::ParseForecast(body, forecast);
}

std::wstring CNoaaApiClient::KeptForecastUrlFor(float latitude, float longitude)
{
    return ::KeptForecastUrl(BaseUrl() + Widen(NoaaApi::PointsPath(latitude, longitude)));
}

void CNoaaApiClient::KeepForecastUrl(float latitude, float longitude, const std::wstring& url)
{
    const std::wstring base = BaseUrl();
    if (url.compare(0, base.size() + 1, base + L"/") != 0)
    {
        return;
    }
    const std::lock_guard<std::mutex> lock(g_pointsMutex);
    g_points[base + Widen(NoaaApi::PointsPath(latitude, longitude))] = url;
}

void CNoaaApiClient::ForgetPoints()
{
    const std::lock_guard<std::mutex> lock(g_pointsMutex);
    g_points.clear();
}
