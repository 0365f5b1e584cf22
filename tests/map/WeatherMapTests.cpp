// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/WeatherMap.h"

#include "data/COptions.h"
#include "data/MapRegion.h"
#include "map/CStretchedBackground.h"
#include "map/MapSnapshot.h"
#include "platform/UtilWin32.h"
#include "tests/support/ProcessTools.h"
#include "tests/support/TempFolder.h"
#include "weather/CWeatherIcons.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <vector>

namespace
{
// Noon UTC at the June solstice: the sun is up on the prime meridian and down at 150° east.
const DateTime kNow(2024, 6, 21, 12, 0, 0);
constexpr int kMapWidth = 620; // the default region, 310° by 170°, at 2 pixels a degree
constexpr int kMapHeight = 340;

int MapX(float longitude)
{
    return static_cast<int>((longitude + 145.0f) * 2.0f);
}

int MapY(float latitude)
{
    return static_cast<int>((90.0f - latitude) * 2.0f);
}

void WriteImage(const std::wstring& path, int width, int height,
                const std::function<Gdiplus::Color(int x, int y)>& color)
{
    Gdiplus::Bitmap bitmap(width, height, PixelFormat24bppRGB);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            bitmap.SetPixel(x, y, color(x, y));
        }
    }
    const CLSID encoder = UtilGraphics::GetEncoderBmp();
    ASSERT_EQ(Gdiplus::Ok, bitmap.Save(path.c_str(), &encoder, nullptr));
}

// A bitmap's pixels read once, as 0xAARRGGBB.
class Pixels
{
public:
    explicit Pixels(Gdiplus::Bitmap& bitmap) : m_width(bitmap.GetWidth()), m_height(bitmap.GetHeight())
    {
        Gdiplus::Color color;
        for (int i = 0; i < m_width * m_height; ++i)
        {
            bitmap.GetPixel(i % m_width, i / m_width, &color);
            m_pixels.push_back(color.GetValue());
        }
    }

    const std::vector<std::uint32_t>& All() const { return m_pixels; }
    std::uint32_t At(int x, int y) const { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }
    int Red(int x, int y) const { return (At(x, y) >> 16) & 0xFF; }
    int Green(int x, int y) const { return (At(x, y) >> 8) & 0xFF; }
    int Blue(int x, int y) const { return At(x, y) & 0xFF; }

    // The smallest rectangle, right and bottom exclusive, holding every pixel of the area that
    // passes the test; empty (right <= left) when none does.
    struct Box
    {
        int Left = INT_MAX;
        int Top = INT_MAX;
        int Right = INT_MIN;
        int Bottom = INT_MIN;
        bool Empty() const { return Right <= Left; }
        double CentreX() const { return (Left + Right) / 2.0; }
    };
    Box Find(const std::function<bool(int red, int green, int blue)>& test, int left = 0, int top = 0,
             int right = INT_MAX, int bottom = INT_MAX) const
    {
        Box box;
        for (int y = std::max(top, 0); y < std::min(bottom, m_height); ++y)
        {
            for (int x = std::max(left, 0); x < std::min(right, m_width); ++x)
            {
                if (test(Red(x, y), Green(x, y), Blue(x, y)))
                {
                    box.Left = std::min(box.Left, x);
                    box.Top = std::min(box.Top, y);
                    box.Right = std::max(box.Right, x + 1);
                    box.Bottom = std::max(box.Bottom, y + 1);
                }
            }
        }
        return box;
    }

private:
    int m_width;
    int m_height;
    std::vector<std::uint32_t> m_pixels;
};

// Text ink on the black map: green names, red temperatures.
bool NameInk(int red, int green, int blue)
{
    return green > 60 && red < 40 && blue < 40;
}

bool TemperatureInk(int red, int green, int blue)
{
    return red > 60 && green < 40 && blue < 40;
}

// Icons of one solid colour each, by code and daylight, so that every city's icon and its
// daylight can be told apart on the map. Transparent icons take room without showing.
class TestIcons
{
public:
    TestIcons(int width, int height, bool visible = true)
        : m_width(width), m_height(height), m_visible(visible)
    {
    }

    static int RedOf(int code) { return 40 + 10 * code; }
    static bool IsIcon(int code, bool isDay, int red, int green, int blue)
    {
        return red == RedOf(code) && green == (isDay ? 255 : 0) && blue == 128;
    }
    static bool IsIconOfCode(int code, int red, int, int blue) { return red == RedOf(code) && blue == 128; }
    static bool Shows(const Pixels& map, int code)
    {
        return !map.Find([&](int r, int g, int b) { return IsIconOfCode(code, r, g, b); }).Empty();
    }

    UtilGraphics::WeatherIconSource Source()
    {
        return [this](bool isDay, const Nullable<EnumWeatherCode>& code) -> Gdiplus::Bitmap*
        {
            if (!code.HasValue)
            {
                return nullptr;
            }
            std::unique_ptr<Gdiplus::Bitmap>& icon = m_icons[{code.Value(), isDay}];
            if (!icon)
            {
                icon.reset(new Gdiplus::Bitmap(m_width, m_height, PixelFormat32bppARGB));
                Gdiplus::Graphics graphics(icon.get());
                graphics.Clear(
                    Gdiplus::Color(m_visible ? 255 : 0, RedOf(code.Value()), isDay ? 255 : 0, 128));
            }
            return icon.get();
        };
    }

private:
    int m_width;
    int m_height;
    bool m_visible;
    std::map<std::pair<int, bool>, std::unique_ptr<Gdiplus::Bitmap>> m_icons;
};

