// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/DateTime.h"

#include "core/ArgumentException.h"
#include "core/ArgumentOutOfRangeException.h"
#include "core/Here.h"
#include "core/Platform.h"

#include <cstdio>

namespace
{
constexpr int kDaysTo[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

constexpr int kDaysPer400Years = 146097;
constexpr int kDaysPer100Years = 36524;
constexpr int kDaysPer4Years = 1461;
constexpr int kDaysPerYear = 365;

const wchar_t* const kShortDayNames[7] = {L"SUN", L"MON", L"TUE", L"WED", L"THU", L"FRI", L"SAT"};
} // namespace

DateTime::DateTime(int year, int month, int day, int hour, int minute)
{
    // The time is checked before the date.
    const std::int64_t time = TimeToTicks(hour, minute, 0);
    m_data = static_cast<std::uint64_t>(DateToTicks(year, month, day) + time);
}

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second)
{
    const std::int64_t ticks = DateToTicks(year, month, day) + TimeToTicks(hour, minute, second);
    if (ticks > MaxTicks)
    {
        throw ArgumentException(Here());
    }
    m_data = static_cast<std::uint64_t>(ticks);
}

DateTime DateTime::FromTicks(std::int64_t ticks, Kind kind)
{
    if (ticks < 0 || ticks > MaxTicks || kind > KindLocal)
    {
        throw ArgumentOutOfRangeException(Here());
    }
    return DateTime(ticks, kind);
}

DateTime DateTime::UtcNow()
{
    return DateTime(Platform::UtcFileTime() + FileTimeOffset, KindUtc);
}

DateTime DateTime::Now()
{
    std::int64_t fileTime = 0;
    if (!Platform::LocalFileTime(fileTime))
    {
        ThrowApplicationException(Here());
    }
    return DateTime(fileTime + FileTimeOffset, KindLocal);
}

DateTime DateTime::Today()
{
    return Now().Date();
}

bool DateTime::IsLeapYear(int year)
{
    if (year < 1 || year > 9999)
    {
        throw ArgumentOutOfRangeException(Here());
    }
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

std::int64_t DateTime::DateToTicks(int year, int month, int day)
{
    if (year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1)
    {
        const int* daysTo = kDaysTo[IsLeapYear(year) ? 1 : 0];
        if (day <= daysTo[month] - daysTo[month - 1])
        {
            const std::int64_t y = year - 1;
            const std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + daysTo[month - 1] + day - 1;
            return days * TimeSpan::TicksPerDay;
        }
    }
    throw ArgumentOutOfRangeException(Here(), "ArgumentOutOfRange_BadYearMonthDay");
}

std::int64_t DateTime::TimeToTicks(int hour, int minute, int second)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
    {
        throw ArgumentOutOfRangeException(Here());
    }
    return TimeSpan::TimeToTicks(hour, minute, second);
}

int DateTime::DatePart(Part part) const
{
    int n = static_cast<int>(Ticks() / TimeSpan::TicksPerDay);
    const int y400 = n / kDaysPer400Years;
    n %= kDaysPer400Years;
    int y100 = n / kDaysPer100Years;
    if (y100 == 4)
    {
        y100 = 3; // the last day of a 400-year cycle
    }
    n -= y100 * kDaysPer100Years;
    const int y4 = n / kDaysPer4Years;
    n %= kDaysPer4Years;
    int y1 = n / kDaysPerYear;
    if (y1 == 4)
    {
        y1 = 3; // the last day of a leap year
    }
    if (part == PartYear)
    {
        return y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1;
    }
    n -= y1 * kDaysPerYear;
    if (part == PartDayOfYear)
    {
        return n + 1;
    }
    const bool leap = y1 == 3 && (y4 != 24 || y100 == 3);
    const int* daysTo = kDaysTo[leap ? 1 : 0];
    int month = n / 64; // never past the month that holds day n
    while (n >= daysTo[month])
    {
        ++month;
    }
    if (part == PartMonth)
    {
        return month;
    }
    return n - daysTo[month - 1] + 1;
}

int DateTime::DayOfWeek() const
{
    return static_cast<int>((Ticks() / TimeSpan::TicksPerDay + 1) % 7);
}

int DateTime::Hour() const
{
    return static_cast<int>((Ticks() / TimeSpan::TicksPerHour) % 24);
}

int DateTime::Minute() const
{
    return static_cast<int>((Ticks() / TimeSpan::TicksPerMinute) % 60);
}

DateTime DateTime::Date() const
{
    const std::int64_t ticks = Ticks();
    return DateTime(ticks - ticks % TimeSpan::TicksPerDay, GetKind());
}

// The bounds are tested before adding, since the sum itself can overflow 64 bits.
DateTime DateTime::operator+(TimeSpan span) const
{
    const std::int64_t ticks = Ticks();
    const std::int64_t delta = span.Ticks();
    if ((delta > 0 && delta > MaxTicks - ticks) || (delta < 0 && delta < -ticks))
    {
        throw ArgumentOutOfRangeException("DateTime::operator + (317)");
    }
    return DateTime(ticks + delta, GetKind());
}

DateTime DateTime::operator-(TimeSpan span) const
{
    const std::int64_t ticks = Ticks();
    const std::int64_t delta = span.Ticks();
    if ((delta > 0 && delta > ticks) || (delta < 0 && delta < ticks - MaxTicks))
    {
        throw ArgumentOutOfRangeException("DateTime::operator - (308)");
    }
    return DateTime(ticks - delta, GetKind());
}

TimeSpan DateTime::operator-(DateTime other) const
{
    return TimeSpan(Ticks() - other.Ticks());
}

std::string DateTime::ToXsdDateString() const
{
    char buffer[20];
    const int written = std::snprintf(buffer, sizeof buffer, "%04i-%02i-%02i", Year(), Month(), Day());
    if (written <= 0)
    {
        ThrowApplicationException(Here());
    }
    return std::string(buffer, static_cast<size_t>(written));
}

const wchar_t* DateTime::DayOfWeekString_ShortUppercase(int dayOfWeek)
{
    if (static_cast<unsigned>(dayOfWeek) > 6)
    {
        ThrowApplicationException(Here());
    }
    return kShortDayNames[dayOfWeek];
}
