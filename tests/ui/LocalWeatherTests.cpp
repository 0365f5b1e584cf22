// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/Program.h"
#include "data/COptions.h"
#include "platform/UtilGraphics.h"
#include "platform/WindowMessages.h"
#include "res/Resource.h"
#include "tests/support/ExpectThrowAt.h"
#include "tests/support/ProcessTools.h"
#include "ui/CFormLocalWeather.h"
#include "ui/CLocalWeatherRenderer.h"
#include "ui/LocalWeatherText.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <array>
#include <string>
#include <vector>

namespace
{
using Layout = CLocalWeatherRenderer::LargeLayout;

// Periods of twelve hours from the first start, with "day" or "night" as summary by the hour.
CForecast MakeForecast(DateTime firstStart, int count, DateTime obtained = DateTime::UtcNow())
{
    CForecast forecast;
    forecast.ReportDateTime = obtained;
    for (int i = 0; i < count; ++i)
    {
        CForecastItem item;
        item.Start = firstStart + TimeSpan(12 * TimeSpan::TicksPerHour * i);
        item.End = item.Start + TimeSpan(12 * TimeSpan::TicksPerHour);
        item.WeatherSummary = item.Start.Hour() < 12 ? L"day" : L"night";
        forecast.Items.push_back(item);
    }
    return forecast;
}

// Day summaries 30 high, night summaries 12.
float MeasureByKind(const std::wstring& summary)
{
    return summary == L"day" ? 30.0f : 12.0f;
}

// The live options the window reads, replaced for each test and cleared afterwards.
class LiveOptions
{
public:
    LiveOptions()
    {
        Program::SetOptions(CPtr<COptions>(new COptions()));
        CFormLocalWeather::FreePanelBackground();
    }
    ~LiveOptions()
    {
        CFormLocalWeather::FreePanelBackground();
        Program::SetOptions(CPtr<COptions>());
    }
    COptions& operator*() const { return Program::Options(); }
    COptions* operator->() const { return &Program::Options(); }
};

RECT WindowRect(const CFormLocalWeather& form)
{
    RECT rect{};
    GetWindowRect(form.Hwnd(), &rect);
    return rect;
}

void ExpectSize(const CFormLocalWeather& form, int width, int height)
{
    const RECT rect = WindowRect(form);
    EXPECT_EQ(width, rect.right - rect.left);
    EXPECT_EQ(height, rect.bottom - rect.top);
}

void ExpectTopLeft(const CFormLocalWeather& form, int left, int top)
{
    const RECT rect = WindowRect(form);
    EXPECT_EQ(left, rect.left);
    EXPECT_EQ(top, rect.top);
}

void Command(const CFormLocalWeather& form, WORD id)
{
    SendMessageW(form.Hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void MoveTo(const CFormLocalWeather& form, int left, int top)
{
    SetWindowPos(form.Hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring PanelFile()
{
    std::wstring path = ProcessTools::NimbrelExecutable();
    path.erase(path.find_last_of(L'\\') + 1);
    return path + L"UI\\LocalWeatherBackground.png";
}

std::array<LONG, 4> Edges(const RECT& rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

std::array<LONG, 4> Reachable(RECT window, POINT origin, int reach, int reachDown)
{
    return Edges(CFormLocalWeather::KeepReachable(window, origin, reach, reachDown));
}

BYTE Alpha(Gdiplus::Bitmap& image, int x, int y)
{
    Gdiplus::Color color;
    image.GetPixel(x, y, &color);
    return color.GetA();
}
} // namespace

TEST(LocalWeatherLayout, LargeModeSizesFollowTheForecast)
{
    const DateTime now = DateTime::UtcNow();
    const DateTime morning(2024, 5, 6, 6, 0);

    // No forecast, an empty one, and one obtained three hours ago all leave the columns out.
    for (const CForecast& none : {CForecast(), MakeForecast(morning, 0),
                                  MakeForecast(morning, 6, now - TimeSpan(3 * TimeSpan::TicksPerHour))})
    {
        const Layout layout = CLocalWeatherRenderer::LayOutLarge(none, now, MeasureByKind);
        EXPECT_FALSE(layout.HasForecast);
        EXPECT_TRUE(layout.Columns.empty());
        EXPECT_EQ(270, layout.ContentWidth);
        EXPECT_EQ(53, layout.ContentHeight);
        EXPECT_EQ(290, layout.ImageWidth);
        EXPECT_EQ(160, layout.ImageHeight);
    }

    // Three columns are narrower than the texts above them; five are wider.
    Layout three = CLocalWeatherRenderer::LayOutLarge(MakeForecast(morning, 6), now, MeasureByKind);
    ASSERT_TRUE(three.HasForecast);
    EXPECT_EQ(3u, three.Columns.size());
    EXPECT_EQ(295, three.ContentWidth);
    EXPECT_EQ(30.0f, three.DayHeight);
    EXPECT_EQ(12.0f, three.NightHeight);
    EXPECT_EQ(30 + 12 + 155, three.ContentHeight);
    EXPECT_EQ(315, three.ImageWidth);
    EXPECT_EQ(75 + 197 + 20, three.ImageHeight);
    Layout five = CLocalWeatherRenderer::LayOutLarge(MakeForecast(morning, 10), now, MeasureByKind);
    EXPECT_EQ(5u, five.Columns.size());
    EXPECT_EQ(365, five.ContentWidth);
    EXPECT_EQ(385, five.ImageWidth);

    // A summary too long for its row is held to 100 pixels; an empty row is still 5 high.
    const Layout tall = CLocalWeatherRenderer::LayOutLarge(MakeForecast(morning, 1), now,
                                                           [](const std::wstring&) { return 250.0f; });
    EXPECT_EQ(100.0f, tall.DayHeight);
    EXPECT_EQ(5.0f, tall.NightHeight);
    EXPECT_EQ(100 + 5 + 155, tall.ContentHeight);

    // A forecast no answer of the service can hold is refused before anything is measured.
    int measured = 0;
    EXPECT_THROW_AT(CLocalWeatherRenderer::LayOutLarge(MakeForecast(morning, 201), now,
                                                       [&](const std::wstring&)
                                                       {
                                                           ++measured;
                                                           return 10.0f;
                                                       }),
                    ApplicationException, "CLocalWeatherRenderer::LayOutLarge (727)");
    EXPECT_EQ(0, measured);
}

TEST(LocalWeatherLayout, ColumnsPairDayAndNightPeriods)
{
    const DateTime now = DateTime::UtcNow();
    using Column = CLocalWeatherRenderer::ForecastColumn;
    auto pairs = [](const Layout& layout)
    {
        std::vector<std::pair<int, int>> result;
        for (const Column& column : layout.Columns)
        {
            result.emplace_back(column.Day, column.Night);
        }
        return result;
    };

    // Starting in the morning: day and night of each date side by side; a last day alone.
    const Layout morning =
        CLocalWeatherRenderer::LayOutLarge(MakeForecast(DateTime(2024, 5, 6, 6, 0), 5), now, MeasureByKind);
    EXPECT_TRUE(morning.StartsWithDay);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 1}, {2, 3}, {4, -1}}), pairs(morning));

    // Starting at 18:00: the first column has only its night, whose date heads it; the rows'
    // heights come from the day and night periods whatever their positions.
    const Layout evening =
        CLocalWeatherRenderer::LayOutLarge(MakeForecast(DateTime(2024, 5, 6, 18, 0), 4), now, MeasureByKind);
    EXPECT_FALSE(evening.StartsWithDay);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{-1, 0}, {1, 2}, {3, -1}}), pairs(evening));
    EXPECT_EQ(0, evening.Columns[0].Heading());
    EXPECT_EQ(1, evening.Columns[1].Heading());
    EXPECT_EQ(30.0f, evening.DayHeight);
    EXPECT_EQ(12.0f, evening.NightHeight);
    EXPECT_EQ(295, evening.ContentWidth);

    // Noon counts as the afternoon.
    EXPECT_FALSE(
        CLocalWeatherRenderer::LayOutLarge(MakeForecast(DateTime(2024, 5, 6, 12, 0), 2), now, MeasureByKind)
            .StartsWithDay);
}

