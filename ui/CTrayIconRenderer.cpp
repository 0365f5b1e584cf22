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
// The em size as a share of the icon: the digits as tall as the icon allows, down to the smallest
// that still reads at 16 pixels. Wide numbers are condensed first (tall narrow digits read better
// than short ones), and made smaller only where even the narrowest would not fit.
constexpr float kLargestEm = 0.95f;
constexpr float kSmallestEm = 0.6f;
constexpr float kNarrowest = 0.7f; // the most the digits are condensed, but for the smallest size

std::unique_ptr<Gdiplus::FontFamily> DigitFamily()
{
    // Segoe UI's digits are open and even; where it is missing the sans-serif stand-in serves.
    return Util::UsableFontFamily(L"Segoe UI");
}

// The outline of the text at the em size, its ink bounds in out.
std::unique_ptr<Gdiplus::GraphicsPath> TextPath(const std::wstring& text, const Gdiplus::FontFamily& family,
                                                float em, Gdiplus::RectF& bounds)
{
    auto path = std::make_unique<Gdiplus::GraphicsPath>();
    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    path->AddString(text.c_str(), static_cast<INT>(text.size()), &family, Gdiplus::FontStyleBold, em,
                    Gdiplus::PointF(0.0f, 0.0f), &format);
    path->GetBounds(&bounds);
    return path;
}

void DrawNumber(Gdiplus::Graphics& graphics, int size, int value, const Gdiplus::Color& color)
{
    const std::unique_ptr<Gdiplus::FontFamily> family = DigitFamily();
    if (!family)
    {
        return; // no font at all: the icon stays empty rather than failing
    }
    const std::wstring text = std::to_wstring(value);
    const float box = static_cast<float>(size);
    Gdiplus::RectF bounds;
    std::unique_ptr<Gdiplus::GraphicsPath> path;
    // Whole-pixel steps from the largest down, so each size is tried once.
    const float smallest = std::floor(box * kSmallestEm);
    for (float em = std::floor(box * kLargestEm); em >= smallest; em -= 1.0f)
    {
        path = TextPath(text, *family, em, bounds);
        if (bounds.Height <= box && bounds.Width * kNarrowest <= box)
        {
            break;
        }
    }
    if (!path || bounds.Width <= 0.0f || bounds.Height <= 0.0f)
    {
        return;
    }
    // At the smallest size the number is made to fit however narrow that makes it.
    const float condense = std::min(1.0f, box / bounds.Width);
    const float width = bounds.Width * condense;
    // Centred, on whole pixels, so that the digits' straight edges stay sharp.
    Gdiplus::Matrix place;
    place.Translate(std::round((box - width) / 2.0f), std::round((box - bounds.Height) / 2.0f));
    place.Scale(condense, 1.0f);
    place.Translate(-bounds.X, -bounds.Y);
    path->Transform(&place);
    Gdiplus::SolidBrush brush(color);
    graphics.FillPath(&brush, path.get());
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
