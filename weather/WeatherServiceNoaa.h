// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "weather/CCurrentWeather.h"
#include "weather/CForecast.h"
#include "weather/CWeatherReport.h"
#include "weather/CWeatherRequest.h"

#include <cstddef>
#include <string>

class CHttpClient;

// The US National Weather Service: the latest observation of a station and the seven-day
// forecast of a place. Runs on the download worker with that batch's HTTP client.
//
// The environment variables NIMBREL_OBSERVATION_URL (the folder of the observation files,
// ending in "/") and NIMBREL_FORECAST_URL (the forecast service's SOAP endpoint) replace the
// service's addresses, for a mirror or a test server.
namespace WeatherServiceNoaa
{
// The longest answers accepted. An observation file is a few hundred bytes; a seven-day
// forecast document some tens of kilobytes. Anything near these sizes is not what we asked for.
constexpr std::size_t ObservationBodyLimit = 1024 * 1024;
constexpr std::size_t ForecastBodyLimit = 8 * 1024 * 1024;

// The station's observation file, parsed. Throws "Util::DownloadHttp" when the download
// fails, and the parser's exception when the file holds no observation.
CCurrentWeather GetCurrentWeather(CHttpClient& client, const CWeatherRequest& request);

// A report with the observation only: its forecast is left empty.
CPtr<CWeatherReport> GetCurrentWeatherReport(CHttpClient& client, const CWeatherRequest& request);

// Replaces the forecast with the service's 12-hour periods for the request's position. A
// failed SOAP call throws "WeatherServiceNoaa::GetForecast"; a bad answer throws the
// DWML parser's exception.
void GetForecast(CHttpClient& client, const CWeatherRequest& request, CForecast& forecast);

// A report with the observation and the forecast. The observation comes first and its failure
// propagates. The forecast comes from the SOAP service or, when that fails (network, fault,
// unreadable answer), from the JSON API (CNoaaApiClient); the debugger log says which. When
// both fail, the report carries the observation alone, its forecast left at the initial value
// (so a stored forecast is kept).
CPtr<CWeatherReport> GetWeatherReport(CHttpClient& client, const CWeatherRequest& request);

// The address of the station's observation file.
std::wstring ObservationUrl(const std::wstring& stationCode);
} // namespace WeatherServiceNoaa
