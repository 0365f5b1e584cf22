// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/Nullable.h"

#include <string>

template <> struct TypeName<float>
{
    static constexpr const char* Value = "float";
};

// Temperatures are stored in Celsius and converted only for display.
namespace Temperature
{
// The stored value in the user's unit, rounded half away from zero; empty when absent or when
// the value is not a finite number that fits an int.
Nullable<int> ForDisplay(const Nullable<float>& celsius, bool metric);

float FahrenheitToCelsius(float fahrenheit);

// "23°" style text of a rounded value.
std::wstring Degrees(int value);

// Diagnostic text of a stored value, "NULL" when absent.
std::wstring Dump(const Nullable<float>& celsius);
} // namespace Temperature
