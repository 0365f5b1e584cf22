// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/CStretchedBackground.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "data/EarthBackground.h"
#include "data/MapRegion.h"
#include "map/WeatherMap.h"

CStretchedBackground::Key CStretchedBackground::MakeKey(const MapRegion& region,
                                                        const EarthBackground& background, int width,
                                                        int height)
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
    return key;
}

bool CStretchedBackground::IsStale(const MapRegion& region, const EarthBackground& background, int width,
                                   int height) const
{
    return m_bitmap.IsNull() || m_key != MakeKey(region, background, width, height);
}

Gdiplus::Bitmap& CStretchedBackground::Prepare(const MapRegion& region, EarthBackground& background,
                                               int width, int height)
{
    Key key = MakeKey(region, background, width, height);
    if (!m_bitmap.IsNull() && key == m_key)
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
    m_bitmap = std::move(bitmap);
    m_key = std::move(key);
    return *m_bitmap;
}

void CStretchedBackground::Release()
{
    m_bitmap.Reset();
    m_key = Key();
}
