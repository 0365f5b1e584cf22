// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/Here.h"

#include <map>
#include <mutex>
#include <utility>

namespace
{
// Each throw site is formatted once and kept: the texts are few (one per site) and must outlive
// every exception that carries them, including those still in flight at exit.
const char* Intern(const char* function, unsigned line)
{
    static std::mutex lock;
    static auto* texts = new std::map<std::pair<const char*, unsigned>, std::string>();
    const std::lock_guard<std::mutex> guard(lock);
    auto [entry, added] = texts->try_emplace({function, line});
    if (added)
    {
        entry->second = LocationFunctionName(function) + " (" + std::to_string(line) + ")";
    }
    return entry->second.c_str();
}

// "operator<" and "operator()" carry brackets that belong to the name.
bool AfterOperator(const std::string& text, std::size_t at)
{
    return at >= 8 && text.compare(at - 8, 8, "operator") == 0;
}

void EraseAll(std::string& text, const std::string& what)
{
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at))
    {
        text.erase(at, what.size());
    }
}
} // namespace

#if defined(__cpp_lib_source_location)
const char* Here(const std::source_location& site)
{
    return Intern(site.function_name(), static_cast<unsigned>(site.line()));
}
#else
const char* Here(const char* function, unsigned line)
{
    return Intern(function, line);
}
#endif

std::string LocationFunctionName(const std::string& signature)
{
    std::string text = signature.substr(0, signature.find(" [with "));
    EraseAll(text, "(anonymous namespace)::");
    // The name ends at the first parameter list outside template arguments; "operator()" keeps
    // its own parentheses.
    std::size_t end = std::string::npos;
    int angles = 0;
    for (std::size_t i = 0; i < text.size() && end == std::string::npos; ++i)
    {
        const char c = text[i];
        if (c == '<' && !AfterOperator(text, i))
        {
            ++angles;
        }
        else if (c == '>' && angles > 0)
        {
            --angles;
        }
        else if (c == '(' && angles == 0)
        {
            if (AfterOperator(text, i) && text.compare(i, 2, "()") == 0)
            {
                ++i;
            }
            else
            {
                end = i;
            }
        }
    }
    text = text.substr(0, end);
    // The return type, if any, ends at the last blank outside template arguments.
    angles = 0;
    std::size_t start = 0;
    for (std::size_t i = text.size(); i-- > 0;)
    {
        const char c = text[i];
        if (c == '>')
        {
            ++angles;
        }
        else if (c == '<' && angles > 0)
        {
            --angles;
        }
        else if (c == ' ' && angles == 0)
        {
            start = i + 1;
            break;
        }
    }
    text = text.substr(start);
    EraseAll(text, "{anonymous}::");
    // Template arguments name an instance, not the code.
    for (auto open = text.find('<'); open != std::string::npos; open = text.find('<', open))
    {
        if (AfterOperator(text, open))
        {
            ++open;
            continue;
        }
        int depth = 0;
        std::size_t close = open;
        for (; close < text.size(); ++close)
        {
            depth += text[close] == '<' ? 1 : text[close] == '>' ? -1 : 0;
            if (depth == 0)
            {
                break;
            }
        }
        text.erase(open, close - open + 1);
    }
    return text;
}
