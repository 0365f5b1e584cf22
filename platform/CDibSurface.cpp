// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/CDibSurface.h"

#include "core/ApplicationException.h"

CDibSurface::CDibSurface(int width, int height, const char* failureLocation)
    : m_width(width), m_height(height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, as GDI+ lays its rows out
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
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
    m_previous = SelectObject(m_dc, m_section);
    // Rows of a DIB, like those of GDI+, start on four-byte boundaries.
    const INT stride = (width * 3 + 3) & ~3;
    m_bitmap.reset(new Gdiplus::Bitmap(width, height, stride, PixelFormat24bppRGB, static_cast<BYTE*>(bits)));
    if (!m_bitmap || m_bitmap->GetLastStatus() != Gdiplus::Ok)
    {
        Release();
        ThrowApplicationException(failureLocation);
    }
}

CDibSurface::~CDibSurface()
{
    Release();
}

void CDibSurface::Release()
{
    // GDI+ lets go of the pixels before the section that holds them goes.
    m_bitmap.reset();
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
}
