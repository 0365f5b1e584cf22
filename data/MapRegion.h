// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A part of the earth the map can show: a rectangle of whole degrees, longitudes east positive,
// latitudes north positive. The selectable regions form a fixed table; the options store a
// region by its name.
class MapRegion
{
public:
    // The default region, "Earth (Default)".
    MapRegion();
    MapRegion(std::wstring name, std::int32_t west, std::int32_t north, std::int32_t east,
              std::int32_t south);

    std::wstring Name;
    std::int32_t West;
    std::int32_t North;
    std::int32_t East;
    std::int32_t South;

    // The whole-earth views, the continents, and both of them in that order. Built on first use and
    // never changed afterwards.
    static const std::vector<MapRegion>& GetEarthRegions();
    static const std::vector<MapRegion>& GetContinentRegions();
    static const std::vector<MapRegion>& GetAllRegions();

    // Looks the name up among all regions, ignoring the case of ASCII letters, and copies the first
    // match (with the table's spelling) into target. Returns false, target unchanged, when no
    // region has that name or anything fails on the way.
    static bool FindByName(const std::wstring& name, MapRegion& target);

    // A small region of North America for previews only; it belongs to no list, so it can never
    // be found by name and become the map's region.
    static MapRegion GetPreviewRegion();
};