City MakeCity(int id, const wchar_t* name, float latitude, float longitude, Nullable<EnumWeatherCode> code,
              Nullable<float> celsius, DateTime observed = kNow - TimeSpan(10 * TimeSpan::TicksPerMinute))
{
    City city(id, L"K" + std::to_wstring(id), L"USA", name, L"", latitude, longitude);
    city.CurrentWeather.ReportDateTime = observed;
    city.CurrentWeather.WeatherCode = code;
    city.CurrentWeather.Temprature = celsius;
    return city;
}

// Options over a black earth, without cities, names in green and temperatures in red.
class MapTest : public testing::Test
{
protected:
    MapTest() : m_scope(m_folder.Path())
    {
        WriteImage(m_folder.File(L"Black.bmp"), 36, 18, [](int, int) { return Gdiplus::Color(0, 0, 0); });
        m_options.reset(new COptions());
        EXPECT_TRUE(m_options->Background.SetByName(L"Black.bmp"));
        m_options->Cities = new std::vector<City>();
        m_options->HomeCity.Reset();
        m_options->WeatherIconScale = 100;
        m_options->FontCityName = Util::ParseFont("Arial,20,0");
        m_options->FontCityTemprature = Util::ParseFont("Arial,12,1");
        m_options->ColorCityName = ArgbColor::FromRgb(0, 255, 0);
        m_options->ColorCityTemprature = ArgbColor::FromRgb(255, 0, 0);
    }

    ~MapTest() override { UtilGraphics::FreeSharedObjects(); } // before the test program's GDI+ goes

    const TempFolder& Folder() const { return m_folder; }
    COptions& Options() { return *m_options; }
    std::vector<City>& Cities() { return *m_options->Cities; }

    Pixels Render(TestIcons& icons)
    {
        const CPtr<Gdiplus::Bitmap> map =
            UtilGraphics::GenerateNimbrelWallpaper(kMapWidth, kMapHeight, *m_options, icons.Source(), kNow);
        EXPECT_EQ(static_cast<UINT>(kMapWidth), map->GetWidth());
        EXPECT_EQ(PixelFormat24bppRGB, map->GetPixelFormat());
        return Pixels(*map);
    }

private:
    TempFolder m_folder;
    EarthBackground::ScopedFolder m_scope;
    std::unique_ptr<COptions> m_options;
};

// The map over a kept background is the map from scratch, pixel for pixel: the background is a
// copy of the very stretch a full drawing makes, and the cities are drawn the same way over it.
TEST_F(MapTest, AMapOverTheKeptBackgroundIsTheMapFromScratch)
{
    WriteImage(Folder().File(L"Pattern.bmp"), 90, 45,
               [](int x, int y) { return Gdiplus::Color(x * 2, y * 5, (x * 7 + y * 3) % 256); });
    ASSERT_TRUE(Options().Background.SetByName(L"Pattern.bmp"));
    Cities().push_back(MakeCity(1, L"Ames", 42.0f, -93.6f, EnumWeatherCode::Rain, 12.0f));
    Cities().push_back(MakeCity(2, L"Lyon", 45.7f, 4.8f, EnumWeatherCode::Clear, 25.0f));
    Options().HomeCity = new City(MakeCity(3, L"Perth", -31.9f, 115.9f, EnumWeatherCode::Fog, -4.0f));
    TestIcons icons(16, 12);
    CStretchedBackground kept;
    const auto same = [&](int width, int height)
    {
        const CPtr<Gdiplus::Bitmap> keptMap =
            UtilGraphics::ComposeWeatherMap(kept, width, height, Options(), icons.Source(), kNow);
        const CPtr<Gdiplus::Bitmap> scratch =
            UtilGraphics::GenerateNimbrelWallpaper(width, height, Options(), icons.Source(), kNow);
        return Pixels(*keptMap).All() == Pixels(*scratch).All();
    };

    EXPECT_TRUE(same(kMapWidth, kMapHeight));
    // New weather over the same background: the stretch is not made again, nor the image loaded.
    Gdiplus::Bitmap* const stretched =
        &kept.Prepare(Options().Region, Options().Background, kMapWidth, kMapHeight);
    Options().Background.Image.Reset();
    Cities()[0].CurrentWeather.Temprature = 31.0f;
    Cities()[1].CurrentWeather.WeatherCode = EnumWeatherCode::Snow;
    UtilGraphics::ComposeWeatherMap(kept, kMapWidth, kMapHeight, Options(), icons.Source(), kNow);
    EXPECT_TRUE(Options().Background.Image.IsNull());
    EXPECT_TRUE(same(kMapWidth, kMapHeight));
    EXPECT_EQ(stretched, &kept.Prepare(Options().Region, Options().Background, kMapWidth, kMapHeight));

    // Parked between maps, the picture comes back from its file, not from the image; twice, since
    // the file is written once and read each time.
    for (int round = 0; round < 2; ++round)
    {
        ASSERT_TRUE(kept.Park());
        EXPECT_TRUE(kept.IsParked());
        EXPECT_FALSE(kept.IsStale(Options().Region, Options().Background, kMapWidth, kMapHeight));
        Cities()[0].CurrentWeather.Temprature = 10.0f + round;
        EXPECT_TRUE(same(kMapWidth, kMapHeight));
        Options().Background.Image.Reset();
        UtilGraphics::ComposeWeatherMap(kept, kMapWidth, kMapHeight, Options(), icons.Source(), kNow);
        EXPECT_TRUE(Options().Background.Image.IsNull()) << round;
    }
    ASSERT_TRUE(kept.Park());

    // Whatever the stretch depends on makes it anew: the size, the region, the background, even the
    // same file chosen again.
    EXPECT_TRUE(kept.IsStale(Options().Region, Options().Background, 500, 300));
    EXPECT_TRUE(same(500, 300));
    ASSERT_TRUE(MapRegion::FindByName(L"Europe", Options().Region));
    EXPECT_TRUE(kept.IsStale(Options().Region, Options().Background, 500, 300));
    EXPECT_TRUE(same(500, 300));
    ASSERT_TRUE(Options().Background.SetByName(L"Pattern.bmp"));
    EXPECT_TRUE(kept.IsStale(Options().Region, Options().Background, 500, 300));
    ASSERT_TRUE(Options().Background.SetByName(L"Black.bmp"));
    EXPECT_TRUE(same(500, 300));
    EXPECT_FALSE(kept.IsStale(Options().Region, EarthBackground(Options().Background), 500, 300))
        << "a copy of the options shows the same background";
}

