// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstdint>

// A signed interval in 100-nanosecond ticks.
class TimeSpan
{
public:
    static constexpr std::int64_t TicksPerMillisecond = 10000LL;
    static constexpr std::int64_t TicksPerSecond = 10000000LL;
    static constexpr std::int64_t TicksPerMinute = 600000000LL;
    static constexpr std::int64_t TicksPerHour = 36000000000LL;
    static constexpr std::int64_t TicksPerDay = 864000000000LL;

    constexpr TimeSpan() = default;
    constexpr explicit TimeSpan(std::int64_t ticks) : m_ticks(ticks) {}

    constexpr std::int64_t Ticks() const { return m_ticks; }

    // Ticks of hour:minute:second; any sign, but bounded so the product cannot overflow.
    static std::int64_t TimeToTicks(int hour, int minute, int second);

    // value × scale milliseconds, rounded half away from zero.
    static TimeSpan Interval(double value, int scale);
    static TimeSpan FromMinutes(double minutes) { return Interval(minutes, 60000); }

    friend constexpr bool operator==(TimeSpan a, TimeSpan b) { return a.m_ticks == b.m_ticks; }
    friend constexpr bool operator<(TimeSpan a, TimeSpan b) { return a.m_ticks < b.m_ticks; }

private:
    std::int64_t m_ticks = 0;
};
