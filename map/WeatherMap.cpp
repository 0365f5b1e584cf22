// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/WeatherMap.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/Util.h"
#include "data/COptions.h"
#include "data/MapRegion.h"
#include "map/CMapLayout.h"
#include "map/CStretchedBackground.h"
#include "map/UtilWallpaper.h"
#include "platform/Log.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace
{
// Pixel coordinates beyond this are off every surface. The bound keeps a point and the
// arithmetic around it (half an icon, the text boxes) exact in a float and within an int.
constexpr float kCoordinateLimit = 16777216.0f; // 2^24
// The largest icon side drawn, in pixels; a scale that gives more is no icon size.
constexpr double kMaxIconSide = 65536.0;
// Texts are laid out in boxes this wide around the point, without wrapping or clipping.
constexpr float kTextBox = 1000.0f;

constexpr wchar_t kBmpMimeType[] = L"image/bmp";

// Texts never wrap and are never clipped to their boxes.
class TextFormat : public Gdiplus::StringFormat
{
public:
    TextFormat(Gdiplus::StringAlignment alignment, Gdiplus::StringAlignment lineAlignment)
        : Gdiplus::StringFormat(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoClip)
    {
        SetAlignment(alignment);
        SetLineAlignment(lineAlignment);
    }
};

std::unique_ptr<TextFormat> g_labelFormat;
CLSID g_bmpEncoder{}; // all zero until looked up

// The format of the texts of a label, kept between drawings: each text starts at its box's left
// edge (and its margin), centred on the line's height.
const Gdiplus::StringFormat& LabelFormat()
{
    if (!g_labelFormat)
    {
        auto format =
            std::make_unique<TextFormat>(Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter);
        if (format->GetLastStatus() != Gdiplus::Ok)
        {
            ThrowApplicationException(Here());
        }
        g_labelFormat = std::move(format);
    }
    return *g_labelFormat;
}

// A coordinate as a whole pixel, truncated toward zero; false when it is not a number or lies
// beyond every surface, so that it is never converted.
bool TruncateToPixel(float value, int& pixel)
{
    if (!std::isfinite(value) || std::fabs(value) > kCoordinateLimit)
    {
        return false;
    }
    pixel = static_cast<int>(value);
    return true;
}

bool IsOnAnySurface(int pixel)
{
    return pixel >= -static_cast<int>(kCoordinateLimit) && pixel <= static_cast<int>(kCoordinateLimit);
}

// The nearest whole pixel, as GDI+ takes it for integer points; false as above.
bool RoundToPixel(float value, int& pixel)
{
    if (!std::isfinite(value) || std::fabs(value) > kCoordinateLimit)
    {
        return false;
    }
    pixel = static_cast<int>(std::floor(value + 0.5f));
    return true;
}

INT Length(const std::wstring& text)
{
    return static_cast<INT>(std::min<std::size_t>(text.size(), INT_MAX));
}

// Fonts and icons are sized for a map of 1280 × 800 pixels (96 dpi): a larger target draws them
// larger by as much as it is larger on its shorter side, so that a 4K wallpaper shows them as a
// 1280-pixel one does. Smaller targets (the map window, the preview) keep them as chosen, where
// a smaller text would no longer read.
constexpr float kDesignWidth = 1280.0f;
constexpr float kDesignHeight = 800.0f;

float TargetScale(int width, int height)
{
    const float scale =
        std::min(static_cast<float>(width) / kDesignWidth, static_cast<float>(height) / kDesignHeight);
    return std::isfinite(scale) && scale > 1.0f ? scale : 1.0f;
}

// The fonts of one drawing at the target's scale, and the width of the dark rim around each text
// that keeps it legible on any ground.
class Lettering
{
public:
    Lettering(const COptions& options, float scale)
        : Scale(scale), Halo(std::max(1.0f, std::round(scale))),
          m_name(Scaled(options.FontCityName.Get(), scale, m_scaledName)),
          m_temperature(Scaled(options.FontCityTemprature.Get(), scale, m_scaledTemperature))
    {
    }

    const Gdiplus::Font* Name() const { return m_name; }
    const Gdiplus::Font* Temperature() const { return m_temperature; }

    const float Scale;
    const float Halo;

private:
    static const Gdiplus::Font* Scaled(const Gdiplus::Font* font, float scale,
                                       std::unique_ptr<Gdiplus::Font>& scaled)
    {
        if (font == nullptr || scale == 1.0f)
        {
            return font;
        }
        Gdiplus::FontFamily family;
        if (font->GetFamily(&family) != Gdiplus::Ok)
        {
            return font;
        }
        scaled = std::make_unique<Gdiplus::Font>(&family, font->GetSize() * scale, font->GetStyle(),
                                                 font->GetUnit());
        return scaled->GetLastStatus() == Gdiplus::Ok ? scaled.get() : font;
    }

    std::unique_ptr<Gdiplus::Font> m_scaledName;
    std::unique_ptr<Gdiplus::Font> m_scaledTemperature;
    const Gdiplus::Font* m_name;
    const Gdiplus::Font* m_temperature;
};

// A text as GDI+ lays it out from the left of a box of 1000 × 1000 at the origin: the width and
// height of its characters, and the margin GDI+ leaves before them.
struct TextExtent
{
    float Width = 0.0f;
    float Height = 0.0f;
    float Margin = 0.0f;
};

TextExtent MeasureTextAnew(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font);

bool FamilyName(const Gdiplus::Font& font, std::wstring& name)
{
    Gdiplus::FontFamily family;
    wchar_t buffer[LF_FACESIZE] = {};
    if (font.GetFamily(&family) != Gdiplus::Ok || family.GetFamilyName(buffer) != Gdiplus::Ok)
    {
        return false;
    }
    name = buffer;
    return true;
}

// Measuring is a good part of an update's cost under Wine, and a map measures the same names (and
// mostly the same temperatures) every time: what was measured is kept, by everything the result
// depends on. User-interface thread only, like all drawing.
TextExtent MeasureText(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font)
{
    using Key = std::tuple<std::wstring, std::wstring, float, INT, int, float, float, int, int>;
    static std::map<Key, TextExtent> measured;
    std::wstring familyName;
    if (!FamilyName(font, familyName))
    {
        return MeasureTextAnew(graphics, text, font);
    }
    Key key{text,
            familyName,
            font.GetSize(),
            font.GetStyle(),
            static_cast<int>(font.GetUnit()),
            graphics.GetDpiX(),
            graphics.GetDpiY(),
            static_cast<int>(graphics.GetPageUnit()),
            static_cast<int>(graphics.GetTextRenderingHint())};
    const auto found = measured.find(key);
    if (found != measured.end())
    {
        return found->second;
    }
    const TextExtent extent = MeasureTextAnew(graphics, text, font);
    if (measured.size() >= 1024)
    {
        measured.clear(); // a bound, not a policy: maps need a few dozen
    }
    measured.emplace(std::move(key), extent);
    return extent;
}

TextExtent MeasureTextAnew(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font)
{
    TextFormat format(Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentNear);
    const Gdiplus::CharacterRange range(0, Length(text));
    format.SetMeasurableCharacterRanges(1, &range);
    Gdiplus::Region region;
    Gdiplus::RectF bounds;
    // A region that was not measured is infinite: its bounds are no text size.
    if (graphics.MeasureCharacterRanges(text.c_str(), Length(text), &font,
                                        Gdiplus::RectF(0.0f, 0.0f, kTextBox, kTextBox), &format, 1,
                                        &region) != Gdiplus::Ok ||
        region.GetBounds(&bounds, &graphics) != Gdiplus::Ok || !std::isfinite(bounds.Width) ||
        !std::isfinite(bounds.Height))
    {
        ThrowApplicationException(Here());
    }
    return TextExtent{bounds.Width, bounds.Height, std::clamp(bounds.X, 0.0f, kTextBox)};
}

// The part of an icon that shows: icons leave a transparent border of their own, which neither
// covers a neighbour nor needs to be kept clear of labels. In the icon's own pixels; the whole
// icon when its pixels cannot be read, nothing (width 0) when none shows.
Gdiplus::Rect VisiblePart(Gdiplus::Bitmap& icon)
{
    constexpr BYTE kFaintest = 64; // fainter edges (soft shadows) count as background
    const int width = static_cast<int>(icon.GetWidth());
    const int height = static_cast<int>(icon.GetHeight());
    const Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (icon.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    {
        return all;
    }
    int left = width;
    int top = height;
    int right = 0;
    int bottom = 0;
    for (int y = 0; y < height; ++y)
    {
        const BYTE* row = static_cast<const BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride;
        for (int x = 0; x < width; ++x)
        {
            if (row[x * 4 + 3] >= kFaintest)
            {
                left = std::min(left, x);
                right = std::max(right, x + 1);
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
        }
    }
    icon.UnlockBits(&data);
    return right > left ? Gdiplus::Rect(left, top, right - left, bottom - top) : Gdiplus::Rect(0, 0, 0, 0);
}

// What one city shows and how large each part is, worked out before anything is drawn.
struct CityLook
{
    int Px = 0;
    int Py = 0;
    Gdiplus::Bitmap* Icon = nullptr; // none drawn when null
    Gdiplus::Rect IconRect;          // the point itself without an icon
    CMapLayout::Box Visible;         // the part of IconRect the icon shows
    std::wstring Name;               // empty when not shown
    std::wstring Temperature;
    TextExtent NameExtent;
    TextExtent TemperatureExtent;
    bool Stale = false;    // the temperature is greyed
    float MarkSide = 0.0f; // the alert mark's, beside the icon; none when 0
    bool Placed = false;
    CMapLayout::Placement Placement;

    bool HasLabel() const { return !Name.empty() || !Temperature.empty(); }
    float LabelHeight() const { return std::max(NameExtent.Height, TemperatureExtent.Height); }
    // The name, then the temperature beyond the name's own margin: one line, no gap.
    float LabelWidth() const
    {
        return (Name.empty() ? 0.0f : NameExtent.Margin + NameExtent.Width) +
               (Temperature.empty() ? 0.0f : TemperatureExtent.Margin + TemperatureExtent.Width);
    }
};

// False when the point is too far off any surface to be seen.
bool LookAt(Gdiplus::Graphics& graphics, const City& city, const COptions& options,
            const Lettering& lettering, int px, int py, const UtilGraphics::WeatherIconSource& icons,
            DateTime utcNow, CityLook& look)
{
    if (!IsOnAnySurface(px) || !IsOnAnySurface(py))
    {
        return false;
    }
    look.Px = px;
    look.Py = py;
    look.IconRect = Gdiplus::Rect(px, py, 1, 1);
    look.Visible = CMapLayout::Box{static_cast<float>(px), static_cast<float>(py), 1.0f, 1.0f};
    const Gdiplus::Font* nameFont = lettering.Name();
    const Gdiplus::Font* temperatureFont = lettering.Temperature();
    // A text whose font is missing is not shown, as if it were empty.
    if (options.DispalyCityName && nameFont != nullptr)
    {
        look.Name = city.DisplayName();
    }

    // No weather: the name alone marks the place. Old weather is drawn, its temperature greyed,
    // until newer comes.
    const CCurrentWeather& weather = city.CurrentWeather;
    look.Stale = weather.IsStale(utcNow);
    if (weather.IsRecent(utcNow) || look.Stale)
    {
        // The icon is centred on the point.
        const bool isDay = city.IsDay(utcNow);
        Gdiplus::Bitmap* icon = icons ? icons(isDay, weather.WeatherCode) : nullptr;
        if (icon != nullptr)
        {
            const float iconScale = static_cast<float>(options.WeatherIconScale / 100.0) * lettering.Scale;
            const double width = static_cast<double>(icon->GetWidth()) * iconScale;
            const double height = static_cast<double>(icon->GetHeight()) * iconScale;
            // A scale the arithmetic cannot carry draws no icon rather than a wrapped-around one.
            if (iconScale > 0.0f && width <= kMaxIconSide && height <= kMaxIconSide && icon->GetWidth() > 0 &&
                icon->GetHeight() > 0)
            {
                const int w = static_cast<int>(width);
                const int h = static_cast<int>(height);
                look.Icon = icon;
                look.IconRect = Gdiplus::Rect(px - w / 2, py - h / 2, w, h);
                const Gdiplus::Rect part = VisiblePart(*icon);
                const float sx = static_cast<float>(w) / static_cast<float>(icon->GetWidth());
                const float sy = static_cast<float>(h) / static_cast<float>(icon->GetHeight());
                look.Visible = CMapLayout::Box{static_cast<float>(look.IconRect.X) + part.X * sx,
                                               static_cast<float>(look.IconRect.Y) + part.Y * sy,
                                               part.Width * sx, part.Height * sy};
            }
        }
        if (look.Icon != nullptr && UtilGraphics::HasAlertMark(city.Id))
        {
            look.MarkSide = std::max(8.0f * lettering.Scale, static_cast<float>(look.IconRect.Height) / 3.0f);
        }
        if (options.DisplayCityTemprature && temperatureFont != nullptr)
        {
            look.Temperature = weather.GetLastTempratureText(L"", options.UseMetricSystem);
        }
    }
    if (!look.Name.empty())
    {
        look.NameExtent = MeasureText(graphics, look.Name, *nameFont);
    }
    if (!look.Temperature.empty())
    {
        look.TemperatureExtent = MeasureText(graphics, look.Temperature, *temperatureFont);
    }
    return true;
}

// A dark rim for light text and a light one for dark text, so that the user's colour reads on
// ocean, ice, desert and night lights alike.
Gdiplus::Color HaloColor(ArgbColor text)
{
    const Gdiplus::Color color(text.Value);
    const int luma = (299 * color.GetR() + 587 * color.GetG() + 114 * color.GetB()) / 1000;
    return luma < 50 ? Gdiplus::Color(160, 255, 255, 255) : Gdiplus::Color(160, 0, 0, 0);
}

// The text with its rim, laid on the map in one step: the text is drawn once into a small
// transparent bitmap, the rim grown from its ink (every pixel takes the strongest ink within the
// rim's width) and put under it there. Drawing shifted copies of the text instead costs eight
// more texts for every one.
// The text over its rim in a transparent bitmap of width × height, the text's box placed at
// (boxX, boxY) in it. Null when the bitmap cannot be drawn.
std::unique_ptr<Gdiplus::Bitmap> MakeOutlinedText(Gdiplus::Graphics& graphics, const std::wstring& text,
                                                  const Gdiplus::Font& font, ArgbColor color, int rim,
                                                  float boxX, float boxY, const Gdiplus::RectF& box,
                                                  int width, int height, const Gdiplus::StringFormat& format)
{
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
    if (bitmap->GetLastStatus() != Gdiplus::Ok)
    {
        return nullptr;
    }
    Gdiplus::Bitmap& ink = *bitmap;
    ink.SetResolution(graphics.GetDpiX(), graphics.GetDpiY()); // the fonts' points as the map's
    {
        Gdiplus::Graphics inside(&ink);
        inside.SetPageUnit(Gdiplus::UnitPixel);
        inside.SetTextRenderingHint(graphics.GetTextRenderingHint());
        inside.Clear(Gdiplus::Color(0, 0, 0, 0));
        const Gdiplus::SolidBrush brush(Gdiplus::Color(color.Value));
        inside.DrawString(text.c_str(), Length(text), &font,
                          Gdiplus::RectF(boxX, boxY, box.Width, box.Height), &format, &brush);
    }

    const Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (ink.LockBits(&all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB,
                     &data) != Gdiplus::Ok)
    {
        return nullptr;
    }
    const auto pixel = [&](int x, int y)
    { return static_cast<BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride + x * 4; };
    // The strongest ink within the rim's width, across and then down.
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::vector<BYTE> across(count);
    std::vector<BYTE> grown(count);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            BYTE strongest = 0;
            for (int dx = std::max(0, x - rim); dx <= std::min(width - 1, x + rim); ++dx)
            {
                strongest = std::max(strongest, pixel(dx, y)[3]);
            }
            across[static_cast<std::size_t>(y) * width + x] = strongest;
        }
    }
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            BYTE strongest = 0;
            for (int dy = std::max(0, y - rim); dy <= std::min(height - 1, y + rim); ++dy)
            {
                strongest = std::max(strongest, across[static_cast<std::size_t>(dy) * width + x]);
            }
            grown[static_cast<std::size_t>(y) * width + x] = strongest;
        }
    }
    // The text over its rim, as straight (not premultiplied) colour.
    const Gdiplus::Color shade = HaloColor(color);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            BYTE* p = pixel(x, y);
            const int textAlpha = p[3];
            const int rimAlpha = grown[static_cast<std::size_t>(y) * width + x] * shade.GetA() / 255;
            const int under = rimAlpha * (255 - textAlpha) / 255;
            const int alpha = textAlpha + under;
            if (alpha == 0)
            {
                continue;
            }
            const BYTE rimColour[3] = {shade.GetB(), shade.GetG(), shade.GetR()};
            for (int c = 0; c < 3; ++c)
            {
                p[c] = static_cast<BYTE>((p[c] * textAlpha + rimColour[c] * under) / alpha);
            }
            p[3] = static_cast<BYTE>(alpha);
        }
    }
    ink.UnlockBits(&data);
    return bitmap;
}

