// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/ArgbColor.h"

#include <cstddef>
#include <string>
#include <vector>

// Strict text parsers and formatters for the data files and downloaded text. The parsers throw
// on anything but the exact forms they accept; the file readers decide what a failure means.
// Nothing here depends on the user's locale.
namespace Util
{
// Optional blanks and one sign, then decimal digits; blanks may stand between digits.
// A value outside the signed 32-bit range is rejected as malformed.
int ParseInt(const char* text);

// A decimal number with "." as the point; zero only when written starting with the digit 0.
double ParseDouble(const char* text);

// Exactly count decimal digits starting at position; no sign, no blanks.
int ParseDigits(const std::string& text, std::size_t position, int count);

// "true" or "false", and "red,green,blue" colours; selected by the result type.
template <typename T> T Parse(const char* text);
template <> bool Parse<bool>(const char* text);
template <> ArgbColor Parse<ArgbColor>(const char* text);

// The runs between commas, untrimmed; the last one may be empty.
std::vector<std::string> Split(const std::string& text);

std::wstring ToString(int value);
std::string ToString(double value); // three decimals

std::wstring ToWide(const std::string& text);   // from the ANSI code page
std::string ToNarrow(const std::wstring& text); // to the ANSI code page
std::wstring FromUtf8(const std::string& text); // malformed bytes become U+FFFD

std::wstring AppendBackslash(const std::wstring& path);
} // namespace Util
