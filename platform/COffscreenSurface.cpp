// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/COffscreenSurface.h"

#include "core/ApplicationException.h"

COffscreenSurface::COffscreenSurface(HDC target, int width, int height, const char* failureLocation)
    : m_dc(CreateCompatibleDC(target)), m_bitmap(CreateCompatibleBitmap(target, width, height))
{
    if (m_dc == nullptr || m_bitmap == nullptr)
    {
        Release();
        ThrowApplicationException(failureLocation);
    }
    m_previous = SelectObject(m_dc, m_bitmap);
}

COffscreenSurface::~COffscreenSurface()
{
    Release();
}

void COffscreenSurface::Release()
{
    // The bitmap can only be deleted once it is no longer selected into the context.
    if (m_dc != nullptr && m_previous != nullptr)
    {
        SelectObject(m_dc, m_previous);
    }
    if (m_bitmap != nullptr)
    {
        DeleteObject(m_bitmap);
    }
    if (m_dc != nullptr)
    {
        DeleteDC(m_dc);
    }
    m_dc = nullptr;
    m_bitmap = nullptr;
    m_previous = nullptr;
}