TEST(LocalWeatherLayout, OldObservationsShowAsTheLastKnownAndNoneAsNotAvailable)
{
    const DateTime now(2024, 5, 6, 12, 0);
    City home(1, L"KLAX", L"USA", L"Los Angeles", L"", 33.9f, -118.4f);
    home.CurrentWeather.WeatherCode = EnumWeatherCode::Rain;
    home.CurrentWeather.Temprature = 21.0f;

    home.CurrentWeather.ReportDateTime = now - TimeSpan(2 * TimeSpan::TicksPerHour);
    ASSERT_TRUE(CLocalWeatherRenderer::CurrentWeatherCode(home, now).HasValue);
    EXPECT_EQ(EnumWeatherCode::Rain, CLocalWeatherRenderer::CurrentWeatherCode(home, now).Value());
    EXPECT_EQ(L"21\u00B0", CLocalWeatherRenderer::TemperatureText(home, true, now));

    // Three hours old (kept from the last run, say): still shown, greyed when drawn.
    home.CurrentWeather.ReportDateTime = now - TimeSpan(3 * TimeSpan::TicksPerHour);
    EXPECT_EQ(EnumWeatherCode::Rain, CLocalWeatherRenderer::CurrentWeatherCode(home, now).Value());
    EXPECT_EQ(L"21\u00B0", CLocalWeatherRenderer::TemperatureText(home, true, now));

    // None ever observed.
    home.CurrentWeather = CCurrentWeather();
    EXPECT_FALSE(CLocalWeatherRenderer::CurrentWeatherCode(home, now).HasValue);
    EXPECT_EQ(L"--", CLocalWeatherRenderer::TemperatureText(home, true, now));

    home.CurrentWeather.ReportDateTime = now;
    home.CurrentWeather.WeatherCode = Nullable<EnumWeatherCode>();
    EXPECT_FALSE(CLocalWeatherRenderer::CurrentWeatherCode(home, now).HasValue);
}

// Old weather, kept from the last run say, is shown for what it is: its temperature grey.
TEST(LocalWeatherRenderer, AnOldTemperatureIsDrawnGreyInsteadOfWhite)
{
    const DateTime now = DateTime::UtcNow();
    City home(1, L"KLAX", L"USA", L"Los Angeles", L"", 33.9f, -118.4f);
    home.CurrentWeather.WeatherCode = EnumWeatherCode::Rain;
    home.CurrentWeather.Temprature = 21.0f;
    CLocalWeatherRenderer renderer;
    // Opaque pixels of the text colours, inside the glyphs where no edge blends them.
    const auto count = [&](DateTime observed, BYTE level)
    {
        home.CurrentWeather.ReportDateTime = observed;
        const CPtr<Gdiplus::Bitmap> image =
            renderer.Render(&home, CLocalWeatherRenderer::ModeSmall, true, now);
        int found = 0;
        for (UINT y = 0; y < image->GetHeight(); ++y)
        {
            for (UINT x = 0; x < image->GetWidth(); ++x)
            {
                Gdiplus::Color pixel;
                image->GetPixel(static_cast<INT>(x), static_cast<INT>(y), &pixel);
                found += pixel.GetA() == 255 && pixel.GetR() == level && pixel.GetG() == level &&
                         pixel.GetB() == level;
            }
        }
        return found;
    };
    const DateTime recent = now - TimeSpan::FromMinutes(10);
    const DateTime old = now - TimeSpan(3 * TimeSpan::TicksPerHour);
    EXPECT_EQ(0, count(recent, 0xA0));
    EXPECT_GT(count(old, 0xA0), 20);
    EXPECT_LT(count(old, 0xFF) + 20, count(recent, 0xFF)); // the name stays white
}

