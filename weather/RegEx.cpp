// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/RegEx.h"

#include "core/ApplicationException.h"
#include "core/Here.h"

#include <locale>

RegEx::RegEx(const std::string& pattern)
{
    try
    {
        // The classic locale keeps "\d" and the character classes independent of the user's.
        m_regex.imbue(std::locale::classic());
        m_regex.assign(pattern, std::regex::ECMAScript);
    }
    catch (const std::regex_error&)
    {
        ThrowApplicationException(Here());
    }
}

bool RegEx::Match(const std::string& text) const
{
    if (text.size() > MaxTextLength)
    {
        return false;
    }
    try
    {
        return std::regex_search(text, m_regex);
    }
    catch (const std::regex_error&)
    {
        // error_complexity or error_stack: the engine gave up, so the text is not taken.
        return false;
    }
}
