// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/Here.h"
#include "data/Data.h"

#include "core/ApplicationException.h"
#include "platform/UtilFile.h"

namespace
{
std::vector<CityRecord>& Catalogue()
{
    static std::vector<CityRecord> records;
    return records;
}

std::wstring& CataloguePath()
{
    static std::wstring path;
    return path;
}
} // namespace

void Data::SetCataloguePath(const std::wstring& path)
{
    CataloguePath() = path;
}

const std::vector<CityRecord>& Data::GetCityRecords()
{
    if (Catalogue().empty())
    {
        LoadData();
    }
    return Catalogue();
}

void Data::LoadData()
{
    try
    {
        LoadData(CataloguePath());
    }
    catch (...)
    {
        // No catalogue: the selection dialog shows an empty list.
        Catalogue().clear();
    }
}

void Data::LoadData(const std::wstring& path)
{
    try
    {
        Catalogue().clear();
        std::string text;
        try
        {
            text = UtilFile::ReadFileAscii(path);
        }
        catch (const ApplicationException&)
        {
            ThrowApplicationException(Here());
        }
        Catalogue() = ParseCityRecords(text);
    }
    catch (...)
    {
        Catalogue().clear();
    }
}
