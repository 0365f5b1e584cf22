// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <string>

// The desktop wallpaper as the system keeps it: the image's path (the system's wallpaper setting)
// and how it is laid out, the "WallpaperStyle" and "TileWallpaper" texts under the current user's
// "Control Panel\Desktop". And the emptying of the folder the map files are written to.
namespace Util
{
// Writes the two layout values and makes the system load the wallpaper at path, storing the
// change in the user's profile and telling every window. An empty path removes the wallpaper.
// When the registry key cannot be opened the layout values are left and the path is still set.
void SetDesktopWallpaper(const std::wstring& style, const std::wstring& tile, const std::wstring& path);

// Stretched over the screen, not tiled: style "2", tile "0".
void SetDesktopWallpaperStretched(const std::wstring& path);

// One picture laid over all monitors together, not tiled: style "22", tile "0".
void SetDesktopWallpaperSpanned(const std::wstring& path);

// The wallpaper in force. Each value that cannot be read leaves its argument as it was.
void ReadDesktopWallpaper(std::wstring& path, std::wstring& style, std::wstring& tile);

// Deletes every plain file of the folder, or every one but the named one (compared without regard
// to case). Folders and system files stay; a file that cannot be deleted stays and the others are
// still deleted. A missing folder deletes nothing.
void DeleteFilesInFolder(const std::wstring& folder);
void DeleteFilesExcept(const std::wstring& folder, const std::wstring& fileName);
} // namespace Util