// With day and night shown, the default earth gets its night picture blended in where the sun is
// down, over the kept background as from scratch; the kept picture is made again once the sun has
// moved by more than a pixel, and not before. Any other earth, or the night picture itself, or a
// missing night picture, leaves the day alone, as does the option turned off.
TEST_F(MapTest, TheNightPictureIsBlendedInWhereTheSunIsDownAndKeptUntilTheSunMovesAPixel)
{
    // Day in one colour; night darker, its red growing to the east, one pixel a degree.
    WriteImage(Folder().File(EarthBackground::DefaultName), 360, 180,
               [](int, int) { return Gdiplus::Color(200, 180, 40); });
    WriteImage(Folder().File(EarthBackground::NightLightsName), 360, 180,
               [](int x, int) { return Gdiplus::Color(x * 255 / 359, 20, 90); });
    ASSERT_TRUE(Options().Background.SetByName(EarthBackground::DefaultName));
    Options().ShowDayAndNight = true;
    Cities().push_back(MakeCity(1, L"Lyon", 45.7f, 4.8f, EnumWeatherCode::Clear, 25.0f));
    Cities().push_back(MakeCity(2, L"Perth", -31.9f, 115.9f, EnumWeatherCode::Fog, -4.0f));
    TestIcons icons(16, 12);
    const auto render = [&](DateTime instant)
    {
        return Pixels(*UtilGraphics::GenerateNimbrelWallpaper(kMapWidth, kMapHeight, Options(),
                                                              icons.Source(), instant));
    };

    const Pixels shaded = render(kNow);
    // Noon on the prime meridian is day; the Pacific, either side of the date line, is night,
    // each place with the night picture's own colour from its own longitude.
    EXPECT_EQ(0xFFC8B428u, shaded.At(MapX(0), MapY(10)));
    for (const float longitude : {150.0f, -120.0f})
    {
        EXPECT_NEAR((longitude + 180.0f) * 255 / 359, shaded.Red(MapX(longitude), MapY(-40)), 3.0)
            << longitude;
        EXPECT_EQ(20, shaded.Green(MapX(longitude), MapY(-40)));
        EXPECT_EQ(90, shaded.Blue(MapX(longitude), MapY(-40)));
    }
    // Between them at the equator, twilight: neither the one nor the other.
    int twilight = 0;
    for (int x = MapX(80); x < MapX(105); ++x)
    {
        const int green = shaded.Green(x, MapY(0));
        twilight += green > 20 && green < 180;
    }
    EXPECT_GT(twilight, 5);

    CStretchedBackground kept;
    const auto keptMap = [&](DateTime instant)
    {
        return Pixels(*UtilGraphics::ComposeWeatherMap(kept, kMapWidth, kMapHeight, Options(), icons.Source(),
                                                       instant));
    };
    EXPECT_EQ(shaded.All(), keptMap(kNow).All());
    // A minute later the sun has moved a quarter of a degree, half a pixel: the same picture.
    const Gdiplus::Bitmap* const first =
        &kept.Prepare(Options().Region, Options().Background, kMapWidth, kMapHeight, kNow);
    const DateTime minuteOn = kNow + TimeSpan::FromMinutes(1);
    EXPECT_FALSE(kept.IsStale(Options().Region, Options().Background, kMapWidth, kMapHeight, minuteOn));
    keptMap(minuteOn);
    EXPECT_EQ(first, &kept.Prepare(Options().Region, Options().Background, kMapWidth, kMapHeight, minuteOn));
    // Three minutes on, a pixel and a half: made again, as from scratch.
    const DateTime threeOn = kNow + TimeSpan::FromMinutes(3);
    EXPECT_TRUE(kept.IsStale(Options().Region, Options().Background, kMapWidth, kMapHeight, threeOn));
    const Pixels later = keptMap(threeOn);
    EXPECT_EQ(render(threeOn).All(), later.All());
    EXPECT_NE(shaded.All(), later.All());

    // No night: the option off, the night picture chosen itself, another earth, a missing night.
    Options().ShowDayAndNight = false;
    const Pixels day = render(kNow);
    EXPECT_EQ(0xFFC8B428u, day.At(MapX(150), MapY(-40)));
    EXPECT_EQ(day.All(), keptMap(kNow).All());
    Options().ShowDayAndNight = true;
    WriteImage(Folder().File(L"Day.bmp"), 360, 180, [](int, int) { return Gdiplus::Color(200, 180, 40); });
    ASSERT_TRUE(Options().Background.SetByName(L"Day.bmp"));
    EXPECT_EQ(day.All(), render(kNow).All());
    EXPECT_EQ(day.All(), keptMap(kNow).All());
    ASSERT_TRUE(Options().Background.SetByName(EarthBackground::NightLightsName));
    EXPECT_EQ(90, render(kNow).Blue(MapX(0), MapY(10)));
    ASSERT_TRUE(Options().Background.SetByName(EarthBackground::DefaultName)); // lets go of the file
    ASSERT_TRUE(DeleteFileW(Folder().File(EarthBackground::NightLightsName).c_str()));
    EXPECT_EQ(day.All(), render(kNow).All());
    EXPECT_EQ(day.All(), keptMap(kNow).All());
}

