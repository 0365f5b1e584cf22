// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/CMapLayout.h"
#include "map/CWallpaperLayout.h"

#include "core/ArgumentOutOfRangeException.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
using Box = CMapLayout::Box;

// A 20 × 20 icon centred on (x, y) with a label of 30 × 10.
CMapLayout::City At(float x, float y, bool keep = false, float mark = 0.0f)
{
    CMapLayout::City city;
    city.Icon = Box{x - 10, y - 10, 20, 20};
    city.HasIcon = true;
    city.X = x;
    city.Y = y;
    city.LabelWidth = 30;
    city.LabelHeight = 10;
    city.KeepLabel = keep;
    city.MarkSide = mark;
    return city;
}

// Every drawn box against every other: icons, labels and marks.
void ExpectNoOverlap(const std::vector<CMapLayout::Placement>& placements)
{
    std::vector<Box> drawn;
    for (const CMapLayout::Placement& placement : placements)
    {
        for (const auto& [has, box] :
             {std::pair(placement.HasIcon, placement.Icon), std::pair(placement.HasLabel, placement.Label),
              std::pair(placement.HasMark, placement.Mark)})
        {
            if (has)
            {
                drawn.push_back(box);
            }
        }
    }
    for (std::size_t i = 0; i < drawn.size(); ++i)
    {
        for (std::size_t j = i + 1; j < drawn.size(); ++j)
        {
            EXPECT_FALSE(drawn[i].Overlaps(drawn[j]))
                << "box " << i << " at " << drawn[i].Left << "," << drawn[i].Top << " and box " << j << " at "
                << drawn[j].Left << "," << drawn[j].Top;
        }
    }
}

TEST(MapLayout, LabelsTakeTheFirstFreePlaceAroundTheirIconOrStayOut)
{
    const CMapLayout layout(Box{0, 0, 400, 300}, 2);

    // Alone: right of the icon, centred on it; at the right edge, left of it.
    auto placed = layout.Place({At(100, 100), At(390, 200)});
    ASSERT_TRUE(placed[0].HasLabel);
    EXPECT_EQ(112, placed[0].Label.Left);
    EXPECT_EQ(95, placed[0].Label.Top);
    ASSERT_TRUE(placed[1].HasLabel);
    EXPECT_EQ(390 - 10 - 2 - 30, placed[1].Label.Left);

    // A neighbour's icon on the right pushes the label left, and one on the left too pushes it
    // above; the neighbours' own labels then find what is left.
    placed = layout.Place({At(100, 100), At(150, 100), At(50, 100)});
    EXPECT_EQ(85, placed[0].Label.Left) << "above, centred";
    EXPECT_EQ(78, placed[0].Label.Top);
    ExpectNoOverlap(placed);

    // A city boxed in by icons on every side loses its label and keeps its icon; the home city
    // in the same spot keeps its label (first in the map: right of its icon) over a neighbour.
    std::vector<CMapLayout::City> crowd;
    for (float dx : {-40.0f, 0.0f, 40.0f})
    {
        for (float dy : {-25.0f, 0.0f, 25.0f})
        {
            crowd.push_back(At(200 + dx, 150 + dy));
        }
    }
    crowd[4].LabelWidth = 60; // the middle one: no position clears the ring
    placed = layout.Place(crowd);
    EXPECT_TRUE(placed[4].HasIcon);
    EXPECT_FALSE(placed[4].HasLabel);
    ExpectNoOverlap(placed);
    crowd[4].KeepLabel = true;
    placed = layout.Place(crowd);
    ASSERT_TRUE(placed[4].HasLabel);
    EXPECT_EQ(212, placed[4].Label.Left);

    // Off the map: no place for a label, and one that must be kept stays on the map.
    placed = layout.Place({At(-50, 100), At(395, 295, true)});
    EXPECT_FALSE(placed[0].HasLabel);
    ASSERT_TRUE(placed[1].HasLabel);
    EXPECT_TRUE((Box{0, 0, 400, 300}).Contains(placed[1].Label));
}

