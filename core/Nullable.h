// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/ApplicationException.h"
#include "core/TypeName.h"

#include <string>

// An optional value whose empty read throws instead of returning something made up.
template <typename T> class Nullable
{
public:
    Nullable() = default;
    Nullable(const T& value) : HasValue(true), m_value(value) {}

    Nullable& operator=(const T& value)
    {
        m_value = value;
        HasValue = true;
        return *this;
    }

    void Clear()
    {
        HasValue = false;
        m_value = T();
    }

    const T& Value() const
    {
        if (!HasValue)
        {
            const std::string location = std::string("Nullable<") + TypeName<T>::Value + ">::Value (20)";
            ThrowApplicationException(location.c_str());
        }
        return m_value;
    }

    bool HasValue = false;

private:
    T m_value{};
};
