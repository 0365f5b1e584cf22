// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ArgumentException.h"
#include "core/ArgumentOutOfRangeException.h"
#include "core/DateTime.h"
#include "core/OverflowException.h"

#include "tests/support/ExpectThrowAt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
TEST(DateTimeCalendar, RangeEndsAreExact)
{
    EXPECT_EQ(0, DateTime::DateToTicks(1, 1, 1));
    EXPECT_EQ(DateTime::MaxTicks,
              DateTime::DateToTicks(9999, 12, 31) + DateTime::TimeToTicks(23, 59, 59) + 9999999);
    EXPECT_EQ(DateTime::MaxTicks, DateTime::FromTicks(DateTime::MaxTicks).Ticks());
    EXPECT_THROW_AT(DateTime::FromTicks(DateTime::MaxTicks + 1), ArgumentOutOfRangeException,
                    "DateTime::FromTicks (56)");
    EXPECT_THROW_AT(DateTime::FromTicks(-1), ArgumentOutOfRangeException, "DateTime::FromTicks (56)");
}

TEST(DateTimeCalendar, LeapDaysFollowTheGregorianRules)
{
    EXPECT_THROW_AT(DateTime::DateToTicks(2007, 2, 29), ArgumentOutOfRangeException,
                    "DateTime::DateToTicks (48)");
    EXPECT_NO_THROW(DateTime::DateToTicks(2008, 2, 29));
    EXPECT_THROW_AT(DateTime::DateToTicks(1900, 2, 29), ArgumentOutOfRangeException,
                    "DateTime::DateToTicks (48)");
    EXPECT_NO_THROW(DateTime::DateToTicks(2000, 2, 29));
    try
    {
        DateTime::DateToTicks(2007, 2, 29);
    }
    catch (const ArgumentOutOfRangeException& e)
    {
        EXPECT_EQ(L"ArgumentOutOfRange_BadYearMonthDay", e.Message);
    }
}

TEST(DateTimeCalendar, OutOfRangeFieldsThrow)
{
    EXPECT_THROW_AT(DateTime::DateToTicks(0, 1, 1), ArgumentOutOfRangeException,
                    "DateTime::DateToTicks (48)");
    EXPECT_THROW_AT(DateTime::DateToTicks(10000, 1, 1), ArgumentOutOfRangeException,
                    "DateTime::DateToTicks (48)");
    EXPECT_THROW_AT(DateTime::DateToTicks(2007, 13, 1), ArgumentOutOfRangeException,
                    "DateTime::DateToTicks (48)");
    EXPECT_THROW_AT(DateTime::DateToTicks(2007, 0, 1), ArgumentOutOfRangeException,
                    "DateTime::DateToTicks (48)");
    EXPECT_THROW_AT(DateTime::DateToTicks(2007, 4, 31), ArgumentOutOfRangeException,
                    "DateTime::DateToTicks (48)");
    EXPECT_THROW_AT(DateTime::DateToTicks(2007, 4, 0), ArgumentOutOfRangeException,
                    "DateTime::DateToTicks (48)");
    EXPECT_THROW_AT(DateTime::IsLeapYear(0), ArgumentOutOfRangeException, "DateTime::IsLeapYear (381)");
    EXPECT_THROW_AT(DateTime::IsLeapYear(10000), ArgumentOutOfRangeException, "DateTime::IsLeapYear (381)");

    EXPECT_THROW_AT(DateTime::TimeToTicks(24, 0, 0), ArgumentOutOfRangeException,
                    "DateTime::TimeToTicks (445)");
    EXPECT_THROW_AT(DateTime::TimeToTicks(0, 60, 0), ArgumentOutOfRangeException,
                    "DateTime::TimeToTicks (445)");
    EXPECT_THROW_AT(DateTime::TimeToTicks(0, 0, 60), ArgumentOutOfRangeException,
                    "DateTime::TimeToTicks (445)");
    EXPECT_THROW_AT(DateTime::TimeToTicks(-1, 0, 0), ArgumentOutOfRangeException,
                    "DateTime::TimeToTicks (445)");
    // The five-field constructor checks the time before the date.
    EXPECT_THROW_AT(DateTime(0, 1, 1, 24, 0), ArgumentOutOfRangeException, "DateTime::TimeToTicks (445)");
    EXPECT_THROW_AT(DateTime(2007, 2, 29, 0, 0), ArgumentOutOfRangeException, "DateTime::DateToTicks (48)");
    EXPECT_THROW_AT(DateTime(2007, 2, 28, 0, 0, 60), ArgumentOutOfRangeException,
                    "DateTime::TimeToTicks (445)");
}

