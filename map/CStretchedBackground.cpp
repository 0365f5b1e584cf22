// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/CStretchedBackground.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "data/EarthBackground.h"
#include "data/MapRegion.h"
#include "map/WeatherMap.h"

#include <windows.h>

#include <climits>
#include <cstring>

namespace
{
// The pixels of a 24-bit bitmap as GDI+ keeps them: rows of stride bytes, top row first.
class LockedPixels
{
public:
    LockedPixels(Gdiplus::Bitmap& bitmap, Gdiplus::ImageLockMode mode) : m_bitmap(bitmap)
    {
        const Gdiplus::Rect all(0, 0, static_cast<INT>(bitmap.GetWidth()),
                                static_cast<INT>(bitmap.GetHeight()));
        m_locked = bitmap.LockBits(&all, mode, PixelFormat24bppRGB, &m_data) == Gdiplus::Ok;
    }
    ~LockedPixels()
    {
        if (m_locked)
        {
            m_bitmap.UnlockBits(&m_data);
        }
    }
    LockedPixels(const LockedPixels&) = delete;
    LockedPixels& operator=(const LockedPixels&) = delete;

    // The whole picture as one block, or null when its rows do not follow each other downwards
    // or it is too large for one file transfer.
    BYTE* Block(DWORD& size) const
    {
        const long long bytes = static_cast<long long>(m_data.Stride) * m_data.Height;
        if (!m_locked || m_data.Stride <= 0 || bytes <= 0 || bytes > LONG_MAX)
        {
            return nullptr;
        }
        size = static_cast<DWORD>(bytes);
        return static_cast<BYTE*>(m_data.Scan0);
    }
    int Stride() const { return m_data.Stride; }
    // The top row; null when the pixels could not be locked.
    BYTE* Rows() const { return m_locked ? static_cast<BYTE*>(m_data.Scan0) : nullptr; }

private:
    Gdiplus::Bitmap& m_bitmap;
    Gdiplus::BitmapData m_data{};
    bool m_locked = false;
};

bool Rewind(HANDLE file)
{
    LARGE_INTEGER start{};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
}
} // namespace

CStretchedBackground::~CStretchedBackground()
{
    CloseFile();
}

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
    return IsEmpty() || m_key != MakeKey(region, background, width, height);
}

Gdiplus::Bitmap& CStretchedBackground::Prepare(const MapRegion& region, EarthBackground& background,
                                               int width, int height)
{
    Key key = MakeKey(region, background, width, height);
    if (!m_bitmap.IsNull() && key == m_key)
    {
        return *m_bitmap;
    }
    if (IsParked(key))
    {
        CPtr<Gdiplus::Bitmap> bitmap = UtilGraphics::NewMapBitmap(width, height);
        if (ReadParked(*bitmap))
        {
            m_bitmap = std::move(bitmap);
            return *m_bitmap;
        }
    }
    // The old picture goes first: two of them at once is what keeping only one avoids. The file
    // stays open for the next one.
    m_bitmap.Reset();
    m_key = Key();
    m_parked = false;
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

void CStretchedBackground::CopyInto(const MapRegion& region, EarthBackground& background,
                                    Gdiplus::Bitmap& target)
{
    const int width = static_cast<int>(target.GetWidth());
    const int height = static_cast<int>(target.GetHeight());
    if (IsParked(MakeKey(region, background, width, height)) && ReadParked(target))
    {
        return;
    }
    Gdiplus::Bitmap& picture = Prepare(region, background, width, height);

    // A copy of rows, not a drawing: no resampling, no blending, the very same bytes.
    const LockedPixels from(picture, Gdiplus::ImageLockModeRead);
    const LockedPixels to(target, Gdiplus::ImageLockModeWrite);
    if (from.Rows() == nullptr || to.Rows() == nullptr)
    {
        ThrowApplicationException(Here());
    }
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
    {
        std::memcpy(to.Rows() + static_cast<std::ptrdiff_t>(y) * to.Stride(),
                    from.Rows() + static_cast<std::ptrdiff_t>(y) * from.Stride(), row);
    }
}

bool CStretchedBackground::Park()
{
    if (m_bitmap.IsNull())
    {
        return true;
    }
    if (!m_parked)
    {
        if (m_file == INVALID_HANDLE_VALUE)
        {
            wchar_t folder[MAX_PATH + 1];
            wchar_t name[MAX_PATH + 1];
            const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
            if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"nbg", 0, name) == 0)
            {
                return false;
            }
            // Temporary: the system keeps it in its cache rather than on the disk where it can.
            m_file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
            if (m_file == INVALID_HANDLE_VALUE)
            {
                DeleteFileW(name);
                return false;
            }
        }
        LockedPixels pixels(*m_bitmap, Gdiplus::ImageLockModeRead);
        DWORD size = 0;
        DWORD written = 0;
        const BYTE* block = pixels.Block(size);
        if (block == nullptr || !Rewind(m_file) || !WriteFile(m_file, block, size, &written, nullptr) ||
            written != size || !SetEndOfFile(m_file))
        {
            return false;
        }
        m_parkedStride = pixels.Stride();
        m_parked = true;
    }
    m_bitmap.Reset();
    return true;
}

bool CStretchedBackground::ReadParked(Gdiplus::Bitmap& bitmap) const
{
    LockedPixels pixels(bitmap, Gdiplus::ImageLockModeWrite);
    DWORD size = 0;
    DWORD read = 0;
    BYTE* const block = pixels.Block(size);
    return block != nullptr && pixels.Stride() == m_parkedStride && Rewind(m_file) &&
           ReadFile(m_file, block, size, &read, nullptr) && read == size;
}

void CStretchedBackground::Release()
{
    m_bitmap.Reset();
    m_key = Key();
    m_parked = false;
    CloseFile();
}

void CStretchedBackground::CloseFile()
{
    if (m_file != INVALID_HANDLE_VALUE)
    {
        CloseHandle(m_file); // and the file is gone
        m_file = INVALID_HANDLE_VALUE;
    }
}
