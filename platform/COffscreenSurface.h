// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

// A memory device context with a bitmap compatible with the target, for drawing a picture off
// screen and copying it onto the target in one block, so that it never flickers. Everything is
// released however the drawing ends.
class COffscreenSurface
{
public:
    // Throws ApplicationException with the caller's location text when the system refuses the
    // context or the bitmap.
    COffscreenSurface(HDC target, int width, int height, const char* failureLocation);
    ~COffscreenSurface();
    COffscreenSurface(const COffscreenSurface&) = delete;
    COffscreenSurface& operator=(const COffscreenSurface&) = delete;

    HDC Dc() const { return m_dc; }

private:
    void Release();

    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_previous = nullptr;
};
