// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/CDesktopWallpaper.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "map/UtilWallpaper.h"
#include "platform/Log.h"
#include "platform/UtilFile.h"

#include <windows.h>

#include <climits>
#include <utility>

namespace
{
const wchar_t kPathKey[] = L"Path=";
const wchar_t kStyleKey[] = L"WallpaperStyle=";
const wchar_t kTileKey[] = L"TileWallpaper=";

std::wstring Upper(std::wstring text)
{
    if (!text.empty())
    {
        CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}

// Paths may hold any character, which no ANSI code page has for every user: the store is UTF-8.
std::string ToUtf8(const std::wstring& text)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX / 4))
    {
        return std::string();
    }
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

// Throws on bytes that are no UTF-8: a damaged store must not put a garbled path on the desktop.
std::wstring FromUtf8(const std::string& utf8)
{
    if (utf8.empty())
    {
        return std::wstring();
    }
    if (utf8.size() > static_cast<std::size_t>(INT_MAX))
    {
        ThrowApplicationException(Here());
    }
    const int length = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (size <= 0)
    {
        ThrowApplicationException(Here());
    }
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, text.data(), size);
    return text;
}
} // namespace

CDesktopWallpaper::CDesktopWallpaper(std::wstring storeFile) : m_storeFile(std::move(storeFile)) {}

void CDesktopWallpaper::Remember(const std::wstring& mapFolder)
{
    try
    {
        Util::ReadDesktopWallpaper(Path, Style, Tile);
        if (IsMapFile(Path, mapFolder))
        {
            std::wstring path;
            std::wstring style;
            std::wstring tile;
            if (ReadStore(path, style, tile))
            {
                Path = std::move(path);
                Style = std::move(style);
                Tile = std::move(tile);
            }
            else
            {
                Path.clear();
            }
            Util::SetDesktopWallpaper(Style, Tile, Path);
        }
        // A store beside a wallpaper that is not ours is out of date: the user chose anew.
        Forget();
    }
    catch (...)
    {
        Log::Exception(L"CDesktopWallpaper::Remember");
    }
}

void CDesktopWallpaper::Store(const std::wstring& mapFolder)
{
    std::wstring path;
    std::wstring style;
    std::wstring tile;
    Util::ReadDesktopWallpaper(path, style, tile);
    if (!IsMapFile(path, mapFolder))
    {
        Path = std::move(path);
        Style = std::move(style);
        Tile = std::move(tile);
        WriteStore();
    }
    else if (!m_storeFile.empty() && GetFileAttributesW(m_storeFile.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        WriteStore();
    }
}

bool CDesktopWallpaper::Restore(const std::wstring& mapFolder)
{
    try
    {
        std::wstring inForce;
        std::wstring style;
        std::wstring tile;
        Util::ReadDesktopWallpaper(inForce, style, tile);
        const bool ours = IsMapFile(inForce, mapFolder);
        if (ours)
        {
            Util::SetDesktopWallpaper(Style, Tile, Path);
        }
        Forget();
        return ours;
    }
    catch (...)
    {
        Log::Exception(L"CDesktopWallpaper::Restore");
        return false;
    }
}

bool CDesktopWallpaper::IsMapFile(const std::wstring& path, const std::wstring& mapFolder)
{
    // An empty folder would be found in every path.
    return !mapFolder.empty() && Upper(path).find(Upper(mapFolder)) != std::wstring::npos;
}

bool CDesktopWallpaper::ReadStore(std::wstring& path, std::wstring& style, std::wstring& tile) const
{
    if (m_storeFile.empty() || GetFileAttributesW(m_storeFile.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        return false;
    }
    try
    {
        const std::wstring text = FromUtf8(UtilFile::ReadFileAscii(m_storeFile));
        // Exactly the three lines WriteStore makes, in its order: anything else is damage.
        std::wstring* const values[] = {&path, &style, &tile};
        const wchar_t* const keys[] = {kPathKey, kStyleKey, kTileKey};
        std::size_t start = 0;
        for (int i = 0; i < 3; ++i)
        {
            const std::size_t end = text.find(L"\r\n", start);
            const std::wstring key = keys[i];
            if (end == std::wstring::npos || text.compare(start, key.size(), key) != 0)
            {
                ThrowApplicationException(Here());
            }
            *values[i] = text.substr(start + key.size(), end - start - key.size());
            start = end + 2;
        }
        if (start != text.size())
        {
            ThrowApplicationException(Here());
        }
        return true;
    }
    catch (...)
    {
        Log::Exception(L"CDesktopWallpaper::ReadStore");
        return false;
    }
}

void CDesktopWallpaper::WriteStore() const
{
    if (!m_storeFile.empty())
    {
        UtilFile::WriteFileWhole(m_storeFile, ToUtf8(kPathKey + Path + L"\r\n" + kStyleKey + Style + L"\r\n" +
                                                     kTileKey + Tile + L"\r\n"));
    }
}

void CDesktopWallpaper::Forget() const
{
    if (!m_storeFile.empty())
    {
        DeleteFileW(m_storeFile.c_str());
    }
}