TEST(LocalWeatherRenderer, PaintsEachModeAtItsSizeWithoutAWindow)
{
    const DateTime now = DateTime::UtcNow();
    City home(1, L"KLAX", L"USA", L"Los Angeles", L"", 33.9f, -118.4f);
    home.CurrentWeather.ReportDateTime = now;
    home.CurrentWeather.WeatherCode = EnumWeatherCode::Rain;
    home.CurrentWeather.Temprature = 21.0f;
    City withWeek = home;
    withWeek.Forecast = MakeForecast(DateTime(2024, 5, 6, 18, 0), 15, now); // from an evening: 8 columns

    Gdiplus::Bitmap red(64, 64, PixelFormat32bppARGB);
    Gdiplus::Graphics(&red).Clear(Gdiplus::Color(255, 255, 0, 0));
    CLocalWeatherRenderer::IconSource icons;
    icons.Large = [&red](const Nullable<EnumWeatherCode>&, bool) { return &red; };
    CLocalWeatherRenderer renderer(icons);
    for (UINT dpi : {96u, 144u})
    {
        renderer.SetDpi(dpi);
        auto size = [&](const City* city, int mode)
        {
            const CPtr<Gdiplus::Bitmap> image = renderer.Render(city, mode, false, now);
            return std::make_pair(static_cast<int>(image->GetWidth()), static_cast<int>(image->GetHeight()));
        };
        auto scaled = [dpi](int width, int height)
        {
            return std::make_pair(CLocalWeatherRenderer::ScaleLength(width, dpi),
                                  CLocalWeatherRenderer::ScaleLength(height, dpi));
        };
        EXPECT_EQ(scaled(290, 73), size(nullptr, CLocalWeatherRenderer::ModeSmall)) << dpi;
        EXPECT_EQ(scaled(290, 160), size(&home, CLocalWeatherRenderer::ModeSmall)) << dpi;
        EXPECT_EQ(scaled(210, 160), size(&home, CLocalWeatherRenderer::ModeIconOnly)) << dpi;
        EXPECT_EQ(scaled(290, 160), size(&home, CLocalWeatherRenderer::ModeLarge)) << dpi;
        const Layout week = CLocalWeatherRenderer::LayOutLarge(withWeek.Forecast, now,
                                                               [&](const std::wstring& summary)
                                                               { return renderer.MeasureSummary(summary); });
        ASSERT_EQ(8u, week.Columns.size());
        EXPECT_EQ(scaled(68 * 8 + 25 + 20, week.ImageHeight),
                  size(&withWeek, CLocalWeatherRenderer::ModeLarge))
            << dpi;

        // The icon, fitted into the icon area, covers its middle.
        const CPtr<Gdiplus::Bitmap> iconOnly =
            renderer.Render(&home, CLocalWeatherRenderer::ModeIconOnly, false, now);
        Gdiplus::Color middle;
        iconOnly->GetPixel(CLocalWeatherRenderer::ScaleLength(110, dpi),
                           CLocalWeatherRenderer::ScaleLength(80, dpi), &middle);
        EXPECT_EQ(255, middle.GetA()) << dpi;
        EXPECT_GT(middle.GetR(), 250) << dpi;
    }

    // With no icons to be had, the icon area stays see-through.
    const CPtr<Gdiplus::Bitmap> bare =
        CLocalWeatherRenderer().Render(&home, CLocalWeatherRenderer::ModeIconOnly, false, now);
    EXPECT_EQ(0, Alpha(*bare, 110, 80));
}

TEST(LocalWeatherRenderer, TheLineOfDetailsFitsUnderTheNameAndDropsFromTheRight)
{
    // Laid out from the first text, as many as fit, ending at the right edge.
    using Item = CLocalWeatherRenderer::DetailItem;
    const auto byLength = [](const std::wstring& text) { return 10.0f * static_cast<float>(text.size()); };
    const std::vector<Item> fitted =
        CLocalWeatherRenderer::LayOutDetails({L"aaaa", L"bb", L"cccccc", L"d"}, 10.0f, 100.0f, byLength);
    ASSERT_EQ(2u, fitted.size());
    EXPECT_EQ(L"bb", fitted[1].Text);
    EXPECT_FLOAT_EQ(28.0f, fitted[0].Box.X);
    EXPECT_FLOAT_EQ(80.0f, fitted[1].Box.X);
    EXPECT_FLOAT_EQ(100.0f, fitted[1].Box.GetRight());

    const DateTime now = DateTime::UtcNow();
    City home(1, L"KLAX", L"USA", L"Los Angeles", L"", 33.9f, -118.4f);
    CCurrentWeather& weather = home.CurrentWeather;
    weather.ReportDateTime = now;
    weather.Temprature = 30.0f;
    weather.DewPoint = 25.0f;
    weather.WindDirection = 250;
    weather.WindSpeed = 5.0f;
    weather.WindGust = 13.0f;
    weather.Pressure = 1013.0f;
    weather.Visibility = 400.0f;
    City withWeek = home;
    withWeek.Forecast = MakeForecast(DateTime(2024, 5, 6, 18, 0), 15, now); // 8 columns
    const DisplayUnits units = DisplayUnits::FollowingTemperature(false);
    const std::vector<std::wstring> texts = units.DetailTexts(weather);
    ASSERT_EQ(5u, texts.size());

    CLocalWeatherRenderer renderer;
    for (UINT dpi : {96u, 192u})
    {
        SCOPED_TRACE(dpi);
        renderer.SetDpi(dpi);
        const Gdiplus::RectF name =
            renderer.NameBounds(CLocalWeatherRenderer::TemperatureText(home, false, now), home.DisplayName(),
                                Gdiplus::RectF(10, 85, 270, 53));
        const auto measure = [&](const std::wstring& summary) { return renderer.MeasureSummary(summary); };
        const Layout week = CLocalWeatherRenderer::LayOutLarge(withWeek.Forecast, now, measure, true);
        EXPECT_EQ(CLocalWeatherRenderer::LayOutLarge(withWeek.Forecast, now, measure).ImageHeight + 14,
                  week.ImageHeight);
        const struct
        {
            const City* city;
            int mode;
            float right;     // of the content
            float bottom;    // where the panel's border or the forecast begins
            int imageHeight; // at 96 DPI
        } cases[] = {
            {&home, CLocalWeatherRenderer::ModeSmall, 280.0f, 75.0f + 73.0f + 14.0f - 10.0f, 162},
            {&home, CLocalWeatherRenderer::ModeLarge, 280.0f, 75.0f + 10.0f + 53.0f + 14.0f, 162},
            {&withWeek, CLocalWeatherRenderer::ModeLarge, 10.0f + static_cast<float>(week.ContentWidth),
             140.0f + 14.0f, week.ImageHeight},
        };
        for (const auto& test : cases)
        {
            SCOPED_TRACE(test.imageHeight);
            const std::vector<Item> line = renderer.DetailsLine(*test.city, test.mode, units, now);
            ASSERT_FALSE(line.empty());
            for (std::size_t i = 0; i < line.size(); ++i)
            {
                EXPECT_EQ(texts[i], line[i].Text);
                EXPECT_GE(line[i].Box.Y, name.GetBottom());
                EXPECT_LE(line[i].Box.GetBottom(), test.bottom);
                EXPECT_NEAR(renderer.MeasureDetail(texts[i]), line[i].Box.Width, 0.01f);
                if (i > 0)
                {
                    EXPECT_LE(line[i - 1].Box.GetRight() + CLocalWeatherRenderer::DetailsGap,
                              line[i].Box.X + 0.01f);
                }
            }
            EXPECT_GE(line.front().Box.X, 10.0f);
            EXPECT_NEAR(test.right, line.back().Box.GetRight(), 0.01f);
            const CPtr<Gdiplus::Bitmap> image = renderer.Render(test.city, test.mode, units, now);
            EXPECT_EQ(CLocalWeatherRenderer::ScaleLength(test.imageHeight, dpi),
                      static_cast<int>(image->GetHeight()));
        }
        // The small panel has room for the first texts only, the wide one for all of them.
        EXPECT_LT(renderer.DetailsLine(home, CLocalWeatherRenderer::ModeSmall, units, now).size(),
                  texts.size());
        EXPECT_EQ(texts.size(),
                  renderer.DetailsLine(withWeek, CLocalWeatherRenderer::ModeLarge, units, now).size());
        EXPECT_TRUE(renderer.DetailsLine(home, CLocalWeatherRenderer::ModeIconOnly, units, now).empty());
    }

    // An old observation has no line.
    weather.ReportDateTime = now - TimeSpan(3 * TimeSpan::TicksPerHour);
    EXPECT_TRUE(renderer.DetailsLine(home, CLocalWeatherRenderer::ModeSmall, units, now).empty());
}

