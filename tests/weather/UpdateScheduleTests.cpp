// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/DateTime.h"
#include "core/TimeSpan.h"
#include "weather/CUpdateSchedule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{
// Both clocks of a machine, moved by hand.
struct FakeClock
{
    DateTime utc = DateTime(2026, 12, 9, 8, 0, 0);
    std::uint64_t steadyMs = 5000;

    void Pass(std::int64_t ms) // time that both clocks see
    {
        utc = utc + TimeSpan::FromMinutes(ms / 60000.0);
        steadyMs += static_cast<std::uint64_t>(ms);
    }
};

TEST(UpdateSchedule, RetriesFailedBatchesWithGrowingJitteredPausesThenLeavesThemToTheCycle)
{
    double jitter = 0.5;
    CUpdateSchedule schedule([&] { return jitter; });
    FakeClock clock;

    std::vector<std::uint32_t> pauses;
    for (int batch = 0; batch < 7; ++batch)
    {
        pauses.push_back(schedule.OnBatchComplete(true, clock.utc, clock.steadyMs));
        clock.Pass(pauses.back());
    }
    EXPECT_EQ((std::vector<std::uint32_t>{30000, 60000, 120000, 240000, 480000, 0, 0}), pauses);

    // One report is enough to start again from the shortest pause.
    EXPECT_EQ(0u, schedule.OnBatchComplete(false, clock.utc, clock.steadyMs));
    EXPECT_EQ(0u, schedule.FailedBatchesInARow());
    jitter = 0.0;
    EXPECT_EQ(22500u, schedule.OnBatchComplete(true, clock.utc, clock.steadyMs));
    jitter = 0.999;
    const std::uint32_t longest = schedule.OnBatchComplete(true, clock.utc, clock.steadyMs);
    EXPECT_GT(longest, 74000u);
    EXPECT_LE(longest, 75000u);
}

TEST(UpdateSchedule, TellsAClockJumpOnceAgainstTheLastGoodBatch)
{
    CUpdateSchedule schedule([] { return 0.5; });
    FakeClock clock;

    // Without a good batch there is nothing to compare with.
    clock.utc = clock.utc + TimeSpan::FromMinutes(600);
    EXPECT_FALSE(schedule.ClockJumped(clock.utc, clock.steadyMs));
    EXPECT_EQ(30000u, schedule.OnBatchComplete(true, clock.utc, clock.steadyMs));
    EXPECT_FALSE(schedule.ClockJumped(clock.utc, clock.steadyMs));

    schedule.OnBatchComplete(false, clock.utc, clock.steadyMs);
    // Minutes go by with the clocks together, and a little drift is no jump.
    for (int minute = 0; minute < 30; ++minute)
    {
        clock.Pass(60000);
        EXPECT_FALSE(schedule.ClockJumped(clock.utc, clock.steadyMs)) << minute;
    }
    clock.utc = clock.utc + TimeSpan::FromMinutes(1.9);
    EXPECT_FALSE(schedule.ClockJumped(clock.utc, clock.steadyMs));

    // A night's sleep: the steady clock stood still. Told once, then the clocks agree again.
    clock.utc = clock.utc + TimeSpan::FromMinutes(8 * 60);
    clock.steadyMs += 1000;
    EXPECT_TRUE(schedule.ClockJumped(clock.utc, clock.steadyMs));
    clock.Pass(60000);
    EXPECT_FALSE(schedule.ClockJumped(clock.utc, clock.steadyMs));

    // The clock set back by hand.
    clock.utc = clock.utc - TimeSpan::FromMinutes(3);
    EXPECT_TRUE(schedule.ClockJumped(clock.utc, clock.steadyMs));
}
} // namespace