TEST_F(MapTest, EveryRegionShowsItsOwnPartOfTheEarthImage)
{
    const TempFolder& folder = Folder();
    // Red grows to the east and green to the south, so a pixel tells where on earth it came from.
    constexpr int kWidth = 720;
    constexpr int kHeight = 360;
    WriteImage(folder.File(L"Gradient.bmp"), kWidth, kHeight,
               [](int x, int y)
               { return Gdiplus::Color(x * 255 / (kWidth - 1), y * 255 / (kHeight - 1), 0); });
    std::ofstream(std::filesystem::path(folder.File(L"Broken.bmp"))) << "no image";

    EarthBackground background;
    ASSERT_TRUE(background.SetByName(L"Gradient.bmp"));
    for (const MapRegion& region : MapRegion::GetAllRegions())
    {
        SCOPED_TRACE(testing::Message()
                     << region.West << "," << region.North << "," << region.East << "," << region.South);
        Gdiplus::Bitmap target(340, 220, PixelFormat24bppRGB);
        {
            Gdiplus::Graphics graphics(&target);
            graphics.Clear(Gdiplus::Color(0, 0, 255));
            UtilGraphics::DrawBackground(region, background, graphics, 20, 10, 300, 200);
        }
        const Pixels pixels(target);
        for (const double fx : {0.05, 0.5, 0.95})
        {
            for (const double fy : {0.05, 0.5, 0.95})
            {
                const double longitude = region.West + fx * (region.East - region.West);
                const double latitude = region.North + fy * (region.South - region.North);
                const double sourceX = (longitude + 180.0) / 360.0 * kWidth - 0.5;
                const double sourceY = (90.0 - latitude) / 180.0 * kHeight - 0.5;
                const int x = 20 + static_cast<int>(fx * 300);
                const int y = 10 + static_cast<int>(fy * 200);
                EXPECT_NEAR(sourceX * 255 / (kWidth - 1), pixels.Red(x, y), 3.0) << x << "," << y;
                EXPECT_NEAR(sourceY * 255 / (kHeight - 1), pixels.Green(x, y), 3.0) << x << "," << y;
            }
        }
        // Stretched over the rectangle and nothing beyond it (the edge pixels themselves are
        // GDI+'s to round).
        for (const auto& [x, y] :
             {std::pair(21, 100), std::pair(318, 100), std::pair(100, 11), std::pair(100, 208)})
        {
            EXPECT_EQ(0u, pixels.At(x, y) & 0xFF) << x << "," << y;
        }
        for (const auto& [x, y] :
             {std::pair(19, 100), std::pair(320, 100), std::pair(100, 9), std::pair(100, 210)})
        {
            EXPECT_EQ(0xFF0000FFu, pixels.At(x, y)) << x << "," << y;
        }
    }

    // A file that is no image draws nothing.
    ASSERT_TRUE(background.SetByName(L"Broken.bmp"));
    Gdiplus::Bitmap target(40, 30, PixelFormat24bppRGB);
    {
        Gdiplus::Graphics graphics(&target);
        graphics.Clear(Gdiplus::Color(0, 0, 255));
        UtilGraphics::DrawBackground(MapRegion(), background, graphics, 0, 0, 40, 30);
    }
    const Pixels pixels(target);
    EXPECT_TRUE(pixels.Find([](int, int, int blue) { return blue != 255; }).Empty());
}

