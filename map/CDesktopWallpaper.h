#pragma once

#include <string>

// The user's own wallpaper, remembered when the program starts so that it can be put back when
// the map stops being the wallpaper and when the program ends. The map files live in one folder of
// their own; a wallpaper inside it is one of ours.
class CDesktopWallpaper
{
public:
    // As the system had them when remembered; empty when never found.
    std::wstring Path;
    std::wstring Style;
    std::wstring Tile;

    // Reads the wallpaper in force. When it is a map file of mapFolder, left on the desktop by a run
    // that could not put the user's back, there is nothing of the user's to remember: the path is
    // forgotten and the desktop's wallpaper removed at once. Never throws.
    void Remember(const std::wstring& mapFolder);

    // Puts the remembered wallpaper back, but only while one of our map files is in force: a
    // wallpaper the user chose meanwhile stays. Returns true when it was put back. Never throws.
    bool Restore(const std::wstring& mapFolder) const;

    // Whether path lies inside mapFolder, compared without regard to case.
    static bool IsMapFile(const std::wstring& path, const std::wstring& mapFolder);
};
