// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <string>

// The user's own wallpaper, remembered so that it can be put back when the map stops being the
// wallpaper and when the program ends. The map files live in one folder of their own; a
// wallpaper inside it is one of ours.
//
// While one of our maps may be on the desktop, the user's wallpaper is also kept in a file of
// its own (the store), so that a run that ends without putting it back (a crash, a kill, a power
// loss) leaves it for the next start to put back. The store is UTF-8 text, one value a line,
// each line ended by CR LF: "Path=", "WallpaperStyle=" and "TileWallpaper=", each followed by the
// value exactly as the system had it.
class CDesktopWallpaper
{
public:
    // storeFile empty: remembered in memory only.
    explicit CDesktopWallpaper(std::wstring storeFile = std::wstring());

    // As the system had them when remembered; empty when never found.
    std::wstring Path;
    std::wstring Style;
    std::wstring Tile;

    // At start-up. When one of our maps is in force and the store holds the user's wallpaper, that
    // wallpaper is put back and remembered. A map of ours with nothing stored (or a store that
    // cannot be read) leaves nothing of the user's to remember: the path is forgotten and the
    // desktop's wallpaper removed at once. Otherwise the wallpaper in force is remembered. The
    // store is forgotten in every case. Never throws.
    void Remember(const std::wstring& mapFolder);

    // Before a map is installed. A wallpaper in force that is not one of our maps is the user's
    // (chosen meanwhile, if one was remembered before): it is remembered, and stored. One of our
    // maps in force never replaces what was remembered; it is stored only when the store is
    // missing. Throws ApplicationException when it cannot be stored: no map should then go on
    // the desktop.
    void Store(const std::wstring& mapFolder);

    // Puts the remembered wallpaper back, but only while one of our map files is in force: a
    // wallpaper the user chose meanwhile stays. Then forgets the store. Returns true when the
    // wallpaper was put back. Never throws.
    bool Restore(const std::wstring& mapFolder);

    // Whether path lies inside mapFolder, compared without regard to case.
    static bool IsMapFile(const std::wstring& path, const std::wstring& mapFolder);

private:
    // The stored wallpaper; false when there is none, or none that can be read.
    bool ReadStore(std::wstring& path, std::wstring& style, std::wstring& tile) const;
    void WriteStore() const;
    void Forget() const;

    std::wstring m_storeFile;
};