TEST_F(MapTest, IconsSitOnTheirCitiesInDaylightOrDarknessWithTheHomeCityOnTop)
{
    Options().DispalyCityName = false;
    Options().DisplayCityTemprature = false;
    Cities() = {
        MakeCity(1, L"Noon", 0.0f, 0.0f, Fair, 20.0f),
        MakeCity(2, L"Night", 0.0f, 150.0f, Fog, 20.0f),
        // West of the left edge by 0.7°: x = -1.4, which truncates to -1 and not to -2.
        MakeCity(3, L"Edge", 45.3f, -145.7f, Haze, 20.0f),
        // East of the region's east edge (165°): drawn beyond the map, not wrapped to the west.
        MakeCity(4, L"Beyond", 0.0f, 170.0f, PartlyCloudy, 20.0f),
        // Observed three hours ago: its icon all the same, the last weather known.
        MakeCity(7, L"Stale", 20.0f, 20.0f, Cold, 20.0f, kNow - TimeSpan(3 * TimeSpan::TicksPerHour)),
        MakeCity(5, L"Under", -30.0f, 60.0f, MostlyCloudy, 20.0f),
    };
    Options().HomeCity = new City(MakeCity(6, L"Home", -30.0f, 60.0f, Cloudy, 20.0f));

    TestIcons icons(20, 20);
    {
        const Pixels map = Render(icons);
        const auto box = [&](int code, bool isDay)
        { return map.Find([&](int r, int g, int b) { return TestIcons::IsIcon(code, isDay, r, g, b); }); };

        const Pixels::Box noon = box(Fair, true);
        EXPECT_EQ(MapX(0) - 10, noon.Left);
        EXPECT_EQ(MapY(0) - 10, noon.Top);
        EXPECT_EQ(MapX(0) + 10, noon.Right);
        EXPECT_EQ(MapY(0) + 10, noon.Bottom);
        EXPECT_TRUE(box(Fair, false).Empty());

        const Pixels::Box night = box(Fog, false);
        EXPECT_EQ(MapX(150) - 10, night.Left);
        EXPECT_EQ(MapY(0) - 10, night.Top);
        EXPECT_TRUE(box(Fog, true).Empty());

        const Pixels::Box edge =
            map.Find([](int r, int g, int b) { return TestIcons::IsIconOfCode(Haze, r, g, b); });
        EXPECT_EQ(0, edge.Left);
        EXPECT_EQ(9, edge.Right);
        EXPECT_EQ(89 - 10, edge.Top);

        EXPECT_FALSE(TestIcons::Shows(map, PartlyCloudy));
        EXPECT_TRUE(TestIcons::Shows(map, Cold));

        // The favourite lies under the home city, which is drawn after every favourite.
        EXPECT_TRUE(
            TestIcons::IsIconOfCode(Cloudy, map.Red(MapX(60), MapY(-30)), 0, map.Blue(MapX(60), MapY(-30))));
        EXPECT_FALSE(TestIcons::Shows(map, MostlyCloudy));
    }

    // At half the scale, half the size, still centred on the city.
    Options().WeatherIconScale = 50;
    {
        const Pixels map = Render(icons);
        const Pixels::Box noon =
            map.Find([](int r, int g, int b) { return TestIcons::IsIcon(Fair, true, r, g, b); }, MapX(0) - 20,
                     MapY(0) - 20, MapX(0) + 20, MapY(0) + 20);
        EXPECT_NEAR(MapX(0) - 5, noon.Left, 1);
        EXPECT_NEAR(MapX(0) + 5, noon.Right, 1);
        EXPECT_NEAR(MapY(0) - 5, noon.Top, 1);
        EXPECT_NEAR(MapY(0) + 5, noon.Bottom, 1);
    }
}

TEST_F(MapTest, ALabelSitsRightOfItsIconWithTheNameAgainstTheTemperature)
{
    // Transparent icons: they take their room but leave the text alone on the black map.
    TestIcons icons(40, 40, false);
    const auto nameAt = [](const Pixels& map, float longitude)
    { return map.Find(NameInk, MapX(longitude) - 150, MapY(0) - 40, MapX(longitude) + 150, MapY(0) + 80); };
    const auto temperatureAt = [](const Pixels& map, float longitude)
    {
        return map.Find(TemperatureInk, MapX(longitude) - 150, MapY(0) - 40, MapX(longitude) + 150,
                        MapY(0) + 80);
    };

    // Temperatures alone: one with an icon 40 pixels high, one without an icon (a point of one pixel).
    Options().DispalyCityName = false;
    Cities() = {MakeCity(1, L"Iconic", 0.0f, -60.0f, Fair, 20.0f),
                MakeCity(2, L"Plain", 0.0f, 60.0f, {}, 20.0f)};
    Pixels::Box withIcon;
    Pixels::Box withoutIcon;
    {
        const Pixels map = Render(icons);
        withIcon = temperatureAt(map, -60.0f);
        withoutIcon = temperatureAt(map, 60.0f);
        ASSERT_FALSE(withIcon.Empty());
        ASSERT_FALSE(withoutIcon.Empty());
        // Beside the icon's right edge (20 pixels right of the city) or the point, centred on
        // the city's height either way.
        EXPECT_EQ(19, (withIcon.Left - MapX(-60)) - (withoutIcon.Left - MapX(60)));
        EXPECT_NEAR(withIcon.Top, withoutIcon.Top, 1);
        EXPECT_EQ(withIcon.Bottom - withIcon.Top, withoutIcon.Bottom - withoutIcon.Top);
        EXPECT_NEAR(MapY(0), (withIcon.Top + withIcon.Bottom) / 2.0, 4.0);
        EXPECT_NEAR(MapX(-60) + 24, withIcon.Left, 3.0); // and the rim and GDI+'s margin
        EXPECT_TRUE(map.Find(NameInk).Empty());
    }

    // Names alone sit the same way.
    Options().DispalyCityName = true;
    Options().DisplayCityTemprature = false;
    Pixels::Box singleName;
    {
        const Pixels map = Render(icons);
        singleName = nameAt(map, -60.0f);
        EXPECT_NEAR(singleName.Top, nameAt(map, 60.0f).Top, 1);
        EXPECT_NEAR(MapX(-60) + 21 + 20.0 * 96.0 / 72.0 / 6.0, singleName.Left, 3.0);
        EXPECT_NEAR(MapY(0), (singleName.Top + singleName.Bottom) / 2.0, 4.0);
        EXPECT_TRUE(map.Find(TemperatureInk).Empty());
    }

    // Both: one line, the name's end against the temperature's start, right of the icon. Between the inks
    // there is only the side margin GDI+ gives every text and the glyphs' own bearings (a sixth of each
    // font's em, 20 and 12 points at 96 dpi).
    Options().DisplayCityTemprature = true;
    const double margins = (20.0 + 12.0) * 96.0 / 72.0 / 6.0;
    std::vector<int> pairTops;
    for (const auto& [iconSide, scale] : {std::pair(40, 100), std::pair(20, 200), std::pair(80, 50)})
    {
        SCOPED_TRACE(testing::Message() << "icon " << iconSide << " at " << scale << "%");
        TestIcons sized(iconSide, iconSide, false);
        Options().WeatherIconScale = scale;
        const Pixels map = Render(sized);
        const Pixels::Box name = nameAt(map, -60.0f);
        const Pixels::Box temperature = temperatureAt(map, -60.0f);
        ASSERT_FALSE(name.Empty());
        ASSERT_FALSE(temperature.Empty());
        EXPECT_GE(temperature.Left, name.Right);
        EXPECT_LE(temperature.Left - name.Right, margins + 3.0);
        EXPECT_NEAR(singleName.Left, name.Left, 1);
        EXPECT_NEAR(name.Right - name.Left, singleName.Right - singleName.Left, 1); // the same text, whole
        pairTops.push_back(name.Top);
    }
    // The icon is 40 pixels wide and high each time, whatever file and scale make it so: the line
    // sits at the same place.
    ASSERT_EQ(3u, pairTops.size());
    EXPECT_NEAR(singleName.Top, pairTops[0], 1);
    EXPECT_EQ(pairTops[0], pairTops[1]);
    EXPECT_EQ(pairTops[0], pairTops[2]);
}