TEST(DateTimeCalendar, FieldsComeBackFromTicks)
{
    const DateTime endOf2008(2008, 12, 31, 13, 45, 10);
    EXPECT_EQ(2008, endOf2008.Year());
    EXPECT_EQ(12, endOf2008.Month());
    EXPECT_EQ(31, endOf2008.Day());
    EXPECT_EQ(366, endOf2008.DayOfYear());
    EXPECT_EQ(13, endOf2008.Hour());
    EXPECT_EQ(45, endOf2008.Minute());
    EXPECT_EQ(365, DateTime(2100, 12, 31, 0, 0).DayOfYear());
    EXPECT_EQ(366, DateTime(2000, 12, 31, 0, 0).DayOfYear()); // last day of a 400-year cycle
    EXPECT_EQ(1, DateTime().DayOfWeek());                     // 1 January of year 1: Monday
    EXPECT_EQ(1, DateTime(2007, 1, 1, 0, 0).DayOfWeek());
    EXPECT_EQ(9999, DateTime::FromTicks(DateTime::MaxTicks).Year());

    // Every day of a leap and a common year round-trips through the calendar routine.
    for (const int year : {1, 4, 100, 400, 1900, 2000, 2007, 2008, 9999})
    {
        for (int month = 1; month <= 12; ++month)
        {
            for (int day = 1; day <= 31; ++day)
            {
                std::int64_t ticks = 0;
                try
                {
                    ticks = DateTime::DateToTicks(year, month, day);
                }
                catch (const ArgumentOutOfRangeException&)
                {
                    continue;
                }
                const DateTime value = DateTime::FromTicks(ticks);
                ASSERT_EQ(year, value.Year());
                ASSERT_EQ(month, value.Month()) << year << "-" << month << "-" << day;
                ASSERT_EQ(day, value.Day()) << year << "-" << month << "-" << day;
            }
        }
    }
}

TEST(DateTimeArithmetic, StaysInsideTheRange)
{
    const DateTime last = DateTime::FromTicks(DateTime::MaxTicks, DateTime::KindUtc);
    EXPECT_THROW_AT(last + TimeSpan(1), ArgumentOutOfRangeException, "DateTime::operator + (317)");
    EXPECT_THROW_AT(DateTime() - TimeSpan(1), ArgumentOutOfRangeException, "DateTime::operator - (308)");
    // Sums that overflow 64 bits must still be caught, not wrap around into the range.
    const TimeSpan huge(std::numeric_limits<std::int64_t>::max());
    const TimeSpan hugeNegative(std::numeric_limits<std::int64_t>::min());
    EXPECT_THROW_AT(last + huge, ArgumentOutOfRangeException, "DateTime::operator + (317)");
    EXPECT_THROW_AT(DateTime() + hugeNegative, ArgumentOutOfRangeException, "DateTime::operator + (317)");
    EXPECT_THROW_AT(last - hugeNegative, ArgumentOutOfRangeException, "DateTime::operator - (308)");
    EXPECT_THROW_AT(DateTime() - huge, ArgumentOutOfRangeException, "DateTime::operator - (308)");

    const DateTime earlier = last - TimeSpan(TimeSpan::TicksPerDay);
    EXPECT_EQ(DateTime::KindUtc, earlier.GetKind()); // the kind travels along
    EXPECT_EQ(DateTime::KindUtc, earlier.Date().GetKind());
    EXPECT_EQ(0, earlier.Date().Ticks() % TimeSpan::TicksPerDay);
}

