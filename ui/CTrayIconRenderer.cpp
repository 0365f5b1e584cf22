// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CTrayIconRenderer.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "platform/UtilGraphics.h"
#include "platform/UtilWin32.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// The em size as a share of the icon: from larger than any font's digits could fit down to the
// smallest that still reads at 16 pixels; the digits' measured ink decides. Wide numbers are
// condensed first (tall narrow digits read better than short ones): two characters a little,
// three (105, -12) to half their width; smaller only where even that would not fit.
constexpr float kLargestEm = 1.4f;
constexpr float kSmallestEm = 0.6f;
constexpr float kNarrowestTwo = 0.7f;
constexpr float kNarrowestMore = 0.5f;

std::unique_ptr<Gdiplus::FontFamily> DigitFamily()
{
    // Segoe UI's digits are open and even; where it is missing the sans-serif stand-in serves.
    return Util::UsableFontFamily(L"Segoe UI");
}

// The text drawn alone at the em size, with the box around its ink in the image's pixels. Measured
// from the pixels themselves, so that what is placed is exactly what the font's rasteriser drew
// (hinted, grid-fitted), whatever its metrics say.
struct InkImage
{
    std::unique_ptr<Gdiplus::Bitmap> Image;
    Gdiplus::Rect Bounds;
};

