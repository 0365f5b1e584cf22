// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

// Owners of GDI and icon handles, so that no path out of a drawing step leaks one.
struct GdiObjectDeleter
{
    void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct IconDeleter
{
    void operator()(HICON icon) const { DestroyIcon(icon); }
};

using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
