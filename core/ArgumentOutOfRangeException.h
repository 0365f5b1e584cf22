// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/ApplicationException.h"

// A number outside its allowed range (dates, times, tick arithmetic). Not an ArgumentException,
// so range failures stay distinct from malformed text.
class ArgumentOutOfRangeException : public ApplicationException
{
public:
    using ApplicationException::ApplicationException;
};
