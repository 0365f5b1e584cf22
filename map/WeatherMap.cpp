// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/WeatherMap.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/Util.h"
#include "data/COptions.h"
#include "data/MapRegion.h"
#include "map/CStretchedBackground.h"
#include "map/UtilWallpaper.h"
#include "platform/Log.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
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

std::unique_ptr<TextFormat> g_centredFormat;
CLSID g_bmpEncoder{}; // all zero until looked up

// No wrapping, no clipping, centred horizontally, aligned to the top: the format of every text
// that stands alone under its city.
const Gdiplus::StringFormat& CentredFormat()
{
    if (!g_centredFormat)
    {
        auto format =
            std::make_unique<TextFormat>(Gdiplus::StringAlignmentCenter, Gdiplus::StringAlignmentNear);
        if (format->GetLastStatus() != Gdiplus::Ok)
        {
            ThrowApplicationException(Here());
        }
        g_centredFormat = std::move(format);
    }
    return *g_centredFormat;
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

void DrawText(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font,
              ArgbColor color, const Gdiplus::RectF& box, const Gdiplus::StringFormat& format)
{
    const Gdiplus::SolidBrush brush(Gdiplus::Color(color.Value));
    graphics.DrawString(text.c_str(), Length(text), &font, box, &format, &brush);
}

// The width and height of the region covering all characters of the text, laid out in a box of
// 1000 × 1000 at the origin with the given alignment.
Gdiplus::SizeF MeasureText(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font,
                           Gdiplus::StringAlignment alignment)
{
    TextFormat format(alignment, Gdiplus::StringAlignmentNear);
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
    return Gdiplus::SizeF(bounds.Width, bounds.Height);
}

// A city's point through the map's matrix, and the city drawn there. A failure leaves this city
// out and the pass goes on.
void DrawCityThrough(Gdiplus::Graphics& graphics, const Gdiplus::Matrix& matrix, const City& city,
                     const COptions& options, bool drawName, bool drawTemperature, bool drawIcon,
                     const UtilGraphics::WeatherIconSource& icons, DateTime utcNow)
{
    try
    {
        Gdiplus::PointF point(city.Longitude, city.Latitude);
        int px = 0;
        int py = 0;
        if (matrix.TransformPoints(&point, 1) != Gdiplus::Ok || !TruncateToPixel(point.X, px) ||
            !TruncateToPixel(point.Y, py))
        {
            return;
        }
        UtilGraphics::DrawCity(graphics, city, options, drawName, drawTemperature, drawIcon, px, py, icons,
                               utcNow);
    }
    catch (...)
    {
        Log::Exception(L"UtilGraphics::DrawWeatherMap");
    }
}

// One kind of element for every favourite in list order, then for the home city, which so
// covers them all.
void DrawPass(Gdiplus::Graphics& graphics, const Gdiplus::Matrix& matrix, const COptions& options,
              bool drawName, bool drawTemperature, bool drawIcon,
              const UtilGraphics::WeatherIconSource& icons, DateTime utcNow)
{
    try
    {
        if (!options.Cities.IsNull())
        {
            for (const City& city : *options.Cities)
            {
                DrawCityThrough(graphics, matrix, city, options, drawName, drawTemperature, drawIcon, icons,
                                utcNow);
            }
        }
        if (!options.HomeCity.IsNull())
        {
            DrawCityThrough(graphics, matrix, *options.HomeCity, options, drawName, drawTemperature, drawIcon,
                            icons, utcNow);
        }
    }
    catch (...)
    {
        Log::Exception(L"UtilGraphics::DrawWeatherMap");
    }
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
    Gdiplus::Graphics graphics(bitmap.Get());
    if (graphics.GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    DrawWeatherMap(graphics, 0, 0, width, height, options, icons, utcNow);
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
    const int width = static_cast<int>(target.GetWidth());
    const int height = static_cast<int>(target.GetHeight());
    Gdiplus::Bitmap& background = kept.Prepare(options.Region, options.Background, width, height);

    // A copy of rows, not a drawing: no resampling, no blending, the very same bytes.
    const Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData from{};
    Gdiplus::BitmapData to{};
    if (background.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &from) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    if (target.LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB, &to) != Gdiplus::Ok)
    {
        background.UnlockBits(&from);
        ThrowApplicationException(Here());
    }
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
    {
        std::memcpy(static_cast<BYTE*>(to.Scan0) + static_cast<std::ptrdiff_t>(y) * to.Stride,
                    static_cast<const BYTE*>(from.Scan0) + static_cast<std::ptrdiff_t>(y) * from.Stride, row);
    }
    target.UnlockBits(&to);
    background.UnlockBits(&from);

    Gdiplus::Graphics graphics(&target);
    if (graphics.GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    graphics.SetPageUnit(Gdiplus::UnitPixel);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    DrawCities(graphics, 0, 0, width, height, options, icons, utcNow);
}

void DrawWeatherMap(Gdiplus::Graphics& graphics, int x, int y, int width, int height, COptions& options,
                    const WeatherIconSource& icons, DateTime utcNow)
{
    graphics.SetPageUnit(Gdiplus::UnitPixel);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);

    DrawBackground(options.Region, options.Background, graphics, x, y, width, height);
    DrawCities(graphics, x, y, width, height, options, icons, utcNow);
}

void DrawCities(Gdiplus::Graphics& graphics, int x, int y, int width, int height, const COptions& options,
                const WeatherIconSource& icons, DateTime utcNow)
{
    const MapRegion& region = options.Region;
    Gdiplus::Matrix matrix;
    SetRectangleMapping(matrix, static_cast<float>(region.West), static_cast<float>(region.North),
                        static_cast<float>(region.East), static_cast<float>(region.South),
                        static_cast<float>(x), static_cast<float>(y),
                        static_cast<float>(x) + static_cast<float>(width),
                        static_cast<float>(y) + static_cast<float>(height));

    // Names under all icons, icons under all temperatures.
    if (options.DispalyCityName)
    {
        DrawPass(graphics, matrix, options, true, false, false, icons, utcNow);
    }
    DrawPass(graphics, matrix, options, false, false, true, icons, utcNow);
    if (options.DisplayCityTemprature)
    {
        DrawPass(graphics, matrix, options, false, true, false, icons, utcNow);
    }
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
        return;
    }
    graphics.DrawImage(&image, Gdiplus::Rect(x, y, width, height), left, top, right - left, bottom - top,
                       Gdiplus::UnitPixel, nullptr);
}

