// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

#include <utility>

// The one owner of a kernel handle that is closed by a function of its own: a file, a search, a
// registry key. Traits give the value that means "none" and the way to close one, since the
// system's handles do not agree on either (a failed CreateFile gives INVALID_HANDLE_VALUE, a
// failed RegOpenKeyEx leaves null).
template <typename Traits> class ScopedHandle
{
public:
    using Handle = decltype(Traits::None());

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : m_handle(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Handle Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::None(); }
    // Closes the handle held, if any, and holds the given one instead.
    void Reset(Handle handle = Traits::None())
    {
        if (IsValid())
        {
            Traits::Close(m_handle);
        }
        m_handle = handle;
    }

private:
    Handle m_handle = Traits::None();
};

struct FileHandleTraits
{
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct FindHandleTraits
{
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { FindClose(handle); }
};

using FileHandle = ScopedHandle<FileHandleTraits>;
using FindHandle = ScopedHandle<FindHandleTraits>;
