// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstdint>
#include <string>

// The few services the portable core needs from the operating system. The Windows program
// gets them from Win32; the native test build gets stand-ins from the C++ library.
namespace Platform
{
// The calling thread's last system error code.
std::uint32_t LastErrorCode();

// Current UTC time as 100-nanosecond units since 1601-01-01 (a Windows file time).
std::int64_t UtcFileTime();

// Current local wall-clock time expressed the same way, without any time-zone shift.
// Returns false when the clock cannot be read or converted.
bool LocalFileTime(std::int64_t& fileTime);

// Conversions between 8-bit text in the system's ANSI code page and wide text.
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);
} // namespace Platform
