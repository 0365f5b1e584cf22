// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/MapSnapshot.h"

#include "core/Util.h"
#include "map/WeatherMap.h"
#include "tests/support/ExpectThrowAt.h"
#include "tests/support/TempFolder.h"
#include "weather/EnumWeatherCode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace
{
void WriteText(const std::wstring& path, const char* text)
{
    std::ofstream(std::filesystem::path(path), std::ios::binary) << text;
}

void WriteSolidImage(const std::wstring& path, int side, Gdiplus::Color color)
{
    Gdiplus::Bitmap bitmap(side, side, PixelFormat24bppRGB);
    {
        Gdiplus::Graphics graphics(&bitmap);
        graphics.Clear(color);
    }
    const CLSID encoder = UtilGraphics::GetEncoderBmp();
    ASSERT_EQ(Gdiplus::Ok, bitmap.Save(path.c_str(), &encoder, nullptr));
}

// The colour of the written map at one point, 0xAARRGGBB.
Gdiplus::ARGB PixelOf(const std::wstring& path, int x, int y)
{
    Gdiplus::Bitmap map(path.c_str());
    Gdiplus::Color color;
    map.GetPixel(x, y, &color);
    return color.GetValue();
}

TEST(MapSnapshot, DrawsTheSavedOptionsWithMadeUpOrGivenWeather)
{
    // A program folder with a black earth and magenta icons (cyan for a clear sky), and a user's folder with
    // one city at 0° north, 10° east: the middle of the default region at one pixel a degree.
    TempFolder program;
    CreateDirectoryW(program.File(L"EarthBackgrounds").c_str(), nullptr);
    CreateDirectoryW(program.File(L"SmallWeatherIcons").c_str(), nullptr);
    WriteSolidImage(program.File(L"EarthBackgrounds\\Blue Marble.jpg"), 36, Gdiplus::Color(0, 0, 0));
    for (int code = 0; code < WeatherCodeCount; ++code)
    {
        for (const bool isDay : {true, false})
        {
            WriteSolidImage(program.File(L"SmallWeatherIcons\\") + WeatherCodes::IconFileName(code, isDay),
                            20, Gdiplus::Color(255, 0, 255));
        }
    }
    for (const bool isDay : {true, false})
    {
        WriteSolidImage(program.File(L"SmallWeatherIcons\\") + WeatherCodes::IconFileName(Clear, isDay), 20,
                        Gdiplus::Color(0, 255, 255));
    }
    TempFolder user;
    WriteText(user.File(L"Options.txt"), "DispalyCityName=false\r\nDisplayCityTemprature=false\r\n");
    WriteText(user.File(L"Cities.txt"), "7;KXYZ;USA;Middle;;0.000000;10.000000\r\n");

    const std::wstring out = user.File(L"map.bmp");
    MapSnapshot::WriteMapFile(program.Path(), user.Path(), L"", out, 310, 170);
    {
        Gdiplus::Bitmap map(out.c_str());
        EXPECT_EQ(310u, map.GetWidth());
        EXPECT_EQ(170u, map.GetHeight());
        EXPECT_EQ(PixelFormat24bppRGB, map.GetPixelFormat());
    }
    EXPECT_EQ(0xFFFF00FFu, PixelOf(out, 155, 90));
    EXPECT_EQ(0xFF000000u, PixelOf(out, 100, 90));

    // A real observation from years ago is old weather, drawn as the last known: its own icon
    // (cyan for its clear sky), not one made up.
    WriteText(user.File(L"KXYZ.TXT"), "2001/01/01 00:00\nKXYZ 010000Z 00000KT 10SM CLR 20/10 A3000\n");
    WriteText(user.File(L"weather.txt"),
              ("\r\n  KXYZ   " + Util::ToNarrow(user.File(L"KXYZ.TXT")) + "  \r\n").c_str());
    MapSnapshot::WriteMapFile(program.Path(), user.Path(), user.File(L"weather.txt"), out, 310, 170);
    EXPECT_EQ(0xFF00FFFFu, PixelOf(out, 155, 90));

    WriteText(user.File(L"weather.txt"), "KXYZ\r\n");
    EXPECT_THROW_AT(
        MapSnapshot::WriteMapFile(program.Path(), user.Path(), user.File(L"weather.txt"), out, 310, 170),
        ApplicationException, "MapSnapshot::ReadWeatherFile (117)");
}
} // namespace
