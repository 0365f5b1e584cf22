// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/MapRegion.h"

#include <utility>

namespace
{
// Folds only A to Z, as the C runtime's case-insensitive comparison does in its default locale:
// the table's names are ASCII, and a locale-dependent fold could match them differently from one
// machine to the next.
wchar_t FoldAscii(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool EqualsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
        {
            return false;
        }
    }
    return true;
}
} // namespace

MapRegion::MapRegion() : MapRegion(L"Earth (Default)", -145, 90, 165, -80) {}

MapRegion::MapRegion(std::wstring name, std::int32_t west, std::int32_t north, std::int32_t east,
                     std::int32_t south)
    : Name(std::move(name)), West(west), North(north), East(east), South(south)
{
}

const std::vector<MapRegion>& MapRegion::GetEarthRegions()
{
    static const std::vector<MapRegion> regions{
        MapRegion(),
        MapRegion(L"Earth (Complete)", -180, 90, 180, -90),
    };
    return regions;
}

const std::vector<MapRegion>& MapRegion::GetContinentRegions()
{
    static const std::vector<MapRegion> regions{
        MapRegion(L"Africa", -33, 45, 76, -43),        MapRegion(L"Asia", 25, 90, 153, -16),
        MapRegion(L"Australia", 94, 9, 180, -59),      MapRegion(L"Europe", -13, 75, 50, 28),
        MapRegion(L"North America", -155, 80, -50, 0), MapRegion(L"South America", -110, 20, -18, -65),
    };
    return regions;
}

const std::vector<MapRegion>& MapRegion::GetAllRegions()
{
    static const std::vector<MapRegion> regions = []
    {
        const std::vector<MapRegion>& earth = GetEarthRegions();
        const std::vector<MapRegion>& continents = GetContinentRegions();
        std::vector<MapRegion> all;
        all.reserve(earth.size() + continents.size());
        all.insert(all.end(), earth.begin(), earth.end());
        all.insert(all.end(), continents.begin(), continents.end());
        return all;
    }();
    return regions;
}

bool MapRegion::FindByName(const std::wstring& name, MapRegion& target)
{
    try
    {
        for (const MapRegion& region : GetAllRegions())
        {
            if (EqualsIgnoringAsciiCase(name, region.Name))
            {
                // Copied aside first, so a failed copy leaves the target as it was.
                MapRegion found = region;
                target = std::move(found);
                return true;
            }
        }
    }
    catch (...)
    {
        // A lookup that cannot be completed is a name not found: the caller keeps its region.
    }
    return false;
}

MapRegion MapRegion::GetPreviewRegion()
{
    return MapRegion(L"NA", -120, 50, -80, 30);
}
