#pragma once

#include "core/DateTime.h"
#include "weather/CForecastItem.h"

#include <string>
#include <vector>

// The periods of one forecast, in chronological order.
class CForecast
{
public:
    DateTime ReportDateTime = DateTime(1990, 1, 1, 0, 0, 0); // when obtained, UTC
    std::vector<CForecastItem> Items;

    std::wstring Dump() const;
};
