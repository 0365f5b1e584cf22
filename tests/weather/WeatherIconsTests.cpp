#include "weather/CWeatherIcons.h"

#include "platform/GdiPlus.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace
{
// Saves a PNG of the given width so that each loaded icon can be told apart by its size.
void SavePng(const std::wstring& path, int width)
{
    CLSID png{};
    UINT count = 0;
    UINT size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, encoders);
    for (UINT i = 0; i < count; ++i)
    {
        if (std::wstring(encoders[i].MimeType) == L"image/png")
        {
            png = encoders[i].Clsid;
        }
    }
    Gdiplus::Bitmap bitmap(width, 8, PixelFormat32bppARGB);
    ASSERT_EQ(Gdiplus::Ok, bitmap.Save(path.c_str(), &png, nullptr));
}

TEST(WeatherIcons, PicksByCodeSizeAndDaylight)
{
    TempFolder small;
    TempFolder large;
    SavePng(small.File(L"Clear.png"), 10);
    SavePng(small.File(L"Night Clear.png"), 11);
    SavePng(small.File(L"NA.png"), 12);
    SavePng(large.File(L"Clear.png"), 20);
    SavePng(large.File(L"Thunderstorms.png"), 21);
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

    icons.Free();
    EXPECT_EQ(nullptr, icons.GetSmall(true, Clear));
}
} // namespace
