// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/TimeSpan.h"
#include "core/TypeName.h"

#include <cstdint>
#include <string>

// A point in time: 100-nanosecond ticks since 0001-01-01 00:00 (proleptic Gregorian) plus a
// kind (unspecified, UTC or local) in the top two bits of one 64-bit word. Every operation
// checks its range and throws rather than wrapping.
class DateTime
{
public:
    enum Kind : std::uint8_t
    {
        KindUnspecified = 0,
        KindUtc = 1,
        KindLocal = 2,
    };

    static constexpr std::int64_t MaxTicks = 3155378975999999999LL;      // 9999-12-31 23:59:59.9999999
    static constexpr std::int64_t FileTimeOffset = 504911232000000000LL; // year 1 to 1601

    constexpr DateTime() = default;
    DateTime(int year, int month, int day, int hour, int minute);
    DateTime(int year, int month, int day, int hour, int minute, int second);

    // A value from a tick count read back from storage; throws when it is out of range.
    static DateTime FromTicks(std::int64_t ticks, Kind kind = KindUnspecified);

    static DateTime UtcNow();
    static DateTime Now();
    static DateTime Today();

    static std::int64_t DateToTicks(int year, int month, int day);
    static std::int64_t TimeToTicks(int hour, int minute, int second);
    static bool IsLeapYear(int year);

    std::int64_t Ticks() const { return static_cast<std::int64_t>(m_data & kTicksMask); }
    Kind GetKind() const { return static_cast<Kind>(m_data >> 62); }

    int Year() const { return DatePart(PartYear); }
    int Month() const { return DatePart(PartMonth); }
    int Day() const { return DatePart(PartDay); }
    int DayOfYear() const { return DatePart(PartDayOfYear); }
    int DayOfWeek() const; // 0 Sunday to 6 Saturday
    int Hour() const;
    int Minute() const;
    DateTime Date() const;

    DateTime operator+(TimeSpan span) const;
    DateTime operator-(TimeSpan span) const;
    TimeSpan operator-(DateTime other) const;

    // Comparisons look at the ticks only, never at the kind.
    friend bool operator<(DateTime a, DateTime b) { return a.Ticks() < b.Ticks(); }
    friend bool operator<=(DateTime a, DateTime b) { return a.Ticks() <= b.Ticks(); }
    friend bool operator>(DateTime a, DateTime b) { return b < a; }
    friend bool operator>=(DateTime a, DateTime b) { return b <= a; }
    friend bool operator==(DateTime a, DateTime b) { return a.Ticks() == b.Ticks(); }
    friend bool operator!=(DateTime a, DateTime b) { return !(a == b); }

    std::string ToXsdDateString() const; // "2007-03-05"

    static const wchar_t* DayOfWeekString_ShortUppercase(int dayOfWeek); // 0 "SUN" to 6 "SAT"

private:
    enum Part
    {
        PartYear,
        PartDayOfYear,
        PartMonth,
        PartDay,
    };

    static constexpr std::uint64_t kTicksMask = 0x3FFFFFFFFFFFFFFFULL;

    DateTime(std::int64_t ticks, Kind kind)
        : m_data(static_cast<std::uint64_t>(ticks) | (static_cast<std::uint64_t>(kind) << 62))
    {
    }

    int DatePart(Part part) const;

    std::uint64_t m_data = 0;
};

template <> struct TypeName<DateTime>
{
    static constexpr const char* Value = "class DateTime";
};
