// SPDX-License-Identifier: GPL-2.0-or-later
// The notification area icon's picture: the number, its colour, the warning mark and the icon made
// from it, read back pixel by pixel.
#include "ui/CTrayIconRenderer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
struct Pixels
{
    int Size = 0;
    std::vector<Gdiplus::ARGB> Argb;
    Gdiplus::Color At(int x, int y) const { return Gdiplus::Color(Argb[static_cast<size_t>(y * Size + x)]); }
};

Pixels Read(Gdiplus::Bitmap& image)
{
    Pixels pixels;
    pixels.Size = static_cast<int>(image.GetWidth());
    Gdiplus::Rect all(0, 0, pixels.Size, pixels.Size);
    Gdiplus::BitmapData data{};
    EXPECT_EQ(Gdiplus::Ok, image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data));
    for (int y = 0; y < pixels.Size; ++y)
    {
        const auto* row =
            reinterpret_cast<const Gdiplus::ARGB*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
        pixels.Argb.insert(pixels.Argb.end(), row, row + pixels.Size);
    }
    image.UnlockBits(&data);
    return pixels;
}

Pixels Render(int size, const CTrayIconRenderer::Content& content)
{
    const std::unique_ptr<Gdiplus::Bitmap> image = CTrayIconRenderer::Render(size, content);
    EXPECT_EQ(static_cast<UINT>(size), image->GetWidth());
    EXPECT_EQ(static_cast<UINT>(size), image->GetHeight());
    return Read(*image);
}

CTrayIconRenderer::Content Number(int value, bool lightTaskbar = false, bool warning = false)
{
    CTrayIconRenderer::Content content;
    content.Temperature = value;
    content.LightTaskbar = lightTaskbar;
    content.WarningMark = warning;
    return content;
}

// The box around the nearly opaque pixels, and their mean brightness.
struct Ink
{
    int Left = INT_MAX, Top = INT_MAX, Right = -1, Bottom = -1, Count = 0;
    double Brightness = 0.0;
};

Ink InkOf(const Pixels& pixels)
{
    Ink ink;
    for (int y = 0; y < pixels.Size; ++y)
    {
        for (int x = 0; x < pixels.Size; ++x)
        {
            const Gdiplus::Color color = pixels.At(x, y);
            if (color.GetA() < 200)
            {
                continue;
            }
            ink.Left = std::min(ink.Left, x);
            ink.Right = std::max(ink.Right, x);
            ink.Top = std::min(ink.Top, y);
            ink.Bottom = std::max(ink.Bottom, y);
            ++ink.Count;
            ink.Brightness += (color.GetR() + color.GetG() + color.GetB()) / 3.0;
        }
    }
    if (ink.Count > 0)
    {
        ink.Brightness /= ink.Count;
    }
    return ink;
}

bool IsWarningColour(const Gdiplus::Color& color)
{
    return color.GetA() > 200 && color.GetR() > 200 && color.GetG() > 120 && color.GetB() < 80;
}

int WarningPixels(const Pixels& pixels)
{
    int count = 0;
    for (Gdiplus::ARGB argb : pixels.Argb)
    {
        count += IsWarningColour(Gdiplus::Color(argb)) ? 1 : 0;
    }
    return count;
}
} // namespace

