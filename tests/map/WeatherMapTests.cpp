// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/WeatherMap.h"

#include "data/COptions.h"
#include "data/MapRegion.h"
#include "map/CStretchedBackground.h"
#include "platform/UtilWin32.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
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
        // Observed three hours ago: no icon.
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
        EXPECT_FALSE(TestIcons::Shows(map, Cold));

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

TEST_F(MapTest, ASingleTextHangsAQuarterIconBelowItsCityAndAPairTouchesUnderTheIcon)
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
        EXPECT_EQ(10, withIcon.Top - withoutIcon.Top);
        EXPECT_EQ(withIcon.Bottom - withIcon.Top, withoutIcon.Bottom - withoutIcon.Top);
        EXPECT_NEAR(MapX(-60), withIcon.CentreX(), 1.5);
        EXPECT_NEAR(MapX(60), withoutIcon.CentreX(), 1.5);
        EXPECT_TRUE(map.Find(NameInk).Empty());
    }

    // Names alone sit the same way.
    Options().DispalyCityName = true;
    Options().DisplayCityTemprature = false;
    Pixels::Box singleName;
    {
        const Pixels map = Render(icons);
        singleName = nameAt(map, -60.0f);
        EXPECT_EQ(10, singleName.Top - nameAt(map, 60.0f).Top);
        EXPECT_NEAR(MapX(-60), singleName.CentreX(), 1.5);
        EXPECT_TRUE(map.Find(TemperatureInk).Empty());
    }

    // Both: one line, the name's end against the temperature's start, centred on the city as a
    // pair. Between the inks there is only the side margin GDI+ gives every text and the glyphs'
    // own bearings (a sixth of each font's em, 20 and 12 points at 96 dpi).
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
        EXPECT_NEAR(MapX(-60), (name.Left + temperature.Right) / 2.0, 3.0);
        EXPECT_NEAR(name.Right - name.Left, singleName.Right - singleName.Left, 1); // the same text, whole
        pairTops.push_back(name.Top);
    }
    // The icon is 40 pixels high each time; the line rises into its lower quarter as far as the
    // scale allows, the scale counted twice: 10, 20 and 5 pixels above its bottom edge.
    ASSERT_EQ(3u, pairTops.size());
    EXPECT_NEAR(singleName.Top, pairTops[0], 1);
    EXPECT_EQ(-10, pairTops[1] - pairTops[0]);
    EXPECT_EQ(5, pairTops[2] - pairTops[0]);
}

TEST_F(MapTest, OldWeatherShowsOnlyTheNameWithItsTopAtTheCity)
{
    TestIcons icons(40, 40);
    const DateTime old = kNow - TimeSpan(3 * TimeSpan::TicksPerHour);
    Cities() = {
        MakeCity(1, L"Oslo", 0.0f, 60.0f, Fair, 20.0f, old),
        // Recent, without icon or temperature: its name alone, a quarter of one pixel below it.
        MakeCity(2, L"Oslo", 0.0f, -60.0f, {}, {}),
    };
    {
        const Pixels map = Render(icons);
        const Pixels::Box stale = map.Find(NameInk, MapX(60) - 150, 0, MapX(60) + 150, kMapHeight);
        const Pixels::Box reference = map.Find(NameInk, MapX(-60) - 150, 0, MapX(-60) + 150, kMapHeight);
        ASSERT_FALSE(stale.Empty());
        EXPECT_EQ(reference.Top, stale.Top);
        EXPECT_EQ(reference.Right - reference.Left, stale.Right - stale.Left);
        EXPECT_NEAR(MapX(60), stale.CentreX(), 1.5);
        EXPECT_TRUE(map.Find(TemperatureInk).Empty());
        EXPECT_FALSE(TestIcons::Shows(map, Fair));
    }

    // Without names, nothing at all.
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

    const Pixels::Box mark = map.Find(markInk);
    ASSERT_FALSE(mark.Empty());
    // At the warned city's icon (40 pixels square, centred on the city), its upper right corner.
    EXPECT_GT(mark.Left, MapX(-60));
    EXPECT_LE(mark.Right, MapX(-60) + 32);
    EXPECT_GE(mark.Top, MapY(0) - 21);
    EXPECT_LT(mark.Bottom, MapY(0));
    const Pixels::Box name = map.Find(NameInk, MapX(-60) - 150, MapY(0) - 40, MapX(-60) + 150, MapY(0) + 80);
    const Pixels::Box temperature =
        map.Find(TemperatureInk, MapX(-60) - 150, MapY(0) - 40, MapX(-60) + 150, MapY(0) + 80);
    ASSERT_FALSE(name.Empty());
    ASSERT_FALSE(temperature.Empty());
    EXPECT_LE(mark.Bottom, name.Top);
    EXPECT_LE(mark.Bottom, temperature.Top);
}
