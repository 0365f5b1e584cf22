// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "weather/CWeatherReport.h"
#include "weather/CWeatherRequest.h"

// Where a download batch gets its reports: the weather service in the program, a fake in tests.
// One instance serves one batch on the download worker.
class IWeatherService
{
public:
    virtual ~IWeatherService() = default;

    // Observation and forecast; throws when nothing usable came back.
    virtual CPtr<CWeatherReport> GetWeatherReport(const CWeatherRequest& request) = 0;
    // Observation only; the forecast stays at its initial value. Throws on failure.
    virtual CPtr<CWeatherReport> GetCurrentWeatherReport(const CWeatherRequest& request) = 0;
};
