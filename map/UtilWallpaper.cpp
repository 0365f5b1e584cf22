// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/UtilWallpaper.h"

#include "core/Util.h"
#include "platform/ScopedHandle.h"

#include <windows.h>

#include <functional>

namespace
{
const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kStyleValue[] = L"WallpaperStyle";
const wchar_t kTileValue[] = L"TileWallpaper";
constexpr DWORD kValueChars = MAX_PATH;

class RegistryKey
{
public:
    RegistryKey(const wchar_t* path, REGSAM access)
    {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, &m_key) != ERROR_SUCCESS)
        {
            m_key = nullptr;
        }
    }
    ~RegistryKey()
    {
        if (m_key != nullptr)
        {
            RegCloseKey(m_key);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

void WriteText(const RegistryKey& key, const wchar_t* name, const std::wstring& value)
{
    if (key.Get() == nullptr)
    {
        return;
    }
    // The terminating zero is part of a REG_SZ value's data.
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
}

void ReadText(const RegistryKey& key, const wchar_t* name, std::wstring& value)
{
    wchar_t buffer[kValueChars + 1] = L"";
    DWORD bytes = sizeof buffer;
    // RegGetValueW guarantees the terminating zero that a plain query of a REG_SZ does not.
    if (RegGetValueW(key.Get(), nullptr, name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) == ERROR_SUCCESS)
    {
        value = buffer;
    }
}

void DeleteFilesWhere(const std::wstring& folder, const std::function<bool(const wchar_t*)>& keep)
{
    const std::wstring path = Util::AppendBackslash(folder);
    WIN32_FIND_DATAW entry;
    const FindHandle find(FindFirstFileW((path + L"*.*").c_str(), &entry));
    if (!find.IsValid())
    {
        return;
    }
    do
    {
        if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM)) != 0 ||
            keep(entry.cFileName))
        {
            continue;
        }
        DeleteFileW((path + entry.cFileName).c_str()); // one that stays only shifts later names
    } while (FindNextFileW(find.Get(), &entry));
}
} // namespace

namespace Util
{
void SetDesktopWallpaper(const std::wstring& style, const std::wstring& tile, const std::wstring& path)
{
    const RegistryKey key(kDesktopKey, KEY_READ | KEY_WRITE);
    WriteText(key, kStyleValue, style);
    WriteText(key, kTileValue, tile);
    // The system reads the layout values when it loads the image, so they go first.
    std::wstring image = path;
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, image.data(), SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
}

void SetDesktopWallpaperStretched(const std::wstring& path)
{
    SetDesktopWallpaper(L"2", L"0", path);
}

void SetDesktopWallpaperSpanned(const std::wstring& path)
{
    SetDesktopWallpaper(L"22", L"0", path);
}

void ReadDesktopWallpaper(std::wstring& path, std::wstring& style, std::wstring& tile)
{
    wchar_t buffer[MAX_PATH + 1] = L"";
    if (SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, buffer, 0))
    {
        buffer[MAX_PATH] = L'\0';
        path = buffer;
    }
    const RegistryKey key(kDesktopKey, KEY_READ);
    if (key.Get() != nullptr)
    {
        ReadText(key, kStyleValue, style);
        ReadText(key, kTileValue, tile);
    }
}

void DeleteFilesInFolder(const std::wstring& folder)
{
    DeleteFilesWhere(folder, [](const wchar_t*) { return false; });
}

void DeleteFilesExcept(const std::wstring& folder, const std::wstring& fileName)
{
    DeleteFilesWhere(folder,
                     [&](const wchar_t* name)
                     {
                         return CompareStringOrdinal(name, -1, fileName.c_str(),
                                                     static_cast<int>(fileName.size()), TRUE) == CSTR_EQUAL;
                     });
}
} // namespace Util
