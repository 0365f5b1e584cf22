// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CForecast.h"

#include "weather/WeatherDump.h"

std::wstring CForecast::Dump() const
{
    std::wstring text =
        L"CForecast::Dump(): ReportDateTime: " + WeatherDump::Time(ReportDateTime) + L"\r\nItems: \r\n";
    for (const CForecastItem& item : Items)
    {
        text += L"  " + item.Dump() + L"\r\n";
    }
    return text;
}
