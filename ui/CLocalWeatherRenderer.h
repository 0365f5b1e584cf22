// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "core/DateTime.h"
#include "core/Nullable.h"
#include "data/EarthBackground.h" // the name CPtr<Gdiplus::Bitmap> reports itself by
#include "platform/GdiPlus.h"
#include "weather/DisplayUnits.h"
#include "weather/EnumWeatherCode.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class City;
class CForecast;

// The local weather window's picture, without the window: lays out and paints the home city's
// weather for one mode into a 32-bit ARGB image whose transparent parts the window leaves
// see-through.
//
// All layout is in pixels at 96 DPI. The image is painted at the DPI it is given, every part at
// its device size (fonts, icons and the panel scaled, not a 96-DPI picture stretched), so it is
// as sharp at 150 % as at 100 %. Needs GDI+ running; user-interface thread only.
class CLocalWeatherRenderer
{
public:
    static constexpr int ModeLarge = 0;
    static constexpr int ModeSmall = 1;
    static constexpr int ModeIconOnly = 2;
    static constexpr UINT BaseDpi = 96;

    // Where the weather icons come from. A lookup left empty, or one that finds nothing, leaves
    // its icon out.
    struct IconSource
    {
        std::function<Gdiplus::Bitmap*(const Nullable<EnumWeatherCode>& code, bool isDay)> Large;
        std::function<Gdiplus::Bitmap*()> LargeNotAvailable;
        std::function<Gdiplus::Bitmap*(bool isDay, const Nullable<EnumWeatherCode>& code)> Small;
    };

    // The fonts and formats are made here, at 96 DPI, and kept. Never throws: a font that cannot
    // be made leaves its texts out.
    explicit CLocalWeatherRenderer(IconSource icons = IconSource());
    ~CLocalWeatherRenderer();
    CLocalWeatherRenderer(const CLocalWeatherRenderer&) = delete;
    CLocalWeatherRenderer& operator=(const CLocalWeatherRenderer&) = delete;

    // The DPI the next images are painted and measured at; 0 stands for 96.
    UINT Dpi() const { return m_dpi; }
    void SetDpi(UINT dpi) { m_dpi = dpi != 0 ? dpi : BaseDpi; }
    // A non-negative length at 96 DPI in device pixels at the given DPI, rounded up so nothing is
    // cut off: 290 × 73 becomes 435 × 110 at 144 DPI (150 %).
    static int ScaleLength(int length, UINT dpi);

    // The picture in device pixels at Dpi(): without a home city the no-home-city panel, else the
    // mode's (any mode but Small and Icon Only is Large). Throws when it cannot be painted.
    CPtr<Gdiplus::Bitmap> Render(const City* home, int mode, const DisplayUnits& units, DateTime utcNow);
    // The same with the other units following the temperature choice.
    CPtr<Gdiplus::Bitmap> Render(const City* home, int mode, bool metric, DateTime utcNow);

    // The panel behind the texts, prepared once from the shipped image at start-up and released
    // at shutdown while GDI+ is still running. A missing or unreadable file leaves no panel (the
    // texts are drawn without it); neither call throws.
    static void PreparePanelBackground(const std::wstring& path);
    static void FreePanelBackground();
    static Gdiplus::Bitmap* PanelBackground();

    // The layout of Large mode.
    struct ForecastColumn
    {
        int Day = -1;   // index of the day period in the forecast's items, -1 for none
        int Night = -1; // likewise for the night period
        // The period whose start gives the weekday and whose range is shown.
        int Heading() const { return Day >= 0 ? Day : Night; }
    };
    struct LargeLayout
    {
        bool HasForecast = false;
        bool StartsWithDay = true;
        std::vector<ForecastColumn> Columns;
        float DayHeight = 0.0f;   // height of the day summaries' row
        float NightHeight = 0.0f; // height of the night summaries' row
        int ContentWidth = 270;
        int ContentHeight = 53;
        int ImageWidth = 290; // at 96 DPI
        int ImageHeight = 160;
        // The room the line of details under the temperature takes (0 without one): the forecast
        // moves down by it.
        int DetailsHeight = 0;
    };
    // measureSummary gives the height a summary takes at 68 pixels wide; each row is held to 100
    // pixels and is at least 5. A forecast too long to be shown throws
    // "CLocalWeatherRenderer::LayOutLarge" before anything is measured.
    static LargeLayout LayOutLarge(const CForecast& forecast, DateTime utcNow,
                                   const std::function<float(const std::wstring&)>& measureSummary,
                                   bool detailsLine = false);
    // The height of one summary 68 pixels wide, however tall, measured at Dpi() in 96-DPI units.
    float MeasureSummary(const std::wstring& summary);

