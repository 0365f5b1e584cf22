// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/CStretchedBackground.h"

#include "core/ApplicationException.h"
#include "core/CBilinearStretch.h"
#include "core/Here.h"
#include "data/COptions.h"
#include "data/EarthBackground.h"
#include "data/MapRegion.h"
#include "map/WeatherMap.h"
#include "weather/CDaylightShading.h"
#include "weather/CSun.h"

#include <cmath>
#include <vector>

namespace
{
// Locked pixels, unlocked at the end of the scope.
class LockedBits
{
public:
    LockedBits(Gdiplus::Bitmap& bitmap, const Gdiplus::Rect& area, UINT mode) : m_bitmap(bitmap)
    {
        m_locked = bitmap.LockBits(&area, mode, PixelFormat24bppRGB, &m_data) == Gdiplus::Ok;
    }
    ~LockedBits()
    {
        if (m_locked)
        {
            m_bitmap.UnlockBits(&m_data);
        }
    }
    LockedBits(const LockedBits&) = delete;
    LockedBits& operator=(const LockedBits&) = delete;

    bool IsLocked() const { return m_locked; }
    BYTE* Row(int y) const
    {
        return static_cast<BYTE*>(m_data.Scan0) + static_cast<std::ptrdiff_t>(y) * m_data.Stride;
    }

private:
    Gdiplus::Bitmap& m_bitmap;
    Gdiplus::BitmapData m_data{};
    bool m_locked = false;
};

// Blends the night picture into the day picture already stretched over the target, where the sun
// at the key's subsolar point is down. The night picture is decoded only when some row needs it,
// sampled only where it shows, and let go on return. One that cannot be read leaves the day alone.
void ShadeWithNight(Gdiplus::Bitmap& target, const MapRegion& region, const CStretchedBackground::Key& key)
{
    const int width = key.Width;
    const int height = key.Height;
    const CDaylightShading shading(region.West, region.North, region.East, region.South, width, height,
                                   key.SunLatitude, key.SunLongitude);
    bool dark = false;
    for (int y = 0; y < height && !dark; ++y)
    {
        dark = shading.Row(y) != CDaylightShading::Light::Day;
    }
    if (!dark)
    {
        return;
    }

    Gdiplus::Bitmap night(key.NightPath.c_str());
    const UINT nightWidth = night.GetWidth();
    const UINT nightHeight = night.GetHeight();
    Gdiplus::Rect part;
    if (night.GetLastStatus() != Gdiplus::Ok || nightWidth == 0 || nightHeight == 0 ||
        !UtilGraphics::GetBackgroundPart(region, nightWidth, nightHeight, part) || part.Width <= 0 ||
        part.Height <= 0)
    {
        return;
    }
    const CBilinearStretch stretch(static_cast<int>(nightWidth), static_cast<int>(nightHeight), part.X,
                                   part.Y, part.Width, part.Height, width, height);
    const LockedBits source(night,
                            Gdiplus::Rect(0, 0, static_cast<INT>(nightWidth), static_cast<INT>(nightHeight)),
                            Gdiplus::ImageLockModeRead);
    const LockedBits pixels(target, Gdiplus::Rect(0, 0, width, height),
                            Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite);
    if (stretch.IsEmpty() || !source.IsLocked() || !pixels.IsLocked())
    {
        return;
    }
    std::vector<std::uint16_t> line(static_cast<std::size_t>(nightWidth) * 3);
    for (int y = 0; y < height; ++y)
    {
        // The night's two rows are blended once a row, and only for a row that shows night at all.
        bool blended = false;
        shading.BlendRowOnDemand(y, pixels.Row(y),
                                 [&](int x, std::uint8_t* pixel)
                                 {
                                     if (!blended)
                                     {
                                         const CBilinearStretch::Rows& rows = stretch.Row(y);
                                         stretch.BlendRows(source.Row(rows.Above), source.Row(rows.Below),
                                                           rows.Weight, line.data());
                                         blended = true;
                                     }
                                     stretch.Sample(line.data(), x, pixel);
                                 });
    }
}
} // namespace

