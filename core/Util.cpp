// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/Util.h"

#include "core/ArgumentException.h"
#include "core/ArgumentNullException.h"
#include "core/Here.h"
#include "core/Platform.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
} // namespace

namespace Util
{
int ParseInt(const char* text)
{
    if (text == nullptr)
    {
        throw ArgumentNullException(Here());
    }
    const char* p = text;
    while (IsBlank(*p))
    {
        ++p;
    }
    bool negative = false;
    if (*p == '-')
    {
        negative = true;
        ++p;
    }
    else if (*p == '+')
    {
        ++p;
    }

    // The magnitude of INT_MIN is one more than INT_MAX; anything beyond it cannot fit either way.
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<int>::max()) + 1;
    std::int64_t value = 0;
    bool sawDigit = false;
    for (; *p != '\0'; ++p)
    {
        if (IsBlank(*p))
        {
            continue;
        }
        if (!IsDigit(*p))
        {
            throw ArgumentException(Here());
        }
        value = value * 10 + (*p - '0');
        if (value > kLimit)
        {
            throw ArgumentException(Here());
        }
        sawDigit = true;
    }
    if (!sawDigit)
    {
        throw ArgumentException(Here());
    }
    if (negative)
    {
        return static_cast<int>(-value);
    }
    if (value == kLimit)
    {
        throw ArgumentException(Here());
    }
    return static_cast<int>(value);
}

double ParseDouble(const char* text)
{
    if (text == nullptr)
    {
        throw ArgumentNullException(Here());
    }
    const char* p = text;
    while (IsBlank(*p))
    {
        ++p;
    }
    const char first = *p;

    // std::from_chars is locale-independent but takes no "+"; the sign is handled here.
    const char* number = p;
    bool negative = false;
    if (*number == '-' || *number == '+')
    {
        negative = *number == '-';
        ++number;
    }
    const char* end = number;
    while (*end != '\0')
    {
        ++end;
    }
    double value = 0.0;
    const auto [stop, error] = std::from_chars(number, end, value, std::chars_format::general);
    // Nothing convertible, a value beyond double's range, or an infinity or NaN spelled out:
    // none of them is a number this program can use.
    const bool converted = error == std::errc() && *number != '-' && *number != '+' && std::isfinite(value);
    if (!converted)
    {
        value = 0.0;
    }
    if (negative)
    {
        value = -value;
    }
    if (value == 0.0 && first != '0')
    {
        throw ArgumentException(Here());
    }
    const char* rest = converted ? stop : number;
    while (IsBlank(*rest))
    {
        ++rest;
    }
    if (*rest != '\0')
    {
        throw ArgumentException(Here());
    }
    return value;
}

int ParseDigits(const std::string& text, std::size_t position, int count)
{
    std::int64_t value = 0;
    for (int i = 0; i < count; ++i)
    {
        const std::size_t at = position + static_cast<std::size_t>(i);
        if (at >= text.size() || !IsDigit(text[at]))
        {
            ThrowApplicationException(Here());
        }
        value = value * 10 + (text[at] - '0');
        if (value > std::numeric_limits<int>::max())
        {
            ThrowApplicationException(Here());
        }
    }
    return static_cast<int>(value);
}

template <> bool Parse<bool>(const char* text)
{
    const std::string value = text != nullptr ? text : "";
    if (value == "true")
    {
        return true;
    }
    if (value == "false")
    {
        return false;
    }
    ThrowApplicationException(Here());
}

template <> ArgbColor Parse<ArgbColor>(const char* text)
{
    const std::vector<std::string> parts = Split(text != nullptr ? text : "");
    if (parts.size() < 3)
    {
        ThrowApplicationException(Here());
    }
    const int blue = ParseInt(parts[2].c_str());
    const int green = ParseInt(parts[1].c_str());
    const int red = ParseInt(parts[0].c_str());
    return ArgbColor::FromRgb(static_cast<std::uint8_t>(red & 0xFF), static_cast<std::uint8_t>(green & 0xFF),
                              static_cast<std::uint8_t>(blue & 0xFF));
}

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
        {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

std::wstring ToString(int value)
{
    char buffer[20];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc())
    {
        ThrowApplicationException(Here());
    }
    return std::wstring(buffer, end);
}

std::string ToString(double value)
{
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    if (error != std::errc() || end == buffer)
    {
        ThrowApplicationException(Here());
    }
    return std::string(buffer, end);
}

std::wstring ToWide(const std::string& text)
{
    return Platform::AnsiToWide(text);
}

std::string ToNarrow(const std::wstring& text)
{
    return Platform::WideToAnsi(text);
}

std::wstring FromUtf8(const std::string& text)
{
    // Each malformed sequence (a stray continuation byte, a truncated or overlong form, a
    // surrogate, a value past U+10FFFF) becomes one U+FFFD, and reading resumes after it.
    constexpr char32_t kReplacement = 0xFFFD;
    std::wstring result;
    result.reserve(text.size());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size)
    {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t value = 0;
        char32_t lowest = 0;
        if (lead < 0x80)
        {
            length = 1;
            value = lead;
        }
        else if (lead >= 0xC2 && lead <= 0xDF)
        {
            length = 2;
            value = lead & 0x1Fu;
            lowest = 0x80;
        }
        else if (lead >= 0xE0 && lead <= 0xEF)
        {
            length = 3;
            value = lead & 0x0Fu;
            lowest = 0x800;
        }
        else if (lead >= 0xF0 && lead <= 0xF4)
        {
            length = 4;
            value = lead & 0x07u;
            lowest = 0x10000;
        }
        int taken = 1;
        while (taken < length && i + static_cast<std::size_t>(taken) < size &&
               (static_cast<unsigned char>(text[i + static_cast<std::size_t>(taken)]) & 0xC0u) == 0x80u)
        {
            value = (value << 6) |
                    (static_cast<unsigned char>(text[i + static_cast<std::size_t>(taken)]) & 0x3Fu);
            ++taken;
        }
        if (length == 0 || taken < length || value < lowest || value > 0x10FFFF ||
            (value >= 0xD800 && value <= 0xDFFF))
        {
            value = kReplacement;
        }
        i += static_cast<std::size_t>(taken);
        if (sizeof(wchar_t) == 2 && value > 0xFFFF)
        {
            value -= 0x10000;
            result.push_back(static_cast<wchar_t>(0xD800 + (value >> 10)));
            result.push_back(static_cast<wchar_t>(0xDC00 + (value & 0x3FF)));
        }
        else
        {
            result.push_back(static_cast<wchar_t>(value));
        }
    }
    return result;
}

std::wstring AppendBackslash(const std::wstring& path)
{
    if (path.empty())
    {
        ThrowApplicationException(Here());
    }
    if (path.back() == L'\\')
    {
        return path;
    }
    return path + L'\\';
}
} // namespace Util
