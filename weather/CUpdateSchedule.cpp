// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CUpdateSchedule.h"

#include "core/TimeSpan.h"

#include <algorithm>
#include <iterator>
#include <utility>

CUpdateSchedule::CUpdateSchedule(std::function<double()> jitter) : m_jitter(std::move(jitter)) {}

std::uint32_t CUpdateSchedule::OnBatchComplete(bool everyCityFailed, DateTime utcNow, std::uint64_t steadyMs)
{
    if (!everyCityFailed)
    {
        m_failedInARow = 0;
        m_haveReference = true;
        m_referenceUtc = utcNow;
        m_referenceSteadyMs = steadyMs;
        return 0;
    }
    ++m_failedInARow;
    if (m_failedInARow > std::size(RetryPausesMs))
    {
        return 0;
    }
    // A quarter either way.
    const double jitter = std::clamp(m_jitter ? m_jitter() : 0.5, 0.0, 1.0);
    const double pause = RetryPausesMs[m_failedInARow - 1] * (0.75 + 0.5 * jitter);
    return static_cast<std::uint32_t>(pause);
}

bool CUpdateSchedule::ClockJumped(DateTime utcNow, std::uint64_t steadyMs)
{
    if (!m_haveReference)
    {
        return false;
    }
    const std::int64_t wallMs = (utcNow.Ticks() - m_referenceUtc.Ticks()) / TimeSpan::TicksPerMillisecond;
    const std::int64_t steadyElapsedMs = static_cast<std::int64_t>(steadyMs - m_referenceSteadyMs);
    const std::int64_t difference = wallMs - steadyElapsedMs;
    if (difference > -ClockJumpToleranceMs && difference < ClockJumpToleranceMs)
    {
        return false;
    }
    m_referenceUtc = utcNow;
    m_referenceSteadyMs = steadyMs;
    return true;
}
