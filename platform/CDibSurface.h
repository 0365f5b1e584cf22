// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/GdiPlus.h"

// A picture kept off screen for a window to paint from: a 32-bit top-down DIB section selected into
// a memory device context, which GDI copies or stretches onto the window. 32 bits is the screen's
// own layout, so a copy onto the window converts nothing: a 24-bit picture was converted on every
// copy through a temporary picture of the whole window, which Wine's C library then kept (7.7 MB
// at 1920x1016).
class CDibSurface
{
public:
    // Throws ApplicationException with the caller's location text when the system refuses the
    // context or the section.
    CDibSurface(int width, int height, const char* failureLocation);
    ~CDibSurface();
    CDibSurface(const CDibSurface&) = delete;
    CDibSurface& operator=(const CDibSurface&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Takes the colours of a picture of the surface's size, pixel for pixel. Throws
    // ApplicationException, leaving the surface as it was, when the sizes differ or the picture's
    // pixels cannot be read.
    void CopyFrom(Gdiplus::Bitmap& picture);

private:
    void Release();

    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_section = nullptr;
    HGDIOBJ m_previous = nullptr;
    BYTE* m_bits = nullptr;
};
