// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// The one way into GDI+: MinGW's headers expect windows.h first.
#include <windows.h>

#include <gdiplus.h>
