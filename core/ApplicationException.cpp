// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ApplicationException.h"

#include "core/Platform.h"

namespace
{
std::wstring WidenAscii(const char* text)
{
    std::wstring result;
    if (text != nullptr)
    {
        for (; *text != '\0'; ++text)
        {
            result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*text)));
        }
    }
    return result;
}
} // namespace

ApplicationException::ApplicationException(const char* location, const char* message)
    // Read before anything below can allocate and disturb the thread's error code.
    : LastError(Platform::LastErrorCode()), Location(WidenAscii(location)), Message(WidenAscii(message))
{
}

void ThrowApplicationException(const char* location)
{
    throw ApplicationException(location);
}

void ThrowApplicationException(const char* location, const char* message)
{
    throw ApplicationException(location, message);
}
