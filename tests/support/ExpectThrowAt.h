// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/ApplicationException.h"

#include <gtest/gtest.h>

#include <string>

// "Class::Method (line)" without " (line)".
inline std::wstring LocationFunctionPart(const std::wstring& location)
{
    const auto open = location.rfind(L" (");
    return open != std::wstring::npos && location.back() == L')' ? location.substr(0, open) : location;
}

// Expects statement to throw exactly ExceptionType (caught by that type) from the given
// location: the location is how every failure of this program is traced to its source. Only the
// "Class::Method" part is compared; the compiler fills in the line, which moves with the code.
#define EXPECT_THROW_AT(statement, ExceptionType, location)                                                  \
    do                                                                                                       \
    {                                                                                                        \
        bool nimbrelCaught = false;                                                                          \
        try                                                                                                  \
        {                                                                                                    \
            (void)(statement);                                                                               \
        }                                                                                                    \
        catch (const ExceptionType& e)                                                                       \
        {                                                                                                    \
            nimbrelCaught = true;                                                                            \
            EXPECT_EQ(LocationFunctionPart(L"" location), LocationFunctionPart(e.Location)) << #statement;   \
        }                                                                                                    \
        catch (...)                                                                                          \
        {                                                                                                    \
            ADD_FAILURE() << #statement " threw something other than " #ExceptionType;                       \
            nimbrelCaught = true;                                                                            \
        }                                                                                                    \
        EXPECT_TRUE(nimbrelCaught) << #statement " did not throw";                                           \
    } while (false)