TEST(LocalWeatherLayout, WindowsOffTheTopOrLeftKeepAGrip)
{
    const POINT origin{0, 0};
    // Entirely left of and above the screen: pulled back until 100 pixels show (80 down).
    using Edges4 = std::array<LONG, 4>;
    EXPECT_EQ((Edges4{-190, -60, 100, 100}), Reachable(RECT{-1000, -900, -710, -740}, origin, 100, 100));
    EXPECT_EQ((Edges4{-110, -80, 100, 80}), Reachable(RECT{-1000, -900, -790, -740}, origin, 100, 80));
    // Partly off, with enough in sight, or off the right and bottom only: left alone.
    EXPECT_EQ((Edges4{-50, -20, 240, 140}), Reachable(RECT{-50, -20, 240, 140}, origin, 100, 100));
    EXPECT_EQ((Edges4{5000, 5000, 5290, 5160}), Reachable(RECT{5000, 5000, 5290, 5160}, origin, 100, 100));
    // A monitor left of the primary one is part of the screen.
    const POINT leftMonitor{-1920, 0};
    EXPECT_EQ((Edges4{-1500, 10, -1210, 170}), Reachable(RECT{-1500, 10, -1210, 170}, leftMonitor, 100, 100));
    EXPECT_EQ((Edges4{-2110, 10, -1820, 170}), Reachable(RECT{-3000, 10, -2710, 170}, leftMonitor, 100, 100));
}

TEST(LocalWeatherLayout, FitImageKeepsTheAspectCentred)
{
    const Gdiplus::RectF wide = UtilGraphics::FitImage(10.0f, 0.0f, 200.0f, 160.0f, 128.0f, 64.0f);
    EXPECT_EQ(10.0f, wide.X);
    EXPECT_EQ(30.0f, wide.Y);
    EXPECT_EQ(200.0f, wide.Width);
    EXPECT_EQ(100.0f, wide.Height);
    const Gdiplus::RectF tall = UtilGraphics::FitImage(10.0f, 0.0f, 200.0f, 160.0f, 64.0f, 64.0f);
    EXPECT_EQ(30.0f, tall.X);
    EXPECT_EQ(0.0f, tall.Y);
    EXPECT_EQ(160.0f, tall.Width);
    EXPECT_EQ(160.0f, tall.Height);
    EXPECT_EQ(0.0f, UtilGraphics::FitImage(0.0f, 0.0f, 68.0f, 30.0f, 0.0f, 64.0f).Width);
}

TEST(LocalWeatherWindow, SizesByModeAndHomeCity)
{
    LiveOptions options;
    options->FormLocalWeather_Mode = CFormLocalWeather::ModeSmall;
    CFormLocalWeather form(Program::WindowHost());
    EXPECT_EQ(CFormLocalWeather::ModeSmall, form.Mode());
    form.Create();
    ASSERT_TRUE(form.IsWindow());
    wchar_t className[64] = {};
    GetClassNameW(form.Hwnd(), className, 64);
    EXPECT_STREQ(kLocalWeatherWindowClass, className);
    EXPECT_FALSE(IsWindowVisible(form.Hwnd()));
    const LONG_PTR exStyle = GetWindowLongPtrW(form.Hwnd(), GWL_EXSTYLE);
    EXPECT_NE(0, exStyle & WS_EX_LAYERED);
    EXPECT_NE(0, exStyle & WS_EX_TOOLWINDOW);
    ExpectSize(form, 290, 160);

    Command(form, ID_LOCAL_WEATHER_ICON_ONLY);
    ExpectSize(form, 210, 160);
    EXPECT_EQ(CFormLocalWeather::ModeIconOnly, options->FormLocalWeather_Mode);
    Command(form, ID_LOCAL_WEATHER_LARGE);
    ExpectSize(form, 290, 160); // no recent forecast
    EXPECT_EQ(CFormLocalWeather::ModeLarge, options->FormLocalWeather_Mode);
    options->HomeCity->Forecast = MakeForecast(DateTime(2024, 5, 6, 6, 0), 6);
    form.RefreshWeather();
    EXPECT_EQ(315, WindowRect(form).right - WindowRect(form).left);

    // Without a home city every mode shows the same message panel.
    options->HomeCity.Reset();
    for (WORD mode : {ID_LOCAL_WEATHER_LARGE, ID_LOCAL_WEATHER_SMALL, ID_LOCAL_WEATHER_ICON_ONLY})
    {
        Command(form, mode);
        ExpectSize(form, 290, 73);
    }
    EXPECT_EQ(CFormLocalWeather::ModeIconOnly, form.Mode());

    // Redrawing without live options keeps what is shown.
    Program::SetOptions(CPtr<COptions>());
    form.Redraw();
    ExpectSize(form, 290, 73);

    ShowWindow(form.Hwnd(), SW_SHOWNA);
    SendMessageW(form.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.IsWindow());
    EXPECT_FALSE(IsWindowVisible(form.Hwnd()));
}

TEST(LocalWeatherWindow, ModesPullTheWindowBackOntoTheScreen)
{
    LiveOptions options;
    CFormLocalWeather form(Program::WindowHost());
    form.Create();

    // "Large" leaves a window hanging off the top left; "Small" and "Icon Only" pull it back.
    MoveTo(form, -50, -20);
    Command(form, ID_LOCAL_WEATHER_LARGE);
    ExpectTopLeft(form, -50, -20);
    Command(form, ID_LOCAL_WEATHER_SMALL);
    ExpectTopLeft(form, 0, 0);
    MoveTo(form, -50, -20);
    Command(form, ID_LOCAL_WEATHER_ICON_ONLY);
    ExpectTopLeft(form, 0, 0);

    // Dragged out of sight, the next redraw brings a grip back: 100 pixels, 80 down for an icon.
    MoveTo(form, -1000, -1000);
    form.Redraw();
    ExpectTopLeft(form, 100 - 210, 80 - 160);
    Command(form, ID_LOCAL_WEATHER_LARGE);
    MoveTo(form, -1000, -1000);
    form.Redraw();
    ExpectTopLeft(form, 100 - 290, 100 - 160);
}

