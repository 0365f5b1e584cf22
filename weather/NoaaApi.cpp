// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/NoaaApi.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/TimeSpan.h"
#include "core/Util.h"
#include "weather/Temperature.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <utility>
#include <vector>

namespace
{
using Json = nlohmann::json;

// The service's shortForecast phrases and the words they are made of, lower case. A phrase's
// code follows the icon the service draws for it, as the SOAP answer's icon rules do.
const std::unordered_map<std::string, EnumWeatherCode>& PhraseTable()
{
    static const std::unordered_map<std::string, EnumWeatherCode> table = {
        {"sunny", Clear},
        {"clear", Clear},
        {"fair", Fair},
        {"mostly sunny", Fair},
        {"mostly clear", Fair},
        {"partly cloudy", PartlyCloudy},
        {"decreasing clouds", PartlyCloudy},
        {"partly sunny", MostlyCloudy},
        {"mostly cloudy", MostlyCloudy},
        {"increasing clouds", MostlyCloudy},
        {"cloudy", Cloudy},
        {"overcast", Cloudy},
        {"fog", Fog},
        {"mist", Fog},
        {"haze", Haze},
        {"smoke", Haze},
        {"dust", Haze},
        {"sand", Haze},
        {"cold", Cold},
        {"frost", Cold},
        {"hot", Hot},
        {"windy", Windy},
        {"breezy", Windy},
        {"blustery", Windy},
        {"showers", RainShowers},
        {"rain showers", RainShowers},
        {"snow showers", SnowShowers},
        {"flurries", SnowShowers},
        {"rain", Rain},
        {"drizzle", Rain},
        {"freezing rain", Rain},
        {"freezing drizzle", Rain},
        {"snow", Snow},
        {"sleet", Snow},
        {"blizzard", Snow},
        {"rain and snow", RainAndSnow},
        {"rain and snow showers", RainAndSnow},
        {"rain and sleet", RainAndSnow},
        {"wintry mix", RainAndSnow},
        {"hail", Hail},
        {"thunderstorms", Thunderstorms},
        {"thunderstorm", Thunderstorms},
        {"t-storms", Thunderstorms},
        {"showers and thunderstorms", Thunderstorms},
        {"tornado", Tornado},
    };
    return table;
}

// The most words a phrase of the table has.
constexpr std::size_t LongestPhraseWords = 4;

// The code of one part of a phrase (no "then" in it): the longest run of words the table
// knows, the most significant of equally long ones.
Nullable<EnumWeatherCode> CodeOfWords(const std::vector<std::string>& words)
{
    const auto& table = PhraseTable();
    for (std::size_t length = std::min(words.size(), LongestPhraseWords); length > 0; --length)
    {
        Nullable<EnumWeatherCode> best;
        for (std::size_t first = 0; first + length <= words.size(); ++first)
        {
            std::string run = words[first];
            for (std::size_t i = first + 1; i < first + length; ++i)
            {
                run += ' ';
                run += words[i];
            }
            const auto found = table.find(run);
            if (found != table.end() && (!best.HasValue || found->second > best.Value()))
            {
                best = found->second;
            }
        }
        if (best.HasValue)
        {
            return best;
        }
    }
    return Nullable<EnumWeatherCode>();
}

// Refuses what no answer of the service looks like before the JSON parser holds it in memory:
// an oversized text or one nested deeper than MaxNesting (brackets inside strings not counted).
void CheckShape(const std::string& text)
{
    if (text.size() > NoaaApi::MaxDocumentBytes)
    {
        ThrowApplicationException(Here(), "document too large");
    }
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text)
    {
        if (inString)
        {
            if (escaped)
            {
                escaped = false;
            }
            else if (c == '\\')
            {
                escaped = true;
            }
            else if (c == '"')
            {
                inString = false;
            }
        }
        else if (c == '"')
        {
            inString = true;
        }
        else if (c == '[' || c == '{')
        {
            if (++depth > NoaaApi::MaxNesting)
            {
                ThrowApplicationException(Here(), "nested too deep");
            }
        }
        else if ((c == ']' || c == '}') && depth > 0)
        {
            --depth;
        }
    }
}

Json ParseDocument(const std::string& text)
{
    CheckShape(text);
    Json document = Json::parse(text, nullptr, false);
    if (document.is_discarded())
    {
        ThrowApplicationException(Here(), "malformed JSON");
    }
    if (!document.is_object())
    {
        ThrowApplicationException(Here(), "not an object");
    }
    return document;
}

// The document's "properties" object, where the service puts everything we read.
const Json& Properties(const Json& document)
{
    const auto found = document.find("properties");
    if (found == document.end() || !found->is_object())
    {
        ThrowApplicationException(Here(), "no properties");
    }
    return *found;
}

