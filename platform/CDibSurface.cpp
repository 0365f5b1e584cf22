// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/CDibSurface.h"

#include "core/ApplicationException.h"
#include "core/Here.h"

#include <cstddef>

CDibSurface::CDibSurface(int width, int height, const char* failureLocation)
    : m_width(width), m_height(height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, as GDI+ lays its rows out
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_dc = CreateCompatibleDC(nullptr);
    m_section = width > 0 && height > 0 ? CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                                        : nullptr;
    if (m_dc == nullptr || m_section == nullptr || bits == nullptr)
    {
        Release();
        ThrowApplicationException(failureLocation);
    }
    m_bits = static_cast<BYTE*>(bits);
    m_previous = SelectObject(m_dc, m_section);
}

CDibSurface::~CDibSurface()
{
    Release();
}

void CDibSurface::CopyFrom(Gdiplus::Bitmap& picture)
{
    if (picture.GetWidth() != static_cast<UINT>(m_width) ||
        picture.GetHeight() != static_cast<UINT>(m_height))
    {
        ThrowApplicationException(Here());
    }
    const Gdiplus::Rect all(0, 0, m_width, m_height);
    Gdiplus::BitmapData from{};
    if (picture.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &from) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    // Blue, green, red in both; the fourth byte of a 32-bit DIB pixel is unused.
    GdiFlush();
    for (int y = 0; y < m_height; ++y)
    {
        const BYTE* source =
            static_cast<const BYTE*>(from.Scan0) + static_cast<std::ptrdiff_t>(y) * from.Stride;
        BYTE* target = m_bits + static_cast<std::ptrdiff_t>(y) * m_width * 4;
        for (int x = 0; x < m_width; ++x, source += 3, target += 4)
        {
            target[0] = source[0];
            target[1] = source[1];
            target[2] = source[2];
            target[3] = 0xFF;
        }
    }
    picture.UnlockBits(&from);
}

void CDibSurface::Release()
{
    if (m_dc != nullptr && m_previous != nullptr)
    {
        SelectObject(m_dc, m_previous);
    }
    if (m_section != nullptr)
    {
        DeleteObject(m_section);
    }
    if (m_dc != nullptr)
    {
        DeleteDC(m_dc);
    }
    m_dc = nullptr;
    m_section = nullptr;
    m_previous = nullptr;
    m_bits = nullptr;
}
