// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "map/CWallpaperLayout.h"

#include <string>
#include <vector>

class City;
class COptions;

// The weather map of a set of options, drawn outside the program: for looking at what a user's
// settings and cities give, and for timing the composer. Weather that has not been downloaded is
// made up, the same for a city every time, so that every city shows an icon and a temperature.
namespace MapSnapshot
{
// A recent observation for the city: 20 minutes before utcNow, a weather code and a temperature
// that depend only on the city's id and latitude.
void MakeUpWeather(City& city, DateTime utcNow);

// Every city of the options, home city included, with made-up weather.
void MakeUpWeather(COptions& options, DateTime utcNow);

// Sets the observation read from each line of weatherFile, "STATION PATH" (the path is the rest of
// the line after the blanks), on every city of that station; the file is read as the download
// would have given it. Blank lines are skipped; a station no city has is ignored. Throws
// "MapSnapshot::ReadWeatherFile" for a line without a path, the file reader's exception for
// a file that cannot be read, and the observation parser's for one that holds no observation.
void ReadWeatherFile(COptions& options, const std::wstring& weatherFile, DateTime utcNow);

// Reads "Options.txt" and "Cities.txt" of optionsFolder the way the program does at start-up
// (a missing or unreadable file keeps the defaults), gives every city made-up weather, then the
// observations of weatherFile when it is not empty, and writes the map of width × height pixels
// to outputPath as a 24-bit BMP, as the wallpaper would be. The earth images and weather icons
// come from programFolder, the folder Nimbrel.exe ships in ("EarthBackgrounds\" and
// "SmallWeatherIcons\" below it). Starts GDI+ for itself. Throws ApplicationException on failure.
// With more monitors given (virtual-screen rectangles beside the primary one of width × height at
// 0, 0), the picture is the wallpaper spanning them all, with each monitor's map in its place.
void WriteMapFile(const std::wstring& programFolder, const std::wstring& optionsFolder,
                  const std::wstring& weatherFile, const std::wstring& outputPath, int width, int height,
                  const std::vector<CWallpaperLayout::Rect>& moreMonitors = {});
} // namespace MapSnapshot