    // The line under the temperature and the name in Large and Small mode: feels-like, wind,
    // humidity, pressure and visibility, as many as fit from the first, each in a box of its own
    // (in 96-DPI coordinates), the line ending at the content's right edge.
    static constexpr float DetailsTop = 135.0f;
    static constexpr int DetailsHeight = 14;
    static constexpr float DetailsGap = 12.0f;
    struct DetailItem
    {
        std::wstring Text;
        Gdiplus::RectF Box;
    };
    // The texts laid out between left and right, each as wide as measureWidth says: those from
    // the first that fit, the rest dropped, the line ending at right.
    static std::vector<DetailItem>
    LayOutDetails(const std::vector<std::wstring>& texts, float left, float right,
                  const std::function<float(const std::wstring&)>& measureWidth);
    // The home city's line in a mode as drawn at Dpi(); empty in Icon Only mode and where the
    // observation is not recent or tells nothing beyond the temperature.
    std::vector<DetailItem> DetailsLine(const City& home, int mode, const DisplayUnits& units,
                                        DateTime utcNow);
    // The width of a detail text measured at Dpi(), in 96-DPI units.
    float MeasureDetail(const std::wstring& text);
    // The bounds of the name as drawn under the temperature text, in 96-DPI units at Dpi().
    Gdiplus::RectF NameBounds(const std::wstring& temperatureText, const std::wstring& name,
                              const Gdiplus::RectF& content);

    // Where the home city's name goes under the temperature text drawn into the content box: a
    // box whose right edge is that of the text's last digit and whose top overlaps the digits'
    // bottom by 5 pixels. In 96-DPI coordinates, measured as drawn at Dpi().
    Gdiplus::RectF NameBox(const std::wstring& temperatureText, const Gdiplus::RectF& content);

    // The code whose large icon shows the home city's weather now; none means "NA.png".
    static Nullable<EnumWeatherCode> CurrentWeatherCode(const City& home, DateTime utcNow);
    static std::wstring TemperatureText(const City& home, bool metric, DateTime utcNow);

private:
    using FontPtr = std::unique_ptr<Gdiplus::Font>;
    using FormatPtr = std::unique_ptr<Gdiplus::StringFormat>;

    // An image of the given size at 96 DPI in device pixels at Dpi(), cleared to transparent.
    struct Canvas
    {
        CPtr<Gdiplus::Bitmap> Image;
        std::unique_ptr<Gdiplus::Graphics> Graphics;
    };
    Canvas NewCanvas(int width, int height) const;
    CPtr<Gdiplus::Bitmap> RenderNoHomeCity();
    CPtr<Gdiplus::Bitmap> RenderLarge(const City& home, const DisplayUnits& units, DateTime utcNow);
    CPtr<Gdiplus::Bitmap> RenderSmall(const City& home, const DisplayUnits& units, DateTime utcNow);
    std::vector<std::wstring> DetailTexts(const City& home, const DisplayUnits& units, DateTime utcNow) const;
    void DrawDetails(Gdiplus::Graphics& graphics, const std::vector<DetailItem>& line) const;
    CPtr<Gdiplus::Bitmap> RenderIconOnly(const City& home, DateTime utcNow);
    // Drawing takes 96-DPI coordinates and scales them itself: the panel, texts and icons are
    // drawn at their device size rather than through a transform, which text layout and image
    // stretching do not follow alike on every GDI+.
    void DrawPanel(Gdiplus::Graphics& graphics, int x, int y, int width, int height) const;
    void DrawCurrentIcon(Gdiplus::Graphics& graphics, const City& home, DateTime utcNow) const;
    void DrawTemperatureAndName(Gdiplus::Graphics& graphics, const City& home, bool metric, DateTime utcNow,
                                const Gdiplus::RectF& content) const;
    void DrawColumn(Gdiplus::Graphics& graphics, const CForecast& forecast, const ForecastColumn& column,
                    float x, float top, float dayHeight, float nightHeight, bool metric) const;
    void DrawIcon(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* icon, const Gdiplus::RectF& box) const;
    void DrawWhiteText(Gdiplus::Graphics& graphics, const std::wstring& text, int font,
                       const Gdiplus::RectF& box, const Gdiplus::StringFormat& format) const;
    static void PrepareGraphics(Gdiplus::Graphics& graphics);
    Gdiplus::RectF NameBox(Gdiplus::Graphics& graphics, const std::wstring& temperatureText,
                           const Gdiplus::RectF& content) const;
    float Scale() const;
    Gdiplus::RectF ToDevice(const Gdiplus::RectF& box) const;
    // One of the fonts below at Dpi(); null when it could not be made.
    Gdiplus::Font* FontAt(int font) const;

    // Name, temperature, day heading, label, range, summary, message and detail fonts, made for the DPI
    // they were last asked at.
    enum FontIndex
    {
        NameFont,
        TemperatureFont,
        DayHeadingFont,
        LabelFont,
        RangeFont,
        SummaryFont,
        MessageFont,
        DetailFont,
        FontCount
    };
    mutable FontPtr m_fonts[FontCount];
    mutable UINT m_fontDpi = 0;
    FormatPtr m_labelFormat;
    FormatPtr m_messageFormat;
    FormatPtr m_largeFormat;   // forecast texts: centred, top, wrapped and trimmed at words
    FormatPtr m_summaryFormat; // the same, laying out only the lines that fit their row
    FormatPtr m_temperatureFormat;
    FormatPtr m_detailFormat; // one line, never wrapped
    std::unique_ptr<Gdiplus::SolidBrush> m_whiteBrush;
    std::unique_ptr<Gdiplus::Bitmap> m_scratch; // only for a graphics object to measure with

    IconSource m_icons;
    UINT m_dpi = BaseDpi;
};
