// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/CCitySearch.h"

#include <cwctype>

namespace
{
// Base letters of U+0100 to U+017F (Latin Extended-A), one per code point; '2' marks the
// ligatures, which become two letters.
constexpr wchar_t kExtendedA[] = L"aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii22jjkkkllllllllll"
                                 L"nnnnnnnnnoooooo22rrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(sizeof kExtendedA / sizeof kExtendedA[0] == 0x80 + 1);

void AppendFolded(std::wstring& target, wchar_t c)
{
    if (c < 0x80)
    {
        target += (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
        return;
    }
    if (c >= 0x0300 && c <= 0x036F)
    {
        return; // a combining accent
    }
    if (c >= 0x00C0 && c <= 0x00FF)
    {
        // Latin-1: the same letters in both halves, 0x20 apart.
        static constexpr wchar_t kLatin1[] = L"aaaaaa2ceeeeiiiidnooooo\u00D7ouuuuy22";
        const wchar_t lower = c >= 0x00E0 ? static_cast<wchar_t>(c - 0x20) : c;
        switch (c)
        {
        case 0x00C6:
        case 0x00E6:
            target += L"ae";
            return;
        case 0x00DE:
        case 0x00FE:
            target += L"th";
            return;
        case 0x00DF:
            target += L"ss";
            return;
        case 0x00F7:
            target += c;
            return;
        case 0x00FF:
            target += L'y';
            return;
        default:
            target += kLatin1[lower - 0x00C0];
            return;
        }
    }
    if (c >= 0x0100 && c <= 0x017F)
    {
        switch (c)
        {
        case 0x0132:
        case 0x0133:
            target += L"ij";
            return;
        case 0x0152:
        case 0x0153:
            target += L"oe";
            return;
        default:
            target += kExtendedA[c - 0x0100];
            return;
        }
    }
    target += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}
} // namespace

CCitySearch::CCitySearch(const std::vector<CityRecord>& records)
{
    m_keys.reserve(records.size());
    for (const CityRecord& record : records)
    {
        // A separator no word holds keeps a word from matching across two fields.
        m_keys.push_back(Fold(record.DisplayName() + L'\n' + record.Details + L'\n' + record.Country + L'\n' +
                              record.StationCode));
    }
}

std::wstring CCitySearch::Fold(std::wstring_view text)
{
    std::wstring folded;
    folded.reserve(text.size());
    for (const wchar_t c : text)
    {
        AppendFolded(folded, c);
    }
    return folded;
}

std::vector<std::wstring> CCitySearch::Words(std::wstring_view text)
{
    std::vector<std::wstring> words;
    std::wstring word;
    for (const wchar_t c : Fold(text))
    {
        if (c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == 0x00A0)
        {
            if (!word.empty())
            {
                words.push_back(std::move(word));
                word.clear();
            }
        }
        else
        {
            word += c;
        }
    }
    if (!word.empty())
    {
        words.push_back(std::move(word));
    }
    return words;
}

bool CCitySearch::Matches(std::size_t index, const std::vector<std::wstring>& words) const
{
    if (index >= m_keys.size())
    {
        return false;
    }
    const std::wstring& key = m_keys[index];
    for (const std::wstring& word : words)
    {
        if (key.find(word) == std::wstring::npos)
        {
            return false;
        }
    }
    return true;
}