// The member of that name when present and not null; null when absent or null. Any other
// type than the one expected is the caller's to refuse.
const Json* Member(const Json& object, const char* name)
{
    const auto found = object.find(name);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

// "2026-12-09T14:00:00-05:00" as the forecast point's local time; the offset is the point's
// own and is left off, as in the SOAP answer.
DateTime ReadLocalTime(const std::string& text)
{
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':')
    {
        ThrowApplicationException(Here(), "malformed time");
    }
    return DateTime(Util::ParseDigits(text, 0, 4), Util::ParseDigits(text, 5, 2),
                    Util::ParseDigits(text, 8, 2), Util::ParseDigits(text, 11, 2),
                    Util::ParseDigits(text, 14, 2), Util::ParseDigits(text, 17, 2));
}

// The period's temperature in Celsius: a number with temperatureUnit "F" or "C", or the newer
// form {"unitCode": "wmoUnit:degF", "value": 44}. Absent when the service gives none or a value
// no thermometer shows; a wrong type throws.
Nullable<float> ReadTemperature(const Json& period)
{
    const Json* temperature = Member(period, "temperature");
    if (temperature == nullptr)
    {
        return Nullable<float>();
    }
    const Json* value = temperature;
    const Json* unit = Member(period, "temperatureUnit");
    if (temperature->is_object())
    {
        value = Member(*temperature, "value");
        unit = Member(*temperature, "unitCode");
        if (value == nullptr)
        {
            return Nullable<float>();
        }
    }
    if (!value->is_number() || unit == nullptr || !unit->is_string())
    {
        ThrowApplicationException(Here(), "temperature of the wrong type");
    }
    const std::string& unitText = unit->get_ref<const std::string&>();
    const double number = value->get<double>();
    double celsius = 0.0;
    if (unitText == "F" || unitText == "wmoUnit:degF")
    {
        celsius = (number - 32.0) * 5.0 / 9.0;
    }
    else if (unitText == "C" || unitText == "wmoUnit:degC")
    {
        celsius = number;
    }
    else
    {
        ThrowApplicationException(Here(), "unknown temperature unit");
    }
    if (!(std::fabs(celsius) <= 150.0))
    {
        return Nullable<float>();
    }
    return static_cast<float>(celsius);
}

struct Period
{
    DateTime Start; // aligned to 06:00 or 18:00
    DateTime End;
    std::string ShortForecast;
    Nullable<float> Temperature;
    bool IsDaytime = true;
};

Period ReadPeriod(const Json& period)
{
    if (!period.is_object())
    {
        ThrowApplicationException(Here(), "period not an object");
    }
    const Json* start = Member(period, "startTime");
    const Json* daytime = Member(period, "isDaytime");
    if (start == nullptr || !start->is_string() || daytime == nullptr || !daytime->is_boolean())
    {
        ThrowApplicationException(Here(), "period without startTime or isDaytime");
    }
    const Json* shortForecast = Member(period, "shortForecast");
    if (shortForecast != nullptr && !shortForecast->is_string())
    {
        ThrowApplicationException(Here(), "shortForecast not a text");
    }

    Period result;
    result.IsDaytime = daytime->get<bool>();
    try
    {
        // The window lays periods out as days and nights: the service's first period may begin
        // at any hour ("This Afternoon" at 14:00, "Overnight" at 02:00), but it is that day or
        // that night all the same.
        const DateTime local = ReadLocalTime(start->get_ref<const std::string&>());
        const long long hour = local.Ticks() / TimeSpan::TicksPerHour % 24;
        std::int64_t date = local.Date().Ticks();
        if (!result.IsDaytime && hour < 12)
        {
            date -= TimeSpan::TicksPerDay;
        }
        result.Start = DateTime::FromTicks(date + (result.IsDaytime ? 6 : 18) * TimeSpan::TicksPerHour);
        result.End = DateTime::FromTicks(result.Start.Ticks() + 12 * TimeSpan::TicksPerHour);
    }
    catch (const ApplicationException&)
    {
        ThrowApplicationException(Here(), "bad startTime");
    }
    result.ShortForecast = shortForecast != nullptr ? shortForecast->get<std::string>() : std::string();
    result.Temperature = ReadTemperature(period);
    return result;
}

bool IsEmpty(const CForecastItem& item)
{
    return item.WeatherSummary.empty() && !item.WeatherCode.HasValue && !item.TempratureMin.HasValue &&
           !item.TempratureMax.HasValue;
}

