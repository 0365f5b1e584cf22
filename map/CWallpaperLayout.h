// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <vector>

// Where each monitor's map goes in one wallpaper picture that spans every monitor. The system
// lays a spanned wallpaper over the smallest rectangle holding all monitors (the virtual screen,
// whose origin is the left and top of that rectangle and may lie at negative coordinates), so
// the picture has that rectangle's size and each monitor's map sits at the monitor's place
// relative to the origin. What no monitor shows stays black.
class CWallpaperLayout
{
public:
    struct Rect
    {
        int Left = 0;
        int Top = 0;
        int Width = 0;
        int Height = 0;

        bool operator==(const Rect& other) const
        {
            return Left == other.Left && Top == other.Top && Width == other.Width && Height == other.Height;
        }
    };

    // Monitors in virtual-screen coordinates. Monitors without area and second copies of the same
    // rectangle (mirrored screens) are left out. Throws ArgumentOutOfRangeException when the
    // picture would be wider or higher than kMaxSide.
    explicit CWallpaperLayout(const std::vector<Rect>& monitors);

    static constexpr int kMaxSide = 65536;

    // The picture's size; 0 × 0 without monitors.
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Each monitor's rectangle inside the picture, in the order given.
    const std::vector<Rect>& Maps() const { return m_maps; }
    // More than one monitor: the picture must be spanned, not stretched.
    bool IsSpanned() const { return m_maps.size() > 1; }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<Rect> m_maps;
};
