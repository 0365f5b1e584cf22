#pragma once

#include "core/ApplicationException.h"

#include <gtest/gtest.h>

#include <string>

// Expects statement to throw exactly ExceptionType (caught by that type) with the given
// location text: the location is how every failure of this program is traced to its source.
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
            EXPECT_EQ(std::wstring(L"" location), e.Location) << #statement;                                 \
        }                                                                                                    \
        catch (...)                                                                                          \
        {                                                                                                    \
            ADD_FAILURE() << #statement " threw something other than " #ExceptionType;                       \
            nimbrelCaught = true;                                                                            \
        }                                                                                                    \
        EXPECT_TRUE(nimbrelCaught) << #statement " did not throw";                                           \
    } while (false)