TEST_F(MapTest, NoWeatherShowsOnlyTheNameAtTheCityAndOldWeatherItsTemperatureGreyed)
{
    TestIcons icons(40, 40);
    City never = MakeCity(1, L"Oslo", 0.0f, 60.0f, {}, {});
    never.CurrentWeather = CCurrentWeather();
    Cities() = {
        never,
        // Recent, without icon or temperature: its name alone beside the point.
        MakeCity(2, L"Oslo", 0.0f, -60.0f, {}, {}),
    };
    {
        const Pixels map = Render(icons);
        const Pixels::Box none = map.Find(NameInk, MapX(60) - 150, 0, MapX(60) + 150, kMapHeight);
        const Pixels::Box reference = map.Find(NameInk, MapX(-60) - 150, 0, MapX(-60) + 150, kMapHeight);
        ASSERT_FALSE(none.Empty());
        EXPECT_EQ(reference.Top, none.Top);
        EXPECT_EQ(reference.Right - reference.Left, none.Right - none.Left);
        EXPECT_EQ(reference.Left - MapX(-60), none.Left - MapX(60));
        EXPECT_TRUE(map.Find(TemperatureInk).Empty());
    }

    // Weather three hours old, as one kept from the last run: icon, name and temperature, the
    // temperature grey instead of its colour until newer weather comes.
    const auto greyInk = [](int r, int g, int b)
    { return r > 90 && std::abs(r - g) < 8 && std::abs(g - b) < 8; };
    Cities() = {MakeCity(3, L"Oslo", 0.0f, 60.0f, Fair, 20.0f, kNow - TimeSpan(3 * TimeSpan::TicksPerHour))};
    {
        const Pixels map = Render(icons);
        EXPECT_TRUE(TestIcons::Shows(map, Fair));
        EXPECT_FALSE(map.Find(NameInk).Empty());
        EXPECT_TRUE(map.Find(TemperatureInk).Empty());
        EXPECT_FALSE(map.Find(greyInk).Empty());
    }
    Cities()[0].CurrentWeather.ReportDateTime = kNow - TimeSpan(TimeSpan::TicksPerMinute);
    {
        const Pixels map = Render(icons);
        EXPECT_FALSE(map.Find(TemperatureInk).Empty());
        EXPECT_TRUE(map.Find(greyInk).Empty());
    }

    // Without names, a city with no weather shows nothing at all.
    Cities() = {never};
    Options().DispalyCityName = false;
    const Pixels map = Render(icons);
    EXPECT_TRUE(map.Find([](int r, int g, int b) { return r + g + b != 0; }).Empty());
}

