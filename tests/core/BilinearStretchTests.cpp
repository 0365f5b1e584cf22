// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/CBilinearStretch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace
{
constexpr int kWidth = 6;
constexpr int kHeight = 4;

// Red grows by 20 a column, green by 40 a row: a bilinear sample of it is the same plane.
std::vector<std::uint8_t> Plane()
{
    std::vector<std::uint8_t> image;
    for (int y = 0; y < kHeight; ++y)
    {
        for (int x = 0; x < kWidth; ++x)
        {
            image.insert(image.end(),
                         {static_cast<std::uint8_t>(20 * x), static_cast<std::uint8_t>(40 * y), 7});
        }
    }
    return image;
}

std::vector<std::uint8_t> Stretch(const CBilinearStretch& stretch, int width, int height)
{
    const std::vector<std::uint8_t> image = Plane();
    std::vector<std::uint8_t> target(static_cast<std::size_t>(width * height * 3));
    for (int y = 0; y < height; ++y)
    {
        const CBilinearStretch::Rows& rows = stretch.Row(y);
        std::vector<std::uint16_t> line(kWidth * 3);
        stretch.BlendRows(&image[static_cast<std::size_t>(rows.Above * kWidth * 3)],
                          &image[static_cast<std::size_t>(rows.Below * kWidth * 3)], rows.Weight,
                          line.data());
        for (int x = 0; x < width; ++x)
        {
            stretch.Sample(line.data(), x, &target[static_cast<std::size_t>((y * width + x) * 3)]);
        }
    }
    return target;
}

TEST(BilinearStretch, SamplesBetweenPixelCentresAndHoldsTheImagesEdges)
{
    EXPECT_EQ(Plane(), Stretch(CBilinearStretch(kWidth, kHeight, 0, 0, kWidth, kHeight, kWidth, kHeight),
                               kWidth, kHeight));

    // Columns 1 to 4 and rows 1 and 2, twice as large: each target pixel's centre falls between
    // source centres, at a quarter or three quarters.
    const std::vector<std::uint8_t> part = Stretch(CBilinearStretch(kWidth, kHeight, 1, 1, 4, 2, 8, 4), 8, 4);
    for (int y = 0; y < 4; ++y)
    {
        for (int x = 0; x < 8; ++x)
        {
            const std::uint8_t* pixel = &part[static_cast<std::size_t>((y * 8 + x) * 3)];
            EXPECT_NEAR(20 * (0.75 + 0.5 * x), pixel[0], 0.51) << x << "," << y;
            EXPECT_NEAR(40 * (0.75 + 0.5 * y), pixel[1], 0.51) << x << "," << y;
            EXPECT_EQ(7, pixel[2]);
        }
    }

    // The whole image twice as large: the outer half pixels lie beyond the edge centres and
    // repeat the edge.
    const std::vector<std::uint8_t> whole =
        Stretch(CBilinearStretch(kWidth, kHeight, 0, 0, kWidth, kHeight, 12, 8), 12, 8);
    EXPECT_EQ(0, whole[0]);
    EXPECT_EQ(0, whole[1]);
    EXPECT_EQ(100, whole[(7 * 12 + 11) * 3]);
    EXPECT_EQ(120, whole[(7 * 12 + 11) * 3 + 1]);
    EXPECT_TRUE(CBilinearStretch(kWidth, kHeight, 0, 0, kWidth, kHeight, 0, 8).IsEmpty());
}
} // namespace