TEST(TrayIconPicture, TheNumberFillsTheIconInTheColourThatSuitsTheTaskbar)
{
    for (int size : {16, 20, 24, 32})
    {
        for (int value : {7, 66, 105, -12, -40})
        {
            SCOPED_TRACE(std::to_wstring(size) + L" px, " + std::to_wstring(value));
            const Pixels dark = Render(size, Number(value));
            const Ink ink = InkOf(dark);
            ASSERT_GT(ink.Count, 0) << "nothing drawn";
            // Tall enough to read, and the wider numbers, condensed, reach from edge to edge
            // rather than being cut.
            EXPECT_GE(ink.Bottom - ink.Top + 1, size * 60 / 100);
            // A clear pixel on either side: a number cut at the edge would reach it.
            EXPECT_EQ(0, dark.At(0, size / 2).GetA());
            EXPECT_GE(ink.Left, 1);
            EXPECT_LE(ink.Right, size - 2);
            if (value >= 100 || value <= -10)
            {
                EXPECT_LE(ink.Left, 2);
                EXPECT_GE(ink.Right, size - 3);
            }
            EXPECT_GT(ink.Brightness, 200.0) << "light digits on a dark taskbar";
            EXPECT_EQ(0, dark.At(0, 0).GetA()) << "the background stays transparent";
            EXPECT_EQ(0, dark.At(size - 1, size - 1).GetA());

            const Pixels light = Render(size, Number(value, true));
            EXPECT_LT(InkOf(light).Brightness, 55.0) << "dark digits on a light taskbar";
            EXPECT_EQ(0, WarningPixels(dark));
        }
    }
    // Different numbers make different pictures: the digits are really drawn.
    EXPECT_NE(Render(16, Number(12)).Argb, Render(16, Number(-12)).Argb);
    EXPECT_NE(Render(16, Number(66)).Argb, Render(16, Number(68)).Argb);
}

TEST(TrayIconPicture, WeatherIconWithoutTemperatureAndTheWarningMarkInTheCorner)
{
    Gdiplus::Bitmap weather(48, 48, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&weather);
        graphics.Clear(Gdiplus::Color(255, 0, 0, 255));
    }
    CTrayIconRenderer::Content content;
    content.WeatherIcon = &weather;
    const Pixels icon = Render(16, content);
    EXPECT_EQ(Gdiplus::Color(255, 0, 0, 255).GetValue(), icon.At(8, 8).GetValue())
        << "the weather icon, scaled";
    EXPECT_EQ(0, WarningPixels(icon));

    content.WarningMark = true;
    for (int size : {16, 32})
    {
        const Pixels marked = Render(size, content);
        // Beside the exclamation mark, in the triangle's lower half.
        const int x = size * 13 / 16;
        const int y = size * 13 / 32;
        EXPECT_TRUE(IsWarningColour(marked.At(x, y))) << size << " px: a mark at the top right";
        EXPECT_EQ(Gdiplus::Color(255, 0, 0, 255).GetValue(), marked.At(size / 4, size * 3 / 4).GetValue())
            << "the rest of the icon stays visible";
        const Pixels number = Render(size, Number(-12, false, true));
        EXPECT_TRUE(IsWarningColour(number.At(x, y)));
        EXPECT_GT(InkOf(number).Count, WarningPixels(number)) << "the digits are still there";
    }
}

TEST(TrayIconPicture, TheIconKeepsTheAlphaChannel)
{
    const std::unique_ptr<Gdiplus::Bitmap> image = CTrayIconRenderer::Render(16, Number(66));
    // An edge pixel half covered: its colour must stay as it is, not be multiplied by its alpha.
    image->SetPixel(0, 15, Gdiplus::Color(128, 255, 64, 0));
    const Pixels pixels = Read(*image);
    const IconHandle icon = CTrayIconRenderer::CreateIcon(*image);
    ASSERT_TRUE(icon);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    const BitmapHandle color(info.hbmColor);
    const BitmapHandle mask(info.hbmMask);
    ASSERT_TRUE(color);
    BITMAP bitmap{};
    GetObjectW(color.get(), sizeof bitmap, &bitmap);
    EXPECT_EQ(32, bitmap.bmBitsPixel);

    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = 16;
    request.bmiHeader.biHeight = -16;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    std::vector<Gdiplus::ARGB> bits(16 * 16);
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(16, GetDIBits(screen, color.get(), 0, 16, bits.data(), &request, DIB_RGB_COLORS));
    ReleaseDC(nullptr, screen);
    // Every pixel as drawn, alpha included: transparent around the digits, opaque on them.
    EXPECT_EQ(pixels.Argb, bits);
    EXPECT_EQ(0x80FF4000u, bits[15 * 16]);
}
