// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "data/CityRecord.h"

#include <string>
#include <vector>

// The station catalogue, CityRecords.txt in the program folder: loaded on first demand and kept
// in file order for the rest of the run. User-interface thread only.
class Data
{
public:
    // The longest line taken, without its line end; a longer line is skipped whole.
    static constexpr std::size_t MaxLineLength = 5119;

    // The records of a catalogue text in order. Malformed and overlong lines are skipped;
    // duplicates stay. Never throws for bad content.
    static std::vector<CityRecord> ParseCityRecords(const std::string& text);

#ifdef _WIN32
    // The catalogue, loaded first when it is empty (so a missing file is looked for again).
    static const std::vector<CityRecord>& GetCityRecords();

    // Where the catalogue is loaded from on first demand: CityRecords.txt in the program folder,
    // set by the program at start-up. Loads nothing itself.
    static void SetCataloguePath(const std::wstring& path);

    // (Re)loads the catalogue from that file or the given one. Never throws: an unreadable file
    // (or none set) leaves the catalogue empty.
    static void LoadData();
    static void LoadData(const std::wstring& path);
#endif
};
