// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/ApplicationException.h"
#include "core/TypeName.h"

#include <string>
#include <utility>

// Single owner of a heap object. Unlike std::unique_ptr, dereferencing an empty CPtr throws an
// ApplicationException the callers' catch-everything handlers contain, instead of crashing.
template <typename T> class CPtr
{
public:
    CPtr() = default;
    explicit CPtr(T* object) : m_object(object) {}
    CPtr(CPtr&& other) noexcept : m_object(other.Detach()) {}
    CPtr& operator=(CPtr&& other) noexcept
    {
        if (this != &other)
        {
            Reset(other.Detach());
        }
        return *this;
    }
    CPtr(const CPtr&) = delete;
    CPtr& operator=(const CPtr&) = delete;
    ~CPtr() { delete m_object; }

    // Takes ownership; the object held before is deleted unless it is the same one.
    CPtr& operator=(T* object)
    {
        Reset(object);
        return *this;
    }

    void Reset(T* object = nullptr)
    {
        if (object != m_object)
        {
            T* previous = m_object;
            m_object = object;
            delete previous;
        }
    }

    // Gives up ownership without deleting.
    T* Detach() noexcept
    {
        T* object = m_object;
        m_object = nullptr;
        return object;
    }

    T* Get() const noexcept { return m_object; }
    bool IsNull() const noexcept { return m_object == nullptr; }
    explicit operator bool() const noexcept { return m_object != nullptr; }

    T& operator*() const
    {
        if (m_object == nullptr)
        {
            ThrowEmpty(">::operator * (108)");
        }
        return *m_object;
    }

    T* operator->() const
    {
        if (m_object == nullptr)
        {
            ThrowEmpty(">::operator -> (114)");
        }
        return m_object;
    }

private:
    [[noreturn]] static void ThrowEmpty(const char* operatorText)
    {
        const std::string location = std::string("CPtr<") + TypeName<T>::Value + operatorText;
        ThrowApplicationException(location.c_str());
    }

    T* m_object = nullptr;
};
