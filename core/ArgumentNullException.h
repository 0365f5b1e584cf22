// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/ApplicationException.h"

// A required text is missing. Deliberately not an ArgumentException: handlers of malformed
// input must not swallow a missing argument.
class ArgumentNullException : public ApplicationException
{
public:
    using ApplicationException::ApplicationException;
};
