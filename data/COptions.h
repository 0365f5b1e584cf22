#pragma once

#include "core/ArgbColor.h"
#include "core/CPtr.h"
#include "core/UtilWin32.h"
#include "data/City.h"
#include "map/EarthBackground.h"
#include "map/MapRegion.h"

#include <string>
#include <utility>
#include <vector>

// Every user setting with the home city and the favourite cities. One live instance is owned by
// Program; the options dialog edits a deep copy and makes it live when accepted. Kept in two
// files of the per-user folder: Options.txt (key=value lines, the home city among them) and
// Cities.txt (one favourite per record line). User-interface thread only; GDI+ must be running.
//
// Reading is forgiving: each value is read on its own, and one that is missing or malformed
// keeps the current value. Writing replaces a file only after its new content is complete and
// on disk, so a failed save leaves the previous file as it was.
//
// A file that is there but cannot be read (locked by another program, no access) leaves the
// defaults in force; saving them over it would lose what the user had. Such a file is
// remembered, and the next save of it first moves it aside as "Options.txt.unreadable" (or
// "Cities.txt.unreadable"), or, when that name is taken by an earlier one, the first free name of
// "Options.txt.unreadable.2" to ".99": older copies are never overwritten. When it cannot be moved
// aside (still locked, all names taken), that save fails and the file stays as it is.
class COptions
{
public:
    // The built-in defaults: Los Angeles at home and seventeen favourites around the world.
    COptions();
    ~COptions();
    COptions(const COptions&) = delete;
    COptions& operator=(const COptions&) = delete;

    bool UpdateWallpaper = true;
    bool UseMetricSystem = false;
    bool RunAtSystemStartup = false;
    CPtr<City> HomeCity;            // may be empty: no home city
    CPtr<std::vector<City>> Cities; // favourites in display order; never holds the home city's id twice
    MapRegion Region;
    EarthBackground Background;
    bool DispalyCityName = true;
    bool DisplayCityTemprature = true;
    int WeatherIconScale = 70; // percent of the icon file's size, 30 to 300
    CPtr<Gdiplus::Font> FontCityName;
    CPtr<Gdiplus::Font> FontCityTemprature;
    // The family chosen for each font while the font stands in with another, because the chosen
    // one cannot be created (not installed, or removed since): saved in the font's place, so that
    // the choice holds again once the family is back. Empty while the font is in the family
    // chosen; whoever replaces a font sets its name here too.
    std::wstring FontCityNameChosenFamily;
    std::wstring FontCityTempratureChosenFamily;
    ArgbColor ColorCityName{0xFFFFFFFFu};
    ArgbColor ColorCityTemprature{0xFFFF0000u};
    bool FormLocalWeather_AlwaysOnTop = false;
    int FormLocalWeather_Mode = 0; // 0 large, 1 small, 2 icon only

    static constexpr int MinWeatherIconScale = 30;
    static constexpr int MaxWeatherIconScale = 300;

    // A deep copy: cities with their weather, cloned fonts, the background's name and path (its
    // image is loaded again when the copy needs it).
    CPtr<COptions> Clone() const;

    // Options.txt, then Cities.txt, from the per-user folder. Never throws; a file that cannot
    // be read leaves what was there.
    void Load();
    void LoadOptions();
    void LoadCities();
    // The same from the given files; a missing file changes nothing, an unreadable one throws
    // (and is set aside by the next save to that path).
    void LoadOptions(const std::wstring& path);
    void LoadCities(const std::wstring& path);

    // Both files and the log-on Run value; on failure tells the user "Could not save options."
    // through ShowMessageBox and leaves the files of the last successful save in place.
    void Save();
    // How Save tells the user of a failure: MessageBoxW, unless a test puts its own here to see the
    // message without a window that waits for a click.
    using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    static MessageBoxFunction ShowMessageBox;
    void SaveOptions();
    void SaveCities();
    // The same to the given files; throws on failure, leaving the file unchanged.
    void SaveOptions(const std::wstring& path) const;
    void SaveCities(const std::wstring& path) const;
    // Adds or removes the log-on Run value as RunAtSystemStartup says. Never throws.
    void ApplyRunAtSystemStartup();

    // For the home city and every favourite, the newer weather of the city with the same id in
    // older (its home city first, then its favourites in order). A failure skips that city only.
    void CopyWeatherFrom(const COptions& older);

    // The favourites as (display name, id), sorted by display name code unit by code unit.
    std::vector<std::pair<std::wstring, int>> GetCityNames() const;

    // The value of the first line of text starting with key followed by "=", up to its CR LF.
    // Throws when there is no such line or it has no CR LF.
    static std::string ReadOptionValueAsString(const std::string& text, const char* key);

private:
    struct CopyTag
    {
    };
    COptions(CopyTag);
};

template <> struct TypeName<COptions>
{
    static constexpr const char* Value = "class COptions";
};
