// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/Data.h"

#include "core/ApplicationException.h"

std::vector<CityRecord> Data::ParseCityRecords(const std::string& text)
{
    std::vector<CityRecord> records;
    std::size_t start = 0;
    while (start < text.size())
    {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
        {
            end = text.size();
        }
        std::size_t length = end - start;
        if (length > 0 && text[end - 1] == '\r')
        {
            --length;
        }
        if (length <= MaxLineLength)
        {
            try
            {
                CityRecord record;
                CityRecord::Parse(text.substr(start, length), record);
                records.push_back(std::move(record));
            }
            catch (const ApplicationException&)
            {
                // A malformed line loses that station only.
            }
        }
        start = end + 1;
    }
    return records;
}
