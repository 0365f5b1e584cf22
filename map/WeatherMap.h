// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "core/DateTime.h"
#include "core/Nullable.h"
#include "data/EarthBackground.h"
#include "map/CMapLayout.h"
#include "map/CWallpaperLayout.h"
#include "platform/GdiPlus.h"
#include "weather/EnumWeatherCode.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class City;
class COptions;
class CStretchedBackground;
class MapRegion;

// The weather map: the region's part of the earth image stretched over a rectangle, and on it every
// favourite city and then the home city, each with its weather icon (day or night), its name and
// its temperature at the city's position. Longitude runs along x and latitude along y, north up,
// through one linear mapping of the region's corners onto the rectangle. Nothing is kept between
// drawings but one string format, so every call shows the options and the weather as they are now.
// User-interface thread only.
//
// The options, the icons and the instant are the caller's, so that the program draws what it
// shows (its live options, its icon cache, the present time) and a preview, a tool or a test can
// draw any options with any icons at any instant. The short drawing helpers the windows share
// (FitImage) are in platform/UtilGraphics.h.
namespace UtilGraphics
{
// The small icon of a weather code by day or by night; null when there is none (no code, or its
// image could not be read), and the city then has no icon. The program's comes from its icon
// cache.
using WeatherIconSource = std::function<Gdiplus::Bitmap*(bool isDay, const Nullable<EnumWeatherCode>& code)>;

// A 24-bit bitmap of the given size, the form every map and kept background takes; throws
// "UtilGraphics::NewMapBitmap" when GDI+ cannot make it.
CPtr<Gdiplus::Bitmap> NewMapBitmap(int width, int height);

// The map at the desktop's size at the present time, 24 bits per pixel, for the wallpaper. Throws
// "UtilGraphics::GenerateNimbrelWallpaper" when the desktop's rectangle cannot be read.
CPtr<Gdiplus::Bitmap> GenerateNimbrelWallpaper(COptions& options, const WeatherIconSource& icons);
// The same over the kept background of the desktop's size (see ComposeWeatherMap).
CPtr<Gdiplus::Bitmap> GenerateNimbrelWallpaper(CStretchedBackground& kept, COptions& options,
                                               const WeatherIconSource& icons);
// The map as a new 24-bit bitmap of the given size. Throws when the bitmap cannot be made.
CPtr<Gdiplus::Bitmap> GenerateNimbrelWallpaper(int width, int height, COptions& options,
                                               const WeatherIconSource& icons, DateTime utcNow);

// The map over the kept background of its size (made again first when the region, the background
// or the size has changed, or the sun has moved by more than a pixel with day and night shown), into a new
// 24-bit bitmap: the same pixels as GenerateNimbrelWallpaper gives, at the cost of a copy and the cities when
// the background is kept. Throws when a bitmap cannot be made.
CPtr<Gdiplus::Bitmap> ComposeWeatherMap(CStretchedBackground& kept, int width, int height, COptions& options,
                                        const WeatherIconSource& icons, DateTime utcNow);
// The same into a 24-bit target of its own size, such as one whose pixels a device context shares.
void ComposeWeatherMap(CStretchedBackground& kept, Gdiplus::Bitmap& target, COptions& options,
                       const WeatherIconSource& icons, DateTime utcNow);

// The desktop's monitors, as a wallpaper that spans them must lay its maps out.
CWallpaperLayout DesktopLayout();

// The wallpaper that spans the layout's monitors: a 24-bit picture of the layout's size holding,
// in each monitor's place, the whole map at that monitor's size; black where no monitor is.
// Throws when a bitmap cannot be made.
CPtr<Gdiplus::Bitmap> GenerateSpannedWallpaper(const CWallpaperLayout& layout, COptions& options,
                                               const WeatherIconSource& icons, DateTime utcNow);
// The same over kept backgrounds, one per monitor size: keptOfSize gives the one for a size.
using KeptBackgroundOfSize = std::function<CStretchedBackground&(int width, int height)>;
CPtr<Gdiplus::Bitmap> ComposeSpannedWallpaper(const CWallpaperLayout& layout,
                                              const KeptBackgroundOfSize& keptOfSize, COptions& options,
                                              const WeatherIconSource& icons, DateTime utcNow);

// The whole map into the rectangle, shaded by the sun at utcNow when the options show day and
// night. Leaves the graphics in pixel units with anti-aliased text.
// Throws only when the options or the background's bitmap object are missing, or a shaded
// background cannot be made; one city or one pass that fails is left out and the rest is drawn.
void DrawWeatherMap(Gdiplus::Graphics& graphics, int x, int y, int width, int height, COptions& options,
                    const WeatherIconSource& icons, DateTime utcNow);

// The cities alone, as DrawWeatherMap draws them over the background into the rectangle: every
// icon on its city, and each label in the first free place around its icon (see CMapLayout), the
// home city's first, then the favourites' in list order. Names and temperatures have a thin rim
// in a contrasting shade so that they read on any ground. Fonts and icons grow with a target larger
// than 1280 × 800, by as much as it is larger on its shorter side.
void DrawCities(Gdiplus::Graphics& graphics, int x, int y, int width, int height, const COptions& options,
                const WeatherIconSource& icons, DateTime utcNow);

// Where DrawCities puts each city's icon and label in the rectangle: one placement per city, the
// home city first, then the favourites in list order. A city that is not drawn has neither.
std::vector<CMapLayout::Placement> LayOutCities(Gdiplus::Graphics& graphics, int x, int y, int width,
                                                int height, const COptions& options,
                                                const WeatherIconSource& icons, DateTime utcNow);

// The region's part of the background's image, stretched over the rectangle on each axis. An
// image that could not be read draws nothing.
void DrawBackground(const MapRegion& region, EarthBackground& background, Gdiplus::Graphics& graphics, int x,
                    int y, int width, int height);

// The rectangle of an earth image of the given size, in its pixels, that the region covers; false
// when the region's corners give no whole pixels.
bool GetBackgroundPart(const MapRegion& region, UINT imageWidth, UINT imageHeight, Gdiplus::Rect& part);

// The selected elements of one city around the pixel point (px, py), at the options' own sizes:
// the icon centred on it, the label where a map puts it when nothing is in the way. Names and
// temperatures are always laid out from the options, whichever of them is drawn, so that texts
// drawn in separate calls fit together. A point too far off any surface to
// be seen draws nothing.
void DrawCity(Gdiplus::Graphics& graphics, const City& city, const COptions& options, bool drawName,
              bool drawTemperature, bool drawIcon, int px, int py, const WeatherIconSource& icons,
              DateTime utcNow);

// The cities with an active weather alert, by id: the map marks each beside its icon, laid out
// with the labels. Set by the program as alerts come and go; user-interface thread only.
void SetAlertCities(std::vector<int> cityIds);
bool HasAlertMark(int cityId);
// The warning mark: a small amber triangle with a dark "!", its lower left corner at (left, bottom).
void DrawAlertMark(Gdiplus::Graphics& graphics, float left, float bottom, float size);

// Sets matrix to the linear mapping that takes (x1, y1) to (X1, Y1) and (x2, y2) to (X2, Y2),
// each axis on its own.
void SetRectangleMapping(Gdiplus::Matrix& matrix, float x1, float y1, float x2, float y2, float X1, float Y1,
                         float X2, float Y2);

// Releases the string formats kept between drawings; the shutdown sequence calls it while GDI+
// is still running. The next drawing makes a new one.
void FreeSharedObjects();

// The BMP encoder of GDI+, looked up once. GetEncoderClsid returns false when GDI+ has none and
// throws "UtilGraphics::GetEncoderClsid" when it cannot list its encoders;
// GetEncoderBmp throws "UtilGraphics::GetEncoderBmp" when there is no BMP encoder.
bool GetEncoderClsid();
CLSID GetEncoderBmp();

// Saves the bitmap as the first free "NB0.bmp" to "NB99.bmp" of the folder, makes it the
// stretched desktop wallpaper and deletes every other file of the folder. Because the map in
// force still exists while the next one is named, the names alternate and only the newest file
// is left. Returns true when the wallpaper was changed. Never throws: an empty folder, no free
// name, no encoder or a file that could not be written all leave the wallpaper in force and the
// folder's files as they were.
// When written is given, it receives the path of the file installed. A spanned picture (one for
// every monitor) is laid over all monitors instead of stretched over each.
bool InstallWallpaper(Gdiplus::Bitmap& bitmap, const std::wstring& folder, std::wstring* written = nullptr,
                      bool spanned = false);

// A digest of the bitmap's size and pixels: two maps with the same digest look the same. 0 when
// the pixels cannot be read.
std::uint64_t Fingerprint(Gdiplus::Bitmap& bitmap);
} // namespace UtilGraphics
