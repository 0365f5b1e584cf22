// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/LocalWeatherText.h"

#include "data/City.h"
#include "ui/CLocalWeatherRenderer.h"
#include "weather/CForecast.h"
#include "weather/EnumWeatherCode.h"

#include <cwctype>

namespace
{
std::wstring Number(const Nullable<int>& value)
{
    return value.HasValue ? std::to_wstring(value.Value()) : std::wstring(L"--");
}

// "Mon" rather than the drawn "MON", which a reader might spell out.
std::wstring WeekdayName(DateTime date)
{
    std::wstring name = DateTime::DayOfWeekString_ShortUppercase(date.DayOfWeek());
    for (size_t i = 1; i < name.size(); ++i)
    {
        name[i] = static_cast<wchar_t>(std::towlower(name[i]));
    }
    return name;
}

// One column as drawn: the weekday and range of the period that heads it, then the day's and
// the night's summaries.
std::wstring DescribeColumn(const CForecast& forecast, const CLocalWeatherRenderer::ForecastColumn& column,
                            bool metric)
{
    const int heading = column.Heading();
    if (heading < 0)
    {
        return L"";
    }
    const CForecastItem& item = forecast.Items[static_cast<size_t>(heading)];
    std::wstring text = WeekdayName(item.Start) + L" " + Number(item.GetTempratureMax(metric)) + L"/" +
                        Number(item.GetTempratureMin(metric));
    if (column.Day >= 0 && !forecast.Items[static_cast<size_t>(column.Day)].WeatherSummary.empty())
    {
        text += L" " + forecast.Items[static_cast<size_t>(column.Day)].WeatherSummary;
    }
    if (column.Night >= 0 && !forecast.Items[static_cast<size_t>(column.Night)].WeatherSummary.empty())
    {
        text += L", night " + forecast.Items[static_cast<size_t>(column.Night)].WeatherSummary;
    }
    return text;
}

std::wstring DescribeForecast(const CForecast& forecast, bool metric, DateTime utcNow)
{
    CLocalWeatherRenderer::LargeLayout layout;
    try
    {
        // Only which periods make which column matters here, not how tall their texts are.
        layout =
            CLocalWeatherRenderer::LayOutLarge(forecast, utcNow, [](const std::wstring&) { return 0.0f; });
    }
    catch (...)
    {
        return L""; // a forecast the window does not show either
    }
    std::wstring text;
    for (const CLocalWeatherRenderer::ForecastColumn& column : layout.Columns)
    {
        const std::wstring described = DescribeColumn(forecast, column, metric);
        if (!described.empty())
        {
            text += (text.empty() ? L"" : L"; ") + described;
        }
    }
    return text;
}
} // namespace

std::wstring LocalWeatherText::Condition(const Nullable<EnumWeatherCode>& code)
{
    if (!code.HasValue)
    {
        return L"";
    }
    const wchar_t* phrase = WeatherCodes::Phrase(code.Value());
    return phrase != nullptr ? phrase : L"";
}

std::wstring LocalWeatherText::Describe(const City* home, int mode, bool metric, DateTime utcNow)
{
    if (home == nullptr)
    {
        return NoHomeCityMessage;
    }
    std::wstring text = home->DisplayName();
    const std::wstring temperature = CLocalWeatherRenderer::TemperatureText(*home, metric, utcNow);
    // The window draws "--" for a temperature it does not know: a reader had better say so.
    text += temperature == L"--" ? std::wstring(L", temperature not known")
                                 : L", " + temperature + (metric ? L"C" : L"F");
    // The window greys an old temperature until newer weather comes: said in words here.
    if (temperature != L"--" && home->CurrentWeather.IsStale(utcNow))
    {
        text += L" (not recent)";
    }
    const std::wstring condition = Condition(CLocalWeatherRenderer::CurrentWeatherCode(*home, utcNow));
    if (!condition.empty())
    {
        text += L", " + condition;
    }
    text += L".";
    if (mode != CLocalWeatherRenderer::ModeSmall && mode != CLocalWeatherRenderer::ModeIconOnly)
    {
        const std::wstring forecast = DescribeForecast(home->Forecast, metric, utcNow);
        if (!forecast.empty())
        {
            text += L" " + forecast;
        }
    }
    return text;
}
