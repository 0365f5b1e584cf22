// SPDX-License-Identifier: GPL-2.0-or-later
// Stand-ins for the native (sanitizer) build of the portable core. Text is taken as Latin-1,
// the closest portable relative of the Western ANSI code page.
#include "core/Platform.h"

#include <cerrno>
#include <chrono>
#include <ctime>

namespace
{
// Seconds from 1601-01-01 to the Unix epoch.
constexpr std::int64_t kFileTimeEpochOffsetSeconds = 11644473600LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

std::int64_t FileTimeFromUnix(std::int64_t seconds, std::int64_t subTicks)
{
    return (seconds + kFileTimeEpochOffsetSeconds) * kTicksPerSecond + subTicks;
}
} // namespace

namespace Platform
{
std::uint32_t LastErrorCode()
{
    return static_cast<std::uint32_t>(errno);
}

std::int64_t UtcFileTime()
{
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks =
        std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(since);
    return FileTimeFromUnix(0, ticks.count());
}

bool LocalFileTime(std::int64_t& fileTime)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
    {
        return false;
    }
    // timegm reads the fields as UTC, so the wall-clock reading passes through unshifted.
    const std::time_t wall = timegm(&local);
    if (wall == static_cast<std::time_t>(-1))
    {
        return false;
    }
    const auto subSecond = now - std::chrono::system_clock::from_time_t(seconds);
    const auto subTicks =
        std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(subSecond);
    fileTime = FileTimeFromUnix(wall, subTicks.count());
    return true;
}

std::wstring AnsiToWide(const std::string& text)
{
    std::wstring result;
    result.reserve(text.size());
    for (const char c : text)
    {
        result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return result;
}

std::string WideToAnsi(const std::wstring& text)
{
    std::string result;
    result.reserve(text.size());
    for (const wchar_t c : text)
    {
        result.push_back(static_cast<std::uint32_t>(c) <= 0xFF ? static_cast<char>(c) : '?');
    }
    return result;
}
} // namespace Platform
