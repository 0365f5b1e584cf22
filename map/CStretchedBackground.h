// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "core/DateTime.h"
#include "core/Nullable.h"
#include "platform/GdiPlus.h"

#include <cstdint>
#include <string>

class COptions;
class EarthBackground;
class MapRegion;

// The region's part of the earth image stretched over one target size, kept between maps: the
// stretch is most of a map's cost and does not change with the weather, so an update only copies
// it and draws the cities on top. One is kept per target (the wallpaper, the map window); it is
// made again only when what it shows changes. User-interface thread only.
//
// With day and night shown, the earth's night picture is blended in where the sun is down (see
// CDaylightShading). The sun moves on all the time, but the picture is made again only once the
// sun has moved by more than a pixel of the target: between times the light is off by less than
// that.
class CStretchedBackground
{
public:
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
    // stretch it; the night picture is read for the blend and let go at once. Throws when the
    // bitmap cannot be made; the previous one is then gone as well.
    Gdiplus::Bitmap& Prepare(const MapRegion& region, EarthBackground& background, int width, int height,
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

    // Drops the kept picture, for a target no longer in use.
    void Release();
    bool IsEmpty() const { return m_bitmap.IsNull(); }

private:
    Key m_key;
    CPtr<Gdiplus::Bitmap> m_bitmap;
};