TEST(MapLayout, AnIconThatWouldCoverAnEarlierOneShrinksAboutItsCity)
{
    const CMapLayout layout(Box{0, 0, 400, 300}, 2);
    // 6 pixels into the first icon: at 40% (8 pixels wide) it clears it.
    const auto placed = layout.Place({At(100, 100), At(114, 100), At(200, 100), At(200, 100)});
    EXPECT_EQ(1.0f, placed[0].IconScale);
    EXPECT_NEAR(0.4f, placed[1].IconScale, 1e-5f);
    EXPECT_NEAR(110.0f, placed[1].Icon.Left, 1e-3f);
    EXPECT_NEAR(96.0f, placed[1].Icon.Top, 1e-3f);
    // On the very same spot it cannot clear: it stays at the smallest size, still drawn.
    EXPECT_TRUE(placed[3].HasIcon);
    EXPECT_NEAR(CMapLayout::kSmallestIcon, placed[3].IconScale, 1e-5f);
}

TEST(MapLayout, MarksAreReservedBesideTheirIconsBeforeTheLabels)
{
    const CMapLayout layout(Box{0, 0, 400, 300}, 2);
    auto placed = layout.Place({At(100, 100, false, 8), At(140, 100, false, 8), At(300, 100)});
    ASSERT_TRUE(placed[0].HasMark);
    EXPECT_EQ(112, placed[0].Mark.Left); // right, where the label would have gone
    EXPECT_EQ(96, placed[0].Mark.Top);
    ASSERT_TRUE(placed[0].HasLabel);
    EXPECT_EQ(58, placed[0].Label.Left); // left: the mark and the neighbour's icon hold the right
    EXPECT_FALSE(placed[2].HasMark);
    ASSERT_TRUE(placed[1].HasMark);
    ExpectNoOverlap(placed);

    // A dense field of icons that just clear each other: whatever is placed, nothing covers
    // anything else.
    std::vector<CMapLayout::City> field;
    for (int i = 0; i < 60; ++i)
    {
        field.push_back(At(static_cast<float>(12 + 24 * (i % 15) + (i * 7) % 4),
                           static_cast<float>(12 + 30 * (i / 15) + (i * 5) % 9), false,
                           i % 3 == 0 ? 6.0f : 0.0f));
    }
    ExpectNoOverlap(layout.Place(field));
}

TEST(WallpaperLayout, EachMonitorGetsItsPlaceInOnePictureFromTheVirtualOrigin)
{
    using Rect = CWallpaperLayout::Rect;
    // One monitor: its own size, at the picture's origin, not spanned.
    const CWallpaperLayout single({Rect{0, 0, 1280, 800}});
    EXPECT_FALSE(single.IsSpanned());
    EXPECT_EQ(1280, single.Width());
    EXPECT_EQ(800, single.Height());
    ASSERT_EQ(1u, single.Maps().size());
    EXPECT_EQ((Rect{0, 0, 1280, 800}), single.Maps()[0]);

    // Side by side, of different heights: the picture is as high as the higher.
    const CWallpaperLayout sideBySide({Rect{0, 0, 1920, 1080}, Rect{1920, 0, 1280, 1024}});
    EXPECT_TRUE(sideBySide.IsSpanned());
    EXPECT_EQ(3200, sideBySide.Width());
    EXPECT_EQ(1080, sideBySide.Height());
    EXPECT_EQ((Rect{1920, 0, 1280, 1024}), sideBySide.Maps()[1]);

    // A second monitor left of and above the primary: the origin moves to its corner.
    const CWallpaperLayout leftAbove({Rect{0, 0, 1920, 1080}, Rect{-1280, -300, 1280, 1024}});
    EXPECT_EQ(3200, leftAbove.Width());
    EXPECT_EQ(1380, leftAbove.Height());
    EXPECT_EQ((Rect{1280, 300, 1920, 1080}), leftAbove.Maps()[0]);
    EXPECT_EQ((Rect{0, 0, 1280, 1024}), leftAbove.Maps()[1]);

    // Mirrored and empty monitors add nothing; no monitors, no picture.
    const CWallpaperLayout mirrored({Rect{0, 0, 1920, 1080}, Rect{0, 0, 1920, 1080}, Rect{5, 5, 0, 100}});
    EXPECT_FALSE(mirrored.IsSpanned());
    EXPECT_EQ(0, CWallpaperLayout({}).Width());

    // A picture no bitmap could hold is refused.
    EXPECT_THROW(CWallpaperLayout({Rect{-2000000000, 0, 100, 100}, Rect{2000000000, 0, 100, 100}}),
                 ArgumentOutOfRangeException);
}
} // namespace
