// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"

#include <string>

// One weather station of the catalogue: an airport with its ICAO code, the city it serves and
// its position. The same record, one per line, makes up CityRecords.txt, Cities.txt and the
// home city value of Options.txt:
//
//     Id;StationCode;Country;DisplayName;Details;Latitude;Longitude
//
// Texts are stored verbatim in the ANSI code page, with no quoting, so a text that holds ";" or
// a line break, or a character the code page lacks, cannot be stored. The display name, the one
// text the user edits, refuses such values; ToLine refuses to write any record that would read
// back differently from what it holds.
class CityRecord
{
public:
    CityRecord() = default;
    CityRecord(int id, std::wstring stationCode, std::wstring country, std::wstring displayName,
               std::wstring details, float latitude, float longitude);

    int Id = 0; // cities are matched by it everywhere
    std::wstring Country;
    std::wstring Details;     // usually the airport's name; may be empty
    float Latitude = 0.0f;    // degrees, north positive, within ±90
    float Longitude = 0.0f;   // degrees, east positive, within ±180
    std::wstring StationCode; // ICAO code, the key of the observation download

    const std::wstring& DisplayName() const { return m_displayName; }
    // The user's rename. Throws ArgumentException for an empty name and for one that could not
    // be stored and read back as it is; the name is then left unchanged.
    void DisplayName(const std::wstring& name);

    // Fills all fields of record from one line (ended by CR, LF or the end of the text). Throws
    // on a missing field, a malformed number or a position off the globe; the record is then
    // partly filled and must be discarded. Fields after the seventh are ignored.
    static void Parse(const std::string& line, CityRecord& record);

    // The record as one line without line end, numbers written the same in every locale.
    // Throws ArgumentException when the record holds a value the line format cannot carry.
    std::wstring ToLine() const;

    // Whether the sun is up here at the instant; day when that cannot be computed.
    bool IsDay(DateTime instant) const;

    // True when the text survives a trip through a record line unchanged.
    static bool IsStorableText(const std::wstring& text);

private:
    std::wstring m_displayName;
};
