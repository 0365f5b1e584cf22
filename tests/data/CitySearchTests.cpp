// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/CCitySearch.h"
#include "data/CityRecord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
TEST(CitySearch, FoldsCaseAccentsAndLigatures)
{
    EXPECT_EQ(L"sao paulo", CCitySearch::Fold(L"S\u00C3O PAULO"));
    EXPECT_EQ(L"munchen", CCitySearch::Fold(L"M\u00FCnchen"));
    EXPECT_EQ(L"strasse", CCitySearch::Fold(L"Stra\u00DFe"));
    EXPECT_EQ(L"aeroskobing", CCitySearch::Fold(L"\u00C6r\u00F8sk\u00F8bing"));
    EXPECT_EQ(L"lodz", CCitySearch::Fold(L"\u0141\u00F3d\u017A"));
    EXPECT_EQ(L"oeuvre ijssel", CCitySearch::Fold(L"\u0152uvre \u0132ssel"));
    EXPECT_EQ(L"reykjavik", CCitySearch::Fold(L"Reykjav\u00EDk"));
    EXPECT_EQ(L"sevilla", CCitySearch::Fold(L"Se\u0301villa")); // a combining accent
    EXPECT_EQ(L"kln-01 \u00D7", CCitySearch::Fold(L"KLN-01 \u00D7"));
    EXPECT_EQ((std::vector<std::wstring>{L"sao", L"paulo"}), CCitySearch::Words(L"  S\u00E3o \t Paulo "));
    EXPECT_TRUE(CCitySearch::Words(L" \u00A0 ").empty());
}

TEST(CitySearch, MatchesEveryWordInCityStationCountryOrCode)
{
    const std::vector<CityRecord> records = {
        CityRecord(1, L"SBGR", L"Brazil", L"S\u00E3o Paulo", L"Guarulhos", -23.4f, -46.5f),
        CityRecord(2, L"EDDM", L"Germany", L"M\u00FCnchen", L"Franz Josef Strau\u00DF", 48.3f, 11.8f),
        CityRecord(3, L"LFPO", L"France", L"Paris", L"Orly", 48.7f, 2.4f),
        CityRecord(4, L"KORL", L"USA", L"Orlando", L"Executive", 28.5f, -81.3f),
    };
    const CCitySearch search(records);
    ASSERT_EQ(4u, search.Size());
    const auto found = [&](const wchar_t* text)
    {
        std::vector<int> ids;
        const std::vector<std::wstring> words = CCitySearch::Words(text);
        for (std::size_t i = 0; i < search.Size(); ++i)
        {
            if (search.Matches(i, words))
            {
                ids.push_back(records[i].Id);
            }
        }
        return ids;
    };
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), found(L""));
    EXPECT_EQ((std::vector<int>{1}), found(L"SAO"));        // city, without the accent
    EXPECT_EQ((std::vector<int>{2}), found(L"STRAUSS"));    // station name, sharp s
    EXPECT_EQ((std::vector<int>{2}), found(L"germ"));       // country
    EXPECT_EQ((std::vector<int>{2}), found(L"eddm"));       // station code
    EXPECT_EQ((std::vector<int>{3, 4}), found(L"orl"));     // Orly, Orlando and KORL
    EXPECT_EQ((std::vector<int>{3}), found(L"paris orly")); // words in different fields
    EXPECT_EQ((std::vector<int>{}), found(L"paris orlando"));
    // A word does not run from one field into the next.
    EXPECT_EQ((std::vector<int>{}), found(L"parisorly"));
    EXPECT_EQ((std::vector<int>{}), found(L"brazilsbgr"));
    EXPECT_FALSE(search.Matches(4, {}));
}
} // namespace
