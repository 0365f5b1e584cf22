// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// The type names that appear in the location texts of CPtr and Nullable failures, spelled the
// way the program has always reported them ("class City", "enum EnumWeatherCode"). Each type
// used in those templates specialises this next to its own declaration.
template <typename T> struct TypeName;

template <> struct TypeName<int>
{
    static constexpr const char* Value = "int";
};