TEST_F(MapTest, PositionsAndSizesNoPixelCanHoldAreLeftOut)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    Options().DisplayCityTemprature = false;
    Cities() = {
        MakeCity(1, L"Nowhere", nan, 0.0f, Fair, 20.0f),
        MakeCity(2, L"Far", 0.0f, infinity, Fog, 20.0f),
        MakeCity(3, L"Farther", 1e30f, -1e30f, Haze, 20.0f),
        MakeCity(4, L"Real", 0.0f, 0.0f, PartlyCloudy, 20.0f),
    };
    TestIcons icons(20, 20);
    {
        const Pixels map = Render(icons);
        EXPECT_TRUE(TestIcons::Shows(map, PartlyCloudy));
        for (const int code : {Fair, Fog, Haze})
        {
            EXPECT_FALSE(TestIcons::Shows(map, code));
        }
        EXPECT_FALSE(map.Find(NameInk).Empty());
    }

    // A scale the arithmetic cannot carry, or one below zero, draws no icon; the name still shows.
    Cities() = {MakeCity(4, L"Real", 0.0f, 0.0f, PartlyCloudy, 20.0f)};
    for (const int scale : {INT_MAX, 100000000, -100, 0})
    {
        SCOPED_TRACE(scale);
        Options().WeatherIconScale = scale;
        const Pixels map = Render(icons);
        EXPECT_FALSE(TestIcons::Shows(map, PartlyCloudy));
        EXPECT_FALSE(map.Find(NameInk).Empty());
    }

    // A region without width maps every city to no number at all.
    Options().WeatherIconScale = 100;
    Options().Region = MapRegion(L"Line", 10, 20, 10, -20);
    {
        const Pixels map = Render(icons);
        EXPECT_TRUE(map.Find([](int r, int g, int b) { return r + g + b != 0; }).Empty());
    }

    // Points at the ends of the integers are off every surface.
    Gdiplus::Bitmap target(50, 50, PixelFormat24bppRGB);
    Gdiplus::Graphics graphics(&target);
    Options().FontCityName.Reset(); // and a missing font is no reason to fail
    for (const auto& [x, y] : {std::pair(INT_MAX, 10), std::pair(INT_MIN, 10), std::pair(10, INT_MAX),
                               std::pair(10, INT_MIN), std::pair(10, 10)})
    {
        UtilGraphics::DrawCity(graphics, Cities()[0], Options(), true, true, true, x, y, icons.Source(),
                               kNow);
    }
    const Pixels pixels(target);
    EXPECT_TRUE(TestIcons::Shows(pixels, PartlyCloudy));
}
// The default cities with the shipped icons, as a new user first sees them on a common screen: of
// all icons, names and temperatures no two cover each other, every city keeps its icon, and the
// home city its label.
TEST(MapLayoutOfTheDefaults, NothingCoversAnythingElse)
{
    std::wstring program = ProcessTools::NimbrelExecutable();
    program.erase(program.find_last_of(L'\\') + 1);
    CWeatherIcons shipped;
    shipped.Load(program + L"SmallWeatherIcons\\", program + L"LargeWeatherIcons\\");
    const UtilGraphics::WeatherIconSource icons = [&](bool isDay, const Nullable<EnumWeatherCode>& code)
    { return shipped.GetSmall(isDay, code); };
    COptions options;
    MapSnapshot::MakeUpWeather(options, kNow);
    const std::size_t cities = options.Cities->size() + 1;

    for (const auto& [width, height] : {std::pair(1280, 800), std::pair(1920, 1080)})
    {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        Gdiplus::Bitmap map(width, height, PixelFormat24bppRGB);
        Gdiplus::Graphics graphics(&map);
        graphics.SetPageUnit(Gdiplus::UnitPixel);
        graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        const std::vector<CMapLayout::Placement> placements =
            UtilGraphics::LayOutCities(graphics, 0, 0, width, height, options, icons, kNow);
        ASSERT_EQ(cities, placements.size());
        EXPECT_TRUE(placements[0].HasLabel) << "the home city";
        std::vector<CMapLayout::Box> drawn;
        std::size_t labels = 0;
        for (const CMapLayout::Placement& placement : placements)
        {
            EXPECT_TRUE(placement.HasIcon);
            drawn.push_back(placement.Icon);
            if (placement.HasLabel)
            {
                EXPECT_TRUE((CMapLayout::Box{0, 0, static_cast<float>(width), static_cast<float>(height)})
                                .Contains(placement.Label));
                drawn.push_back(placement.Label);
                ++labels;
            }
        }
        EXPECT_GE(labels, cities - 2) << "at most a label or two of a crowded corner left out";
        for (std::size_t i = 0; i < drawn.size(); ++i)
        {
            for (std::size_t j = i + 1; j < drawn.size(); ++j)
            {
                EXPECT_FALSE(drawn[i].Overlaps(drawn[j]))
                    << drawn[i].Left << "," << drawn[i].Top << " " << drawn[i].Width << "x" << drawn[i].Height
                    << " and " << drawn[j].Left << "," << drawn[j].Top << " " << drawn[j].Width << "x"
                    << drawn[j].Height;
            }
        }
    }
    UtilGraphics::FreeSharedObjects();
}

// Icons and texts are sized for 1280 × 800: a map twice as large shows them twice as large, a
// smaller one as chosen.
TEST_F(MapTest, IconsAndTextsGrowWithTheTarget)
{
    Options().DisplayCityTemprature = false;
    Cities() = {MakeCity(1, L"Lyon", 0.0f, 0.0f, Fair, 20.0f)};
    TestIcons icons(20, 20);
    const auto measure = [&](int width, int height)
    {
        const CPtr<Gdiplus::Bitmap> map =
            UtilGraphics::GenerateNimbrelWallpaper(width, height, Options(), icons.Source(), kNow);
        const Pixels pixels(*map);
        return std::pair(
            pixels.Find([](int r, int g, int b) { return TestIcons::IsIcon(Fair, true, r, g, b); }),
            pixels.Find(NameInk));
    };
    const auto [smallIcon, smallName] = measure(kMapWidth, kMapHeight);
    const auto [icon, name] = measure(1280, 800);
    const auto [largeIcon, largeName] = measure(2560, 1600);
    EXPECT_EQ(20, smallIcon.Right - smallIcon.Left);
    EXPECT_EQ(20, icon.Right - icon.Left);
    EXPECT_NEAR(40, largeIcon.Right - largeIcon.Left, 1); // its edges blended as it is stretched
    EXPECT_EQ(name.Bottom - name.Top, smallName.Bottom - smallName.Top);
    EXPECT_NEAR(2.0 * (name.Right - name.Left), largeName.Right - largeName.Left,
                0.2 * (name.Right - name.Left)); // glyphs do not scale to the pixel
    EXPECT_NEAR(2.0 * (name.Bottom - name.Top), largeName.Bottom - largeName.Top, 3.0);
}