// A text field of an alert, cut to MaxAlertTextBytes at the start of a UTF-8 character; empty
// when absent.
std::wstring ReadAlertText(const Json& properties, const char* name)
{
    const Json* member = Member(properties, name);
    if (member == nullptr)
    {
        return std::wstring();
    }
    if (!member->is_string())
    {
        ThrowApplicationException(Here(), "alert text of the wrong type");
    }
    const std::string& text = member->get_ref<const std::string&>();
    std::size_t length = std::min(text.size(), NoaaApi::MaxAlertTextBytes);
    while (length < text.size() && length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
    {
        --length;
    }
    return Util::FromUtf8(text.substr(0, length));
}

// "2026-12-09T14:00:00-08:00" (or with "Z", or fractions of a second) as UTC; absent when the
// field is.
Nullable<DateTime> ReadAlertTime(const Json& properties, const char* name)
{
    const Json* member = Member(properties, name);
    if (member == nullptr)
    {
        return Nullable<DateTime>();
    }
    if (!member->is_string())
    {
        ThrowApplicationException(Here(), "alert time of the wrong type");
    }
    const std::string& text = member->get_ref<const std::string&>();
    try
    {
        const DateTime local = ReadLocalTime(text);
        std::size_t at = 19;
        if (at < text.size() && text[at] == '.')
        {
            ++at;
            while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at < 40)
            {
                ++at;
            }
        }
        std::int64_t offset = 0;
        if (at + 1 == text.size() && text[at] == 'Z')
        {
            offset = 0;
        }
        else if (at + 6 == text.size() && (text[at] == '+' || text[at] == '-') && text[at + 3] == ':')
        {
            const int hours = Util::ParseDigits(text, at + 1, 2);
            const int minutes = Util::ParseDigits(text, at + 4, 2);
            if (hours > 23 || minutes > 59)
            {
                ThrowApplicationException(Here());
            }
            offset = (hours * 60 + minutes) * TimeSpan::TicksPerMinute * (text[at] == '-' ? -1 : 1);
        }
        else
        {
            ThrowApplicationException(Here());
        }
        return DateTime::FromTicks(local.Ticks() - offset, DateTime::KindUtc);
    }
    catch (const ApplicationException&)
    {
        ThrowApplicationException(Here(), "malformed alert time");
    }
}

// Ids go into the file of alerts already told: printable ASCII of a sane length only.
std::string ReadAlertId(const Json& properties)
{
    const Json* id = Member(properties, "id");
    if (id == nullptr || !id->is_string())
    {
        ThrowApplicationException(Here(), "alert without id");
    }
    const std::string& text = id->get_ref<const std::string&>();
    if (text.empty() || text.size() > 256 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F; }))
    {
        ThrowApplicationException(Here(), "malformed alert id");
    }
    return text;
}

std::string FormatCoordinate(float degrees)
{
    // Integer arithmetic, so neither the locale nor the float's last bits show in the text.
    const double scaled = std::round(static_cast<double>(degrees) * 10000.0);
    if (!(std::fabs(scaled) <= 1800000.0))
    {
        ThrowApplicationException(Here(), "position out of range");
    }
    long long units = static_cast<long long>(scaled);
    std::string text = units < 0 ? "-" : "";
    units = std::llabs(units);
    text += std::to_string(units / 10000);
    std::string fraction = std::to_string(10000 + units % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
    {
        fraction.pop_back();
    }
    if (!fraction.empty())
    {
        text += "." + fraction;
    }
    return text == "-0" ? "0" : text;
}
} // namespace

std::string NoaaApi::PointsPath(float latitude, float longitude)
{
    return "/points/" + FormatCoordinate(latitude) + "," + FormatCoordinate(longitude);
}

std::string NoaaApi::ForecastUrlOfPoints(const std::string& text)
{
    const Json document = ParseDocument(text);
    const Json* forecast = Member(Properties(document), "forecast");
    if (forecast == nullptr || !forecast->is_string())
    {
        ThrowApplicationException(Here(), "no forecast address");
    }
    const std::string& url = forecast->get_ref<const std::string&>();
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0)
    {
        ThrowApplicationException(Here(), "forecast address not http");
    }
    return url;
}

void NoaaApi::ParseForecast(const std::string& text, CForecast& forecast)
{
    ParseForecast(text, forecast, DateTime::UtcNow());
}

