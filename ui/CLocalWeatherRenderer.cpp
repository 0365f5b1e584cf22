// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CLocalWeatherRenderer.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "data/City.h"
#include "platform/Log.h"
#include "platform/UtilGraphics.h"
#include "platform/UtilWin32.h"
#include "ui/LocalWeatherText.h"
#include "weather/CForecast.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <vector>

namespace
{
constexpr UINT kBaseDpi = CLocalWeatherRenderer::BaseDpi;
constexpr int kPanelBorder = 30;
constexpr int kColumnWidth = 68;
constexpr float kSummaryLimit = 100.0f;
constexpr float kMinimumRowHeight = 5.0f;
// A twelve-hour forecast for a week has 14 or 15 periods. Far more can only come from a broken
// answer, and would make an image wider than the system can show.
constexpr std::size_t kMaxForecastItems = 200;
const TimeSpan kForecastRecentFor = TimeSpan(3 * TimeSpan::TicksPerHour);

// The panel background prepared at start-up. A plain pointer: it must be released while GDI+
// runs, never by a destructor at process exit.
Gdiplus::Bitmap* g_panelBackground = nullptr;

std::unique_ptr<Gdiplus::Font> MakeFont(float size, INT style)
{
    try
    {
        // Where Arial is missing a stand-in takes its place; where no font is installed at all
        // the window shows its icon and panel without texts.
        const std::unique_ptr<Gdiplus::FontFamily> family = Util::UsableFontFamily(L"Arial");
        if (!family)
        {
            Log::Write(L"CLocalWeatherRenderer", L"no font family for the texts");
            return nullptr;
        }
        std::unique_ptr<Gdiplus::Font> font(new Gdiplus::Font(family.get(), size, style, Gdiplus::UnitPixel));
        if (!font || font->GetLastStatus() != Gdiplus::Ok)
        {
            return nullptr;
        }
        return font;
    }
    catch (...)
    {
        Log::Exception(L"CLocalWeatherRenderer MakeFont");
        return nullptr;
    }
}

std::unique_ptr<Gdiplus::StringFormat> MakeFormat(INT flags, Gdiplus::StringAlignment alignment,
                                                  Gdiplus::StringAlignment lineAlignment,
                                                  Gdiplus::StringTrimming trimming)
{
    std::unique_ptr<Gdiplus::StringFormat> format(new Gdiplus::StringFormat(flags));
    if (!format || format->GetLastStatus() != Gdiplus::Ok)
    {
        return nullptr;
    }
    format->SetAlignment(alignment);
    format->SetLineAlignment(lineAlignment);
    format->SetTrimming(trimming);
    return format;
}

INT Length(const std::wstring& text)
{
    return static_cast<INT>(std::min<std::size_t>(text.size(), INT_MAX));
}

// Sizes in pixels at 96 DPI and styles, in the order of FontIndex.
constexpr struct
{
    float size;
    INT style;
} kFonts[] = {
    {10.0f, Gdiplus::FontStyleBold},    // name under the temperature
    {35.0f, Gdiplus::FontStyleBold},    // temperature
    {10.0f, Gdiplus::FontStyleBold},    // weekday of a forecast column
    {6.0f, Gdiplus::FontStyleRegular},  // DAY and NIGHT labels
    {10.0f, Gdiplus::FontStyleRegular}, // forecast temperature range
    {10.0f, Gdiplus::FontStyleRegular}, // forecast summaries
    {10.0f, Gdiplus::FontStyleBold},    // no-home-city message
    {10.0f, Gdiplus::FontStyleRegular}, // the line of details under the temperature
};

// Summaries are measured without a height limit, so that one taller than its row is known to
// be; the row is then held to kSummaryLimit.
constexpr float kUnlimitedHeight = 100000.0f;

// Where a device pixel of a nine-slice axis samples the panel image: a continuous source position
// and the slice's first and last source pixel, beyond which it never reads.
struct AxisSample
{
    float Position;
    int Low;
    int High;
};

AxisSample MapPanelAxis(int d, int length, int border, int sourceLength)
{
    const float centre = static_cast<float>(d) + 0.5f;
    const float cut = static_cast<float>(kPanelBorder);
    const float scale = cut / static_cast<float>(border);
    const bool corners = length <= 2 * border; // no room for an edge: the far corner over the near one
    if (corners ? d < length - border : d < border)
    {
        return {centre * scale - 0.5f, 0, kPanelBorder - 1};
    }
    if (d >= length - border)
    {
        const float farStart = static_cast<float>(sourceLength - kPanelBorder);
        return {farStart + (centre - static_cast<float>(length - border)) * scale - 0.5f,
                sourceLength - kPanelBorder, sourceLength - 1};
    }
    const float stretch =
        static_cast<float>(sourceLength - 2 * kPanelBorder) / static_cast<float>(length - 2 * border);
    return {cut + (centre - static_cast<float>(border)) * stretch - 0.5f, kPanelBorder,
            sourceLength - kPanelBorder - 1};
}

// Linear interpolation between the two source pixels around the position, inside the slice.
void Interpolate(const AxisSample& sample, int& first, int& second, float& weight)
{
    const float position =
        std::clamp(sample.Position, static_cast<float>(sample.Low), static_cast<float>(sample.High));
    first = static_cast<int>(position);
    second = std::min(first + 1, sample.High);
    weight = position - static_cast<float>(first);
}

// The panel image (alpha only) cut into nine slices with 30-pixel borders and laid over a
// rectangle of the given device size, the borders drawn `border` pixels wide: corners scaled by
// the DPI alone, edges stretched along their length, the centre both ways. Done pixel by pixel
// rather than by stretching slices through GDI+, whose joins between separately stretched images
// are not seamless everywhere. Empty when there is nothing to draw.
CPtr<Gdiplus::Bitmap> StretchPanel(Gdiplus::Bitmap& source, int width, int height, int border)
{
    const int sourceWidth = static_cast<int>(source.GetWidth());
    const int sourceHeight = static_cast<int>(source.GetHeight());
    if (width <= 0 || height <= 0 || border <= 0 || sourceWidth < 2 * kPanelBorder ||
        sourceHeight < 2 * kPanelBorder)
    {
        return CPtr<Gdiplus::Bitmap>();
    }

    std::vector<BYTE> alpha(static_cast<std::size_t>(sourceWidth) * static_cast<std::size_t>(sourceHeight));
    {
        Gdiplus::Rect all(0, 0, sourceWidth, sourceHeight);
        Gdiplus::BitmapData data{};
        if (source.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        {
            ThrowApplicationException(Here());
        }
        for (int y = 0; y < sourceHeight; ++y)
        {
            const auto* row = reinterpret_cast<const UINT32*>(static_cast<const BYTE*>(data.Scan0) +
                                                              static_cast<std::ptrdiff_t>(y) * data.Stride);
            for (int x = 0; x < sourceWidth; ++x)
            {
                alpha[static_cast<std::size_t>(y) * sourceWidth + x] = static_cast<BYTE>(row[x] >> 24);
            }
        }
        source.UnlockBits(&data);
    }

    CPtr<Gdiplus::Bitmap> panel(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    if (panel->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (panel->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    std::vector<AxisSample> columns;
    columns.reserve(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
    {
        columns.push_back(MapPanelAxis(x, width, border, sourceWidth));
    }
    auto at = [&](int x, int y)
    { return static_cast<float>(alpha[static_cast<std::size_t>(y) * sourceWidth + x]); };
    for (int y = 0; y < height; ++y)
    {
        int y0 = 0;
        int y1 = 0;
        float fy = 0.0f;
        Interpolate(MapPanelAxis(y, height, border, sourceHeight), y0, y1, fy);
        auto* row = reinterpret_cast<UINT32*>(static_cast<BYTE*>(data.Scan0) +
                                              static_cast<std::ptrdiff_t>(y) * data.Stride);
        for (int x = 0; x < width; ++x)
        {
            int x0 = 0;
            int x1 = 0;
            float fx = 0.0f;
            Interpolate(columns[static_cast<std::size_t>(x)], x0, x1, fx);
            const float top = at(x0, y0) + (at(x1, y0) - at(x0, y0)) * fx;
            const float bottom = at(x0, y1) + (at(x1, y1) - at(x0, y1)) * fx;
            const float value = top + (bottom - top) * fy;
            row[x] = static_cast<UINT32>(std::clamp(std::lround(value), 0L, 255L)) << 24;
        }
    }
    panel->UnlockBits(&data);
    return panel;
}
} // namespace

CLocalWeatherRenderer::CLocalWeatherRenderer(IconSource icons) : m_icons(std::move(icons))
{
    FontAt(NameFont); // all of them at 96 DPI, until another is set

    using Gdiplus::StringAlignmentCenter;
    using Gdiplus::StringAlignmentFar;
    using Gdiplus::StringAlignmentNear;
    m_labelFormat = MakeFormat(Gdiplus::StringFormatFlagsNoClip, StringAlignmentCenter, StringAlignmentCenter,
                               Gdiplus::StringTrimmingCharacter);
    m_messageFormat = MakeFormat(Gdiplus::StringFormatFlagsNoClip, StringAlignmentCenter,
                                 StringAlignmentCenter, Gdiplus::StringTrimmingCharacter);
    m_largeFormat = MakeFormat(Gdiplus::StringFormatFlagsNoClip, StringAlignmentCenter, StringAlignmentNear,
                               Gdiplus::StringTrimmingWord);
    // Without clipping, a summary taller than its row would otherwise run its partly fitting last
    // line into the night icon below it.
    m_summaryFormat = MakeFormat(Gdiplus::StringFormatFlagsNoClip | Gdiplus::StringFormatFlagsLineLimit,
                                 StringAlignmentCenter, StringAlignmentNear, Gdiplus::StringTrimmingWord);
    m_temperatureFormat =
        MakeFormat(0, StringAlignmentFar, StringAlignmentNear, Gdiplus::StringTrimmingCharacter);
    m_detailFormat = MakeFormat(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoClip,
                                StringAlignmentNear, StringAlignmentNear, Gdiplus::StringTrimmingNone);
    m_whiteBrush.reset(new Gdiplus::SolidBrush(Gdiplus::Color(0xFFFFFFFFu)));
    m_scratch.reset(new Gdiplus::Bitmap(1, 1, PixelFormat32bppARGB));
}

CLocalWeatherRenderer::~CLocalWeatherRenderer() = default;

int CLocalWeatherRenderer::ScaleLength(int length, UINT dpi)
{
    const long long scaled = (static_cast<long long>(length) * dpi + kBaseDpi - 1) / kBaseDpi;
    return static_cast<int>(std::clamp<long long>(scaled, INT_MIN, INT_MAX));
}

CPtr<Gdiplus::Bitmap> CLocalWeatherRenderer::Render(const City* home, int mode, bool metric, DateTime utcNow)
{
    return Render(home, mode, DisplayUnits::FollowingTemperature(metric), utcNow);
}

CPtr<Gdiplus::Bitmap> CLocalWeatherRenderer::Render(const City* home, int mode, const DisplayUnits& units,
                                                    DateTime utcNow)
{
    if (home == nullptr)
    {
        return RenderNoHomeCity();
    }
    switch (mode)
    {
    case ModeSmall:
        return RenderSmall(*home, units, utcNow);
    case ModeIconOnly:
        return RenderIconOnly(*home, utcNow);
    default:
        return RenderLarge(*home, units, utcNow);
    }
}

void CLocalWeatherRenderer::PreparePanelBackground(const std::wstring& path)
{
    try
    {
        FreePanelBackground();
        Gdiplus::Bitmap loaded(path.c_str());
        if (loaded.GetLastStatus() != Gdiplus::Ok)
        {
            ThrowApplicationException(Here());
        }
        const INT width = static_cast<INT>(loaded.GetWidth());
        const INT height = static_cast<INT>(loaded.GetHeight());
        CPtr<Gdiplus::Bitmap> panel(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
        if (panel->GetLastStatus() != Gdiplus::Ok)
        {
            ThrowApplicationException(Here());
        }
        {
            Gdiplus::Graphics graphics(panel.Get());
            // Only the alpha channel survives: a black shape with the file's transparency.
            Gdiplus::ColorMatrix matrix{};
            matrix.m[3][3] = 1.0f;
            matrix.m[4][4] = 1.0f;
            Gdiplus::ImageAttributes attributes;
            attributes.SetColorMatrix(&matrix, Gdiplus::ColorMatrixFlagsDefault,
                                      Gdiplus::ColorAdjustTypeDefault);
            if (graphics.DrawImage(&loaded, Gdiplus::Rect(0, 0, width, height), 0, 0, width, height,
                                   Gdiplus::UnitPixel, &attributes) != Gdiplus::Ok)
            {
                ThrowApplicationException(Here());
            }
        }
        g_panelBackground = panel.Detach();
    }
    catch (...)
    {
        Log::Exception(L"CLocalWeatherRenderer::PreparePanelBackground");
    }
}

void CLocalWeatherRenderer::FreePanelBackground()
{
    delete g_panelBackground;
    g_panelBackground = nullptr;
}

Gdiplus::Bitmap* CLocalWeatherRenderer::PanelBackground()
{
    return g_panelBackground;
}

CLocalWeatherRenderer::LargeLayout
CLocalWeatherRenderer::LayOutLarge(const CForecast& forecast, DateTime utcNow,
                                   const std::function<float(const std::wstring&)>& measureSummary,
                                   bool detailsLine)
{
    LargeLayout layout;
    const std::vector<CForecastItem>& items = forecast.Items;
    layout.HasForecast = !items.empty() && utcNow - kForecastRecentFor < forecast.ReportDateTime;
    if (layout.HasForecast)
    {
        if (items.size() > kMaxForecastItems)
        {
            ThrowApplicationException(Here());
        }
        const int count = static_cast<int>(items.size());
        const long long hour = items.front().Start.Ticks() / TimeSpan::TicksPerHour % 24;
        layout.StartsWithDay = hour < 12;
        const int shift = layout.StartsWithDay ? 0 : 1;
        const int columns = (count + shift + 1) / 2;

        float evenHeight = kMinimumRowHeight;
        float oddHeight = kMinimumRowHeight;
        for (int i = 0; i < count; ++i)
        {
            const float measured = measureSummary(items[i].WeatherSummary);
            const float height = std::isfinite(measured) ? std::clamp(measured, 0.0f, kSummaryLimit) : 0.0f;
            float& group = i % 2 == 0 ? evenHeight : oddHeight;
            group = std::max(group, height);
        }
        layout.DayHeight = layout.StartsWithDay ? evenHeight : oddHeight;
        layout.NightHeight = layout.StartsWithDay ? oddHeight : evenHeight;

        for (int u = 0; u < columns; ++u)
        {
            const int v = 2 * u - shift;
            ForecastColumn column;
            column.Day = v >= 0 && v < count ? v : -1;
            column.Night = v + 1 < count ? v + 1 : -1;
            layout.Columns.push_back(column);
        }
        layout.ContentWidth = std::max(kColumnWidth * columns, 270) + 25;
        layout.ContentHeight =
            static_cast<int>(layout.NightHeight) + static_cast<int>(layout.DayHeight) + 155;
    }
    if (detailsLine)
    {
        layout.DetailsHeight = DetailsHeight;
        layout.ContentHeight += DetailsHeight;
    }
    layout.ImageWidth = std::max(layout.ContentWidth + 20, 210);
    layout.ImageHeight = std::max(75 + layout.ContentHeight + 20, 160);
    return layout;
}

std::vector<CLocalWeatherRenderer::DetailItem>
CLocalWeatherRenderer::LayOutDetails(const std::vector<std::wstring>& texts, float left, float right,
                                     const std::function<float(const std::wstring&)>& measureWidth)
{
    std::vector<DetailItem> line;
    float width = 0.0f;
    for (const std::wstring& text : texts)
    {
        const float measured = measureWidth(text);
        const float gap = line.empty() ? 0.0f : DetailsGap;
        if (!std::isfinite(measured) || measured < 0.0f || width + gap + measured > right - left)
        {
            break; // what does not fit is dropped, and everything after it
        }
        line.push_back(
            {text, Gdiplus::RectF(width + gap, DetailsTop, measured, static_cast<float>(DetailsHeight))});
        width += gap + measured;
    }
    for (DetailItem& item : line)
    {
        item.Box.X += right - width;
    }
    return line;
}

std::vector<std::wstring> CLocalWeatherRenderer::DetailTexts(const City& home, const DisplayUnits& units,
                                                             DateTime utcNow) const
{
    if (!home.CurrentWeather.IsRecent(utcNow) || FontAt(DetailFont) == nullptr || !m_detailFormat)
    {
        return {};
    }
    return units.DetailTexts(home.CurrentWeather);
}

std::vector<CLocalWeatherRenderer::DetailItem>
CLocalWeatherRenderer::DetailsLine(const City& home, int mode, const DisplayUnits& units, DateTime utcNow)
{
    const std::vector<std::wstring> texts = DetailTexts(home, units, utcNow);
    if (mode == ModeIconOnly || texts.empty())
    {
        return {};
    }
    float contentWidth = 270.0f;
    if (mode != ModeSmall)
    {
        const auto measure = [this](const std::wstring& summary) { return MeasureSummary(summary); };
        contentWidth = static_cast<float>(LayOutLarge(home.Forecast, utcNow, measure).ContentWidth);
    }
    return LayOutDetails(texts, 10.0f, 10.0f + contentWidth,
                         [this](const std::wstring& text) { return MeasureDetail(text); });
}

float CLocalWeatherRenderer::MeasureDetail(const std::wstring& text)
{
    Gdiplus::Font* font = FontAt(DetailFont);
    if (font == nullptr || !m_detailFormat || !m_scratch)
    {
        return 0.0f;
    }
    Gdiplus::Graphics graphics(m_scratch.get());
    PrepareGraphics(graphics);
    Gdiplus::RectF bounds;
    if (graphics.MeasureString(text.c_str(), Length(text), font, Gdiplus::PointF(0.0f, 0.0f),
                               m_detailFormat.get(), &bounds) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    // Whole device pixels, so that a box never ends inside its last letter.
    return std::ceil(bounds.Width) / Scale();
}

Gdiplus::RectF CLocalWeatherRenderer::NameBounds(const std::wstring& temperatureText,
                                                 const std::wstring& name, const Gdiplus::RectF& content)
{
    Gdiplus::Font* font = FontAt(NameFont);
    if (font == nullptr || !m_temperatureFormat || !m_scratch)
    {
        ThrowApplicationException(Here());
    }
    Gdiplus::Graphics graphics(m_scratch.get());
    PrepareGraphics(graphics);
    const Gdiplus::RectF box = NameBox(graphics, temperatureText, content);
    Gdiplus::RectF bounds;
    if (graphics.MeasureString(name.c_str(), Length(name), font, ToDevice(box), m_temperatureFormat.get(),
                               &bounds) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    const float scale = Scale();
    return Gdiplus::RectF(bounds.X / scale, bounds.Y / scale, bounds.Width / scale, bounds.Height / scale);
}

Nullable<EnumWeatherCode> CLocalWeatherRenderer::CurrentWeatherCode(const City& home, DateTime utcNow)
{
    const CCurrentWeather& weather = home.CurrentWeather;
    if ((weather.IsRecent(utcNow) || weather.IsStale(utcNow)) && weather.WeatherCode.HasValue)
    {
        return weather.WeatherCode;
    }
    return Nullable<EnumWeatherCode>();
}

std::wstring CLocalWeatherRenderer::TemperatureText(const City& home, bool metric, DateTime utcNow)
{
    const CCurrentWeather& weather = home.CurrentWeather;
    return weather.IsRecent(utcNow) || weather.IsStale(utcNow) ? weather.GetLastTempratureText(L"--", metric)
                                                               : std::wstring(L"--");
}

void CLocalWeatherRenderer::PrepareGraphics(Gdiplus::Graphics& graphics)
{
    graphics.SetPageUnit(Gdiplus::UnitPixel);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
}

float CLocalWeatherRenderer::Scale() const
{
    return static_cast<float>(Dpi()) / static_cast<float>(kBaseDpi);
}

Gdiplus::RectF CLocalWeatherRenderer::ToDevice(const Gdiplus::RectF& box) const
{
    const float scale = Scale();
    return Gdiplus::RectF(box.X * scale, box.Y * scale, box.Width * scale, box.Height * scale);
}

Gdiplus::Font* CLocalWeatherRenderer::FontAt(int font) const
{
    const UINT dpi = Dpi();
    if (m_fontDpi != dpi)
    {
        const float scale = static_cast<float>(dpi) / static_cast<float>(kBaseDpi);
        for (int i = 0; i < FontCount; ++i)
        {
            m_fonts[i] = MakeFont(kFonts[i].size * scale, kFonts[i].style);
        }
        m_fontDpi = dpi;
    }
    return font >= 0 && font < FontCount ? m_fonts[font].get() : nullptr;
}

CLocalWeatherRenderer::Canvas CLocalWeatherRenderer::NewCanvas(int width, int height) const
{
    const UINT dpi = Dpi();
    Canvas canvas;
    canvas.Image =
        new Gdiplus::Bitmap(ScaleLength(width, dpi), ScaleLength(height, dpi), PixelFormat32bppARGB);
    if (canvas.Image->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    canvas.Graphics.reset(new Gdiplus::Graphics(canvas.Image.Get()));
    if (!canvas.Graphics || canvas.Graphics->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    canvas.Graphics->Clear(Gdiplus::Color(0, 0, 0, 0));
    PrepareGraphics(*canvas.Graphics);
    return canvas;
}

CPtr<Gdiplus::Bitmap> CLocalWeatherRenderer::RenderNoHomeCity()
{
    Canvas canvas = NewCanvas(290, 73);
    DrawPanel(*canvas.Graphics, 0, 0, 290, 73);
    if (m_messageFormat)
    {
        DrawWhiteText(*canvas.Graphics, LocalWeatherText::NoHomeCityMessage, MessageFont,
                      Gdiplus::RectF(10.0f, 10.0f, 270.0f, 53.0f), *m_messageFormat);
    }
    return std::move(canvas.Image);
}

CPtr<Gdiplus::Bitmap> CLocalWeatherRenderer::RenderLarge(const City& home, const DisplayUnits& units,
                                                         DateTime utcNow)
{
    const bool metric = units.Metric;
    const std::vector<DetailItem> details = DetailsLine(home, ModeLarge, units, utcNow);
    const LargeLayout layout = LayOutLarge(
        home.Forecast, utcNow, [this](const std::wstring& summary) { return MeasureSummary(summary); },
        !details.empty());
    Canvas canvas = NewCanvas(layout.ImageWidth, layout.ImageHeight);
    Gdiplus::Graphics& graphics = *canvas.Graphics;
    DrawPanel(graphics, 0, 75, layout.ContentWidth + 20, layout.ContentHeight + 20);
    if (layout.HasForecast && m_labelFormat)
    {
        const float dayHeight = layout.DayHeight;
        const float nightHeight = layout.NightHeight;
        // The forecast starts below the line of details, when there is one.
        const float top = 140.0f + static_cast<float>(layout.DetailsHeight);
        DrawWhiteText(graphics, L"D\r\nA\r\nY", LabelFont,
                      Gdiplus::RectF(10.0f, top + 30.0f, 20.0f, dayHeight + 30.0f), *m_labelFormat);
        DrawWhiteText(graphics, L"N\r\nI\r\nG\r\nH\r\nT", LabelFont,
                      Gdiplus::RectF(10.0f, top + dayHeight + 60.0f, 20.0f, nightHeight + 30.0f),
                      *m_labelFormat);
        for (std::size_t u = 0; u < layout.Columns.size(); ++u)
        {
            DrawColumn(graphics, home.Forecast, layout.Columns[u],
                       30.0f + kColumnWidth * static_cast<float>(u), top, dayHeight, nightHeight, metric);
        }
    }
    DrawCurrentIcon(graphics, home, utcNow);
    DrawTemperatureAndName(graphics, home, metric, utcNow,
                           Gdiplus::RectF(10.0f, 85.0f, static_cast<float>(layout.ContentWidth),
                                          static_cast<float>(layout.ContentHeight)));
    DrawDetails(graphics, details);
    return std::move(canvas.Image);
}

CPtr<Gdiplus::Bitmap> CLocalWeatherRenderer::RenderSmall(const City& home, const DisplayUnits& units,
                                                         DateTime utcNow)
{
    const std::vector<DetailItem> details = DetailsLine(home, ModeSmall, units, utcNow);
    // The panel grows by the line of details, when there is one.
    const int panelHeight = 73 + (details.empty() ? 0 : DetailsHeight);
    Canvas canvas = NewCanvas(290, std::max(75 + panelHeight, 160));
    DrawPanel(*canvas.Graphics, 0, 75, 290, panelHeight);
    DrawTemperatureAndName(*canvas.Graphics, home, units.Metric, utcNow,
                           Gdiplus::RectF(10.0f, 85.0f, 270.0f, 53.0f));
    DrawCurrentIcon(*canvas.Graphics, home, utcNow); // over the texts
    // Over the icon, unlike the texts above: a long line reaches under the icon's lower edge, and
    // must stay legible there.
    DrawDetails(*canvas.Graphics, details);
    return std::move(canvas.Image);
}

void CLocalWeatherRenderer::DrawDetails(Gdiplus::Graphics& graphics,
                                        const std::vector<DetailItem>& line) const
{
    if (!m_detailFormat)
    {
        return;
    }
    for (const DetailItem& item : line)
    {
        DrawWhiteText(graphics, item.Text, DetailFont, item.Box, *m_detailFormat);
    }
}

CPtr<Gdiplus::Bitmap> CLocalWeatherRenderer::RenderIconOnly(const City& home, DateTime utcNow)
{
    Canvas canvas = NewCanvas(210, 160);
    DrawCurrentIcon(*canvas.Graphics, home, utcNow);
    return std::move(canvas.Image);
}

void CLocalWeatherRenderer::DrawPanel(Gdiplus::Graphics& graphics, int x, int y, int width, int height) const
{
    if (g_panelBackground == nullptr)
    {
        return;
    }
    const UINT dpi = Dpi();
    const int left = ScaleLength(x, dpi);
    const int top = ScaleLength(y, dpi);
    const CPtr<Gdiplus::Bitmap> panel =
        StretchPanel(*g_panelBackground, ScaleLength(x + width, dpi) - left,
                     ScaleLength(y + height, dpi) - top, ScaleLength(kPanelBorder, dpi));
    if (panel)
    {
        graphics.DrawImage(panel.Get(), left, top, static_cast<INT>(panel->GetWidth()),
                           static_cast<INT>(panel->GetHeight()));
    }
}

void CLocalWeatherRenderer::DrawIcon(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* icon,
                                     const Gdiplus::RectF& box) const
{
    UtilGraphics::FitImage(graphics, icon, ToDevice(box));
}

void CLocalWeatherRenderer::DrawCurrentIcon(Gdiplus::Graphics& graphics, const City& home,
                                            DateTime utcNow) const
{
    const Nullable<EnumWeatherCode> code = CurrentWeatherCode(home, utcNow);
    Gdiplus::Bitmap* icon = nullptr;
    if (code.HasValue)
    {
        icon = m_icons.Large ? m_icons.Large(code, home.IsDay(utcNow)) : nullptr;
    }
    if (icon == nullptr)
    {
        icon = m_icons.LargeNotAvailable ? m_icons.LargeNotAvailable() : nullptr;
    }
    DrawIcon(graphics, icon, Gdiplus::RectF(10.0f, 0.0f, 200.0f, 160.0f));
}

Gdiplus::RectF CLocalWeatherRenderer::NameBox(const std::wstring& temperatureText,
                                              const Gdiplus::RectF& content)
{
    if (!m_scratch)
    {
        ThrowApplicationException(Here());
    }
    Gdiplus::Graphics graphics(m_scratch.get());
    PrepareGraphics(graphics);
    return NameBox(graphics, temperatureText, content);
}

Gdiplus::RectF CLocalWeatherRenderer::NameBox(Gdiplus::Graphics& graphics,
                                              const std::wstring& temperatureText,
                                              const Gdiplus::RectF& content) const
{
    Gdiplus::Font* font = FontAt(TemperatureFont);
    if (font == nullptr || !m_temperatureFormat)
    {
        ThrowApplicationException(Here());
    }
    // The digits without the degree sign (or the second dash): the name ends under the last one.
    const INT length = Length(temperatureText);
    const Gdiplus::CharacterRange range(0, length > 1 ? length - 1 : length);
    Gdiplus::StringFormat format(m_temperatureFormat.get());
    format.SetMeasurableCharacterRanges(1, &range);
    Gdiplus::Region region;
    Gdiplus::RectF bounds;
    if (graphics.MeasureCharacterRanges(temperatureText.c_str(), length, font, ToDevice(content), &format, 1,
                                        &region) != Gdiplus::Ok ||
        region.GetBounds(&bounds, &graphics) != Gdiplus::Ok || !std::isfinite(bounds.Width) ||
        !std::isfinite(bounds.Height))
    {
        ThrowApplicationException(Here());
    }
    const float scale = Scale();
    return Gdiplus::RectF(bounds.GetRight() / scale - 10000.0f, bounds.GetBottom() / scale - 5.0f, 10000.0f,
                          10000.0f);
}

void CLocalWeatherRenderer::DrawTemperatureAndName(Gdiplus::Graphics& graphics, const City& home, bool metric,
                                                   DateTime utcNow, const Gdiplus::RectF& content) const
{
    if (FontAt(TemperatureFont) == nullptr || !m_temperatureFormat)
    {
        return;
    }
    const std::wstring text = TemperatureText(home, metric, utcNow);
    // Old weather is shown for what it is until newer comes: its temperature grey, not white.
    Gdiplus::Font* font = FontAt(TemperatureFont);
    const Gdiplus::SolidBrush stale(Gdiplus::Color(0xFFA0A0A0u));
    if (home.CurrentWeather.IsStale(utcNow) && font != nullptr && !text.empty())
    {
        graphics.DrawString(text.c_str(), Length(text), font, ToDevice(content), m_temperatureFormat.get(),
                            &stale);
    }
    else
    {
        DrawWhiteText(graphics, text, TemperatureFont, content, *m_temperatureFormat);
    }
    DrawWhiteText(graphics, home.DisplayName(), NameFont, NameBox(graphics, text, content),
                  *m_temperatureFormat);
}

void CLocalWeatherRenderer::DrawColumn(Gdiplus::Graphics& graphics, const CForecast& forecast,
                                       const ForecastColumn& column, float x, float top, float dayHeight,
                                       float nightHeight, bool metric) const
{
    const int heading = column.Heading();
    if (heading < 0 || static_cast<std::size_t>(heading) >= forecast.Items.size() || !m_largeFormat ||
        !m_summaryFormat)
    {
        return;
    }
    const float width = static_cast<float>(kColumnWidth);
    const CForecastItem& headingItem = forecast.Items[static_cast<std::size_t>(heading)];
    DrawWhiteText(graphics, DateTime::DayOfWeekString_ShortUppercase(headingItem.Start.DayOfWeek()),
                  DayHeadingFont, Gdiplus::RectF(x, top, width, 15.0f), *m_largeFormat);
    DrawWhiteText(graphics, headingItem.GetTempratureRangeText(metric), RangeFont,
                  Gdiplus::RectF(x, top + 15.0f, width, 15.0f), *m_largeFormat);

    auto period = [&](int index, bool isDay, float rowTop, float summaryHeight)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= forecast.Items.size())
        {
            return;
        }
        const CForecastItem& item = forecast.Items[static_cast<std::size_t>(index)];
        // The row decides day or night, not the sun.
        DrawIcon(graphics, m_icons.Small ? m_icons.Small(isDay, item.WeatherCode) : nullptr,
                 Gdiplus::RectF(x, rowTop, width, 30.0f));
        DrawWhiteText(graphics, item.WeatherSummary, SummaryFont,
                      Gdiplus::RectF(x, rowTop + 30.0f, width, summaryHeight), *m_summaryFormat);
    };
    period(column.Day, true, top + 30.0f, dayHeight);
    period(column.Night, false, top + 60.0f + dayHeight, nightHeight);
}

float CLocalWeatherRenderer::MeasureSummary(const std::wstring& summary)
{
    Gdiplus::Font* font = FontAt(SummaryFont);
    if (font == nullptr || !m_largeFormat || !m_scratch)
    {
        return 0.0f;
    }
    Gdiplus::Graphics graphics(m_scratch.get());
    PrepareGraphics(graphics);
    Gdiplus::RectF bounds;
    if (graphics.MeasureString(
            summary.c_str(), Length(summary), font,
            ToDevice(Gdiplus::RectF(0.0f, 0.0f, static_cast<float>(kColumnWidth), kUnlimitedHeight)),
            m_largeFormat.get(), &bounds) != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    return bounds.Height / Scale();
}

void CLocalWeatherRenderer::DrawWhiteText(Gdiplus::Graphics& graphics, const std::wstring& text, int font,
                                          const Gdiplus::RectF& box,
                                          const Gdiplus::StringFormat& format) const
{
    Gdiplus::Font* deviceFont = FontAt(font);
    if (deviceFont == nullptr || !m_whiteBrush || text.empty())
    {
        return;
    }
    graphics.DrawString(text.c_str(), Length(text), deviceFont, ToDevice(box), &format, m_whiteBrush.get());
}
