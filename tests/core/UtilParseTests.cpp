// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ArgumentException.h"
#include "core/ArgumentNullException.h"
#include "core/Util.h"

#include "tests/support/ExpectThrowAt.h"

#include <gtest/gtest.h>

#include <clocale>

namespace
{
TEST(UtilParseInt, AcceptsSignsAndBlanks)
{
    EXPECT_EQ(-42, Util::ParseInt(" -42"));
    EXPECT_EQ(7, Util::ParseInt("+7"));
    EXPECT_EQ(42, Util::ParseInt("4 2"));
    EXPECT_EQ(-5, Util::ParseInt("- 5"));
    EXPECT_EQ(12, Util::ParseInt("\t12\t "));
    EXPECT_EQ(0, Util::ParseInt("-0"));
    EXPECT_EQ(7, Util::ParseInt("0000000000000000000007"));
}

TEST(UtilParseInt, RejectsEverythingElse)
{
    EXPECT_THROW_AT(Util::ParseInt(nullptr), ArgumentNullException, "Util::ParseInt (272)");
    EXPECT_THROW_AT(Util::ParseInt("-"), ArgumentException, "Util::ParseInt (320)");
    EXPECT_THROW_AT(Util::ParseInt(""), ArgumentException, "Util::ParseInt (320)");
    EXPECT_THROW_AT(Util::ParseInt("  "), ArgumentException, "Util::ParseInt (320)");
    for (const char* text : {"42x", "12a", "--5", "+-5", "1.5", "1,5", "0x10"})
    {
        EXPECT_THROW_AT(Util::ParseInt(text), ArgumentException, "Util::ParseInt (311)");
    }
}

TEST(UtilParseInt, RejectsNumbersBeyond32Bits)
{
    EXPECT_EQ(2147483647, Util::ParseInt("2147483647"));
    EXPECT_EQ(-2147483647 - 1, Util::ParseInt("-2147483648"));
    EXPECT_THROW_AT(Util::ParseInt("2147483648"), ArgumentException, "Util::ParseInt (311)");
    EXPECT_THROW_AT(Util::ParseInt("-2147483649"), ArgumentException, "Util::ParseInt (311)");
    EXPECT_THROW_AT(Util::ParseInt("4294967296"), ArgumentException, "Util::ParseInt (311)");
    EXPECT_THROW_AT(Util::ParseInt("99999999999999999999999"), ArgumentException, "Util::ParseInt (311)");
}

TEST(UtilParseDouble, AcceptsPlainDecimals)
{
    EXPECT_EQ(0.0, Util::ParseDouble("0"));
    EXPECT_EQ(0.0, Util::ParseDouble("0.000"));
    EXPECT_EQ(12.5, Util::ParseDouble("12.5 "));
    EXPECT_EQ(-118.389, Util::ParseDouble("-118.389"));
    EXPECT_EQ(3.5, Util::ParseDouble("\t+3.5"));
    EXPECT_EQ(1500.0, Util::ParseDouble("1.5e3"));
}

TEST(UtilParseDouble, RejectsZeroNotWrittenAsZeroAndTrailingText)
{
    EXPECT_THROW_AT(Util::ParseDouble(nullptr), ArgumentNullException, "Util::ParseDouble (333)");
    for (const char* text : {".0", "abc", "-0", "+0", "", "-", "--5", "nan", "inf", "-inf", "1e999"})
    {
        EXPECT_THROW_AT(Util::ParseDouble(text), ArgumentException, "Util::ParseDouble (341)");
    }
    for (const char* text : {"1.5x", "0abc", "1.5 2", "0x10", "12,5"})
    {
        EXPECT_THROW_AT(Util::ParseDouble(text), ArgumentException, "Util::ParseDouble (347)");
    }
}

TEST(UtilParseDouble, IgnoresTheUsersLocale)
{
    // A locale with a decimal comma must not change what the data files mean.
    const char* german = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE", "German_Germany.1252", "German"})
    {
        if (german == nullptr)
        {
            german = std::setlocale(LC_NUMERIC, name);
        }
    }
    EXPECT_EQ(12.5, Util::ParseDouble("12.5"));
    EXPECT_EQ("12.500", Util::ToString(12.5));
    if (german != nullptr)
    {
        std::setlocale(LC_NUMERIC, "C");
    }
}

TEST(UtilParseDigits, ReadsExactlyCountDigits)
{
    EXPECT_EQ(1853, Util::ParseDigits("091853Z", 2, 4));
    EXPECT_EQ(9, Util::ParseDigits("091853Z", 0, 2));
    EXPECT_EQ(0, Util::ParseDigits("abc", 1, 0));
    EXPECT_THROW_AT(Util::ParseDigits("09185Z", 2, 4), ApplicationException, "Util::ParseDigits (361)");
    EXPECT_THROW_AT(Util::ParseDigits("-1", 0, 2), ApplicationException, "Util::ParseDigits (361)");
    EXPECT_THROW_AT(Util::ParseDigits(" 12", 0, 2), ApplicationException, "Util::ParseDigits (361)");
    // Past the end of the text is a failure, never a read beyond it.
    EXPECT_THROW_AT(Util::ParseDigits("12", 1, 2), ApplicationException, "Util::ParseDigits (361)");
    EXPECT_THROW_AT(Util::ParseDigits("12", 100, 1), ApplicationException, "Util::ParseDigits (361)");
    EXPECT_THROW_AT(Util::ParseDigits("99999999999", 0, 11), ApplicationException, "Util::ParseDigits (361)");
}

TEST(UtilParseValues, BooleansAreExact)
{
    EXPECT_TRUE(Util::Parse<bool>("true"));
    EXPECT_FALSE(Util::Parse<bool>("false"));
    for (const char* text : {"True", "TRUE", " true", "true ", "1", ""})
    {
        EXPECT_THROW_AT(Util::Parse<bool>(text), ApplicationException, "Util::Parse (182)");
    }
}

TEST(UtilParseValues, ColoursAreOpaqueRgb)
{
    EXPECT_EQ(0xFFFF0000u, Util::Parse<ArgbColor>("255, 0, 0").Value);
    EXPECT_EQ(0xFF010203u, Util::Parse<ArgbColor>("1,2,3,ignored").Value);
    EXPECT_EQ(0xFF000000u, Util::Parse<ArgbColor>("256,0,0").Value); // low 8 bits kept
    EXPECT_THROW_AT(Util::Parse<ArgbColor>("255,0"), ApplicationException, "Util::Parse (191)");
    EXPECT_THROW_AT(Util::Parse<ArgbColor>("255,0,x"), ArgumentException, "Util::ParseInt (311)");
    EXPECT_THROW_AT(Util::Parse<ArgbColor>("255,0,"), ArgumentException, "Util::ParseInt (320)");
}

TEST(UtilText, SplitKeepsEveryPiece)
{
    EXPECT_EQ((std::vector<std::string>{""}), Util::Split(""));
    EXPECT_EQ((std::vector<std::string>{"a", " b", ""}), Util::Split("a, b,"));
    EXPECT_EQ((std::vector<std::string>{"", "", ""}), Util::Split(",,"));
}

TEST(UtilText, FormattersUseFixedForms)
{
    EXPECT_EQ(L"-2147483648", Util::ToString(-2147483647 - 1));
    EXPECT_EQ(L"0", Util::ToString(0));
    EXPECT_EQ("6.000", Util::ToString(6.0));
    EXPECT_EQ("-118.389", Util::ToString(-118.389));
    EXPECT_EQ("0.001", Util::ToString(0.0005000001));
    // Too long for any field of ours: refused, never written past a buffer.
    EXPECT_THROW_AT(Util::ToString(1e300), ApplicationException, "Util::ToString (144)");
}

TEST(UtilText, AppendBackslashAddsExactlyOne)
{
    EXPECT_EQ(L"C:\\Data\\", Util::AppendBackslash(L"C:\\Data"));
    EXPECT_EQ(L"C:\\Data\\", Util::AppendBackslash(L"C:\\Data\\"));
    EXPECT_THROW_AT(Util::AppendBackslash(L""), ApplicationException, "Util::AppendBackslash (91)");
}

TEST(UtilText, AsciiRoundTripsThroughTheCodePage)
{
    const std::string narrow = "Los Angeles, CA; 33.938";
    EXPECT_EQ(L"Los Angeles, CA; 33.938", Util::ToWide(narrow));
    EXPECT_EQ(narrow, Util::ToNarrow(Util::ToWide(narrow)));
    EXPECT_EQ(L"", Util::ToWide(""));
}

TEST(UtilText, Utf8DecodesEveryLengthAndReplacesMalformedBytes)
{
    EXPECT_EQ(L"", Util::FromUtf8(""));
    EXPECT_EQ(L"Rain \u2013 caf\u00E9 \U0001F327",
              Util::FromUtf8("Rain \xE2\x80\x93 caf\xC3\xA9 \xF0\x9F\x8C\xA7"));
    // A stray continuation, a cut sequence, an overlong form, a surrogate, past U+10FFFF, a
    // byte that never starts one.
    EXPECT_EQ(L"a\uFFFDb\uFFFD", Util::FromUtf8("a\x80"
                                                "b\xE2\x80"));
    EXPECT_EQ(L"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDz",
              Util::FromUtf8("\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80z"));
    EXPECT_EQ(L"\uFFFD\uFFFDx", Util::FromUtf8("\xFF\xF5x"));
}
} // namespace
