// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/CWallpaperLayout.h"

#include "core/ArgumentOutOfRangeException.h"
#include "core/Here.h"

#include <algorithm>
#include <climits>
#include <cstdint>

CWallpaperLayout::CWallpaperLayout(const std::vector<Rect>& monitors)
{
    std::vector<Rect> kept;
    std::int64_t left = INT64_MAX;
    std::int64_t top = INT64_MAX;
    std::int64_t right = INT64_MIN;
    std::int64_t bottom = INT64_MIN;
    for (const Rect& monitor : monitors)
    {
        if (monitor.Width <= 0 || monitor.Height <= 0 ||
            std::find(kept.begin(), kept.end(), monitor) != kept.end())
        {
            continue;
        }
        kept.push_back(monitor);
        left = std::min<std::int64_t>(left, monitor.Left);
        top = std::min<std::int64_t>(top, monitor.Top);
        right = std::max<std::int64_t>(right, std::int64_t{monitor.Left} + monitor.Width);
        bottom = std::max<std::int64_t>(bottom, std::int64_t{monitor.Top} + monitor.Height);
    }
    if (kept.empty())
    {
        return;
    }
    if (right - left > kMaxSide || bottom - top > kMaxSide)
    {
        throw ArgumentOutOfRangeException(Here());
    }
    m_width = static_cast<int>(right - left);
    m_height = static_cast<int>(bottom - top);
    for (const Rect& monitor : kept)
    {
        m_maps.push_back(Rect{static_cast<int>(monitor.Left - left), static_cast<int>(monitor.Top - top),
                              monitor.Width, monitor.Height});
    }
}
