// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/NoaaDwml.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/Util.h"

#include <rapidxml/rapidxml.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace
{
using Node = rapidxml::xml_node<char>;
using Attribute = rapidxml::xml_attribute<char>;

// The first entry of each date, by its ticks. Looked up once per period, so a list as long as
// the document allows must not be searched from the start each time.
using DatedTemperatures = std::unordered_map<std::int64_t, Nullable<float>>;

// The first time layout of each key, looked up once per temperature element.
using LayoutTable = std::unordered_map<std::string, const Node*>;

// The XML parser's own character classes, so that the depth check below reads the text the
// way the parser will.
bool IsXmlWhitespace(char c)
{
    return rapidxml::internal::lookup_tables<0>::lookup_whitespace[static_cast<unsigned char>(c)] != 0;
}

bool IsXmlNameChar(char c)
{
    return rapidxml::internal::lookup_tables<0>::lookup_node_name[static_cast<unsigned char>(c)] != 0;
}

bool IsXmlAttributeNameChar(char c)
{
    return rapidxml::internal::lookup_tables<0>::lookup_attribute_name[static_cast<unsigned char>(c)] != 0;
}

const char* SkipWhitespace(const char* p)
{
    while (IsXmlWhitespace(*p))
    {
        ++p;
    }
    return p;
}

// Past the next occurrence of terminator, or null at the end of the text.
const char* SkipPast(const char* p, const char* terminator)
{
    const char* found = std::strstr(p, terminator);
    return found != nullptr ? found + std::strlen(terminator) : nullptr;
}

// A DOCTYPE body up to its closing ">", with nested square brackets.
const char* SkipDoctype(const char* p)
{
    while (*p != '>')
    {
        if (*p == '\0')
        {
            return nullptr;
        }
        if (*p != '[')
        {
            ++p;
            continue;
        }
        ++p;
        for (int depth = 1; depth > 0; ++p)
        {
            if (*p == '[')
            {
                ++depth;
            }
            else if (*p == ']')
            {
                --depth;
            }
            else if (*p == '\0')
            {
                return nullptr;
            }
        }
    }
    return p + 1;
}

// Whether the elements of the text nest no deeper than limit, read by the XML parser's own
// rules for tags, attributes, comments, CDATA, processing instructions and DOCTYPE. Where the
// parser would stop with an error, the text is accepted here: the parser goes no deeper.
bool NestingWithinLimit(const char* p, int limit)
{
    int depth = 0;
    for (;;)
    {
        p = std::strchr(p, '<');
        if (p == nullptr)
        {
            return true;
        }
        ++p;
        if (*p == '/')
        {
            if (depth == 0)
            {
                return true;
            }
            ++p;
            while (IsXmlNameChar(*p))
            {
                ++p;
            }
            p = SkipWhitespace(p);
            if (*p != '>')
            {
                return true;
            }
            ++p;
            --depth;
            continue;
        }
        if (*p == '?' || *p == '!')
        {
            if (*p == '?')
            {
                p = SkipPast(p + 1, "?>");
            }
            else if (p[1] == '-' && p[2] == '-')
            {
                p = SkipPast(p + 3, "-->");
            }
            else if (std::strncmp(p + 1, "[CDATA[", 7) == 0)
            {
                p = SkipPast(p + 8, "]]>");
            }
            else if (std::strncmp(p + 1, "DOCTYPE", 7) == 0 && IsXmlWhitespace(p[8]))
            {
                p = SkipDoctype(p + 9);
            }
            else
            {
                p = std::strchr(p + 1, '>');
                if (p != nullptr)
                {
                    ++p;
                }
            }
            if (p == nullptr)
            {
                return true;
            }
            continue;
        }

        const char* name = p;
        while (IsXmlNameChar(*p))
        {
            ++p;
        }
        if (p == name)
        {
            return true;
        }
        p = SkipWhitespace(p);
        while (IsXmlAttributeNameChar(*p))
        {
            while (IsXmlAttributeNameChar(*p))
            {
                ++p;
            }
            p = SkipWhitespace(p);
            if (*p != '=')
            {
                return true;
            }
            p = SkipWhitespace(p + 1);
            const char quote = *p;
            if (quote != '"' && quote != '\'')
            {
                return true;
            }
            p = std::strchr(p + 1, quote);
            if (p == nullptr)
            {
                return true;
            }
            p = SkipWhitespace(p + 1);
        }
        if (*p == '>')
        {
            ++p;
            if (++depth > limit)
            {
                return false;
            }
        }
        else if (*p == '/' && p[1] == '>')
        {
            p += 2;
        }
        else
        {
            return true;
        }
    }
}

std::string TextOf(const Node* node)
{
    return std::string(node->value(), node->value_size());
}

std::string TextOf(const Attribute* attribute)
{
    return std::string(attribute->value(), attribute->value_size());
}

const Node* FirstElement(const Node* parent)
{
    for (const Node* node = parent->first_node(); node != nullptr; node = node->next_sibling())
    {
        if (node->type() == rapidxml::node_element)
        {
            return node;
        }
    }
    return nullptr;
}

const Node* FindLayout(const LayoutTable& layouts, const std::string& key)
{
    const auto found = layouts.find(key);
    return found != layouts.end() ? found->second : nullptr;
}

// "2007-11-30T18:00:00-05:00" by its fixed positions. The zone offset is ignored: periods are
// kept in the forecast point's own time, as the document writes them.
DateTime ReadDateTime(const std::string& text)
{
    return DateTime(Util::ParseDigits(text, 0, 4), Util::ParseDigits(text, 5, 2),
                    Util::ParseDigits(text, 8, 2), Util::ParseDigits(text, 11, 2),
                    Util::ParseDigits(text, 14, 2), Util::ParseDigits(text, 17, 2));
}

// Pairs the temperature's values with the layout's start times in order. A value or date that
// cannot be read drops that one entry; an empty value is a date without a temperature.
void CollectTemperatures(const Node* temperature, const Node* layout, DatedTemperatures& list)
{
    const Node* value = temperature->first_node("value");
    const Node* start = layout->first_node("start-valid-time");
    for (; value != nullptr && start != nullptr;
         value = value->next_sibling("value"), start = start->next_sibling("start-valid-time"))
    {
        try
        {
            Nullable<float> celsius;
            const std::string text = TextOf(value);
            if (!text.empty())
            {
                const double fahrenheit = Util::ParseDouble(text.c_str());
                const double converted = (fahrenheit - 32.0) * 5.0 / 9.0;
                // Beyond float's range the narrowing would be undefined: not a temperature.
                if (!(std::fabs(converted) <= std::numeric_limits<float>::max()))
                {
                    continue;
                }
                celsius = static_cast<float>(converted);
            }
            list.emplace(ReadDateTime(TextOf(start)).Date().Ticks(), celsius);
        }
        catch (const ApplicationException&)
        {
        }
    }
}

Nullable<float> TemperatureOn(const DatedTemperatures& list, DateTime date)
{
    const auto found = list.find(date.Ticks());
    return found != list.end() ? found->second : Nullable<float>();
}

bool IsEmpty(const CForecastItem& item)
{
    return item.WeatherSummary.empty() && !item.WeatherCode.HasValue && !item.TempratureMin.HasValue &&
           !item.TempratureMax.HasValue;
}
} // namespace

