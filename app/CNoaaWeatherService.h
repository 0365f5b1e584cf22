// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "app/IWeatherService.h"
#include "platform/CHttpClient.h"

// The US National Weather Service, over one HTTP client for the whole batch.
class CNoaaWeatherService : public IWeatherService
{
public:
    CPtr<CWeatherReport> GetWeatherReport(const CWeatherRequest& request) override;
    CPtr<CWeatherReport> GetCurrentWeatherReport(const CWeatherRequest& request) override;

private:
    CHttpClient m_client;
};