bool CStretchedBackground::Key::Shows(const Key& other) const
{
    if (!SamePicture(other))
    {
        return false;
    }
    if (NightPath.empty())
    {
        return true;
    }
    // The sun's move in pixels of the target, the short way round in longitude.
    const double across = std::remainder(SunLongitude - other.SunLongitude, 360.0) * Width / (East - West);
    const double down = (SunLatitude - other.SunLatitude) * Height / (North - South);
    return std::fabs(across) <= 1.0 && std::fabs(down) <= 1.0;
}

CStretchedBackground::Key CStretchedBackground::MakeKey(const MapRegion& region,
                                                        const EarthBackground& background, int width,
                                                        int height, const Nullable<DateTime>& shadeAt)
{
    Key key;
    key.West = region.West;
    key.North = region.North;
    key.East = region.East;
    key.South = region.South;
    key.Path = background.Path;
    key.Selection = background.Selection();
    key.Width = width;
    key.Height = height;
    // A region without extent has no pixels to move the sun across.
    if (shadeAt.HasValue && region.East > region.West && region.North > region.South && width > 0 &&
        height > 0)
    {
        key.NightPath = background.NightPath();
        if (!key.NightPath.empty())
        {
            CSun::GetSubsolarPoint(shadeAt.Value(), key.SunLatitude, key.SunLongitude);
        }
    }
    return key;
}

Nullable<DateTime> CStretchedBackground::ShadeAt(const COptions& options, DateTime utcNow)
{
    return options.ShowDayAndNight ? Nullable<DateTime>(utcNow) : Nullable<DateTime>();
}

bool CStretchedBackground::IsStale(const MapRegion& region, const EarthBackground& background, int width,
                                   int height, const Nullable<DateTime>& shadeAt) const
{
    return m_bitmap.IsNull() || !m_key.Shows(MakeKey(region, background, width, height, shadeAt));
}

Gdiplus::Bitmap& CStretchedBackground::Prepare(const MapRegion& region, EarthBackground& background,
                                               int width, int height, const Nullable<DateTime>& shadeAt)
{
    Key key = MakeKey(region, background, width, height, shadeAt);
    if (!m_bitmap.IsNull() && m_key.Shows(key))
    {
        return *m_bitmap;
    }
    // The old picture goes first: two of them at once is what keeping only one avoids.
    Release();
    CPtr<Gdiplus::Bitmap> bitmap = UtilGraphics::NewMapBitmap(width, height);
    {
        Gdiplus::Graphics graphics(bitmap.Get());
        if (graphics.GetLastStatus() != Gdiplus::Ok)
        {
            ThrowApplicationException(Here());
        }
        graphics.SetPageUnit(Gdiplus::UnitPixel);
        UtilGraphics::DrawBackground(region, background, graphics, 0, 0, width, height);
    }
    if (!key.NightPath.empty())
    {
        ShadeWithNight(*bitmap, region, key);
    }
    m_bitmap = std::move(bitmap);
    m_key = std::move(key);
    return *m_bitmap;
}

void CStretchedBackground::Shade(Gdiplus::Bitmap& target, const MapRegion& region,
                                 const EarthBackground& background, const Nullable<DateTime>& shadeAt)
{
    const Key key = MakeKey(region, background, static_cast<int>(target.GetWidth()),
                            static_cast<int>(target.GetHeight()), shadeAt);
    if (!key.NightPath.empty())
    {
        ShadeWithNight(target, region, key);
    }
}

void CStretchedBackground::Draw(Gdiplus::Graphics& graphics, int x, int y, int width, int height,
                                const MapRegion& region, EarthBackground& background,
                                const Nullable<DateTime>& shadeAt)
{
    if (MakeKey(region, background, width, height, shadeAt).NightPath.empty())
    {
        UtilGraphics::DrawBackground(region, background, graphics, x, y, width, height);
        return;
    }
    CStretchedBackground once;
    Gdiplus::Bitmap& picture = once.Prepare(region, background, width, height, shadeAt);
    // Pixel for pixel, as the kept picture is copied: no resampling, no blending.
    const Gdiplus::GraphicsState state = graphics.Save();
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.DrawImage(&picture, Gdiplus::Rect(x, y, width, height), 0, 0, width, height, Gdiplus::UnitPixel,
                       nullptr);
    graphics.Restore(state);
}

void CStretchedBackground::Release()
{
    m_bitmap.Reset();
    m_key = Key();
}