TEST(LocalWeatherWindow, AlwaysOnTopFollowsTheWindowAndTheMenuShowsIt)
{
    LiveOptions options;
    options->FormLocalWeather_AlwaysOnTop = false;
    CFormLocalWeather form(Program::WindowHost());
    form.Create();
    auto topmost = [&] { return (GetWindowLongPtrW(form.Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    EXPECT_FALSE(topmost());

    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_LOCAL_WEATHER_MENU));
    ASSERT_NE(nullptr, menu);
    HMENU popup = GetSubMenu(menu, 0);
    auto marks = [&](UINT id)
    {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        EXPECT_TRUE(GetMenuItemInfoW(popup, id, FALSE, &info));
        return std::make_pair((info.fType & MFT_RADIOCHECK) != 0, (info.fState & MFS_CHECKED) != 0);
    };

    Command(form, ID_LOCAL_WEATHER_SMALL);
    form.PrepareContextMenu(popup);
    EXPECT_EQ(std::make_pair(true, false), marks(ID_LOCAL_WEATHER_ICON_ONLY));
    EXPECT_EQ(std::make_pair(true, true), marks(ID_LOCAL_WEATHER_SMALL));
    EXPECT_EQ(std::make_pair(true, false), marks(ID_LOCAL_WEATHER_LARGE));
    EXPECT_FALSE(marks(ID_LOCAL_WEATHER_ALWAYS_ON_TOP).second);

    Command(form, ID_LOCAL_WEATHER_ALWAYS_ON_TOP);
    EXPECT_TRUE(topmost());
    EXPECT_TRUE(options->FormLocalWeather_AlwaysOnTop);
    Command(form, ID_LOCAL_WEATHER_LARGE);
    form.PrepareContextMenu(popup);
    EXPECT_TRUE(marks(ID_LOCAL_WEATHER_ALWAYS_ON_TOP).second);
    EXPECT_FALSE(marks(ID_LOCAL_WEATHER_SMALL).second);
    EXPECT_TRUE(marks(ID_LOCAL_WEATHER_LARGE).second);

    Command(form, ID_LOCAL_WEATHER_ALWAYS_ON_TOP);
    EXPECT_FALSE(topmost());
    EXPECT_FALSE(options->FormLocalWeather_AlwaysOnTop);
    form.PrepareContextMenu(popup);
    EXPECT_FALSE(marks(ID_LOCAL_WEATHER_ALWAYS_ON_TOP).second);
    DestroyMenu(menu);

    // A window created with the option on starts topmost.
    options->FormLocalWeather_AlwaysOnTop = true;
    CFormLocalWeather onTop(Program::WindowHost());
    onTop.Create();
    EXPECT_NE(0, GetWindowLongPtrW(onTop.Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST(LocalWeatherWindow, DraggingMovesWithTheCursor)
{
    LiveOptions options;
    CFormLocalWeather form(Program::WindowHost());
    form.Create();
    ShowWindow(form.Hwnd(), SW_SHOWNA);

    SendMessageW(form.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
    EXPECT_TRUE(form.IsDragging());
    SetCursorPos(400, 300);
    POINT cursor{};
    GetCursorPos(&cursor);
    SendMessageW(form.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 20));
    ExpectTopLeft(form, cursor.x - 10, cursor.y - 20);
    SendMessageW(form.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 20));
    EXPECT_FALSE(form.IsDragging());
    EXPECT_NE(form.Hwnd(), GetCapture());

    // Without the button down a move does nothing.
    MoveTo(form, 30, 40);
    SendMessageW(form.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 20));
    ExpectTopLeft(form, 30, 40);
}

TEST(LocalWeatherWindow, PaintsAtTheMonitorsDpi)
{
    LiveOptions options;
    options->HomeCity.Reset();
    CFormLocalWeather form(Program::WindowHost());
    form.Create();
    EXPECT_EQ(96u, form.Dpi());
    ExpectSize(form, 290, 73);

    // At 150 % the panel is one and a half times as big, rounded up: 435 × 110.
    form.OverrideDpi(144);
    const CPtr<Gdiplus::Bitmap> image = form.RenderImage();
    EXPECT_EQ(435u, image->GetWidth());
    EXPECT_EQ(110u, image->GetHeight());
    form.Redraw();
    ExpectSize(form, 435, 110);

    // Moved onto a monitor of another DPI, the window goes where the system suggests and is
    // painted anew at that DPI.
    form.OverrideDpi(0);
    RECT suggested{200, 150, 200 + 580, 150 + 146};
    SendMessageW(form.Hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(192u, form.Dpi());
    ExpectTopLeft(form, 200, 150);
    ExpectSize(form, 580, 146);

    // Texts are measured in the same 96-DPI units at any scale, so the layout does not drift.
    // (Three lines by their breaks: where words wrap may differ a little with the font's size.)
    const Gdiplus::RectF content(10.0f, 85.0f, 270.0f, 53.0f);
    CLocalWeatherRenderer renderer;
    renderer.SetDpi(96);
    const Gdiplus::RectF at96 = renderer.NameBox(L"72\u00B0", content);
    const float summary96 = renderer.MeasureSummary(L"Sunny\r\nWindy\r\nCold");
    renderer.SetDpi(144);
    const Gdiplus::RectF at144 = renderer.NameBox(L"72\u00B0", content);
    const float summary144 = renderer.MeasureSummary(L"Sunny\r\nWindy\r\nCold");
    EXPECT_NEAR(at96.GetRight(), at144.GetRight(), 2.0f);
    EXPECT_NEAR(at96.Y, at144.Y, 2.0f);
    EXPECT_NEAR(summary96, summary144, 2.0f);
    EXPECT_GT(summary96, 25.0f);
    // The name ends under the last digit, left of the degree sign, and overlaps the digits.
    EXPECT_LT(at96.GetRight(), 280.0f - 3.0f);
    EXPECT_GT(at96.GetRight(), 200.0f);
    EXPECT_GT(at96.Y, 85.0f + 10.0f);
    EXPECT_LT(at96.Y, 85.0f + 40.0f);
}

TEST(LocalWeatherWindow, PanelKeepsOnlyTheAlphaAndStretchesWithoutSeams)
{
    LiveOptions options;
    CLocalWeatherRenderer::PreparePanelBackground(L"Z:\\nowhere\\LocalWeatherBackground.png");
    EXPECT_EQ(nullptr, CLocalWeatherRenderer::PanelBackground());

    CLocalWeatherRenderer::PreparePanelBackground(PanelFile());
    Gdiplus::Bitmap* panel = CLocalWeatherRenderer::PanelBackground();
    ASSERT_NE(nullptr, panel);
    Gdiplus::Bitmap file(PanelFile().c_str());
    ASSERT_EQ(file.GetWidth(), panel->GetWidth());
    ASSERT_EQ(file.GetHeight(), panel->GetHeight());
    int opaque = 0;
    for (UINT y = 0; y < file.GetHeight(); ++y)
    {
        for (UINT x = 0; x < file.GetWidth(); ++x)
        {
            Gdiplus::Color original;
            Gdiplus::Color prepared;
            file.GetPixel(x, y, &original);
            panel->GetPixel(x, y, &prepared);
            ASSERT_NEAR(original.GetA(), prepared.GetA(), 1) << x << "," << y;
            if (prepared.GetA() != 0)
            {
                ++opaque;
                ASSERT_EQ(0u, prepared.GetValue() & 0x00FFFFFFu) << x << "," << y;
            }
        }
    }
    EXPECT_GT(opaque, 0);

    // Across the slices' joins the stretched body has the alpha of its middle, at 100 % and 150 %.
    // Small mode: the panel at (0, 75, 290, 73), its left part free of text.
    options->FormLocalWeather_Mode = CFormLocalWeather::ModeSmall;
    CFormLocalWeather form(Program::WindowHost());
    for (UINT dpi : {96u, 144u})
    {
        form.OverrideDpi(dpi);
        CPtr<Gdiplus::Bitmap> image = form.RenderImage();
        const int border = CLocalWeatherRenderer::ScaleLength(30, dpi);
        const int top = CLocalWeatherRenderer::ScaleLength(75, dpi);
        const int bottom = CLocalWeatherRenderer::ScaleLength(75 + 73, dpi);
        const int middleX = CLocalWeatherRenderer::ScaleLength(100, dpi);
        const int middleY = (top + bottom) / 2;
        const BYTE body = Alpha(*image, middleX, middleY);
        EXPECT_GT(body, 0);
        for (int x = border - 2; x <= CLocalWeatherRenderer::ScaleLength(150, dpi); ++x)
        {
            ASSERT_NEAR(body, Alpha(*image, x, middleY), 2) << "dpi " << dpi << " x " << x;
        }
        for (int y = top + border - 2; y <= bottom - border + 2; ++y)
        {
            ASSERT_NEAR(body, Alpha(*image, middleX, y), 2) << "dpi " << dpi << " y " << y;
        }
    }
}

TEST(LocalWeatherWindow, LongSummariesAreCutToTheirRow)
{
    LiveOptions options;
    CFormLocalWeather form(Program::WindowHost());
    const std::wstring longSummary =
        L"Showers and thunderstorms likely before noon, then a slight chance of showers in the "
        L"afternoon. Some of the storms could produce heavy rain and gusty winds. Highs near 75, "
        L"with south winds around 10 miles per hour shifting to the west in the evening hours.";
    EXPECT_GT(CLocalWeatherRenderer().MeasureSummary(longSummary), 100.0f);

    // A forecast of one morning period: nothing may be drawn below its 100-pixel summary row,
    // where the empty night row lies.
    CForecast& forecast = options->HomeCity->Forecast;
    forecast = MakeForecast(DateTime(2024, 5, 6, 6, 0), 1);
    forecast.Items[0].WeatherSummary = longSummary;
    const CPtr<Gdiplus::Bitmap> image = form.RenderImage();
    ASSERT_EQ(static_cast<UINT>(75 + 100 + 5 + 155 + 20), image->GetHeight());
    int drawnInRow = 0;
    for (int y = 200; y < 300; ++y)
    {
        for (int x = 30; x < 98; ++x)
        {
            drawnInRow += Alpha(*image, x, y) != 0 ? 1 : 0;
        }
    }
    EXPECT_GT(drawnInRow, 0);
    for (int y = 301; y < static_cast<int>(image->GetHeight()); ++y)
    {
        for (int x = 30; x < 98; ++x)
        {
            ASSERT_EQ(0, Alpha(*image, x, y)) << x << "," << y;
        }
    }
}

namespace
{
using Monitors = std::vector<CFormLocalWeather::MonitorArea>;

// A monitor with a task bar 40 pixels high along its bottom.
CFormLocalWeather::MonitorArea Monitor(LONG left, LONG top, LONG width, LONG height)
{
    return {RECT{left, top, left + width, top + height}, RECT{left, top, left + width, top + height - 40}};
}

std::array<LONG, 4> Pulled(LONG left, LONG top, const Monitors& monitors)
{
    return Edges(CFormLocalWeather::PullOntoMonitor(RECT{left, top, left + 290, top + 160}, monitors));
}

// What a screen reader is told the window is called.
std::wstring AccessibleName(HWND window)
{
    IAccessible* accessible = nullptr;
    // The library's IID_IAccessible is imported data, which MinGW links as its import thunk.
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&accessible))))
    {
        return L"(no accessible object)";
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring text = L"(no name)";
    if (accessible->get_accName(self, &name) == S_OK && name != nullptr)
    {
        text = name;
    }
    SysFreeString(name);
    accessible->Release();
    return text;
}

// Where and with which menu the window last asked for its menu, instead of a menu loop.
struct MenuRequest
{
    POINT point;
    UINT firstItem;
};
std::vector<MenuRequest> g_menus;
BOOL WINAPI RecordMenu(HMENU menu, UINT, int x, int y, int, HWND, const RECT*)
{
    g_menus.push_back({POINT{x, y}, GetMenuItemID(menu, 0)});
    return TRUE;
}

// Keys as the window gets them with Shift up or held down.
void Key(const CFormLocalWeather& form, UINT message, WPARAM key, bool shift)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageW(form.Hwnd(), message, key, 1);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}
} // namespace

