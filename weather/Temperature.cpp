// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/Temperature.h"

#include "core/Util.h"

#include <cmath>
#include <cstdio>

namespace Temperature
{
Nullable<int> ForDisplay(const Nullable<float>& celsius, bool metric)
{
    if (!celsius.HasValue)
    {
        return Nullable<int>();
    }
    const double x = metric ? celsius.Value() : celsius.Value() * 1.8 + 32.0;
    const double rounded = x >= 0 ? std::floor(x + 0.5) : -std::floor(0.5 - x);
    // A corrupt value must not become undefined behaviour in the conversion to int.
    if (!std::isfinite(rounded) || rounded > 100000.0 || rounded < -100000.0)
    {
        return Nullable<int>();
    }
    return Nullable<int>(static_cast<int>(rounded));
}

float FahrenheitToCelsius(float fahrenheit)
{
    return static_cast<float>((fahrenheit - 32.0) / 1.8);
}

std::wstring Degrees(int value)
{
    return Util::ToString(value) + L"\u00B0";
}

std::wstring Dump(const Nullable<float>& celsius)
{
    if (!celsius.HasValue)
    {
        return L"NULL";
    }
    return Util::ToWide(Util::ToString(static_cast<double>(celsius.Value())));
}
} // namespace Temperature
