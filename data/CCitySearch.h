// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "data/CityRecord.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Finding stations in the catalogue by what the user types: a record matches when each word of
// the text is found in its city, station name, country or station code, ignoring case and
// accents ("sao" finds "São Paulo", "MUNCHEN" finds "München"). The records' texts are folded
// once, so that a search over the whole catalogue costs little more than reading it.
class CCitySearch
{
public:
    CCitySearch() = default;
    explicit CCitySearch(const std::vector<CityRecord>& records);

    // Lower case without accents: Latin letters with diacritics become their base letters, the
    // ligatures and the sharp s their two letters; combining accents are dropped.
    static std::wstring Fold(std::wstring_view text);

    // The text as the search takes it: folded and cut into words at blanks.
    static std::vector<std::wstring> Words(std::wstring_view text);

    std::size_t Size() const { return m_keys.size(); }
    // Whether the record at that index (as given to the constructor) holds every word; no words
    // match every record.
    bool Matches(std::size_t index, const std::vector<std::wstring>& words) const;

private:
    std::vector<std::wstring> m_keys; // the folded fields of each record, kept apart
};
