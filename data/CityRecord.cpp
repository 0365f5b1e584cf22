// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/CityRecord.h"

#include "core/ArgumentException.h"
#include "core/ArgumentOutOfRangeException.h"
#include "core/Here.h"
#include "core/Util.h"
#include "data/Tokenize.h"
#include "weather/CSun.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace
{
bool IsOnGlobe(double latitude, double longitude)
{
    // Also false for NaN. Checked before narrowing to float, which is undefined beyond its range.
    return latitude >= -90.0 && latitude <= 90.0 && longitude >= -180.0 && longitude <= 180.0;
}

// Six decimals, as the files have always held them, with "." whatever the user's locale.
std::wstring FormatCoordinate(float value)
{
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                            std::chars_format::fixed, 6);
    if (error != std::errc())
    {
        throw ArgumentException(Here());
    }
    std::string text(buffer, end);
    // A value just below zero prints as "-0.000000", which the number reader refuses (it takes
    // zero only when written with a leading 0): the record would be lost at the next start.
    if (text == "-0.000000")
    {
        text.erase(0, 1);
    }
    return Util::ToWide(text);
}
} // namespace

CityRecord::CityRecord(int id, std::wstring stationCode, std::wstring country, std::wstring displayName,
                       std::wstring details, float latitude, float longitude)
    : Id(id), Country(std::move(country)), Details(std::move(details)), Latitude(latitude),
      Longitude(longitude), StationCode(std::move(stationCode)), m_displayName(std::move(displayName))
{
}

void CityRecord::DisplayName(const std::wstring& name)
{
    if (name.empty())
    {
        throw ArgumentException(Here());
    }
    if (!IsStorableText(name))
    {
        throw ArgumentException(Here());
    }
    m_displayName = name;
}

bool CityRecord::IsStorableText(const std::wstring& text)
{
    if (text.find_first_of(std::wstring(L";\r\n\0", 4)) != std::wstring::npos)
    {
        return false;
    }
    try
    {
        // The files are in the ANSI code page; a character it lacks comes back as something else.
        return Util::ToWide(Util::ToNarrow(text)) == text;
    }
    catch (const ApplicationException&)
    {
        return false;
    }
}

void CityRecord::Parse(const std::string& line, CityRecord& record)
{
    // Tokenize cuts fields out in place; the copy keeps its terminator at the end.
    std::string buffer = line;
    char* cursor = buffer.data();

    record.Id = Util::ParseInt(Tokenize(cursor));
    record.StationCode = Util::ToWide(Tokenize(cursor));
    record.Country = Util::ToWide(Tokenize(cursor));
    record.m_displayName = Util::ToWide(Tokenize(cursor));
    record.Details = Util::ToWide(Tokenize(cursor));
    const double latitude = Util::ParseDouble(Tokenize(cursor));
    const double longitude = Util::ParseDouble(Tokenize(cursor));
    if (!IsOnGlobe(latitude, longitude))
    {
        throw ArgumentOutOfRangeException(Here());
    }
    record.Latitude = static_cast<float>(latitude);
    record.Longitude = static_cast<float>(longitude);
}

std::wstring CityRecord::ToLine() const
{
    if (!IsStorableText(StationCode) || !IsStorableText(Country) || !IsStorableText(m_displayName) ||
        !IsStorableText(Details))
    {
        throw ArgumentException(Here());
    }
    if (!IsOnGlobe(Latitude, Longitude))
    {
        throw ArgumentException(Here());
    }
    return Util::ToString(Id) + L";" + StationCode + L";" + Country + L";" + m_displayName + L";" + Details +
           L";" + FormatCoordinate(Latitude) + L";" + FormatCoordinate(Longitude);
}

bool CityRecord::IsDay(DateTime instant) const
{
    try
    {
        return CSun::IsDay(Latitude, Longitude, instant);
    }
    catch (...)
    {
        // An icon must be chosen either way; day is the neutral choice for a place with no answer.
        return true;
    }
}