void NoaaApi::ParseForecast(const std::string& text, CForecast& forecast, DateTime utcNow)
{
    const Json document = ParseDocument(text);
    const Json* periods = Member(Properties(document), "periods");
    if (periods == nullptr || !periods->is_array())
    {
        ThrowApplicationException(Here(), "no periods");
    }

    // Every period is read, so that the last stored day still finds its night's minimum.
    std::vector<Period> read;
    std::unordered_map<std::int64_t, Nullable<float>> maximum;
    std::unordered_map<std::int64_t, Nullable<float>> minimum;
    for (const Json& entry : *periods)
    {
        Period period = ReadPeriod(entry);
        if (!read.empty() && !(read.back().Start < period.Start))
        {
            continue; // out of order or a second period for the same half day
        }
        (period.IsDaytime ? maximum : minimum).emplace(period.Start.Date().Ticks(), period.Temperature);
        read.push_back(std::move(period));
    }

    const auto on = [](const std::unordered_map<std::int64_t, Nullable<float>>& list, DateTime date)
    {
        const auto found = list.find(date.Ticks());
        return found != list.end() ? found->second : Nullable<float>();
    };
    CForecast result;
    for (std::size_t i = 0; i < read.size() && result.Items.size() < CForecast::MaxItems; ++i)
    {
        CForecastItem item;
        item.Start = read[i].Start;
        item.End = read[i].End;
        item.WeatherSummary = Util::FromUtf8(read[i].ShortForecast);
        item.WeatherCode = WeatherCodeOfPhrase(read[i].ShortForecast);
        item.TempratureMax = on(maximum, item.Start.Date());
        item.TempratureMin = on(minimum, item.Start.Date());
        result.Items.push_back(std::move(item));
    }
    while (!result.Items.empty() && IsEmpty(result.Items.back()))
    {
        result.Items.pop_back();
    }
    if (result.Items.empty())
    {
        ThrowApplicationException(Here(), "no forecast periods");
    }
    result.ReportDateTime = DateTime::FromTicks(utcNow.Ticks(), DateTime::KindUtc);
    forecast = std::move(result);
}

std::string NoaaApi::AlertsPath(float latitude, float longitude)
{
    return "/alerts/active?point=" + FormatCoordinate(latitude) + "," + FormatCoordinate(longitude);
}

std::vector<CWeatherAlert> NoaaApi::ParseAlerts(const std::string& text)
{
    const Json document = ParseDocument(text);
    const Json* features = Member(document, "features");
    if (features == nullptr || !features->is_array())
    {
        ThrowApplicationException(Here(), "no features");
    }
    std::vector<CWeatherAlert> alerts;
    for (const Json& feature : *features)
    {
        if (alerts.size() == MaxAlerts)
        {
            break;
        }
        if (!feature.is_object())
        {
            ThrowApplicationException(Here(), "feature not an object");
        }
        const Json& properties = Properties(feature);
        const Json* status = Member(properties, "status");
        const Json* messageType = Member(properties, "messageType");
        if ((status != nullptr && !status->is_string()) ||
            (messageType != nullptr && !messageType->is_string()))
        {
            ThrowApplicationException(Here(), "status of the wrong type");
        }
        if (status == nullptr || *status != "Actual" || (messageType != nullptr && *messageType == "Cancel"))
        {
            continue;
        }
        CWeatherAlert alert;
        alert.Id = ReadAlertId(properties);
        alert.Event = ReadAlertText(properties, "event");
        if (alert.Event.empty())
        {
            ThrowApplicationException(Here(), "alert without event");
        }
        const Json* severity = Member(properties, "severity");
        if (severity != nullptr && !severity->is_string())
        {
            ThrowApplicationException(Here(), "severity of the wrong type");
        }
        alert.Severity = severity != nullptr
                             ? CWeatherAlert::SeverityOf(severity->get_ref<const std::string&>())
                             : AlertSeverity::Unknown;
        alert.Headline = ReadAlertText(properties, "headline");
        alert.Urgency = ReadAlertText(properties, "urgency");
        alert.Certainty = ReadAlertText(properties, "certainty");
        alert.MessageType = ReadAlertText(properties, "messageType");
        alert.Effective = ReadAlertTime(properties, "effective");
        alert.Onset = ReadAlertTime(properties, "onset");
        alert.Expires = ReadAlertTime(properties, "expires");
        alert.Ends = ReadAlertTime(properties, "ends");
        alert.AreaDesc = ReadAlertText(properties, "areaDesc");
        alert.Description = ReadAlertText(properties, "description");
        alert.Instruction = ReadAlertText(properties, "instruction");
        alert.SenderName = ReadAlertText(properties, "senderName");
        const bool known = std::any_of(alerts.begin(), alerts.end(),
                                       [&](const CWeatherAlert& other) { return other.Id == alert.Id; });
        if (!known)
        {
            alerts.push_back(std::move(alert));
        }
    }
    return alerts;
}

Nullable<EnumWeatherCode> NoaaApi::WeatherCodeOfPhrase(const std::string& phrase)
{
    Nullable<EnumWeatherCode> code;
    std::vector<std::string> words;
    const auto settle = [&]()
    {
        const Nullable<EnumWeatherCode> part = CodeOfWords(words);
        if (part.HasValue && (!code.HasValue || part.Value() > code.Value()))
        {
            code = part;
        }
        words.clear();
    };
    std::string word;
    for (std::size_t i = 0; i <= phrase.size(); ++i)
    {
        const char c = i < phrase.size() ? phrase[i] : ' ';
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
        {
            if (word == "then")
            {
                settle();
            }
            else if (!word.empty())
            {
                words.push_back(word);
            }
            word.clear();
        }
        else
        {
            word += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    settle();
    return code;
}
