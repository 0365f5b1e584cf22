// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/TrayTip.h"

#include "data/City.h"
#include "weather/EnumWeatherCode.h"
#include "weather/Temperature.h"

namespace
{
bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Accents written after their letter belong to it.
bool IsCombiningMark(wchar_t c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F);
}

// The text cut to at most maxLength units, ending with "…" when cut.
std::wstring Shorten(const std::wstring& text, std::size_t maxLength)
{
    if (text.size() <= maxLength)
    {
        return text;
    }
    if (maxLength == 0)
    {
        return std::wstring();
    }
    std::size_t cut = maxLength - 1; // room for the ellipsis
    // Back off while the first unit left out continues the character before it.
    while (cut > 0 && (IsLowSurrogate(text[cut]) || IsCombiningMark(text[cut])))
    {
        --cut;
    }
    return text.substr(0, cut) + L"\u2026";
}

std::wstring TwoDigits(int value)
{
    return std::wstring(1, static_cast<wchar_t>(L'0' + value / 10 % 10)) +
           static_cast<wchar_t>(L'0' + value % 10);
}

std::wstring WeatherLine(const City& home, const DisplayUnits& units, DateTime utcNow,
                         const TrayTip::LocalTime& toLocal)
{
    const CCurrentWeather& weather = home.CurrentWeather;
    const std::wstring name = home.DisplayName() + L": ";
    if (!weather.IsRecent(utcNow))
    {
        return name + L"no recent observation";
    }
    std::wstring parts;
    const Nullable<int> temperature = weather.GetTemprature(units.Metric);
    if (temperature.HasValue)
    {
        parts = Temperature::Degrees(temperature.Value()) + (units.Metric ? L"C" : L"F");
    }
    const wchar_t* phrase =
        weather.WeatherCode.HasValue ? WeatherCodes::Phrase(weather.WeatherCode.Value()) : nullptr;
    if (phrase != nullptr)
    {
        parts += (parts.empty() ? L"" : L", ") + std::wstring(phrase);
    }
    if (parts.empty())
    {
        return name + L"no recent observation";
    }
    std::wstring observed;
    try
    {
        const DateTime local = toLocal ? toLocal(weather.ReportDateTime) : weather.ReportDateTime;
        observed = L" (observed " + TwoDigits(local.Hour()) + L":" + TwoDigits(local.Minute()) + L")";
    }
    catch (...)
    {
        // Without the time the rest still tells the weather.
    }
    return name + parts + observed;
}
} // namespace

namespace TrayTip
{
std::wstring Text(const City* home, const DisplayUnits& units, DateTime utcNow, const LocalTime& toLocal,
                  const std::wstring& productName, const std::wstring& alertEvent)
{
    std::vector<std::wstring> lines;
    if (!alertEvent.empty())
    {
        lines.push_back(alertEvent);
    }
    if (home == nullptr)
    {
        lines.push_back(productName + L": no home city");
        return FitLines(lines);
    }
    lines.push_back(WeatherLine(*home, units, utcNow, toLocal));
    if (home->CurrentWeather.IsRecent(utcNow))
    {
        // The local weather window words these the same way.
        const std::wstring feelsLike = units.FeelsLikeText(home->CurrentWeather);
        if (!feelsLike.empty())
        {
            lines.push_back(feelsLike);
        }
        const std::wstring wind = units.WindText(home->CurrentWeather);
        if (!wind.empty())
        {
            lines.push_back(L"Wind: " + wind);
        }
    }
    return FitLines(lines);
}

std::wstring FitLines(const std::vector<std::wstring>& lines, std::size_t maxLength)
{
    std::wstring text;
    for (const std::wstring& line : lines)
    {
        if (text.empty())
        {
            text = Shorten(line, maxLength);
            continue;
        }
        if (text.size() + 1 + line.size() > maxLength)
        {
            break;
        }
        text += L"\n" + line;
    }
    return text;
}
} // namespace TrayTip
