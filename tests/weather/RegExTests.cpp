// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/RegEx.h"

#include "tests/support/ExpectThrowAt.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(RegEx, MatchesShortTextsAndRefusesHugeOnes)
{
    const RegEx header(R"(^\d\d\d\d/\d\d)");
    EXPECT_TRUE(header.Match("2007/11/30 05:53")); // no "$": a matching prefix is enough
    EXPECT_FALSE(header.Match("KLAX\n2007/11"));   // "^" is the start of the text, not of a line
    EXPECT_THROW_AT(RegEx("((RA"), ApplicationException, "RegEx::RegEx (11)");

    // The engine recurses per character; a hostile token must not take the stack with it.
    const RegEx group(R"(^[+\-]?((RA)|(SN))+$)");
    EXPECT_FALSE(group.Match("ra"));
    std::string hostile;
    for (int i = 0; i < 100000; ++i)
    {
        hostile += "RA";
    }
    EXPECT_FALSE(group.Match(hostile));
    std::string longest = "-";
    longest.append(hostile, 0, RegEx::MaxTextLength - 2);
    EXPECT_TRUE(group.Match(longest));
}
} // namespace
