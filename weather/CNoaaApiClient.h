// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "weather/CForecast.h"
#include "weather/CWeatherRequest.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CHttpClient;

// The weather service's JSON API (https://api.weather.gov) on a download batch's HTTP client.
// Every request names us with a contact (the service may refuse a client without one) and asks
// for GeoJSON. The environment variable NIMBREL_API_URL replaces the base address (scheme,
// host and port, no path), for a mirror or a test server, as NIMBREL_OBSERVATION_URL and
// NIMBREL_FORECAST_URL do for the other services.
//
// A place's forecast address comes from its points answer, which is looked up once per place
// and kept in memory (shared by the batches of the run, and handed to the next run through the
// weather cache), and looked up again when the forecast address answers 404.
class CNoaaApiClient
{
public:
    // A points answer is a few kilobytes; a forecast takes NoaaApi::MaxDocumentBytes.
    static constexpr std::size_t PointsBodyLimit = 1024 * 1024;

    explicit CNoaaApiClient(CHttpClient& client);

    static std::wstring BaseUrl();

    // The body of one address of the API. Any failure (network, a status other than 200 after
    // redirects, an oversized body) throws "CNoaaApiClient::Get (...)"; LastStatus tells which
    // status it was.
    std::string Get(const std::wstring& url, std::size_t bodyLimit);
    std::uint32_t LastStatus() const;

    // Replaces the forecast with the API's periods for the request's position; on failure it is
    // left as it was and the exception of the download or the mapping (NoaaApi) propagates.
    void GetForecast(const CWeatherRequest& request, CForecast& forecast);

    // Forgets every points answer kept, as a new run would.
    static void ForgetPoints();
    // The forecast address kept for the position at the present base address, empty when none
    // is; and keeping one that an earlier run found. An address that is not on the present base
    // (it was changed since, or the cache was tampered with) is not kept.
    static std::wstring KeptForecastUrlFor(float latitude, float longitude);
    static void KeepForecastUrl(float latitude, float longitude, const std::wstring& url);

private:
    std::wstring LookUpForecastUrl(const std::wstring& base, const std::wstring& pointsUrl);

    CHttpClient& m_client;
};
