// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/Tokenize.h"

#include "core/ApplicationException.h"
#include "core/Here.h"

char* Tokenize(char*& cursor)
{
    if (cursor == nullptr)
    {
        ThrowApplicationException(Here());
    }
    char* const field = cursor;
    for (char* p = cursor;; ++p)
    {
        if (*p == ';')
        {
            *p = '\0';
            cursor = p + 1;
            return field;
        }
        if (*p == '\r' || *p == '\n' || *p == '\0')
        {
            *p = '\0';
            cursor = nullptr;
            return field;
        }
    }
}
