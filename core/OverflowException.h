// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/ApplicationException.h"

// A conversion whose result does not fit its type.
class OverflowException : public ApplicationException
{
public:
    using ApplicationException::ApplicationException;
};
