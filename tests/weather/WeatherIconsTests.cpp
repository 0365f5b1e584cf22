// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CWeatherIcons.h"

#include "platform/GdiPlus.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace
{
TEST(WeatherIcons, PicksByCodeSizeAndDaylight)
{
    TempFolder small;
    TempFolder large;
    TestFiles::WriteImage(small.File(L"Clear.png"), L"image/png", 10, 8);
    TestFiles::WriteImage(small.File(L"Night Clear.png"), L"image/png", 11, 8);
    TestFiles::WriteImage(small.File(L"NA.png"), L"image/png", 12, 8);
    TestFiles::WriteImage(large.File(L"Clear.png"), L"image/png", 20, 8);
    TestFiles::WriteImage(large.File(L"Thunderstorms.png"), L"image/png", 21, 8);
    // A file that is not an image at all must not pass for an icon.
    std::ofstream(std::filesystem::path(large.File(L"NA.png")), std::ios::binary) << "not a png";

    CWeatherIcons icons;
    icons.Load(small.Path(), large.Path());

    ASSERT_NE(nullptr, icons.GetSmall(true, Clear));
    EXPECT_EQ(10u, icons.GetSmall(true, Clear)->GetWidth());
    EXPECT_EQ(11u, icons.GetSmall(false, Clear)->GetWidth());
    EXPECT_EQ(10u, icons.GetSmall(false, Hot)->GetWidth()); // a hot night is drawn clear
    EXPECT_EQ(21u, icons.GetLarge(Tornado, false)->GetWidth());
    EXPECT_EQ(12u, icons.SmallNotAvailable()->GetWidth());
    EXPECT_EQ(nullptr, icons.LargeNotAvailable());

    EXPECT_EQ(nullptr, icons.GetSmall(true, Nullable<EnumWeatherCode>()));
    EXPECT_EQ(nullptr, icons.GetSmall(true, static_cast<EnumWeatherCode>(19)));
    EXPECT_EQ(nullptr, icons.GetLarge(static_cast<EnumWeatherCode>(-1), true));
    EXPECT_EQ(nullptr, icons.GetLarge(Rain, true)); // its file is missing

    // Each icon is read when first asked for, not by Load: the large ones cost nothing while only
    // the small ones are drawn.
    TestFiles::WriteImage(large.File(L"Snow.png"), L"image/png", 23, 8);
    ASSERT_NE(nullptr, icons.GetLarge(Snow, true));
    EXPECT_EQ(23u, icons.GetLarge(Snow, true)->GetWidth());

    icons.Free();
    EXPECT_EQ(nullptr, icons.GetSmall(true, Clear));
}
} // namespace
