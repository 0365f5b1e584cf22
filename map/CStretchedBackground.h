// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "platform/GdiPlus.h"

#include <cstdint>
#include <string>

class EarthBackground;
class MapRegion;

// The region's part of the earth image stretched over one target size, kept between maps: the
// stretch is most of a map's cost and does not change with the weather, so an update only copies
// it and draws the cities on top. One is kept per target (the wallpaper, the map window); it is
// made again only when what it shows changes. Between maps it can be parked: its pixels go to a
// temporary file of its own (deleted when it is closed, or when the process ends however it ends)
// and its memory is given back, so an idle program holds no picture it is not showing; the next
// map reads it back, which costs far less than the stretch. User-interface thread only.
class CStretchedBackground
{
public:
    CStretchedBackground() = default;
    ~CStretchedBackground();
    CStretchedBackground(const CStretchedBackground&) = delete;
    CStretchedBackground& operator=(const CStretchedBackground&) = delete;

    // Everything the stretched picture depends on. Two keys that compare equal give the same
    // pixels. Whatever else comes to change the picture (the sun's light over the earth, say)
    // becomes one more member here and one more term in operator==.
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

        bool operator==(const Key& other) const
        {
            return West == other.West && North == other.North && East == other.East && South == other.South &&
                   Path == other.Path && Selection == other.Selection && Width == other.Width &&
                   Height == other.Height;
        }
        bool operator!=(const Key& other) const { return !(*this == other); }
    };

    static Key MakeKey(const MapRegion& region, const EarthBackground& background, int width, int height);

    // The stretched picture for the region, the background and the size: the kept one when its
    // key is the same, otherwise a new one (24 bits per pixel, black where the image could not be
    // read), which replaces it. A parked picture of the same key is read back instead; one that
    // cannot be read back is stretched anew. Loads the background's image when it has to stretch
    // it. Throws when the bitmap cannot be made; the previous one is then gone as well.
    Gdiplus::Bitmap& Prepare(const MapRegion& region, EarthBackground& background, int width, int height);

    // The picture for the region, the background and the target's size, copied into the 24-bit
    // target byte for byte: a parked one straight from its file, without making it in memory
    // again; otherwise what Prepare gives. Throws when Prepare does, or the target's pixels cannot
    // be written.
    void CopyInto(const MapRegion& region, EarthBackground& background, Gdiplus::Bitmap& target);

    // True when Prepare would make a new picture.
    bool IsStale(const MapRegion& region, const EarthBackground& background, int width, int height) const;

    // Writes the picture to its file (unless the file holds it already) and frees its memory.
    // Returns false, keeping the picture in memory, when it cannot be written. Never throws.
    bool Park();
    bool IsParked() const { return m_bitmap.IsNull() && m_parked; }

    // Drops the kept picture and its file, for a target no longer in use.
    void Release();
    bool IsEmpty() const { return m_bitmap.IsNull() && !m_parked; }

private:
    bool ReadParked(Gdiplus::Bitmap& bitmap) const;
    bool IsParked(const Key& key) const { return m_bitmap.IsNull() && m_parked && key == m_key; }
    void CloseFile();

    Key m_key;
    CPtr<Gdiplus::Bitmap> m_bitmap;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    bool m_parked = false; // the file holds the picture of m_key
    int m_parkedStride = 0;
};
