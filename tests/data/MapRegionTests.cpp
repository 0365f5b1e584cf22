// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/MapRegion.h"

#include <gtest/gtest.h>

namespace
{
std::vector<std::wstring> NamesOf(const std::vector<MapRegion>& regions)
{
    std::vector<std::wstring> names;
    for (const MapRegion& region : regions)
    {
        names.push_back(region.Name);
    }
    return names;
}

TEST(MapRegions, ListsHoldTheTableInOrder)
{
    using Names = std::vector<std::wstring>;
    EXPECT_EQ((Names{L"Earth (Default)", L"Earth (Complete)"}), NamesOf(MapRegion::GetEarthRegions()));
    EXPECT_EQ((Names{L"Earth (Default)", L"Earth (Complete)", L"Africa", L"Asia", L"Australia", L"Europe",
                     L"North America", L"South America"}),
              NamesOf(MapRegion::GetAllRegions()));
    EXPECT_EQ(6u, MapRegion::GetContinentRegions().size());

    // Every rectangle is a real part of the earth, so the map never divides by a zero extent.
    for (const MapRegion& region : MapRegion::GetAllRegions())
    {
        EXPECT_LT(region.West, region.East);
        EXPECT_GT(region.North, region.South);
        EXPECT_TRUE(region.West >= -180 && region.East <= 180 && region.North <= 90 && region.South >= -90);
    }
    const MapRegion defaultRegion;
    EXPECT_EQ(L"Earth (Default)", defaultRegion.Name);
    EXPECT_EQ(
        (std::vector<int>{-145, 90, 165, -80}),
        (std::vector<int>{defaultRegion.West, defaultRegion.North, defaultRegion.East, defaultRegion.South}));
}

TEST(MapRegions, FindByNameIgnoresCaseAndTakesTheTableSpelling)
{
    MapRegion region;
    EXPECT_TRUE(MapRegion::FindByName(L"europe", region));
    EXPECT_EQ(L"Europe", region.Name);
    EXPECT_EQ((std::vector<int>{-13, 75, 50, 28}),
              (std::vector<int>{region.West, region.North, region.East, region.South}));
    EXPECT_TRUE(MapRegion::FindByName(L"SOUTH america", region));
    EXPECT_EQ(L"South America", region.Name);
    EXPECT_EQ(-65, region.South);

    // Whatever is not exactly a name of the table leaves the region as it was; the preview region
    // is not in the table.
    EXPECT_EQ(L"NA", MapRegion::GetPreviewRegion().Name);
    for (const std::wstring& name :
         {std::wstring(L"NA"), std::wstring(L""), std::wstring(L"Europe "), std::wstring(L"Eur"),
          std::wstring(L"Asia\0Pacific", 12), std::wstring(L"Asi\u0430")})
    {
        EXPECT_FALSE(MapRegion::FindByName(name, region));
        EXPECT_EQ(L"South America", region.Name);
        EXPECT_EQ(-110, region.West);
    }
}
} // namespace
