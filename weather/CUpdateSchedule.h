// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"

#include <cstdint>
#include <functional>

// When to fetch weather beyond the regular cycle: soon after the system wakes, a network comes
// back or the wall clock jumps, and again with a growing pause while every download of a batch
// fails. It only decides: the caller owns the timers and hands in both clocks, the wall clock
// (UTC) and a steady one that stands still while the machine sleeps.
class CUpdateSchedule
{
public:
    // Jitter gives a number in [0, 1) for each pause, so that many machines that lost the same
    // server do not all come back at the same moment; 0.5 leaves a pause as it is.
    explicit CUpdateSchedule(std::function<double()> jitter);

    // The pause before the batch that a wake-up, a network change or a clock jump asks for: the
    // network needs a moment to come up, and a burst of such events makes one batch.
    static constexpr std::uint32_t SoonDelayMs = 10 * 1000;
    // Drift between the clocks below this is no jump.
    static constexpr std::int64_t ClockJumpToleranceMs = 2 * 60 * 1000;
    // The pauses after the first, second, ... batch in a row in which every city failed; after
    // the last the regular cycle takes over again.
    static constexpr std::uint32_t RetryPausesMs[] = {30 * 1000, 60 * 1000, 2 * 60 * 1000, 4 * 60 * 1000,
                                                      8 * 60 * 1000};

    // After each batch: the pause before a retry, or 0 when the regular cycle is enough. A batch
    // with any report is a good one: it ends the retries and sets the clocks' reference.
    std::uint32_t OnBatchComplete(bool everyCityFailed, DateTime utcNow, std::uint64_t steadyMs);

    // Checked every minute: whether the wall clock moved differently from the steady clock since
    // the last good batch (set by hand or by a time server, or the machine slept). A jump is told
    // once: the clocks are taken as they are now for the next check.
    bool ClockJumped(DateTime utcNow, std::uint64_t steadyMs);

    unsigned FailedBatchesInARow() const { return m_failedInARow; }

private:
    std::function<double()> m_jitter;
    unsigned m_failedInARow = 0;
    bool m_haveReference = false;
    DateTime m_referenceUtc;
    std::uint64_t m_referenceSteadyMs = 0;
};
