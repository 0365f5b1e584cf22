#include "map/CDesktopWallpaper.h"

#include "map/UtilWallpaper.h"
#include "platform/Log.h"

#include <windows.h>

namespace
{
std::wstring Upper(std::wstring text)
{
    if (!text.empty())
    {
        CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}
} // namespace

void CDesktopWallpaper::Remember(const std::wstring& mapFolder)
{
    try
    {
        Util::ReadDesktopWallpaper(Path, Style, Tile);
        if (IsMapFile(Path, mapFolder))
        {
            Path.clear();
            Util::SetDesktopWallpaper(Style, Tile, Path);
        }
    }
    catch (...)
    {
        Log::Exception(L"CDesktopWallpaper::Remember");
    }
}

bool CDesktopWallpaper::Restore(const std::wstring& mapFolder) const
{
    try
    {
        std::wstring inForce;
        std::wstring style;
        std::wstring tile;
        Util::ReadDesktopWallpaper(inForce, style, tile);
        if (!IsMapFile(inForce, mapFolder))
        {
            return false;
        }
        Util::SetDesktopWallpaper(Style, Tile, Path);
        return true;
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
