// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstddef>
#include <regex>
#include <string>

// A compiled regular expression (ECMAScript syntax) tested against short texts such as the
// groups of a weather report. Matching is case-sensitive; "^" ties the match to the start of
// the text, "$" to its end, and a pattern without "$" matches when a prefix of the text does.
class RegEx
{
public:
    // The longest text Match will look at. The standard library's engine backtracks through
    // recursion, one chain of stack frames per character, so a long enough text overflows the
    // stack of a worker thread; such a text is refused (no match) instead.
    static constexpr std::size_t MaxTextLength = 256;

    // Throws ApplicationException when the pattern does not compile.
    explicit RegEx(const std::string& pattern);

    // True when the pattern matches as described above; false for a text longer than
    // MaxTextLength, and when the engine gives up on the text.
    bool Match(const std::string& text) const;

private:
    std::regex m_regex;
};