TEST(LocalWeatherPlace, APlaceOnAMonitorThatIsGoneComesOntoTheNearest)
{
    using Edges4 = std::array<LONG, 4>;
    const auto primary = Monitor(0, 0, 1920, 1080);
    const auto right = Monitor(1920, 0, 1920, 1080);
    const auto aboveLeft = Monitor(-1280, -1024, 1280, 1024);
    // Side by side, and left of and above the primary one: each monitor keeps its windows, also
    // one hanging partly off its edge.
    const Monitors three{primary, right, aboveLeft};
    EXPECT_EQ((Edges4{2500, 300, 2790, 460}), Pulled(2500, 300, three));
    EXPECT_EQ((Edges4{-1000, -800, -710, -640}), Pulled(-1000, -800, three));
    EXPECT_EQ((Edges4{1800, 950, 2090, 1110}), Pulled(1800, 950, three));
    EXPECT_EQ((Edges4{2500, 300, 2790, 460}), Pulled(2500, 300, {}));

    // Those monitors removed: onto the primary, wholly inside its work area.
    EXPECT_EQ((Edges4{1630, 300, 1920, 460}), Pulled(2500, 300, {primary}));
    EXPECT_EQ((Edges4{0, 0, 290, 160}), Pulled(-1000, -800, {primary}));
    EXPECT_EQ((Edges4{0, 880, 290, 1040}), Pulled(-5000, 5000, {primary}));
    // The primary removed, the one left of and above it stays.
    EXPECT_EQ((Edges4{-290, -200, 0, -40}), Pulled(200, 100, {aboveLeft, right}));

    // Below a shorter monitor, inside the bounds of the whole desktop but on no monitor: up onto
    // that shorter one rather than across to the taller one.
    const auto tall = Monitor(0, 0, 2560, 1440);
    const auto shorter = Monitor(2560, 0, 1920, 1080);
    EXPECT_EQ((Edges4{3000, 880, 3290, 1040}), Pulled(3000, 1200, {tall, shorter}));
    EXPECT_EQ((Edges4{2000, 1200, 2290, 1360}), Pulled(2000, 1200, {tall, shorter}));
}

