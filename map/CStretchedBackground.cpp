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

#include <windows.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{
// The pixels of a 24-bit bitmap as GDI+ keeps them: rows of stride bytes, top row first.
class LockedPixels
{
public:
    LockedPixels(Gdiplus::Bitmap& bitmap, UINT mode) : m_bitmap(bitmap)
    {
        const Gdiplus::Rect all(0, 0, static_cast<INT>(bitmap.GetWidth()),
                                static_cast<INT>(bitmap.GetHeight()));
        m_locked = bitmap.LockBits(&all, mode, PixelFormat24bppRGB, &m_data) == Gdiplus::Ok;
    }
    ~LockedPixels()
    {
        if (m_locked)
        {
            m_bitmap.UnlockBits(&m_data);
        }
    }
    LockedPixels(const LockedPixels&) = delete;
    LockedPixels& operator=(const LockedPixels&) = delete;

    // The whole picture as one block, or null when its rows do not follow each other downwards
    // or it is too large for one file transfer.
    BYTE* Block(DWORD& size) const
    {
        const long long bytes = static_cast<long long>(m_data.Stride) * m_data.Height;
        if (!m_locked || m_data.Stride <= 0 || bytes <= 0 || bytes > LONG_MAX)
        {
            return nullptr;
        }
        size = static_cast<DWORD>(bytes);
        return static_cast<BYTE*>(m_data.Scan0);
    }
    int Stride() const { return m_data.Stride; }
    // The top row; null when the pixels could not be locked.
    BYTE* Rows() const { return m_locked ? static_cast<BYTE*>(m_data.Scan0) : nullptr; }
    bool IsLocked() const { return m_locked; }
    BYTE* Row(int y) const { return Rows() + static_cast<std::ptrdiff_t>(y) * m_data.Stride; }

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
    const LockedPixels source(night, Gdiplus::ImageLockModeRead);
    const LockedPixels pixels(target, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite);
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

bool Rewind(HANDLE file)
{
    LARGE_INTEGER start{};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
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
    return IsEmpty() || !m_key.Shows(MakeKey(region, background, width, height, shadeAt));
}

Gdiplus::Bitmap& CStretchedBackground::Prepare(const MapRegion& region, EarthBackground& background,
                                               int width, int height, const Nullable<DateTime>& shadeAt)
{
    Key key = MakeKey(region, background, width, height, shadeAt);
    if (!m_bitmap.IsNull() && m_key.Shows(key))
    {
        return *m_bitmap;
    }
    if (IsParked(key))
    {
        CPtr<Gdiplus::Bitmap> bitmap = UtilGraphics::NewMapBitmap(width, height);
        if (ReadParked(*bitmap))
        {
            m_bitmap = std::move(bitmap);
            return *m_bitmap;
        }
    }
    // The old picture goes first: two of them at once is what keeping only one avoids. The file
    // stays open for the next one.
    m_bitmap.Reset();
    m_key = Key();
    m_parked = false;
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

void CStretchedBackground::CopyInto(const MapRegion& region, EarthBackground& background,
                                    Gdiplus::Bitmap& target, const Nullable<DateTime>& shadeAt)
{
    const int width = static_cast<int>(target.GetWidth());
    const int height = static_cast<int>(target.GetHeight());
    if (IsParked(MakeKey(region, background, width, height, shadeAt)) && ReadParked(target))
    {
        return;
    }
    Gdiplus::Bitmap& picture = Prepare(region, background, width, height, shadeAt);

    // A copy of rows, not a drawing: no resampling, no blending, the very same bytes.
    const LockedPixels from(picture, Gdiplus::ImageLockModeRead);
    const LockedPixels to(target, Gdiplus::ImageLockModeWrite);
    if (from.Rows() == nullptr || to.Rows() == nullptr)
    {
        ThrowApplicationException(Here());
    }
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
    {
        std::memcpy(to.Rows() + static_cast<std::ptrdiff_t>(y) * to.Stride(),
                    from.Rows() + static_cast<std::ptrdiff_t>(y) * from.Stride(), row);
    }
}

bool CStretchedBackground::Park()
{
    if (m_bitmap.IsNull())
    {
        return true;
    }
    if (!m_parked)
    {
        if (!m_file.IsValid())
        {
            wchar_t folder[MAX_PATH + 1];
            wchar_t name[MAX_PATH + 1];
            const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
            if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"nbg", 0, name) == 0)
            {
                return false;
            }
            // Temporary: the system keeps it in its cache rather than on the disk where it can.
            m_file.Reset(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
            if (!m_file.IsValid())
            {
                DeleteFileW(name);
                return false;
            }
        }
        LockedPixels pixels(*m_bitmap, Gdiplus::ImageLockModeRead);
        DWORD size = 0;
        DWORD written = 0;
        const BYTE* block = pixels.Block(size);
        if (block == nullptr || !Rewind(m_file.Get()) ||
            !WriteFile(m_file.Get(), block, size, &written, nullptr) || written != size ||
            !SetEndOfFile(m_file.Get()))
        {
            return false;
        }
        m_parkedStride = pixels.Stride();
        m_parked = true;
    }
    m_bitmap.Reset();
    return true;
}

bool CStretchedBackground::ReadParked(Gdiplus::Bitmap& bitmap) const
{
    LockedPixels pixels(bitmap, Gdiplus::ImageLockModeWrite);
    DWORD size = 0;
    DWORD read = 0;
    BYTE* const block = pixels.Block(size);
    return block != nullptr && pixels.Stride() == m_parkedStride && Rewind(m_file.Get()) &&
           ReadFile(m_file.Get(), block, size, &read, nullptr) && read == size;
}

void CStretchedBackground::Release()
{
    m_bitmap.Reset();
    m_key = Key();
    m_parked = false;
    m_file.Reset(); // and the file is gone
}
