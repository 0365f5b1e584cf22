// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/ArgbColor.h"
#include "core/CPtr.h"
#include "data/AppPaths.h"
#include "data/City.h"
#include "data/EarthBackground.h"
#include "data/MapRegion.h"
#include "platform/UtilWin32.h"
#include "weather/DisplayUnits.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Every user setting with the home city and the favourite cities. One live instance is owned by
// Program; the options dialog edits a deep copy and makes it live when accepted. Kept in two
// files of the per-user folder: Options.txt (key=value lines, the home city among them) and
// Cities.txt (one favourite per record line). User-interface thread only; GDI+ must be running.
//
// Reading is forgiving: each value is read on its own, and one that is missing or malformed
// keeps the current value. Lines may end in CR LF or LF alone, blanks around keys and values
// are passed over, and a file that starts with a UTF-8 byte-order mark is read as UTF-8.
// Writing is always ANSI with CR LF, and replaces a file only after its new content is complete
// and on disk, so a failed save leaves the previous file as it was.
//
// A file that is there but cannot be read (locked by another program, no access) is waited for
// a moment, then the defaults stay in force; saving them over it would lose what the user had.
// Nor may the save of a damaged file (a home city that does not parse, a Cities.txt without one
// city) lose the rest of what it held. Such a file is remembered, and the next save of it first
// moves it aside as "Options.txt.unreadable" (or
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
    // The units of the other quantities observed. A file without them (or with one not known)
    // takes those that go with its temperature choice.
    EnumWindUnit WindUnit = EnumWindUnit::MilesPerHour;
    EnumPressureUnit PressureUnit = EnumPressureUnit::InchesOfMercury;
    EnumVisibilityUnit VisibilityUnit = EnumVisibilityUnit::Miles;
    // Whether the map shades the night side of the earth with the night image.
    bool ShowDayAndNight = true;
    // Whether the notification area icon shows the home city's temperature rather than the
    // program's icon.
    bool ShowTemperatureInTray = true;
    // Where the local weather window was left: shown or not, and its top-left corner in
    // virtual-screen coordinates (none until the window has been placed once).
    bool FormLocalWeather_Visible = true;
    std::optional<POINT> FormLocalWeather_Position;
    // Whether active weather alerts are polled and shown.
    bool ShowWeatherAlerts = true;

    // The temperature choice with the units above, as the windows show observations.
    DisplayUnits GetDisplayUnits() const;

    static constexpr int MinWeatherIconScale = 30;
    static constexpr int MaxWeatherIconScale = 300;

    // A deep copy: cities with their weather, cloned fonts, the background's name and path (its
    // image is loaded again when the copy needs it).
    CPtr<COptions> Clone() const;

    // Options.txt, then Cities.txt, from the per-user folder. Never throws; a file that cannot
    // be read leaves what was there. Returns the names of the files that could not be read ("" when
    // both could), for the caller to tell the user.
    std::wstring Load(const AppPaths& paths);
    // The same from the given files; a missing file changes nothing, one that stays unreadable
    // for LockedFileWait milliseconds throws (and is set aside by the next save to that path).
    void LoadOptions(const std::wstring& path);
    void LoadCities(const std::wstring& path);

    // Both files and the log-on Run value. Never throws: false when a file could not be saved,
    // and the files of the last successful save are left in place (telling the user is the
    // caller's).
    bool Save(const AppPaths& paths);
    // Save as the program ends: a file that could not be read when it was loaded keeps what it
    // holds (and the Run value stays as it is), unless a save since has taken its place.
    bool SaveOnExit(const AppPaths& paths);
    // How long a settings file held by another program is waited for when it is read.
    static unsigned LockedFileWait;
    // The same to the given files; throws on failure, leaving the file unchanged.
    void SaveOptions(const std::wstring& path) const;
    void SaveCities(const std::wstring& path) const;
    // The argument the log-on Run value starts the program with: it starts in the tray alone.
    static constexpr const wchar_t* BackgroundArgument = L"/background";
    // Adds or removes the log-on Run value as RunAtSystemStartup says. Never throws.
    void ApplyRunAtSystemStartup(const AppPaths& paths);

    // For the home city and every favourite, the newer weather of the city with the same id in
    // older (its home city first, then its favourites in order). A failure skips that city only.
    void CopyWeatherFrom(const COptions& older);

    // The favourites as (display name, id), sorted by display name code unit by code unit.
    std::vector<std::pair<std::wstring, int>> GetCityNames() const;

    // The value of the first line of text starting with key followed by "=", up to its line end,
    // without the blanks around the key and the value. Throws when there is no such line or it
    // has no line end.
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
