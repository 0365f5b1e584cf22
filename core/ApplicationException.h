// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstdint>
#include <string>

// Root of the program's own exception family. Thrown and caught by value; no handler looks
// inside, but the fields make a failure traceable when one is logged or shown in a debugger.
class ApplicationException
{
public:
    // location: "Class::Method (line)", an ASCII literal naming the throw site.
    explicit ApplicationException(const char* location, const char* message = nullptr);

    std::uint32_t LastError; // the thread's last system error when the failure was noticed
    std::wstring Location;
    std::wstring Message;
    std::wstring Detail;
};

[[noreturn]] void ThrowApplicationException(const char* location);
[[noreturn]] void ThrowApplicationException(const char* location, const char* message);