namespace NoaaDwml
{
void Parse12HourlyForecast(std::string& text, CForecast& forecast)
{
    Parse12HourlyForecast(text, forecast, DateTime::UtcNow());
}

void Parse12HourlyForecast(std::string& text, CForecast& forecast, DateTime utcNow)
{
    // Built aside and handed over at the end, so a failed parse leaves the caller's forecast alone.
    CForecast result;

    // The XML parser takes a few hundred bytes of stack per level: MaxNesting levels use about
    // a tenth of a worker's 1 MiB, while a hostile document a few thousand deep overflows it.
    if (!NestingWithinLimit(text.c_str(), NoaaDwml::MaxNesting))
    {
        ThrowApplicationException(Here());
    }
    // The document holds a sizeable node pool of its own: kept off the worker's stack.
    const auto document = std::make_unique<rapidxml::xml_document<char>>();
    // std::string keeps its text terminated, and the parser stops at the first NUL.
    document->parse<rapidxml::parse_default>(text.data());

    const Node* root = FirstElement(document.get());
    if (root == nullptr)
    {
        ThrowApplicationException(Here());
    }
    const Node* data = root->first_node("data");
    if (data == nullptr)
    {
        ThrowApplicationException(Here());
    }
    const Node* parameters = data->first_node("parameters");
    if (parameters == nullptr)
    {
        ThrowApplicationException(Here());
    }

    LayoutTable layouts;
    for (const Node* layout = data->first_node("time-layout"); layout != nullptr;
         layout = layout->next_sibling("time-layout"))
    {
        const Node* key = layout->first_node("layout-key");
        if (key == nullptr)
        {
            ThrowApplicationException(Here());
        }
        layouts.emplace(TextOf(key), layout);
    }

    DatedTemperatures maxima;
    DatedTemperatures minima;
    for (const Node* temperature = parameters->first_node("temperature"); temperature != nullptr;
         temperature = temperature->next_sibling("temperature"))
    {
        const Attribute* type = temperature->first_attribute("type");
        const Attribute* layoutKey = temperature->first_attribute("time-layout");
        if (type == nullptr || layoutKey == nullptr)
        {
            continue;
        }
        const Node* layout = FindLayout(layouts, TextOf(layoutKey));
        if (layout == nullptr)
        {
            continue;
        }
        const std::string kind = TextOf(type);
        if (kind == "maximum")
        {
            CollectTemperatures(temperature, layout, maxima);
        }
        else if (kind == "minimum")
        {
            CollectTemperatures(temperature, layout, minima);
        }
    }

    const Node* weather = parameters->first_node("weather");
    if (weather == nullptr)
    {
        ThrowApplicationException(Here());
    }
    const Node* icons = parameters->first_node("conditions-icon");
    if (icons == nullptr)
    {
        ThrowApplicationException(Here());
    }
    const Attribute* weatherLayoutKey = weather->first_attribute("time-layout");
    if (weatherLayoutKey == nullptr)
    {
        ThrowApplicationException(Here());
    }
    const Attribute* iconLayoutKey = icons->first_attribute("time-layout");
    if (iconLayoutKey == nullptr)
    {
        ThrowApplicationException(Here());
    }
    const std::string layoutKey = TextOf(weatherLayoutKey);
    if (layoutKey != TextOf(iconLayoutKey))
    {
        ThrowApplicationException(Here());
    }
    const Node* layout = FindLayout(layouts, layoutKey);
    if (layout == nullptr)
    {
        ThrowApplicationException(Here());
    }

    const Node* conditions = weather->first_node("weather-conditions");
    const Node* icon = icons->first_node("icon-link");
    const Node* start = layout->first_node("start-valid-time");
    const Node* end = layout->first_node("end-valid-time");
    for (bool first = true; conditions != nullptr && icon != nullptr && start != nullptr && end != nullptr &&
                            result.Items.size() < CForecast::MaxItems;
         first = false)
    {
        const Attribute* summary = conditions->first_attribute("weather-summary");
        CForecastItem item;
        // The document is UTF-8, whatever the user's code page ("Rain – Windy").
        item.WeatherSummary = summary != nullptr ? Util::FromUtf8(TextOf(summary)) : std::wstring();
        item.WeatherCode = NoaaDwml::WeatherCodeFromIconLink(TextOf(icon));
        // A period that cannot be dated ends the parse: the periods after it would be misplaced.
        item.Start = ReadDateTime(TextOf(start));
        item.End = ReadDateTime(TextOf(end));
        item.TempratureMin = TemperatureOn(minima, item.Start.Date());
        item.TempratureMax = TemperatureOn(maxima, item.Start.Date());

        // The service often opens with a period that is already over: no summary and no icon.
        // Temperatures alone do not keep that one; later ones only need to say something.
        const bool keep = first ? !item.WeatherSummary.empty() || item.WeatherCode.HasValue
                                : !result.Items.empty() || !IsEmpty(item);
        if (keep)
        {
            result.Items.push_back(std::move(item));
        }

        conditions = conditions->next_sibling("weather-conditions");
        icon = icon->next_sibling("icon-link");
        start = start->next_sibling("start-valid-time");
        end = end->next_sibling("end-valid-time");
    }
    while (!result.Items.empty() && IsEmpty(result.Items.back()))
    {
        result.Items.pop_back();
    }

    result.ReportDateTime = DateTime::FromTicks(utcNow.Ticks(), DateTime::KindUtc);
    forecast = std::move(result);
}

Nullable<EnumWeatherCode> WeatherCodeFromIconLink(const std::string& link)
{
    const std::size_t slash = link.rfind('/');
    std::string name = slash == std::string::npos ? link : link.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos)
    {
        name.erase(dot);
    }
    for (char& c : name)
    {
        if (c >= 'A' && c <= 'Z')
        {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    // The trailing digits are the probability of precipitation: "ra50" is rain.
    while (!name.empty() && name.back() >= '0' && name.back() <= '9')
    {
        name.pop_back();
    }

    // Night icons carry a leading "n" and read the same way. The order settles names that
    // contain several words: "nwind_skc" is a clear night, "hi_tsra" a thunderstorm.
    struct Rule
    {
        const char* Parts[5]; // up to the first null
        EnumWeatherCode Code;
    };
    static const Rule kRules[] = {
        {{"ts"}, Thunderstorms},
        {{"rasn", "raip", "mix"}, RainAndSnow},
        {{"shra"}, RainShowers},
        {{"shwrs"}, RainShowers},
        {{"sn", "ip", "blizzard"}, Snow},
        {{"ra"}, Rain},
        {{"ovc"}, Cloudy},
        {{"bkn"}, MostlyCloudy},
        {{"sct"}, PartlyCloudy},
        {{"few"}, Fair},
        {{"skc"}, Clear},
        {{"smoke", "hazy", "haze", "du", "fu"}, Haze},
        {{"fg"}, Fog},
        {{"wind"}, Windy},
        {{"cold"}, Cold},
        {{"hot"}, Hot},
    };
    for (const Rule& rule : kRules)
    {
        for (const char* part : rule.Parts)
        {
            if (part != nullptr && name.find(part) != std::string::npos)
            {
                return rule.Code;
            }
        }
    }
    return {};
}
} // namespace NoaaDwml