// The text with its rim, laid on the map. A map draws the same names (and mostly the same
// temperatures) at the same places every time, and drawing a text is a good part of an update's
// cost under Wine: what was drawn is kept, by everything its pixels depend on. User-interface
// thread only, like all drawing.
void DrawOutlinedText(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font,
                      ArgbColor color, float halo, const Gdiplus::RectF& box, float inkWidth,
                      const Gdiplus::StringFormat& format)
{
    const int rim = static_cast<int>(halo);
    const int pad = rim + 2; // and the glyphs' overhang
    const int originX = static_cast<int>(std::floor(box.X)) - pad;
    const int originY = static_cast<int>(std::floor(box.Y)) - pad;
    const int width = static_cast<int>(std::ceil(inkWidth)) + 2 * pad + 2;
    const int height = static_cast<int>(std::ceil(box.Height)) + 2 * pad + 2;
    if (width <= 0 || height <= 0 || width > kMaxIconSide || height > kMaxIconSide)
    {
        return;
    }
    const float boxX = box.X - static_cast<float>(originX);
    const float boxY = box.Y - static_cast<float>(originY);
    // Kept as bare pixels, not as GDI+ bitmaps, which must not outlive GDI+ itself.
    struct Ink
    {
        int Stride = 0;
        std::vector<BYTE> Pixels;
    };
    using Key = std::tuple<std::wstring, std::wstring, float, INT, int, std::uint32_t, int, float, float,
                           float, float, int, int, float, float, int, const Gdiplus::StringFormat*>;
    static std::map<Key, Ink> drawn;
    std::wstring familyName;
    if (!FamilyName(font, familyName))
    {
        const auto once =
            MakeOutlinedText(graphics, text, font, color, rim, boxX, boxY, box, width, height, format);
        if (once != nullptr)
        {
            graphics.DrawImage(once.get(), Gdiplus::Rect(originX, originY, width, height), 0, 0, width,
                               height, Gdiplus::UnitPixel);
        }
        return;
    }
    Key key{text,
            familyName,
            font.GetSize(),
            font.GetStyle(),
            static_cast<int>(font.GetUnit()),
            color.Value,
            rim,
            boxX,
            boxY,
            box.Width,
            box.Height,
            width,
            height,
            graphics.GetDpiX(),
            graphics.GetDpiY(),
            static_cast<int>(graphics.GetTextRenderingHint()),
            &format};
    auto found = drawn.find(key);
    if (found == drawn.end())
    {
        const auto made =
            MakeOutlinedText(graphics, text, font, color, rim, boxX, boxY, box, width, height, format);
        if (made == nullptr)
        {
            return;
        }
        const Gdiplus::Rect all(0, 0, width, height);
        Gdiplus::BitmapData data{};
        if (made->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        {
            return;
        }
        Ink ink;
        ink.Stride = width * 4;
        ink.Pixels.resize(static_cast<std::size_t>(ink.Stride) * height);
        for (int y = 0; y < height; ++y)
        {
            std::memcpy(ink.Pixels.data() + static_cast<std::ptrdiff_t>(y) * ink.Stride,
                        static_cast<const BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride,
                        static_cast<std::size_t>(ink.Stride));
        }
        made->UnlockBits(&data);
        if (drawn.size() >= 128)
        {
            drawn.clear(); // a bound, not a policy: a map draws a few dozen texts
        }
        found = drawn.emplace(std::move(key), std::move(ink)).first;
    }
    Gdiplus::Bitmap view(width, height, found->second.Stride, PixelFormat32bppARGB,
                         found->second.Pixels.data());
    view.SetResolution(graphics.GetDpiX(), graphics.GetDpiY());
    graphics.DrawImage(&view, Gdiplus::Rect(originX, originY, width, height), 0, 0, width, height,
                       Gdiplus::UnitPixel);
}

// The label in the box the layout gave it: inside the rim, the name, and the temperature from
// where the name's characters end, both centred on the line's height.
void DrawLabel(Gdiplus::Graphics& graphics, const CityLook& look, const COptions& options,
               const Lettering& lettering, const CMapLayout::Box& box, bool drawName, bool drawTemperature)
{
    const float left = box.Left + lettering.Halo;
    const float top = box.Top + lettering.Halo;
    const float line = look.LabelHeight();
    if (drawName && !look.Name.empty())
    {
        DrawOutlinedText(graphics, look.Name, *lettering.Name(), options.ColorCityName, lettering.Halo,
                         Gdiplus::RectF(left, top, kTextBox, line),
                         look.NameExtent.Margin + look.NameExtent.Width, LabelFormat());
    }
    if (drawTemperature && !look.Temperature.empty())
    {
        const float start = look.Name.empty() ? left : left + look.NameExtent.Margin + look.NameExtent.Width;
        const ArgbColor colour =
            look.Stale ? options.ColorCityTemprature.Greyed() : options.ColorCityTemprature;
        DrawOutlinedText(graphics, look.Temperature, *lettering.Temperature(), colour, lettering.Halo,
                         Gdiplus::RectF(start, top, kTextBox, line),
                         look.TemperatureExtent.Margin + look.TemperatureExtent.Width, LabelFormat());
    }
}

// The icon centred on its city, smaller when the layout shrank it to clear another.
void DrawIcon(Gdiplus::Graphics& graphics, const CityLook& look)
{
    const float scale = look.Placement.IconScale;
    if (scale == 1.0f)
    {
        graphics.DrawImage(look.Icon, look.IconRect);
        return;
    }
    const float x = static_cast<float>(look.Px);
    const float y = static_cast<float>(look.Py);
    graphics.DrawImage(look.Icon, Gdiplus::RectF(x + (static_cast<float>(look.IconRect.X) - x) * scale,
                                                 y + (static_cast<float>(look.IconRect.Y) - y) * scale,
                                                 static_cast<float>(look.IconRect.Width) * scale,
                                                 static_cast<float>(look.IconRect.Height) * scale));
}

CMapLayout::City LayoutEntry(const CityLook& look, const Lettering& lettering, bool keepLabel)
{
    CMapLayout::City entry;
    entry.X = static_cast<float>(look.Px);
    entry.Y = static_cast<float>(look.Py);
    entry.Icon = look.Visible;
    // An icon of which nothing shows is in nobody's way, but its label still sits around it.
    entry.HasIcon = look.Icon != nullptr && look.Visible.Width > 0.0f && look.Visible.Height > 0.0f;
    if (look.Icon != nullptr && !entry.HasIcon)
    {
        entry.Icon = CMapLayout::Box{static_cast<float>(look.IconRect.X), static_cast<float>(look.IconRect.Y),
                                     static_cast<float>(look.IconRect.Width),
                                     static_cast<float>(look.IconRect.Height)};
    }
    if (look.HasLabel())
    {
        entry.LabelWidth = look.LabelWidth() + 2 * lettering.Halo;
        entry.LabelHeight = look.LabelHeight() + 2 * lettering.Halo;
    }
    entry.KeepLabel = keepLabel;
    entry.MarkSide = look.MarkSide;
    return entry;
}

// Every city in priority order (the home city first, then the favourites in list order), looked
// at and laid out for the rectangle. A city that cannot be looked at is left out; the rest are
// still laid out.
std::vector<CityLook> LayOut(Gdiplus::Graphics& graphics, int x, int y, int width, int height,
                             const COptions& options, const Lettering& lettering,
                             const UtilGraphics::WeatherIconSource& icons, DateTime utcNow)
{
    const MapRegion& region = options.Region;
    Gdiplus::Matrix matrix;
    UtilGraphics::SetRectangleMapping(
        matrix, static_cast<float>(region.West), static_cast<float>(region.North),
        static_cast<float>(region.East), static_cast<float>(region.South), static_cast<float>(x),
        static_cast<float>(y), static_cast<float>(x) + static_cast<float>(width),
        static_cast<float>(y) + static_cast<float>(height));

    std::vector<const City*> cities;
    if (!options.HomeCity.IsNull())
    {
        cities.push_back(options.HomeCity.Get());
    }
    if (!options.Cities.IsNull())
    {
        for (const City& city : *options.Cities)
        {
            cities.push_back(&city);
        }
    }

    std::vector<CityLook> looks(cities.size());
    std::vector<CMapLayout::City> entries;
    std::vector<std::size_t> entryOf;
    for (std::size_t i = 0; i < cities.size(); ++i)
    {
        try
        {
            const City& city = *cities[i];
            Gdiplus::PointF point(city.Longitude, city.Latitude);
            int px = 0;
            int py = 0;
            if (matrix.TransformPoints(&point, 1) != Gdiplus::Ok || !TruncateToPixel(point.X, px) ||
                !TruncateToPixel(point.Y, py) ||
                !LookAt(graphics, city, options, lettering, px, py, icons, utcNow, looks[i]))
            {
                continue;
            }
            const bool isHome = !options.HomeCity.IsNull() && i == 0;
            entries.push_back(LayoutEntry(looks[i], lettering, isHome));
            entryOf.push_back(i);
        }
        catch (...)
        {
            looks[i] = CityLook();
            Log::Exception(L"UtilGraphics::DrawWeatherMap");
        }
    }

    const CMapLayout layout(CMapLayout::Box{static_cast<float>(x), static_cast<float>(y),
                                            static_cast<float>(width), static_cast<float>(height)},
                            0.0f);
    const std::vector<CMapLayout::Placement> placements = layout.Place(entries);
    for (std::size_t n = 0; n < placements.size(); ++n)
    {
        looks[entryOf[n]].Placed = true;
        looks[entryOf[n]].Placement = placements[n];
    }
    return looks;
}

// The pixels of the whole of from into the area of to, which has from's size: a copy of rows, not
// a drawing, so no resampling and no blending, the very same bytes.
void CopyPixels(Gdiplus::Bitmap& from, Gdiplus::Bitmap& to, const Gdiplus::Rect& area)
{
    const Gdiplus::Rect all(0, 0, area.Width, area.Height);
    Gdiplus::BitmapData source{};
    Gdiplus::BitmapData target{};
    if (from.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &source) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    if (to.LockBits(&area, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB, &target) != Gdiplus::Ok)
    {
        from.UnlockBits(&source);
        ThrowApplicationException(Here());
    }
    const std::size_t row = static_cast<std::size_t>(area.Width) * 3;
    for (int y = 0; y < area.Height; ++y)
    {
        std::memcpy(static_cast<BYTE*>(target.Scan0) + static_cast<std::ptrdiff_t>(y) * target.Stride,
                    static_cast<const BYTE*>(source.Scan0) + static_cast<std::ptrdiff_t>(y) * source.Stride,
                    row);
    }
    to.UnlockBits(&target);
    from.UnlockBits(&source);
}

CPtr<Gdiplus::Bitmap> NewBlackBitmap(int width, int height)
{
    CPtr<Gdiplus::Bitmap> bitmap = UtilGraphics::NewMapBitmap(width, height);
    Gdiplus::Graphics graphics(bitmap.Get());
    if (graphics.GetLastStatus() != Gdiplus::Ok || graphics.Clear(Gdiplus::Color(0, 0, 0)) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    return bitmap;
}

// The map of the area's size over its kept background, into the area of the target; nothing of it
// is drawn outside the area.
void ComposeInto(CStretchedBackground& kept, Gdiplus::Bitmap& target, const Gdiplus::Rect& area,
                 COptions& options, const UtilGraphics::WeatherIconSource& icons, DateTime utcNow)
{
    const Nullable<DateTime> shadeAt = CStretchedBackground::ShadeAt(options, utcNow);
    if (area.X == 0 && area.Y == 0 && area.Width == static_cast<INT>(target.GetWidth()) &&
        area.Height == static_cast<INT>(target.GetHeight()))
    {
        // The whole target: a parked background goes straight from its file into it.
        kept.CopyInto(options.Region, options.Background, target, shadeAt);
    }
    else
    {
        CopyPixels(kept.Prepare(options.Region, options.Background, area.Width, area.Height, shadeAt), target,
                   area);
    }
    Gdiplus::Graphics graphics(&target);
    if (graphics.GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    graphics.SetPageUnit(Gdiplus::UnitPixel);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    graphics.SetClip(area);
    UtilGraphics::DrawCities(graphics, area.X, area.Y, area.Width, area.Height, options, icons, utcNow);
}
} // namespace

namespace UtilGraphics
{
CPtr<Gdiplus::Bitmap> GenerateNimbrelWallpaper(COptions& options, const WeatherIconSource& icons)
{
    RECT desktop;
    if (!GetWindowRect(GetDesktopWindow(), &desktop))
    {
        ThrowApplicationException(Here());
    }
    return GenerateNimbrelWallpaper(desktop.right - desktop.left, desktop.bottom - desktop.top, options,
                                    icons, DateTime::UtcNow());
}

CPtr<Gdiplus::Bitmap> GenerateNimbrelWallpaper(CStretchedBackground& kept, COptions& options,
                                               const WeatherIconSource& icons)
{
    RECT desktop;
    if (!GetWindowRect(GetDesktopWindow(), &desktop))
    {
        ThrowApplicationException(Here());
    }
    return ComposeWeatherMap(kept, desktop.right - desktop.left, desktop.bottom - desktop.top, options, icons,
                             DateTime::UtcNow());
}

CPtr<Gdiplus::Bitmap> NewMapBitmap(int width, int height)
{
    CPtr<Gdiplus::Bitmap> bitmap(new Gdiplus::Bitmap(width, height, PixelFormat24bppRGB));
    if (bitmap->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    return bitmap;
}

CPtr<Gdiplus::Bitmap> GenerateNimbrelWallpaper(int width, int height, COptions& options,
                                               const WeatherIconSource& icons, DateTime utcNow)
{
    CPtr<Gdiplus::Bitmap> bitmap = NewMapBitmap(width, height);
    // DrawWeatherMap's steps, with the night blended into this very bitmap: no second picture of
    // its size, no copy.
    {
        Gdiplus::Graphics graphics(bitmap.Get());
        if (graphics.GetLastStatus() != Gdiplus::Ok)
        {
            ThrowApplicationException(Here());
        }
        graphics.SetPageUnit(Gdiplus::UnitPixel);
        DrawBackground(options.Region, options.Background, graphics, 0, 0, width, height);
    }
    CStretchedBackground::Shade(*bitmap, options.Region, options.Background,
                                CStretchedBackground::ShadeAt(options, utcNow));
    Gdiplus::Graphics graphics(bitmap.Get());
    if (graphics.GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    graphics.SetPageUnit(Gdiplus::UnitPixel);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    DrawCities(graphics, 0, 0, width, height, options, icons, utcNow);
    return bitmap;
}

CPtr<Gdiplus::Bitmap> ComposeWeatherMap(CStretchedBackground& kept, int width, int height, COptions& options,
                                        const WeatherIconSource& icons, DateTime utcNow)
{
    CPtr<Gdiplus::Bitmap> bitmap = NewMapBitmap(width, height);
    ComposeWeatherMap(kept, *bitmap, options, icons, utcNow);
    return bitmap;
}

void ComposeWeatherMap(CStretchedBackground& kept, Gdiplus::Bitmap& target, COptions& options,
                       const WeatherIconSource& icons, DateTime utcNow)
{
    ComposeInto(
        kept, target,
        Gdiplus::Rect(0, 0, static_cast<INT>(target.GetWidth()), static_cast<INT>(target.GetHeight())),
        options, icons, utcNow);
}

CWallpaperLayout DesktopLayout()
{
    std::vector<CWallpaperLayout::Rect> monitors;
    const auto collect = [](HMONITOR, HDC, LPRECT rect, LPARAM data) -> BOOL
    {
        reinterpret_cast<std::vector<CWallpaperLayout::Rect>*>(data)->push_back(CWallpaperLayout::Rect{
            rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top});
        return TRUE;
    };
    EnumDisplayMonitors(nullptr, nullptr, collect, reinterpret_cast<LPARAM>(&monitors));
    return CWallpaperLayout(monitors);
}

CPtr<Gdiplus::Bitmap> GenerateSpannedWallpaper(const CWallpaperLayout& layout, COptions& options,
                                               const WeatherIconSource& icons, DateTime utcNow)
{
    CPtr<Gdiplus::Bitmap> picture = NewBlackBitmap(layout.Width(), layout.Height());
    for (const CWallpaperLayout::Rect& place : layout.Maps())
    {
        const CPtr<Gdiplus::Bitmap> map =
            GenerateNimbrelWallpaper(place.Width, place.Height, options, icons, utcNow);
        CopyPixels(*map, *picture, Gdiplus::Rect(place.Left, place.Top, place.Width, place.Height));
    }
    return picture;
}

CPtr<Gdiplus::Bitmap> ComposeSpannedWallpaper(const CWallpaperLayout& layout,
                                              const KeptBackgroundOfSize& keptOfSize, COptions& options,
                                              const WeatherIconSource& icons, DateTime utcNow)
{
    CPtr<Gdiplus::Bitmap> picture = NewBlackBitmap(layout.Width(), layout.Height());
    for (const CWallpaperLayout::Rect& place : layout.Maps())
    {
        ComposeInto(keptOfSize(place.Width, place.Height), *picture,
                    Gdiplus::Rect(place.Left, place.Top, place.Width, place.Height), options, icons, utcNow);
    }
    return picture;
}

void DrawWeatherMap(Gdiplus::Graphics& graphics, int x, int y, int width, int height, COptions& options,
                    const WeatherIconSource& icons, DateTime utcNow)
{
    graphics.SetPageUnit(Gdiplus::UnitPixel);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);

    CStretchedBackground::Draw(graphics, x, y, width, height, options.Region, options.Background,
                               CStretchedBackground::ShadeAt(options, utcNow));
    DrawCities(graphics, x, y, width, height, options, icons, utcNow);
}

void DrawCities(Gdiplus::Graphics& graphics, int x, int y, int width, int height, const COptions& options,
                const WeatherIconSource& icons, DateTime utcNow)
{
    const Lettering lettering(options, TargetScale(width, height));
    const std::vector<CityLook> looks =
        LayOut(graphics, x, y, width, height, options, lettering, icons, utcNow);
    // Icons first, the favourites in list order and the home city last, on top where icons meet;
    // then the labels, which the layout keeps clear of every icon.
    const std::size_t first = options.HomeCity.IsNull() ? 0 : 1;
    for (std::size_t n = 0; n < looks.size(); ++n)
    {
        const CityLook& look = looks[(n + first) % looks.size()];
        if (look.Placed && look.Icon != nullptr)
        {
            DrawIcon(graphics, look);
        }
    }
    for (const CityLook& look : looks)
    {
        try
        {
            if (look.Placed && look.Placement.HasMark)
            {
                const CMapLayout::Box& mark = look.Placement.Mark;
                DrawAlertMark(graphics, mark.Left, mark.Bottom(), mark.Width);
            }
            if (look.Placed && look.Placement.HasLabel)
            {
                DrawLabel(graphics, look, options, lettering, look.Placement.Label, true, true);
            }
        }
        catch (...)
        {
            Log::Exception(L"UtilGraphics::DrawWeatherMap");
        }
    }
}

std::vector<CMapLayout::Placement> LayOutCities(Gdiplus::Graphics& graphics, int x, int y, int width,
                                                int height, const COptions& options,
                                                const WeatherIconSource& icons, DateTime utcNow)
{
    const Lettering lettering(options, TargetScale(width, height));
    std::vector<CMapLayout::Placement> placements;
    for (const CityLook& look : LayOut(graphics, x, y, width, height, options, lettering, icons, utcNow))
    {
        placements.push_back(look.Placed ? look.Placement : CMapLayout::Placement());
    }
    return placements;
}

bool GetBackgroundPart(const MapRegion& region, UINT imageWidth, UINT imageHeight, Gdiplus::Rect& part)
{
    // The image holds the whole earth: longitude -180 to 180 across, latitude 90 to -90 down.
    Gdiplus::Matrix earth;
    SetRectangleMapping(earth, -180.0f, 90.0f, 180.0f, -90.0f, 0.0f, 0.0f, static_cast<float>(imageWidth),
                        static_cast<float>(imageHeight));
    Gdiplus::PointF corners[2] = {
        Gdiplus::PointF(static_cast<float>(region.West), static_cast<float>(region.North)),
        Gdiplus::PointF(static_cast<float>(region.East), static_cast<float>(region.South)),
    };
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    if (earth.TransformPoints(corners, 2) != Gdiplus::Ok || !RoundToPixel(corners[0].X, left) ||
        !RoundToPixel(corners[0].Y, top) || !RoundToPixel(corners[1].X, right) ||
        !RoundToPixel(corners[1].Y, bottom))
    {
        return false;
    }
    part = Gdiplus::Rect(left, top, right - left, bottom - top);
    return true;
}

void DrawBackground(const MapRegion& region, EarthBackground& background, Gdiplus::Graphics& graphics, int x,
                    int y, int width, int height)
{
    Gdiplus::Bitmap& image = background.GetImage();
    const UINT imageWidth = image.GetWidth();
    const UINT imageHeight = image.GetHeight();
    if (imageWidth == 0 || imageHeight == 0)
    {
        return; // the file could not be read
    }
    Gdiplus::Rect part;
    if (!GetBackgroundPart(region, imageWidth, imageHeight, part))
    {
        return;
    }
    graphics.DrawImage(&image, Gdiplus::Rect(x, y, width, height), part.X, part.Y, part.Width, part.Height,
                       Gdiplus::UnitPixel, nullptr);
}

void DrawCity(Gdiplus::Graphics& graphics, const City& city, const COptions& options, bool drawName,
              bool drawTemperature, bool drawIcon, int px, int py, const WeatherIconSource& icons,
              DateTime utcNow)
{
    const Lettering lettering(options, 1.0f);
    CityLook look;
    if (!LookAt(graphics, city, options, lettering, px, py, icons, utcNow, look))
    {
        return;
    }
    if (drawIcon && look.Icon != nullptr)
    {
        graphics.DrawImage(look.Icon, look.IconRect);
    }
    // Alone, with the whole surface its own: the label goes where a map puts it when nothing is
    // in the way.
    const CMapLayout layout(
        CMapLayout::Box{-kCoordinateLimit, -kCoordinateLimit, 2 * kCoordinateLimit, 2 * kCoordinateLimit},
        0.0f);
    const CMapLayout::City entry = LayoutEntry(look, lettering, true);
    if ((drawName || drawTemperature) && look.HasLabel())
    {
        DrawLabel(graphics, look, options, lettering, layout.Place({entry})[0].Label, drawName,
                  drawTemperature);
    }
}

namespace
{
std::vector<int>& AlertCities()
{
    static std::vector<int> ids;
    return ids;
}
} // namespace

void SetAlertCities(std::vector<int> cityIds)
{
    AlertCities() = std::move(cityIds);
}

bool HasAlertMark(int cityId)
{
    const std::vector<int>& ids = AlertCities();
    return std::find(ids.begin(), ids.end(), cityId) != ids.end();
}

void DrawAlertMark(Gdiplus::Graphics& graphics, float left, float bottom, float size)
{
    const Gdiplus::PointF corners[] = {Gdiplus::PointF(left, bottom), Gdiplus::PointF(left + size, bottom),
                                       Gdiplus::PointF(left + size / 2, bottom - size)};
    const Gdiplus::SolidBrush fill(Gdiplus::Color(255, 255, 190, 0));
    const Gdiplus::Pen edge(Gdiplus::Color(255, 90, 40, 0), std::max(1.0f, size / 10.0f));
    graphics.FillPolygon(&fill, corners, 3);
    graphics.DrawPolygon(&edge, corners, 3);
    // The "!": a bar and a dot, drawn rather than set in a font that may lack the glyph.
    const Gdiplus::SolidBrush ink(Gdiplus::Color(255, 40, 20, 0));
    const float stroke = std::max(1.0f, size / 8.0f);
    const float middle = left + size / 2;
    graphics.FillRectangle(&ink, middle - stroke / 2, bottom - size * 0.68f, stroke, size * 0.36f);
    graphics.FillRectangle(&ink, middle - stroke / 2, bottom - size * 0.24f, stroke, stroke);
}

void SetRectangleMapping(Gdiplus::Matrix& matrix, float x1, float y1, float x2, float y2, float X1, float Y1,
                         float X2, float Y2)
{
    const float sx = (X1 - X2) / (x1 - x2);
    const float tx = X1 - x1 * sx;
    const float sy = (Y1 - Y2) / (y1 - y2);
    const float ty = Y1 - y1 * sy;
    matrix.Reset();
    matrix.Scale(sx, sy, Gdiplus::MatrixOrderAppend);
    matrix.Translate(tx, ty, Gdiplus::MatrixOrderAppend);
}

void FreeSharedObjects()
{
    g_labelFormat.reset();
}

bool GetEncoderClsid()
{
    UINT count = 0;
    UINT size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    // The descriptions follow the array in the same block: it must hold the array at least.
    if (count == 0 || size < count * sizeof(Gdiplus::ImageCodecInfo))
    {
        return false;
    }
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    for (UINT i = 0; i < count; ++i)
    {
        if (encoders[i].MimeType != nullptr && std::wcscmp(encoders[i].MimeType, kBmpMimeType) == 0)
        {
            g_bmpEncoder = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

CLSID GetEncoderBmp()
{
    static const CLSID none{};
    if (IsEqualCLSID(g_bmpEncoder, none) && !GetEncoderClsid())
    {
        ThrowApplicationException(Here());
    }
    return g_bmpEncoder;
}

bool InstallWallpaper(Gdiplus::Bitmap& bitmap, const std::wstring& folder, std::wstring* written,
                      bool spanned)
{
    if (folder.empty())
    {
        return false;
    }
    try
    {
        const std::wstring path = Util::AppendBackslash(folder);
        // The map in force keeps its name until the new one is in place, so names alternate.
        std::wstring name;
        std::wstring file;
        for (int n = 0; n <= 99 && file.empty(); ++n)
        {
            const std::wstring candidate = L"NB" + std::to_wstring(n) + L".bmp";
            if (GetFileAttributesW((path + candidate).c_str()) == INVALID_FILE_ATTRIBUTES)
            {
                name = candidate;
                file = path + candidate;
            }
        }
        if (file.empty())
        {
            return false;
        }

        const CLSID encoder = GetEncoderBmp();
        if (bitmap.Save(file.c_str(), &encoder, nullptr) != Gdiplus::Ok)
        {
            // Half a file is no wallpaper, and the map in force must stay where it is.
            DeleteFileW(file.c_str());
            return false;
        }
        if (spanned)
        {
            Util::SetDesktopWallpaperSpanned(file);
        }
        else
        {
            Util::SetDesktopWallpaperStretched(file);
        }
        Util::DeleteFilesExcept(path, name);
        if (written != nullptr)
        {
            *written = file;
        }
        return true;
    }
    catch (...)
    {
        Log::Exception(L"UtilGraphics::InstallWallpaper");
        return false;
    }
}

std::uint64_t Fingerprint(Gdiplus::Bitmap& bitmap)
{
    const int width = static_cast<int>(bitmap.GetWidth());
    const int height = static_cast<int>(bitmap.GetHeight());
    const Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (width == 0 || height == 0 ||
        bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) != Gdiplus::Ok)
    {
        return 0;
    }
    // FNV-1a over the size and every row's pixels, eight bytes at a time where it can.
    constexpr std::uint64_t kPrime = 0x100000001B3ull;
    std::uint64_t digest = 0xCBF29CE484222325ull;
    const auto mix = [&](std::uint64_t value)
    {
        digest ^= value;
        digest *= kPrime;
    };
    mix(static_cast<std::uint64_t>(width) << 32 | static_cast<std::uint32_t>(height));
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
    {
        const BYTE* pixels =
            static_cast<const BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride;
        std::size_t i = 0;
        for (; i + 8 <= row; i += 8)
        {
            std::uint64_t word;
            std::memcpy(&word, pixels + i, 8);
            mix(word);
        }
        for (; i < row; ++i)
        {
            mix(pixels[i]);
        }
    }
    bitmap.UnlockBits(&data);
    return digest == 0 ? 1 : digest;
}
} // namespace UtilGraphics
