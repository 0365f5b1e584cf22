// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/ApplicationException.h"

// Malformed text or an invalid value.
class ArgumentException : public ApplicationException
{
public:
    using ApplicationException::ApplicationException;
};
