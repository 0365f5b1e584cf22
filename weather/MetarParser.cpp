#include "weather/MetarParser.h"

#include "core/ApplicationException.h"
#include "core/Nullable.h"
#include "core/TimeSpan.h"
#include "core/Util.h"
#include "weather/RegEx.h"

#include <algorithm>
#include <initializer_list>

namespace
{
// The patterns are compiled on first use; function-local statics make that safe when two
// workers get here first at the same time, and they are only read afterwards.
const RegEx& HeaderDateTimePattern()
{
    static const RegEx pattern(R"(^\d\d\d\d/\d\d/\d\d \d\d:\d\d)");
    return pattern;
}

const RegEx& HeaderDatePattern()
{
    static const RegEx pattern(R"(^\d\d\d\d/\d\d/\d\d)");
    return pattern;
}

const RegEx& ObservationTimePattern()
{
    static const RegEx pattern(R"(^\d\d\d\d\d\dZ$)");
    return pattern;
}

const RegEx& WeatherGroupPattern()
{
    static const RegEx pattern(
        R"(^[+\-]?((MI)|(PR)|(BC)|(DR)|(BL)|(SH)|(TS)|(FZ)|(DZ)|(RA)|(SN)|(SG)|(IC)|(PL)|)"
        R"((GR)|(GS)|(UP)|(BR)|(FG)|(FU)|(VA)|(DU)|(SA)|(HZ)|(PY)|(PO)|(SQ)|(FC)|(SS)|(DS))+$)");
    return pattern;
}

const RegEx& TemperaturePattern()
{
    static const RegEx pattern(R"(^M?[0-9][0-9]/((M?[0-9][0-9])|(/)|(//)|(///))?$)");
    return pattern;
}

const char* const kSeparators = " \t\r\n";

const TimeSpan kMaxAhead(2 * TimeSpan::TicksPerHour);

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The reports are ASCII; the user's locale must not change how they read.
std::string ToUpperAscii(std::string text)
{
    for (char& c : text)
    {
        if (c >= 'a' && c <= 'z')
        {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// What follows one of these forecasts the next hours; it is not the present sky.
bool IsTrendGroup(const std::string& token)
{
    return token == "TEMPO" || token == "BECMG" || token == "NOSIG";
}

bool ContainsAny(const std::string& text, std::initializer_list<const char*> parts)
{
    return std::any_of(parts.begin(), parts.end(),
                       [&text](const char* part) { return text.find(part) != std::string::npos; });
}

// The first line, "2007/11/30 05:53" or "2007/11/30", followed by a separator. When it is
// there it is removed together with the separators after it. Anything wrong in it (too short,
// no separator, an impossible date) means that there is no header.
Nullable<DateTime> TakeHeader(std::string& text)
{
    Nullable<DateTime> time;
    std::size_t length = 0;
    try
    {
        // The patterns have a fixed length, so their prefix of the text decides.
        if (text.size() >= 17 && HeaderDateTimePattern().Match(text.substr(0, 16)) && IsSeparator(text[16]))
        {
            time = DateTime(Util::ParseDigits(text, 0, 4), Util::ParseDigits(text, 5, 2),
                            Util::ParseDigits(text, 8, 2), Util::ParseDigits(text, 11, 2),
                            Util::ParseDigits(text, 14, 2), 0);
            length = 16;
        }
    }
    catch (const ApplicationException&)
    {
    }
    if (!time.HasValue)
    {
        try
        {
            if (text.size() >= 11 && HeaderDatePattern().Match(text.substr(0, 10)) && IsSeparator(text[10]))
            {
                time = DateTime(Util::ParseDigits(text, 0, 4), Util::ParseDigits(text, 5, 2),
                                Util::ParseDigits(text, 8, 2), 0, 0, 0);
                length = 10;
            }
        }
        catch (const ApplicationException&)
        {
        }
    }
    if (time.HasValue)
    {
        const std::size_t rest = text.find_first_not_of(kSeparators, length);
        text.erase(0, rest == std::string::npos ? text.size() : rest);
    }
    return time;
}

// "300553Z": day, hour and minute. The month and year come from the header when its day
// agrees, else from the latest of the three days before three hours from now that has the
// token's day (reports are at most a little ahead of our clock, and never days old).
Nullable<DateTime> ReadObservationTime(const std::string& token, const Nullable<DateTime>& header,
                                       DateTime utcNow)
{
    try
    {
        if (!ObservationTimePattern().Match(token))
        {
            return {};
        }
        const int day = Util::ParseDigits(token, 0, 2);
        const int hour = Util::ParseDigits(token, 2, 2);
        const int minute = Util::ParseDigits(token, 4, 2);
        if (header.HasValue && header.Value().Day() == day)
        {
            return DateTime(header.Value().Year(), header.Value().Month(), day, hour, minute, 0);
        }
        DateTime candidate = utcNow + TimeSpan(3 * TimeSpan::TicksPerHour);
        for (int attempt = 0; attempt < 3; ++attempt)
        {
            if (candidate.Day() == day)
            {
                return DateTime(candidate.Year(), candidate.Month(), day, hour, minute, 0);
            }
            candidate = candidate - TimeSpan(TimeSpan::TicksPerDay);
        }
    }
    catch (const ApplicationException&)
    {
        // An impossible hour or minute, or a clock at the edge of the calendar.
    }
    return {};
}

// The code of a present-weather group such as "-SHRA"; isGroup tells whether the token has the
// shape of one at all, since a group without a code of ours (SQ, FC) is still consumed.
Nullable<EnumWeatherCode> ReadWeatherGroup(const std::string& token, bool& isGroup)
{
    isGroup = WeatherGroupPattern().Match(token);
    if (!isGroup)
    {
        return {};
    }
    // The order settles groups that name several phenomena: RASN is snow, +TSRA a thunderstorm.
    if (ContainsAny(token, {"+FC"}))
    {
        return Tornado;
    }
    if (ContainsAny(token, {"TS"}))
    {
        return Thunderstorms;
    }
    if (ContainsAny(token, {"SHGR", "SHGS"}))
    {
        return HailShowers;
    }
    if (ContainsAny(token, {"SHSN", "SHIC", "SHSG", "SHPL"}))
    {
        return SnowShowers;
    }
    if (ContainsAny(token, {"SHRA", "DZ"}))
    {
        return RainShowers;
    }
    if (ContainsAny(token, {"GR", "GS"}))
    {
        return Hail;
    }
    if (ContainsAny(token, {"SN", "IC", "SG", "PL"}))
    {
        return Snow;
    }
    if (ContainsAny(token, {"RA"}))
    {
        return Rain;
    }
    if (ContainsAny(token, {"FG", "BR"}))
    {
        return Fog;
    }
    if (ContainsAny(token, {"FU", "DU", "VA", "SA", "HZ", "SS", "DS", "PO"}))
    {
        return Haze;
    }
    return {};
}

Nullable<EnumWeatherCode> ReadCloudGroup(const std::string& token)
{
    if (token == "CLR" || token == "SKC")
    {
        return Clear;
    }
    if (token.starts_with("FEW"))
    {
        return Fair;
    }
    if (token.starts_with("SCT"))
    {
        return PartlyCloudy;
    }
    if (token.starts_with("BKN"))
    {
        return MostlyCloudy;
    }
    if (token.starts_with("OVC"))
    {
        return Cloudy;
    }
    return {};
}

// "14/11", "M05/M10", "12/" or "12//": temperature and, when given, dew point.
bool ReadTemperatureGroup(const std::string& token, Nullable<float>& temperature, Nullable<float>& dewPoint)
{
    try
    {
        if (!TemperaturePattern().Match(token))
        {
            return false;
        }
        std::string pieces[2];
        int count = 0;
        std::size_t position = 0;
        while (count < 2)
        {
            position = token.find_first_not_of('/', position);
            if (position == std::string::npos)
            {
                break;
            }
            const std::size_t end = token.find('/', position);
            pieces[count++] =
                token.substr(position, end == std::string::npos ? std::string::npos : end - position);
            position = end;
        }
        for (std::string& piece : pieces)
        {
            std::replace(piece.begin(), piece.end(), 'M', '-');
        }
        const Nullable<float> air(static_cast<float>(Util::ParseInt(pieces[0].c_str())));
        Nullable<float> dew;
        if (count > 1)
        {
            dew = static_cast<float>(Util::ParseInt(pieces[1].c_str()));
        }
        temperature = air;
        dewPoint = dew;
        return true;
    }
    catch (const ApplicationException&)
    {
        return false;
    }
}
} // namespace

CCurrentWeather ParseMetarReport(const std::string& text, const std::string& stationCode)
{
    return ParseMetarReport(text, stationCode, DateTime::UtcNow());
}

CCurrentWeather ParseMetarReport(const std::string& text, const std::string& stationCode, DateTime utcNow)
{
    if (text.size() > MaxMetarTextLength)
    {
        ThrowApplicationException("ParseMetarReport (286)");
    }
    std::string report = ToUpperAscii(text);
    // Compared with the upper-cased report, so a code given in lower case still matches itself.
    const std::string station = ToUpperAscii(stationCode);

    const Nullable<DateTime> header = TakeHeader(report);
    Nullable<DateTime> observation;
    Nullable<EnumWeatherCode> weather;
    Nullable<EnumWeatherCode> clouds;
    Nullable<float> temperature;
    Nullable<float> dewPoint;

    std::size_t position = 0;
    for (;;)
    {
        position = report.find_first_not_of(kSeparators, position);
        if (position == std::string::npos)
        {
            break;
        }
        const std::size_t end = report.find_first_of(kSeparators, position);
        std::string token =
            report.substr(position, end == std::string::npos ? std::string::npos : end - position);
        position = end;
        // "=" closes a report: nothing after it belongs to this observation.
        if (token.ends_with('='))
        {
            token.pop_back();
            position = std::string::npos;
        }

        // Nothing we read is this long, and the recognisers' regular expressions would recurse
        // once per character of it.
        if (token.size() > MaxMetarGroupLength)
        {
            continue;
        }
        // A station code such as SCTE would otherwise read as a cloud group.
        if (token == station || token == "CAVOK")
        {
            continue;
        }
        if (token == "RMK" || IsTrendGroup(token))
        {
            break;
        }
        // The station sent nothing this time: the last observation still stands.
        if (token == "NIL")
        {
            ThrowApplicationException("ParseMetarReport (343)");
        }
        if (!observation.HasValue)
        {
            observation = ReadObservationTime(token, header, utcNow);
            if (observation.HasValue)
            {
                continue;
            }
        }
        if (!weather.HasValue)
        {
            bool isGroup = false;
            weather = ReadWeatherGroup(token, isGroup);
            if (isGroup)
            {
                continue;
            }
        }
        const Nullable<EnumWeatherCode> cloud = ReadCloudGroup(token);
        if (cloud.HasValue)
        {
            if (!clouds.HasValue || clouds.Value() < cloud.Value())
            {
                clouds = cloud;
            }
            continue;
        }
        if (!temperature.HasValue)
        {
            ReadTemperatureGroup(token, temperature, dewPoint);
        }
    }

    CCurrentWeather result;
    const Nullable<DateTime> time = observation.HasValue ? observation : header;
    result.ReportDateTime = time.Value(); // no time at all: the parse fails here
    // Beyond a little clock skew a report from the future is bogus, and it would outrank
    // every honest report after it.
    if (kMaxAhead < result.ReportDateTime - utcNow)
    {
        ThrowApplicationException("ParseMetarReport (384)");
    }
    const int cloudCode = clouds.HasValue ? clouds.Value() : Clear;
    const int weatherCode = weather.HasValue ? weather.Value() : Clear;
    result.WeatherCode = static_cast<EnumWeatherCode>(std::max(cloudCode, weatherCode));
    result.Temprature = temperature;
    result.DewPoint = dewPoint;
    return result;
}