TEST(LocalWeatherWindow, RemembersWhetherItWasShownAndWhere)
{
    LiveOptions options;
    options->FormLocalWeather_Visible = false;
    {
        CFormLocalWeather form(Program::WindowHost());
        form.Create();
        form.ShowAsRemembered();
        EXPECT_FALSE(IsWindowVisible(form.Hwnd()));
        EXPECT_FALSE(options->FormLocalWeather_Position.has_value()) << "placed while hidden";
    }

    // Never placed: it comes in the middle of its monitor, shown without taking the focus.
    options->FormLocalWeather_Visible = true;
    const HWND before = GetForegroundWindow();
    CFormLocalWeather form(Program::WindowHost());
    form.Create();
    const RECT centred = WindowRect(form);
    form.ShowAsRemembered();
    EXPECT_TRUE(IsWindowVisible(form.Hwnd()));
    EXPECT_EQ(before, GetForegroundWindow());
    EXPECT_NE(form.Hwnd(), GetFocus());
    ASSERT_TRUE(options->FormLocalWeather_Position.has_value());
    EXPECT_EQ(centred.left, options->FormLocalWeather_Position->x);
    EXPECT_EQ(centred.top, options->FormLocalWeather_Position->y);

    // Dragged: its place follows.
    SendMessageW(form.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
    SetCursorPos(123, 45);
    POINT cursor{};
    GetCursorPos(&cursor);
    SendMessageW(form.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 0));
    SendMessageW(form.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(0, 0));
    EXPECT_EQ(cursor.x, options->FormLocalWeather_Position->x);
    EXPECT_EQ(cursor.y, options->FormLocalWeather_Position->y);

    // Hidden for the exit it stays remembered as shown; closed by the user it does not, and
    // moving it while hidden changes no place.
    ShowWindow(form.Hwnd(), SW_HIDE);
    EXPECT_TRUE(options->FormLocalWeather_Visible);
    ShowWindow(form.Hwnd(), SW_SHOWNA);
    Command(form, ID_LOCAL_WEATHER_CLOSE);
    EXPECT_FALSE(IsWindowVisible(form.Hwnd()));
    EXPECT_FALSE(options->FormLocalWeather_Visible);
    MoveTo(form, 10, 10);
    EXPECT_EQ(cursor.x, options->FormLocalWeather_Position->x);
    ShowWindow(form.Hwnd(), SW_SHOWNA);
    EXPECT_TRUE(options->FormLocalWeather_Visible);
    EXPECT_EQ(10, options->FormLocalWeather_Position->x);
    SendMessageW(form.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(options->FormLocalWeather_Visible);

    // The next start puts it back there; from a monitor that is gone it comes onto this one.
    options->FormLocalWeather_Position = POINT{123, 45};
    CFormLocalWeather again(Program::WindowHost());
    again.Create();
    ExpectTopLeft(again, 123, 45);
    options->FormLocalWeather_Position = POINT{40000, -40000};
    CFormLocalWeather lost(Program::WindowHost());
    lost.Create();
    const Monitors monitors = CFormLocalWeather::Monitors();
    ASSERT_FALSE(monitors.empty());
    const RECT& work = monitors.front().Work;
    ExpectTopLeft(lost, work.right - 290, work.top);
}

TEST(LocalWeatherText, SaysWhatEachModeShows)
{
    LiveOptions options;
    City& home = *options->HomeCity;
    const DateTime now = DateTime::UtcNow();
    home.CurrentWeather.ReportDateTime = now;
    home.CurrentWeather.Temprature = 19.0f; // 66 °F
    home.CurrentWeather.WeatherCode = Clear;
    // Monday evening, then Tuesday's day and night.
    home.Forecast = MakeForecast(DateTime(2024, 5, 6, 18, 0), 3);
    for (CForecastItem& item : home.Forecast.Items)
    {
        item.TempratureMax = 20.0f;
        item.TempratureMin = 10.0f;
        item.WeatherSummary = item.Start.Hour() < 12 ? L"Sunny" : L"Mostly Clear";
    }
    const std::wstring now66 = L"Los Angeles, 66\u00B0F, clear.";
    EXPECT_EQ(now66 + L" Mon 68/50, night Mostly Clear; Tue 68/50 Sunny, night Mostly Clear",
              LocalWeatherText::Describe(&home, CFormLocalWeather::ModeLarge, false, now));
    EXPECT_EQ(now66, LocalWeatherText::Describe(&home, CFormLocalWeather::ModeSmall, false, now));
    EXPECT_EQ(now66, LocalWeatherText::Describe(&home, CFormLocalWeather::ModeIconOnly, false, now));
    EXPECT_EQ(
        L"Los Angeles, 19\u00B0C, clear. Mon 20/10, night Mostly Clear; Tue 20/10 Sunny, night Mostly Clear",
        LocalWeatherText::Describe(&home, CFormLocalWeather::ModeLarge, true, now));
    EXPECT_EQ(std::wstring(LocalWeatherText::NoHomeCityMessage),
              LocalWeatherText::Describe(nullptr, CFormLocalWeather::ModeSmall, false, now));
    // Old weather is said to be old, as the window greys it; its forecast is not said.
    home.CurrentWeather.ReportDateTime = now - TimeSpan(3 * TimeSpan::TicksPerHour);
    home.Forecast.ReportDateTime = home.CurrentWeather.ReportDateTime;
    EXPECT_EQ(L"Los Angeles, 66\u00B0F (not recent), clear.",
              LocalWeatherText::Describe(&home, CFormLocalWeather::ModeLarge, false, now));
    home.CurrentWeather = CCurrentWeather();
    EXPECT_EQ(L"Los Angeles, temperature not known.",
              LocalWeatherText::Describe(&home, CFormLocalWeather::ModeLarge, false, now));
    home.CurrentWeather.Temprature = 19.0f;
    home.CurrentWeather.WeatherCode = Clear;

    // The window's text and accessible name follow the weather, the mode and the unit.
    home.CurrentWeather.ReportDateTime = now;
    CFormLocalWeather form(Program::WindowHost());
    form.Create();
    EXPECT_EQ(L"Los Angeles, 66\u00B0F, clear.", ProcessTools::TextOf(form.Hwnd()));
    Command(form, ID_LOCAL_WEATHER_SMALL);
    options->UseMetricSystem = true;
    home.CurrentWeather.Temprature = 21.0f;
    home.CurrentWeather.WeatherCode = Rain;
    form.RefreshWeather();
    EXPECT_EQ(L"Los Angeles, 21\u00B0C, rain.", ProcessTools::TextOf(form.Hwnd()));
    EXPECT_EQ(L"Los Angeles, 21\u00B0C, rain.", AccessibleName(form.Hwnd()));
}

TEST(LocalWeatherWindow, TakesTheFocusAndOpensItsMenuFromTheKeyboard)
{
    LiveOptions options;
    CFormLocalWeather form(Program::WindowHost());
    form.Create();
    ShowWindow(form.Hwnd(), SW_SHOW);
    SetForegroundWindow(form.Hwnd());
    EXPECT_EQ(form.Hwnd(), GetFocus()) << "keys would not reach it";

    g_menus.clear();
    CFormLocalWeather::TrackMenu = RecordMenu;
    const RECT window = WindowRect(form);
    Key(form, WM_SYSKEYDOWN, VK_F10, true);
    Key(form, WM_SYSKEYUP, VK_F10, true);
    Key(form, WM_SYSKEYDOWN, VK_F10, false); // F10 alone is no menu key
    Key(form, WM_SYSKEYUP, VK_F10, false);
    Key(form, WM_KEYDOWN, VK_APPS, false);
    Key(form, WM_KEYUP, VK_APPS, false);
    SendMessageW(form.Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form.Hwnd()), -1);
    // The mouse's request: its menu already opened on the button going down.
    SendMessageW(form.Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form.Hwnd()), MAKELPARAM(20, 20));
    CFormLocalWeather::TrackMenu = TrackPopupMenu;

    ASSERT_EQ(3u, g_menus.size());
    for (const MenuRequest& menu : g_menus)
    {
        EXPECT_EQ(window.left, menu.point.x);
        EXPECT_EQ(window.top, menu.point.y);
        EXPECT_EQ(static_cast<UINT>(ID_LOCAL_WEATHER_CLOSE), menu.firstItem);
    }
}

