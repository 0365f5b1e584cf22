// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/Here.h"
#include "core/Platform.h"

#include "core/ApplicationException.h"

#include <windows.h>

#include <climits>

namespace
{
std::int64_t ToInt64(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<std::int64_t>(value.QuadPart);
}
} // namespace

namespace Platform
{
std::uint32_t LastErrorCode()
{
    return GetLastError();
}

std::int64_t UtcFileTime()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ToInt64(now);
}

bool LocalFileTime(std::int64_t& fileTime)
{
    SYSTEMTIME local;
    GetLocalTime(&local);
    FILETIME converted;
    if (!SystemTimeToFileTime(&local, &converted))
    {
        return false;
    }
    fileTime = ToInt64(converted);
    return true;
}

// Both conversions ask for the exact size first, so no input can overrun the buffer.
std::wstring AnsiToWide(const std::string& text)
{
    if (text.empty())
    {
        return std::wstring();
    }
    if (text.size() > static_cast<size_t>(INT_MAX))
    {
        ThrowApplicationException(Here());
    }
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
    {
        ThrowApplicationException(Here());
    }
    std::wstring result(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.data(), needed) != needed)
    {
        ThrowApplicationException(Here());
    }
    return result;
}

std::string WideToAnsi(const std::wstring& text)
{
    if (text.empty())
    {
        return std::string();
    }
    if (text.size() > static_cast<size_t>(INT_MAX))
    {
        ThrowApplicationException(Here());
    }
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
    {
        ThrowApplicationException(Here());
    }
    std::string result(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text.data(), length, result.data(), needed, nullptr, nullptr) !=
        needed)
    {
        ThrowApplicationException(Here());
    }
    return result;
}
} // namespace Platform