// A wallpaper spanning several monitors holds in each monitor's place the very map that monitor
// alone would get (nothing of a neighbour's spills over), black between them; composed over the
// kept backgrounds of each size, it is the same picture.
TEST_F(MapTest, ASpannedWallpaperHoldsEachMonitorsOwnMap)
{
    WriteImage(Folder().File(L"Pattern.bmp"), 90, 45,
               [](int x, int y) { return Gdiplus::Color(x * 2, y * 5, (x * 7 + y * 3) % 256); });
    ASSERT_TRUE(Options().Background.SetByName(L"Pattern.bmp"));
    // At the right edge of the region, so that its label and icon would cross into a neighbour.
    Cities().push_back(MakeCity(1, L"Edgeward", 0.0f, 164.0f, Rain, 12.0f));
    Options().HomeCity = new City(MakeCity(2, L"Perth", -31.9f, 115.9f, Fog, -4.0f));
    TestIcons icons(16, 12);
    // The primary, and a smaller one left of and above it.
    const CWallpaperLayout layout(
        {CWallpaperLayout::Rect{0, 0, 300, 200}, CWallpaperLayout::Rect{-160, -50, 160, 120}});
    ASSERT_EQ(460, layout.Width());
    ASSERT_EQ(250, layout.Height());

    const CPtr<Gdiplus::Bitmap> scratch =
        UtilGraphics::GenerateSpannedWallpaper(layout, Options(), icons.Source(), kNow);
    const Pixels picture(*scratch);
    for (const CWallpaperLayout::Rect& place : layout.Maps())
    {
        const CPtr<Gdiplus::Bitmap> alone = UtilGraphics::GenerateNimbrelWallpaper(
            place.Width, place.Height, Options(), icons.Source(), kNow);
        const Pixels own(*alone);
        int differing = 0;
        for (int y = 0; y < place.Height; ++y)
        {
            for (int x = 0; x < place.Width; ++x)
            {
                differing += picture.At(place.Left + x, place.Top + y) != own.At(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(0, differing) << place.Left << "," << place.Top;
    }
    EXPECT_EQ(0xFF000000u, picture.At(0, 249));
    EXPECT_EQ(0xFF000000u, picture.At(459, 0));

    std::map<std::pair<int, int>, CStretchedBackground> kept;
    const CPtr<Gdiplus::Bitmap> composed = UtilGraphics::ComposeSpannedWallpaper(
        layout,
        [&](int width, int height) -> CStretchedBackground& {
            return kept[{width, height}];
        },
        Options(), icons.Source(), kNow);
    EXPECT_EQ(2u, kept.size());
    EXPECT_TRUE(Pixels(*composed).All() == picture.All());
}
} // namespace

TEST_F(MapTest, AnAlertMarkSitsAtItsCitysIconClearOfTheTexts)
{
    TestIcons icons(40, 40, false);
    const auto markInk = [](int red, int green, int blue)
    { return red > 200 && green > 150 && green < 230 && blue < 60; };
    Cities() = {MakeCity(1, L"Warned", 0.0f, -60.0f, Fair, 20.0f),
                MakeCity(2, L"Calm", 0.0f, 60.0f, Fair, 20.0f)};
    UtilGraphics::SetAlertCities({1});
    const Pixels map = Render(icons);
    UtilGraphics::SetAlertCities({});

    // Beside the warned city's icon (40 pixels square, centred on the city), clear of it and of
    // the label; the calm city has none.
    const Pixels::Box mark = map.Find(markInk, MapX(-60) - 150, MapY(0) - 80, MapX(-60) + 150, MapY(0) + 80);
    ASSERT_FALSE(mark.Empty());
    EXPECT_TRUE(map.Find(markInk, MapX(60) - 150, MapY(0) - 80, MapX(60) + 150, MapY(0) + 80).Empty());
    const auto apart = [](const Pixels::Box& a, int left, int top, int right, int bottom)
    { return a.Right <= left || a.Left >= right || a.Bottom <= top || a.Top >= bottom; };
    EXPECT_TRUE(apart(mark, MapX(-60) - 20, MapY(0) - 20, MapX(-60) + 20, MapY(0) + 20));
    EXPECT_LT(std::abs(mark.CentreX() - MapX(-60)), 50.0);
    const Pixels::Box name = map.Find(NameInk, MapX(-60) - 150, MapY(0) - 80, MapX(-60) + 150, MapY(0) + 80);
    const Pixels::Box temperature =
        map.Find(TemperatureInk, MapX(-60) - 150, MapY(0) - 80, MapX(-60) + 150, MapY(0) + 80);
    ASSERT_FALSE(name.Empty());
    ASSERT_FALSE(temperature.Empty());
    EXPECT_TRUE(apart(mark, name.Left, name.Top, name.Right, name.Bottom));
    EXPECT_TRUE(apart(mark, temperature.Left, temperature.Top, temperature.Right, temperature.Bottom));
}
