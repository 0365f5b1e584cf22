// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/TimeSpan.h"

#include "core/ArgumentOutOfRangeException.h"
#include "core/Here.h"
#include "core/OverflowException.h"

#include <cmath>

namespace
{
constexpr std::int64_t kMaxSeconds = 922337203685LL;
constexpr double kMaxMilliseconds = 922337203685477.0;
} // namespace

std::int64_t TimeSpan::TimeToTicks(int hour, int minute, int second)
{
    const std::int64_t totalSeconds =
        static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60 + second;
    if (totalSeconds > kMaxSeconds || totalSeconds < -kMaxSeconds)
    {
        throw ArgumentOutOfRangeException(Here());
    }
    return totalSeconds * TicksPerSecond;
}

TimeSpan TimeSpan::Interval(double value, int scale)
{
    const double milliseconds = value * scale + (value >= 0 ? 0.5 : -0.5);
    // A NaN passes both range comparisons, and converting it to an integer is undefined.
    if (std::isnan(milliseconds) || milliseconds > kMaxMilliseconds || milliseconds < -kMaxMilliseconds)
    {
        throw OverflowException(Here());
    }
    return TimeSpan(static_cast<std::int64_t>(milliseconds) * TicksPerMillisecond);
}