namespace
{
// The program's host, with a weather alert of the test's choosing for the home city.
class AlertHost : public IWindowHost
{
public:
    COptions& Options() override { return Program::WindowHost().Options(); }
    void SetOptions(CPtr<COptions> options) override { Program::WindowHost().SetOptions(std::move(options)); }
    void SaveOptions() override {}
    void UpdateWallpaper() override {}
    void ScheduleDownload(bool) override {}
    Gdiplus::Bitmap* GetLargeWeatherIcon(const Nullable<EnumWeatherCode>& code, bool isDay) override
    {
        return Program::WindowHost().GetLargeWeatherIcon(code, isDay);
    }
    Gdiplus::Bitmap* GetSmallWeatherIcon(bool isDay, const Nullable<EnumWeatherCode>& code) override
    {
        return Program::WindowHost().GetSmallWeatherIcon(isDay, code);
    }
    Gdiplus::Bitmap* GetLargeNotAvailableIcon() override
    {
        return Program::WindowHost().GetLargeNotAvailableIcon();
    }
    const CWeatherAlert* HomeCityAlert() override { return Alert; }
    void ShowOptions(unsigned) override {}
    void ShowEarth() override {}
    void OpenWebPage(HWND) override {}

    const CWeatherAlert* Alert = nullptr;
};
} // namespace

TEST(LocalWeatherWindow, TheHomeCitysAlertTopsThePictureExceptInIconOnlyMode)
{
    LiveOptions options;
    options->FormLocalWeather_Mode = CFormLocalWeather::ModeSmall;
    CWeatherAlert alert;
    alert.Event = L"Tornado Warning";
    alert.Expires = DateTime::UtcNow() + TimeSpan(TimeSpan::TicksPerHour);
    AlertHost host;
    host.Alert = &alert;
    CFormLocalWeather form(host);
    form.Create();
    ASSERT_TRUE(form.IsWindow());
    ExpectSize(form, 290, 160 + CFormLocalWeather::AlertLineHeight);
    CPtr<Gdiplus::Bitmap> image = form.RenderImage();
    Gdiplus::Color color;
    image->GetPixel(100, 2, &color);
    EXPECT_GT(color.GetA(), 200);
    EXPECT_GT(color.GetR(), 200);
    EXPECT_LT(color.GetB(), 150);
    // The event is written on it, right of the mark.
    bool written = false;
    for (int y = 0; y < CFormLocalWeather::AlertLineHeight && !written; ++y)
    {
        for (int x = 24; x < 200 && !written; ++x)
        {
            image->GetPixel(x, y, &color);
            written = color.GetA() > 200 && color.GetR() < 150;
        }
    }
    EXPECT_TRUE(written);

    Command(form, ID_LOCAL_WEATHER_ICON_ONLY);
    ExpectSize(form, 210, 160);
    host.Alert = nullptr;
    Command(form, ID_LOCAL_WEATHER_SMALL);
    ExpectSize(form, 290, 160);
    form.DestroyWindow();
}
