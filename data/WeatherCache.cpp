// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/WeatherCache.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/Util.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <utility>

namespace
{
const DateTime NeverObserved = DateTime(1990, 1, 1, 0, 0, 0);

// Wide text to UTF-8; a lone surrogate (UTF-16) or a value past U+10FFFF becomes U+FFFD.
std::string ToUtf8(const std::wstring& text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        char32_t value = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && value >= 0xD800 && value <= 0xDBFF && i + 1 < text.size() &&
            static_cast<char32_t>(text[i + 1]) >= 0xDC00 && static_cast<char32_t>(text[i + 1]) <= 0xDFFF)
        {
            value = 0x10000 + ((value - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
        }
        else if ((value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        {
            value = 0xFFFD;
        }
        if (value < 0x80)
        {
            result += static_cast<char>(value);
        }
        else if (value < 0x800)
        {
            result += static_cast<char>(0xC0 | (value >> 6));
            result += static_cast<char>(0x80 | (value & 0x3F));
        }
        else if (value < 0x10000)
        {
            result += static_cast<char>(0xE0 | (value >> 12));
            result += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (value & 0x3F));
        }
        else
        {
            result += static_cast<char>(0xF0 | (value >> 18));
            result += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
            result += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (value & 0x3F));
        }
    }
    return result;
}

// Station codes and addresses are plain ASCII without blanks; anything else is not ours.
bool IsToken(const std::wstring& text, std::size_t maxLength, bool alphanumeric)
{
    if (text.empty() || text.size() > maxLength)
    {
        return false;
    }
    for (const wchar_t c : text)
    {
        const bool allowed =
            alphanumeric ? (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9')
                         : c > L' ' && c < 0x7F;
        if (!allowed)
        {
            return false;
        }
    }
    return true;
}

constexpr std::size_t MaxStationCodeLength = 16;

// ---- Writing

std::string Escaped(const std::wstring& text)
{
    std::string escaped;
    for (const char c : ToUtf8(text))
    {
        switch (c)
        {
        case '\\':
            escaped += "\\\\";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\n':
            escaped += "\\n";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string Number(float value)
{
    // The shortest text that reads back as the same float, in every locale.
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

std::string Field(const Nullable<float>& value)
{
    return value.HasValue ? Number(value.Value()) : std::string();
}

std::string Field(const Nullable<int>& value)
{
    return value.HasValue ? std::to_string(value.Value()) : std::string();
}

std::string Field(const Nullable<EnumWeatherCode>& value)
{
    return value.HasValue ? std::to_string(static_cast<int>(value.Value())) : std::string();
}

std::string Field(DateTime value)
{
    return std::to_string(value.Ticks()) + "\t" + std::to_string(static_cast<int>(value.GetKind()));
}

void Line(std::string& out, std::initializer_list<std::string> fields)
{
    bool first = true;
    for (const std::string& field : fields)
    {
        if (!first)
        {
            out += '\t';
        }
        out += field;
        first = false;
    }
    out += "\r\n";
}

// ---- Reading

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
        {
            return fields;
        }
        start = tab + 1;
    }
}

// The whole field as an integer in [low, high].
template <typename T> T ParseInteger(const std::string& field, T low, T high)
{
    T value{};
    const char* end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    if (field.empty() || error != std::errc() || stop != end || value < low || value > high)
    {
        ThrowApplicationException(Here());
    }
    return value;
}

Nullable<float> ParseOptionalFloat(const std::string& field, float low, float high)
{
    if (field.empty())
    {
        return {};
    }
    float value = 0.0f;
    const char* end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value, std::chars_format::general);
    if (error != std::errc() || stop != end || !std::isfinite(value) || value < low || value > high)
    {
        ThrowApplicationException(Here());
    }
    return value;
}

Nullable<int> ParseOptionalInt(const std::string& field, int low, int high)
{
    if (field.empty())
    {
        return {};
    }
    return ParseInteger(field, low, high);
}

Nullable<EnumWeatherCode> ParseOptionalCode(const std::string& field)
{
    const Nullable<int> code = ParseOptionalInt(field, 0, WeatherCodeCount - 1);
    if (!code.HasValue)
    {
        return {};
    }
    return static_cast<EnumWeatherCode>(code.Value());
}

DateTime ParseTime(const std::string& ticks, const std::string& kind)
{
    return DateTime::FromTicks(ParseInteger<std::int64_t>(ticks, 0, DateTime::MaxTicks),
                               static_cast<DateTime::Kind>(ParseInteger(kind, 0, 2)));
}

std::wstring Unescaped(const std::string& field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i)
    {
        if (field[i] != '\\')
        {
            text += field[i];
            continue;
        }
        if (++i == field.size())
        {
            ThrowApplicationException(Here());
        }
        switch (field[i])
        {
        case '\\':
            text += '\\';
            break;
        case 't':
            text += '\t';
            break;
        case 'r':
            text += '\r';
            break;
        case 'n':
            text += '\n';
            break;
        default:
            ThrowApplicationException(Here());
        }
    }
    std::wstring wide = Util::FromUtf8(text);
    if (wide.size() > WeatherCache::MaxSummaryLength)
    {
        ThrowApplicationException(Here());
    }
    return wide;
}

// Bounds wide enough for any weather on earth, tight enough that nothing drawn from them can
// overflow: a value outside them is not a value we wrote.
constexpr float MaxTemperature = 100.0f; // Celsius, either way
constexpr float MaxSpeed = 200.0f;       // m/s
constexpr float MaxVisibility = 1.0e6f;  // metres
constexpr float MinPressure = 500.0f;    // hPa
constexpr float MaxPressure = 1200.0f;

void Require(bool condition, const char* location)
{
    if (!condition)
    {
        ThrowApplicationException(location);
    }
}

CCurrentWeather ParseObservation(const std::vector<std::string>& f)
{
    Require(f.size() >= 14, Here());
    CCurrentWeather weather;
    weather.ReportDateTime = ParseTime(f[1], f[2]);
    weather.WeatherCode = ParseOptionalCode(f[3]);
    weather.Temprature = ParseOptionalFloat(f[4], -MaxTemperature, MaxTemperature);
    weather.DewPoint = ParseOptionalFloat(f[5], -MaxTemperature, MaxTemperature);
    weather.WindDirection = ParseOptionalInt(f[6], 0, 360);
    weather.WindDirectionVariable = ParseInteger(f[7], 0, 1) == 1;
    weather.WindVariableFrom = ParseOptionalInt(f[8], 0, 360);
    weather.WindVariableTo = ParseOptionalInt(f[9], 0, 360);
    weather.WindSpeed = ParseOptionalFloat(f[10], 0.0f, MaxSpeed);
    weather.WindGust = ParseOptionalFloat(f[11], 0.0f, MaxSpeed);
    weather.Visibility = ParseOptionalFloat(f[12], 0.0f, MaxVisibility);
    weather.Pressure = ParseOptionalFloat(f[13], MinPressure, MaxPressure);
    return weather;
}

CForecastItem ParseItem(const std::vector<std::string>& f)
{
    Require(f.size() >= 9, Here());
    CForecastItem item;
    item.Start = ParseTime(f[1], f[2]);
    item.End = ParseTime(f[3], f[4]);
    item.WeatherCode = ParseOptionalCode(f[5]);
    item.TempratureMin = ParseOptionalFloat(f[6], -MaxTemperature, MaxTemperature);
    item.TempratureMax = ParseOptionalFloat(f[7], -MaxTemperature, MaxTemperature);
    item.WeatherSummary = Unescaped(f[8]);
    return item;
}
} // namespace

std::string WeatherCache::Write(const std::vector<Entry>& entries)
{
    std::string out = std::string(Header) + "\r\n";
    for (const Entry& entry : entries)
    {
        Line(out, {"C", std::to_string(entry.CityId), ToUtf8(entry.StationCode)});
        if (entry.HasCurrentWeather)
        {
            const CCurrentWeather& w = entry.CurrentWeather;
            Line(out, {"O", Field(w.ReportDateTime), Field(w.WeatherCode), Field(w.Temprature),
                       Field(w.DewPoint), Field(w.WindDirection), w.WindDirectionVariable ? "1" : "0",
                       Field(w.WindVariableFrom), Field(w.WindVariableTo), Field(w.WindSpeed),
                       Field(w.WindGust), Field(w.Visibility), Field(w.Pressure)});
        }
        if (entry.HasForecast)
        {
            Line(out, {"F", Field(entry.Forecast.ReportDateTime)});
            for (const CForecastItem& item : entry.Forecast.Items)
            {
                Line(out,
                     {"I", Field(item.Start), Field(item.End), Field(item.WeatherCode),
                      Field(item.TempratureMin), Field(item.TempratureMax), Escaped(item.WeatherSummary)});
            }
        }
        if (!entry.ForecastUrl.empty())
        {
            Line(out, {"P", ToUtf8(entry.ForecastUrl)});
        }
    }
    out += "end\r\n";
    return out;
}

std::vector<WeatherCache::Entry> WeatherCache::Read(const std::string& text)
{
    Require(text.size() <= MaxFileBytes, Here());
    std::vector<Entry> entries;
    bool header = true;
    bool ended = false;
    std::size_t start = 0;
    while (start < text.size())
    {
        const std::size_t newline = text.find('\n', start);
        Require(newline != std::string::npos, Here()); // every line ends, the last one too
        std::string line = text.substr(start, newline - start);
        start = newline + 1;
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        Require(!ended, Here()); // nothing after the end
        if (header)
        {
            Require(line == Header, Here());
            header = false;
            continue;
        }
        if (line == "end")
        {
            ended = true;
            continue;
        }
        const std::vector<std::string> f = Fields(line);
        const std::string& kind = f[0];
        if (kind == "C")
        {
            Require(f.size() >= 3 && entries.size() < MaxCities, Here());
            Entry entry;
            entry.CityId = ParseInteger(f[1], INT32_MIN, INT32_MAX);
            entry.StationCode = Util::FromUtf8(f[2]);
            Require(IsToken(entry.StationCode, MaxStationCodeLength, true), Here());
            entries.push_back(std::move(entry));
            continue;
        }
        if (kind.size() != 1 || kind[0] < 'A' || kind[0] > 'Z')
        {
            ThrowApplicationException(Here());
        }
        if (kind != "O" && kind != "F" && kind != "I" && kind != "P")
        {
            continue; // a record a later version added
        }
        Require(!entries.empty(), Here());
        Entry& entry = entries.back();
        if (kind == "O")
        {
            Require(!entry.HasCurrentWeather, Here());
            entry.CurrentWeather = ParseObservation(f);
            entry.HasCurrentWeather = true;
        }
        else if (kind == "F")
        {
            Require(!entry.HasForecast && f.size() >= 3, Here());
            entry.Forecast.ReportDateTime = ParseTime(f[1], f[2]);
            entry.HasForecast = true;
        }
        else if (kind == "I")
        {
            Require(entry.HasForecast && entry.Forecast.Items.size() < CForecast::MaxItems, Here());
            entry.Forecast.Items.push_back(ParseItem(f));
        }
        else
        {
            Require(entry.ForecastUrl.empty() && f.size() >= 2, Here());
            entry.ForecastUrl = Util::FromUtf8(f[1]);
            Require(IsToken(entry.ForecastUrl, MaxUrlLength, false), Here());
        }
    }
    Require(ended, Here()); // cut short
    return entries;
}

std::vector<WeatherCache::Entry>
WeatherCache::Collect(const City* homeCity, const std::vector<City>& favourites,
                      const std::function<std::wstring(const City&)>& forecastUrlOf)
{
    std::vector<Entry> entries;
    const auto add = [&](const City& city, bool home)
    {
        if (entries.size() >= MaxCities || !IsToken(city.StationCode, MaxStationCodeLength, true))
        {
            return;
        }
        Entry entry;
        entry.CityId = city.Id;
        entry.StationCode = city.StationCode;
        entry.HasCurrentWeather = city.CurrentWeather.ReportDateTime != NeverObserved;
        entry.CurrentWeather = city.CurrentWeather;
        entry.HasForecast = home && city.Forecast.ReportDateTime != NeverObserved;
        if (entry.HasForecast)
        {
            entry.Forecast = city.Forecast;
        }
        if (forecastUrlOf)
        {
            entry.ForecastUrl = forecastUrlOf(city);
            if (!IsToken(entry.ForecastUrl, MaxUrlLength, false))
            {
                entry.ForecastUrl.clear();
            }
        }
        if (entry.HasCurrentWeather || entry.HasForecast || !entry.ForecastUrl.empty())
        {
            entries.push_back(std::move(entry));
        }
    };
    if (homeCity != nullptr)
    {
        add(*homeCity, true);
    }
    for (const City& city : favourites)
    {
        add(city, false);
    }
    return entries;
}

City* WeatherCache::FindCity(const Entry& entry, City* homeCity, std::vector<City>& favourites)
{
    const auto matches = [&](const City& city)
    { return city.Id == entry.CityId && city.StationCode == entry.StationCode; };
    if (homeCity != nullptr && matches(*homeCity))
    {
        return homeCity;
    }
    for (City& city : favourites)
    {
        if (matches(city))
        {
            return &city;
        }
    }
    return nullptr;
}

std::size_t WeatherCache::Apply(const std::vector<Entry>& entries, City* homeCity,
                                std::vector<City>& favourites, DateTime utcNow)
{
    const DateTime latest = utcNow + TimeSpan::FromMinutes(60);
    std::size_t applied = 0;
    for (const Entry& entry : entries)
    {
        City* city = FindCity(entry, homeCity, favourites);
        if (city == nullptr)
        {
            continue;
        }
        City kept(*city);
        kept.CurrentWeather = CCurrentWeather();
        kept.Forecast = CForecast();
        if (entry.HasCurrentWeather && entry.CurrentWeather.ReportDateTime <= latest)
        {
            kept.CurrentWeather = entry.CurrentWeather;
        }
        if (entry.HasForecast && city == homeCity && entry.Forecast.ReportDateTime <= latest)
        {
            kept.Forecast = entry.Forecast;
        }
        const DateTime observed = city->CurrentWeather.ReportDateTime;
        const DateTime forecast = city->Forecast.ReportDateTime;
        city->UpdateWeather(kept);
        if (city->CurrentWeather.ReportDateTime != observed || city->Forecast.ReportDateTime != forecast)
        {
            ++applied;
        }
    }
    return applied;
}