void DrawCity(Gdiplus::Graphics& graphics, const City& city, const COptions& options, bool drawName,
              bool drawTemperature, bool drawIcon, int px, int py, const WeatherIconSource& icons,
              DateTime utcNow)
{
    if (!IsOnAnySurface(px) || !IsOnAnySurface(py))
    {
        return;
    }
    const float x = static_cast<float>(px);
    const float y = static_cast<float>(py);
    const Gdiplus::Font* nameFont = options.FontCityName.Get();
    const Gdiplus::Font* temperatureFont = options.FontCityTemprature.Get();

    // Old weather is no weather: the name alone marks the place, its top at the point.
    const CCurrentWeather& weather = city.CurrentWeather;
    if (!weather.IsRecent(utcNow))
    {
        if (drawName && nameFont != nullptr && !city.DisplayName().empty())
        {
            DrawText(graphics, city.DisplayName(), *nameFont, options.ColorCityName,
                     Gdiplus::RectF(x - kTextBox / 2, y, kTextBox, kTextBox), CentredFormat());
        }
        return;
    }

    // The icon is centred on the point. Without one the texts sit as for an icon of one pixel.
    const bool isDay = city.IsDay(utcNow);
    Gdiplus::Bitmap* icon = icons ? icons(isDay, weather.WeatherCode) : nullptr;
    float scale = 1.0f;
    int iconHeight = 1;
    if (icon != nullptr)
    {
        const float iconScale = static_cast<float>(options.WeatherIconScale / 100.0);
        const double width = static_cast<double>(icon->GetWidth()) * iconScale;
        const double height = static_cast<double>(icon->GetHeight()) * iconScale;
        // A scale the arithmetic cannot carry draws no icon rather than a wrapped-around one.
        if (iconScale > 0.0f && width <= kMaxIconSide && height <= kMaxIconSide)
        {
            scale = iconScale;
            const int w = static_cast<int>(width);
            iconHeight = static_cast<int>(height);
            if (drawIcon)
            {
                graphics.DrawImage(icon, Gdiplus::Rect(px - w / 2, py - iconHeight / 2, w, iconHeight));
                if (HasAlertMark(city.Id))
                {
                    // At the icon's upper right corner, clear of the texts under the icon.
                    const float size = std::max(8.0f, static_cast<float>(iconHeight) / 3.0f);
                    DrawAlertMark(graphics, static_cast<float>(px + w / 2) - size / 3.0f,
                                  static_cast<float>(py - iconHeight / 2) + size, size);
                }
            }
        }
    }

    // A text whose font is missing is not shown, as if it were empty.
    const std::wstring name =
        options.DispalyCityName && nameFont != nullptr ? city.DisplayName() : std::wstring();
    const std::wstring temperature = options.DisplayCityTemprature && temperatureFont != nullptr
                                         ? weather.GetTempratureText(L"", options.UseMetricSystem, utcNow)
                                         : std::wstring();

    if (!name.empty() && !temperature.empty())
    {
        if (!drawName && !drawTemperature)
        {
            return;
        }
        // One line centred as a pair under the icon: the name ends where the temperature begins.
        // It rises into the icon's lower quarter, as far as the line is high.
        const Gdiplus::SizeF nameSize = MeasureText(graphics, name, *nameFont, Gdiplus::StringAlignmentFar);
        const Gdiplus::SizeF temperatureSize =
            MeasureText(graphics, temperature, *temperatureFont, Gdiplus::StringAlignmentNear);
        const float total = nameSize.Width + temperatureSize.Width;
        const float line = std::max(nameSize.Height, temperatureSize.Height);
        const float overlap = std::min(line, static_cast<float>(iconHeight) * scale * 0.25f);
        const float top = static_cast<float>(py + iconHeight / 2) - overlap;
        const float start = x - total / 2;
        if (drawName)
        {
            DrawText(graphics, name, *nameFont, options.ColorCityName,
                     Gdiplus::RectF(start - kTextBox, top, nameSize.Width + kTextBox, line),
                     TextFormat(Gdiplus::StringAlignmentFar, Gdiplus::StringAlignmentCenter));
        }
        if (drawTemperature)
        {
            DrawText(graphics, temperature, *temperatureFont, options.ColorCityTemprature,
                     Gdiplus::RectF(start + nameSize.Width, top, temperatureSize.Width + kTextBox, line),
                     TextFormat(Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter));
        }
        return;
    }

    // One text alone, centred on the point, its top a quarter of the icon below the point.
    const Gdiplus::RectF box(x - kTextBox / 2, static_cast<float>(py + iconHeight / 4), kTextBox, kTextBox);
    if (!name.empty() && drawName)
    {
        DrawText(graphics, name, *nameFont, options.ColorCityName, box, CentredFormat());
    }
    else if (!temperature.empty() && drawTemperature)
    {
        DrawText(graphics, temperature, *temperatureFont, options.ColorCityTemprature, box, CentredFormat());
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
    g_centredFormat.reset();
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

bool InstallWallpaper(Gdiplus::Bitmap& bitmap, const std::wstring& folder, std::wstring* written)
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
        Util::SetDesktopWallpaperStretched(file);
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
