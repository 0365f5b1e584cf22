// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "core/DateTime.h"
#include "core/Nullable.h"
#include "platform/GdiPlus.h"
#include "platform/ScopedHandle.h"

#include <cstdint>
#include <string>

class COptions;
class EarthBackground;
class MapRegion;

// The region's part of the earth image stretched over one target size, kept between maps: the
// stretch is most of a map's cost and does not change with the weather, so an update only copies
// it and draws the cities on top. One is kept per target (the wallpaper, the map window); it is
// made again only when what it shows changes. Between maps it can be parked: its pixels go to a
// temporary file of its own (deleted when it is closed, or when the process ends however it ends)
// and its memory is given back, so an idle program holds no picture it is not showing; the next
// map reads it back, which costs far less than the stretch. User-interface thread only.
//
// With day and night shown, the earth's night picture is blended in where the sun is down (see
// CDaylightShading). The sun moves on all the time, but the picture is made again only once the
// sun has moved by more than a pixel of the target: between times the light is off by less than
// that.
class CStretchedBackground
{
public:
    CStretchedBackground() = default;
    CStretchedBackground(const CStretchedBackground&) = delete;
    CStretchedBackground& operator=(const CStretchedBackground&) = delete;

    // Everything the stretched picture depends on. Two keys that compare equal give the same
    // pixels; two that only Show the same picture give it with the light at most a pixel apart.
    struct Key
    {
        std::int32_t West = 0;
        std::int32_t North = 0;
        std::int32_t East = 0;
        std::int32_t South = 0;
        std::wstring Path;           // the earth image's file
        std::uint64_t Selection = 0; // EarthBackground::Selection: a fresh choice of the same file counts
        int Width = 0;
        int Height = 0;
        std::wstring NightPath; // the night picture blended in; empty for none
        double SunLatitude = 0; // where the sun stood in the zenith, with a night picture
        double SunLongitude = 0;

        bool operator==(const Key& other) const
        {
            return SamePicture(other) && SunLatitude == other.SunLatitude &&
                   SunLongitude == other.SunLongitude;
        }
        bool operator!=(const Key& other) const { return !(*this == other); }

        // Equal but for the sun, which stands at most a pixel of the target away from the other's.
        bool Shows(const Key& other) const;

    private:
        bool SamePicture(const Key& other) const
        {
            return West == other.West && North == other.North && East == other.East && South == other.South &&
                   Path == other.Path && Selection == other.Selection && Width == other.Width &&
                   Height == other.Height && NightPath == other.NightPath;
        }
    };

    // shadeAt is the instant whose sun lights the picture, or none for the day picture alone; a
    // background without a night picture is never shaded.
    static Key MakeKey(const MapRegion& region, const EarthBackground& background, int width, int height,
                       const Nullable<DateTime>& shadeAt = Nullable<DateTime>());

    // The instant to shade a map of the options with: utcNow when they show day and night.
    static Nullable<DateTime> ShadeAt(const COptions& options, DateTime utcNow);

    // The stretched picture for the region, the background, the size and the sun: the kept one
    // when it shows the same (see Key::Shows), otherwise a new one (24 bits per pixel, black where
    // the image could not be read), which replaces it. Loads the background's image when it has to
    // stretch it; the night picture is read for the blend and let go at once. A parked picture
    // that shows the same is read back instead; one that cannot be read back is made anew. Throws
    // when the bitmap cannot be made; the previous one is then gone as well.
    Gdiplus::Bitmap& Prepare(const MapRegion& region, EarthBackground& background, int width, int height,
                             const Nullable<DateTime>& shadeAt = Nullable<DateTime>());

    // The picture for the region, the background, the target's size and the sun, copied into the
    // 24-bit target byte for byte: a parked one straight from its file, without making it in
    // memory again; otherwise what Prepare gives. Throws when Prepare does, or the target's pixels
    // cannot be written.
    void CopyInto(const MapRegion& region, EarthBackground& background, Gdiplus::Bitmap& target,
                  const Nullable<DateTime>& shadeAt = Nullable<DateTime>());

    // True when Prepare would make a new picture.
    bool IsStale(const MapRegion& region, const EarthBackground& background, int width, int height,
                 const Nullable<DateTime>& shadeAt = Nullable<DateTime>()) const;

    // Blends the night picture into the target, which holds the region's part of the background
    // stretched over all of it, as Prepare does for the sun at shadeAt.
    static void Shade(Gdiplus::Bitmap& target, const MapRegion& region, const EarthBackground& background,
                      const Nullable<DateTime>& shadeAt);

    // The picture Prepare would make, drawn into the rectangle of the graphics and not kept: the
    // background's part stretched as UtilGraphics::DrawBackground draws it, shaded as above.
    static void Draw(Gdiplus::Graphics& graphics, int x, int y, int width, int height,
                     const MapRegion& region, EarthBackground& background, const Nullable<DateTime>& shadeAt);

    // Writes the picture to its file (unless the file holds it already) and frees its memory.
    // Returns false, keeping the picture in memory, when it cannot be written. Never throws.
    bool Park();
    bool IsParked() const { return m_bitmap.IsNull() && m_parked; }

    // Drops the kept picture and its file, for a target no longer in use.
    void Release();
    bool IsEmpty() const { return m_bitmap.IsNull() && !m_parked; }

private:
    bool ReadParked(Gdiplus::Bitmap& bitmap) const;
    bool IsParked(const Key& key) const { return m_bitmap.IsNull() && m_parked && m_key.Shows(key); }

    Key m_key;
    CPtr<Gdiplus::Bitmap> m_bitmap;
    FileHandle m_file;     // deleted when closed
    bool m_parked = false; // the file holds the picture of m_key
    int m_parkedStride = 0;
};
