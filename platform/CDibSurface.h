// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/GdiPlus.h"

#include <memory>

// A picture kept off screen for a window to paint from: a 24-bit top-down DIB section selected into
// a memory device context, whose pixels a GDI+ bitmap shares, so that GDI+ draws into it and GDI
// copies or stretches it onto the window without any conversion in between.
class CDibSurface
{
public:
    // Throws ApplicationException with the caller's location text when the system refuses the
    // context, the section or the bitmap.
    CDibSurface(int width, int height, const char* failureLocation);
    ~CDibSurface();
    CDibSurface(const CDibSurface&) = delete;
    CDibSurface& operator=(const CDibSurface&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The same pixels for GDI+; its drawing shows in Dc() once GDI+ has returned.
    Gdiplus::Bitmap& Bitmap() { return *m_bitmap; }

private:
    void Release();

    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_section = nullptr;
    HGDIOBJ m_previous = nullptr;
    std::unique_ptr<Gdiplus::Bitmap> m_bitmap;
};
