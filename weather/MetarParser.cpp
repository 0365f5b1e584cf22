// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/MetarParser.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/Nullable.h"
#include "core/TimeSpan.h"
#include "core/Util.h"
#include "weather/Atmosphere.h"
#include "weather/RegEx.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <optional>

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
bool IsDigits(const std::string& text, std::size_t position, std::size_t count)
{
    return position + count <= text.size() &&
           std::all_of(text.begin() + static_cast<std::ptrdiff_t>(position),
                       text.begin() + static_cast<std::ptrdiff_t>(position + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// The digits of text[position, position + count), which the caller has checked.
int DigitsValue(const std::string& text, std::size_t position, std::size_t count)
{
    int value = 0;
    for (std::size_t i = position; i < position + count; ++i)
    {
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Wind in knots beyond this is a corrupt group, not a storm.
constexpr double kMaxWindKnots = 250.0;

// "27015KT", "27015G25KT", "VRB03KT", "00000KT"; also in "MPS" and "KMH". Speeds of two or
// three digits, directions up to 360. A group whose speed or gust is out of range is consumed
// and its values dropped.
bool ReadWindGroup(const std::string& token, CCurrentWeather& weather)
{
    double toKnots = 0.0;
    std::size_t unit = 0;
    if (token.ends_with("KT"))
    {
        toKnots = 1.0;
        unit = 2;
    }
    else if (token.ends_with("MPS"))
    {
        toKnots = 1.0 / Atmosphere::MetresPerSecondPerKnot;
        unit = 3;
    }
    else if (token.ends_with("KMH"))
    {
        toKnots = 1000.0 / 3600.0 / Atmosphere::MetresPerSecondPerKnot;
        unit = 3;
    }
    else
    {
        return false;
    }
    const std::size_t length = token.size() - unit;
    const bool variable = token.starts_with("VRB");
    if (length < 5 || (!variable && !IsDigits(token, 0, 3)))
    {
        return false;
    }
    const int direction = variable ? 0 : DigitsValue(token, 0, 3);
    std::size_t gustAt = token.find('G', 3);
    if (gustAt > length)
    {
        gustAt = length;
    }
    const std::size_t speedDigits = gustAt - 3;
    const std::size_t gustDigits = gustAt < length ? length - gustAt - 1 : 0;
    if (direction > 360 || speedDigits < 2 || speedDigits > 3 || !IsDigits(token, 3, speedDigits) ||
        (gustAt < length && (gustDigits < 2 || gustDigits > 3 || !IsDigits(token, gustAt + 1, gustDigits))))
    {
        return false;
    }
    const double speed = DigitsValue(token, 3, speedDigits) * toKnots;
    const double gust = gustAt < length ? DigitsValue(token, gustAt + 1, gustDigits) * toKnots : 0.0;
    if (speed > kMaxWindKnots || gust > kMaxWindKnots)
    {
        return true;
    }
    weather.WindDirectionVariable = variable;
    if (!variable)
    {
        weather.WindDirection = direction;
    }
    weather.WindSpeed = static_cast<float>(speed * Atmosphere::MetresPerSecondPerKnot);
    if (gustAt < length)
    {
        weather.WindGust = static_cast<float>(gust * Atmosphere::MetresPerSecondPerKnot);
    }
    return true;
}

// "280V350": the range a wind's direction varies over.
bool ReadVariableDirection(const std::string& token, CCurrentWeather& weather)
{
    if (token.size() != 7 || token[3] != 'V' || !IsDigits(token, 0, 3) || !IsDigits(token, 4, 3))
    {
        return false;
    }
    const int from = DigitsValue(token, 0, 3);
    const int to = DigitsValue(token, 4, 3);
    if (from > 360 || to > 360)
    {
        return false;
    }
    weather.WindVariableFrom = from;
    weather.WindVariableTo = to;
    return true;
}

// "1/2SM" and the like: numerator below a denominator of one or two digits each.
std::optional<double> ReadFraction(const std::string& text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos || slash < 1 || slash > 2 || text.size() - slash - 1 < 1 ||
        text.size() - slash - 1 > 2 || !IsDigits(text, 0, slash) ||
        !IsDigits(text, slash + 1, text.size() - slash - 1))
    {
        return {};
    }
    const int numerator = DigitsValue(text, 0, slash);
    const int denominator = DigitsValue(text, slash + 1, text.size() - slash - 1);
    if (denominator == 0 || numerator >= denominator)
    {
        return {};
    }
    return static_cast<double>(numerator) / denominator;
}

// Visibility in statute miles: "10SM", "1/4SM", "M1/4SM" (less than), "P6SM" (more than), and
// "1 1/2SM", whose whole miles came as the token before. The bound of M and P is kept.
std::optional<double> ReadMilesGroup(const std::string& token, const Nullable<int>& wholeMiles)
{
    if (!token.ends_with("SM"))
    {
        return {};
    }
    std::string body = token.substr(0, token.size() - 2);
    const bool bound = body.starts_with('M') || body.starts_with('P');
    if (bound)
    {
        body.erase(0, 1);
    }
    if (!body.empty() && body.size() <= 2 && IsDigits(body, 0, body.size()))
    {
        return static_cast<double>(DigitsValue(body, 0, body.size()));
    }
    const std::optional<double> fraction = ReadFraction(body);
    if (!fraction.has_value())
    {
        return {};
    }
    return *fraction + (wholeMiles.HasValue && !bound ? wholeMiles.Value() : 0);
}

// Visibility in metres: four digits, "9999" for 10 km or more, with a direction after it
// ("2000SW") or "NDV" (no directional variation) ignored.
std::optional<double> ReadMetresGroup(const std::string& token)
{
    if (token.size() < 4 || !IsDigits(token, 0, 4))
    {
        return {};
    }
    const std::string suffix = token.substr(4);
    for (const char* allowed : {"", "N", "NE", "E", "SE", "S", "SW", "W", "NW", "NDV"})
    {
        if (suffix == allowed)
        {
            const int metres = DigitsValue(token, 0, 4);
            return metres == 9999 ? 10000.0 : metres;
        }
    }
    return {};
}

// Sea-level pressure: "A2992" in hundredths of an inch of mercury, "Q1013" in hectopascals.
// Absent when outside what the atmosphere has ever shown, give or take.
bool ReadPressureGroup(const std::string& token, Nullable<float>& pressure)
{
    if (token.size() != 5 || (token[0] != 'A' && token[0] != 'Q') || !IsDigits(token, 1, 4))
    {
        return false;
    }
    const int value = DigitsValue(token, 1, 4);
    const double hectopascals =
        token[0] == 'Q' ? value : value / 100.0 * Atmosphere::HectopascalsPerInchOfMercury;
    if (hectopascals >= 850.0 && hectopascals <= 1090.0)
    {
        pressure = static_cast<float>(hectopascals);
    }
    return true;
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
        ThrowApplicationException(Here());
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
    CCurrentWeather result;
    bool windFound = false;
    bool rangeFound = false;
    bool visibilityFound = false;
    bool pressureFound = false;
    Nullable<int> wholeMiles; // a lone digit: the whole miles of "1 1/2SM"

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
        const Nullable<int> milesBefore = wholeMiles;
        wholeMiles.Clear();
        // A station code such as SCTE would otherwise read as a cloud group.
        if (token == station)
        {
            continue;
        }
        if (token == "CAVOK")
        {
            if (!visibilityFound)
            {
                visibilityFound = true;
                result.Visibility = 10000.0f;
            }
            continue;
        }
        if (token == "RMK" || IsTrendGroup(token))
        {
            break;
        }
        // The station sent nothing this time: the last observation still stands.
        if (token == "NIL")
        {
            ThrowApplicationException(Here());
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
        if (!temperature.HasValue && ReadTemperatureGroup(token, temperature, dewPoint))
        {
            continue;
        }
        // Wind, visibility and pressure: the first group of each kind counts.
        if (!windFound && ReadWindGroup(token, result))
        {
            windFound = true;
            continue;
        }
        if (!rangeFound && ReadVariableDirection(token, result))
        {
            rangeFound = true;
            continue;
        }
        if (!visibilityFound)
        {
            std::optional<double> metres;
            const std::optional<double> miles = ReadMilesGroup(token, milesBefore);
            if (miles.has_value())
            {
                metres = *miles * Atmosphere::MetresPerStatuteMile;
            }
            else
            {
                metres = ReadMetresGroup(token);
            }
            if (metres.has_value())
            {
                visibilityFound = true;
                result.Visibility = static_cast<float>(*metres);
                continue;
            }
            if (token.size() == 1 && token[0] >= '1' && token[0] <= '9')
            {
                wholeMiles = token[0] - '0';
                continue;
            }
        }
        if (!pressureFound && ReadPressureGroup(token, result.Pressure))
        {
            pressureFound = true;
        }
    }

    const Nullable<DateTime> time = observation.HasValue ? observation : header;
    result.ReportDateTime = time.Value(); // no time at all: the parse fails here
    // Beyond a little clock skew a report from the future is bogus, and it would outrank
    // every honest report after it.
    if (kMaxAhead < result.ReportDateTime - utcNow)
    {
        ThrowApplicationException(Here());
    }
    const int cloudCode = clouds.HasValue ? clouds.Value() : Clear;
    const int weatherCode = weather.HasValue ? weather.Value() : Clear;
    result.WeatherCode = static_cast<EnumWeatherCode>(std::max(cloudCode, weatherCode));
    result.Temprature = temperature;
    result.DewPoint = dewPoint;
    return result;
}
