// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "weather/CForecastItem.h"

#include <cstddef>
#include <string>
#include <vector>

// The periods of one forecast, in chronological order.
class CForecast
{
public:
    // A week in twelve-hour periods, as many as the local weather window draws: the parser
    // keeps no more, so an oversized answer can never outgrow the window.
    static constexpr std::size_t MaxItems = 14;

    DateTime ReportDateTime = DateTime(1990, 1, 1, 0, 0, 0); // when obtained, UTC
    std::vector<CForecastItem> Items;

    std::wstring Dump() const;
};