InkImage DrawInk(const std::wstring& text, const Gdiplus::FontFamily& family, float em,
                 const Gdiplus::Color& color)
{
    InkImage ink;
    const int width = static_cast<int>(std::ceil(em * static_cast<float>(text.size() + 2)));
    const int height = static_cast<int>(std::ceil(em * 2.0f));
    ink.Image = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
    if (ink.Image->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    {
        Gdiplus::Graphics graphics(ink.Image.get());
        graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
        graphics.SetPageUnit(Gdiplus::UnitPixel);
        // Hinted: the font keeps the digits' stems on whole pixels, sharp at 16 pixels.
        graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
        const Gdiplus::Font font(&family, em, Gdiplus::FontStyleBold, Gdiplus::UnitPixel);
        Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
        Gdiplus::SolidBrush brush(color);
        graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), &font,
                            Gdiplus::PointF(em / 2.0f, em / 2.0f), &format, &brush);
    }
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (ink.Image->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    int left = width, top = height, right = -1, bottom = -1;
    for (int y = 0; y < height; ++y)
    {
        const auto* row = static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
        for (int x = 0; x < width; ++x)
        {
            if (row[x * 4 + 3] != 0)
            {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ink.Image->UnlockBits(&data);
    if (right >= 0)
    {
        ink.Bounds = Gdiplus::Rect(left, top, right - left + 1, bottom - top + 1);
    }
    return ink;
}

void DrawNumber(Gdiplus::Graphics& graphics, int size, int value, const Gdiplus::Color& color)
{
    const std::unique_ptr<Gdiplus::FontFamily> family = DigitFamily();
    if (!family)
    {
        return; // no font at all: the icon stays empty rather than failing
    }
    const std::wstring text = std::to_wstring(value);
    // A pixel clear on every side, so that neighbouring icons do not run into the digits.
    const int room = std::max(1, size - 2);
    const float narrowest = text.size() <= 2 ? kNarrowestTwo : kNarrowestMore;
    InkImage ink;
    // Whole-pixel steps from the largest down, so each size is tried once.
    const float largest = std::floor(static_cast<float>(size) * kLargestEm);
    const float smallest = std::floor(static_cast<float>(size) * kSmallestEm);
    for (float em = largest; em >= smallest; em -= 1.0f)
    {
        ink = DrawInk(text, *family, em, color);
        if (ink.Bounds.Height <= room &&
            static_cast<float>(ink.Bounds.Width) * narrowest <= static_cast<float>(room))
        {
            break;
        }
    }
    if (!ink.Image || ink.Bounds.Width <= 0 || ink.Bounds.Height <= 0)
    {
        return;
    }
    // Wider than the room, the number is condensed to fit: within the share allowed above, or at
    // the smallest size as far as it takes.
    const int width = std::min(ink.Bounds.Width, room);
    const int height = std::min(ink.Bounds.Height, room);
    const Gdiplus::Rect target((size - width) / 2, (size - height) / 2, width, height);
    // Copied pixel for pixel where it fits as drawn; only a condensed number is resampled.
    const bool exact = width == ink.Bounds.Width && height == ink.Bounds.Height;
    graphics.SetInterpolationMode(exact ? Gdiplus::InterpolationModeNearestNeighbor
                                        : Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    Gdiplus::ImageAttributes clamp;
    clamp.SetWrapMode(Gdiplus::WrapModeTileFlipXY); // no fringe from beyond the ink's edge
    graphics.DrawImage(ink.Image.get(), target, ink.Bounds.X, ink.Bounds.Y, ink.Bounds.Width,
                       ink.Bounds.Height, Gdiplus::UnitPixel, &clamp);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
}

void DrawWarningMark(Gdiplus::Graphics& graphics, int size)
{
    const float box = static_cast<float>(size);
    const float side = std::max(6.0f, std::round(box * 0.5f));
    const float gap = std::max(1.0f, std::round(box / 16.0f));
    const float left = box - side;
    auto triangle = [&](float grow)
    {
        auto path = std::make_unique<Gdiplus::GraphicsPath>();
        const Gdiplus::PointF points[] = {
            {left + side / 2.0f, -grow}, {box + grow, side + grow * 0.5f}, {left - grow, side + grow * 0.5f}};
        path->AddPolygon(points, 3);
        return path;
    };
    // A clear rim first, so that the mark stands apart from the digits under it.
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    Gdiplus::SolidBrush clear(Gdiplus::Color(0, 0, 0, 0));
    graphics.FillPath(&clear, triangle(gap).get());
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    Gdiplus::SolidBrush amber(CTrayIconRenderer::WarningColor);
    graphics.FillPath(&amber, triangle(0.0f).get());
    // The exclamation mark, where there is room for one.
    if (side >= 10.0f)
    {
        Gdiplus::SolidBrush dark(Gdiplus::Color(255, 0, 0, 0));
        const float stroke = std::max(1.0f, std::round(side / 8.0f));
        const float x = std::round(left + side / 2.0f - stroke / 2.0f);
        graphics.FillRectangle(&dark, x, std::round(side * 0.35f), stroke, std::round(side * 0.33f));
        graphics.FillRectangle(&dark, x, std::round(side * 0.75f), stroke, stroke);
    }
}
} // namespace

const Gdiplus::Color CTrayIconRenderer::WarningColor(255, 255, 185, 0);

Gdiplus::Color CTrayIconRenderer::TextColor(bool lightTaskbar)
{
    return lightTaskbar ? Gdiplus::Color(255, 0, 0, 0) : Gdiplus::Color(255, 255, 255, 255);
}

std::unique_ptr<Gdiplus::Bitmap> CTrayIconRenderer::Render(int size, const Content& content)
{
    if (size <= 0)
    {
        ThrowApplicationException(Here());
    }
    auto image = std::make_unique<Gdiplus::Bitmap>(size, size, PixelFormat32bppARGB);
    if (image->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    Gdiplus::Graphics graphics(image.get());
    graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
    graphics.SetPageUnit(Gdiplus::UnitPixel);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    if (content.Temperature.HasValue)
    {
        DrawNumber(graphics, size, content.Temperature.Value(), TextColor(content.LightTaskbar));
    }
    else if (content.WeatherIcon != nullptr)
    {
        const float box = static_cast<float>(size);
        UtilGraphics::FitImage(graphics, content.WeatherIcon,
                               UtilGraphics::FitImage(0.0f, 0.0f, box, box,
                                                      static_cast<float>(content.WeatherIcon->GetWidth()),
                                                      static_cast<float>(content.WeatherIcon->GetHeight())));
    }
    if (content.WarningMark)
    {
        DrawWarningMark(graphics, size);
    }
    return image;
}

IconHandle CTrayIconRenderer::CreateIcon(Gdiplus::Bitmap& image)
{
    const int width = static_cast<int>(image.GetWidth());
    const int height = static_cast<int>(image.GetHeight());
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (width <= 0 || height <= 0 ||
        image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    // GDI+'s ARGB lies in memory as a 32-bit DIB's BGRA does; icons take alpha unpremultiplied, as
    // GDI+ keeps it.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, as GDI+ rows are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle color(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    // The mask says which pixels are transparent for whoever ignores the alpha channel: rows of
    // whole 16-bit words.
    const int maskStride = (width + 15) / 16 * 2;
    std::vector<BYTE> mask(static_cast<size_t>(maskStride) * static_cast<size_t>(height), 0);
    if (color)
    {
        for (int y = 0; y < height; ++y)
        {
            const auto* source =
                static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
            std::memcpy(static_cast<BYTE*>(bits) + static_cast<size_t>(y) * width * 4, source,
                        static_cast<size_t>(width) * 4);
            for (int x = 0; x < width; ++x)
            {
                if (source[x * 4 + 3] == 0)
                {
                    mask[static_cast<size_t>(y) * maskStride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
                }
            }
        }
    }
    image.UnlockBits(&data);
    GdiFlush();
    const BitmapHandle maskBitmap(CreateBitmap(width, height, 1, 1, mask.data()));
    if (!color || !maskBitmap)
    {
        ThrowApplicationException(Here());
    }
    ICONINFO icon{};
    icon.fIcon = TRUE;
    icon.hbmMask = maskBitmap.get();
    icon.hbmColor = color.get();
    // The icon takes copies of both bitmaps; ours go when this returns.
    IconHandle result(CreateIconIndirect(&icon));
    if (!result)
    {
        ThrowApplicationException(Here());
    }
    return result;
}

bool CTrayIconRenderer::TaskbarUsesLightTheme()
{
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS status =
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                     L"SystemUsesLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return status == ERROR_SUCCESS && value != 0;
}

int CTrayIconRenderer::IconSize()
{
    const int size = GetSystemMetricsForDpi(SM_CXSMICON, GetDpiForSystem());
    return size > 0 ? size : GetSystemMetrics(SM_CXSMICON);
}