TEST(DateTimeArithmetic, ComparisonsIgnoreTheKind)
{
    const DateTime utc = DateTime::FromTicks(1000, DateTime::KindUtc);
    const DateTime local = DateTime::FromTicks(1000, DateTime::KindLocal);
    EXPECT_TRUE(utc == local);
    EXPECT_TRUE(utc <= local);
    EXPECT_FALSE(utc < local);
    EXPECT_TRUE(DateTime::FromTicks(999) < local);
}

TEST(DateTimeText, XsdDateAndDayNames)
{
    EXPECT_EQ("2007-03-05", DateTime(2007, 3, 5, 23, 59).ToXsdDateString());
    EXPECT_EQ("0001-01-01", DateTime().ToXsdDateString());
    EXPECT_STREQ(L"SUN", DateTime::DayOfWeekString_ShortUppercase(0));
    EXPECT_STREQ(L"SAT", DateTime::DayOfWeekString_ShortUppercase(6));
    EXPECT_THROW_AT(DateTime::DayOfWeekString_ShortUppercase(7), ApplicationException,
                    "DateTime::DayOfWeekString_ShortUppercase (108)");
    EXPECT_THROW_AT(DateTime::DayOfWeekString_ShortUppercase(-1), ApplicationException,
                    "DateTime::DayOfWeekString_ShortUppercase (108)");
}

TEST(DateTimeClock, NowIsPlausibleAndKinded)
{
    const DateTime utc = DateTime::UtcNow();
    const DateTime local = DateTime::Now();
    EXPECT_EQ(DateTime::KindUtc, utc.GetKind());
    EXPECT_EQ(DateTime::KindLocal, local.GetKind());
    EXPECT_GE(utc.Year(), 2020);
    // Local time is within a day of UTC wherever the machine is.
    EXPECT_LT(std::llabs(local.Ticks() - utc.Ticks()), TimeSpan::TicksPerDay);
    const DateTime today = DateTime::Today();
    EXPECT_EQ(0, today.Ticks() % TimeSpan::TicksPerDay);
    EXPECT_EQ(DateTime::KindLocal, today.GetKind());
}

TEST(TimeSpanConversions, RoundAndRangeCheck)
{
    EXPECT_EQ(-30 * TimeSpan::TicksPerSecond, TimeSpan::FromMinutes(-0.5).Ticks());
    EXPECT_EQ(90 * TimeSpan::TicksPerSecond, TimeSpan::FromMinutes(1.5).Ticks());
    EXPECT_EQ(3 * TimeSpan::TicksPerHour, TimeSpan::FromMinutes(180).Ticks());
    EXPECT_THROW_AT(TimeSpan::FromMinutes(1e13), OverflowException, "TimeSpan::Interval (57)");
    EXPECT_THROW_AT(TimeSpan::FromMinutes(-1e13), OverflowException, "TimeSpan::Interval (57)");
    EXPECT_THROW_AT(TimeSpan::FromMinutes(std::nan("")), OverflowException, "TimeSpan::Interval (57)");
    EXPECT_THROW_AT(TimeSpan::FromMinutes(INFINITY), OverflowException, "TimeSpan::Interval (57)");

    EXPECT_EQ(TimeSpan::TicksPerDay, TimeSpan::TimeToTicks(24, 0, 0));
    EXPECT_EQ(-TimeSpan::TicksPerHour, TimeSpan::TimeToTicks(-1, 0, 0));
    EXPECT_THROW_AT(
        TimeSpan::TimeToTicks(std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), 0),
        ArgumentOutOfRangeException, "TimeSpan::TimeToTicks (98)");
}
} // namespace
