// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

// The menu commands the tray window and the map window share, in one table: each command with the
// menus that offer it and what it does. Feedback and About are only on the map window's menu, the
// product-name item only on the tray's.
namespace CommandTable
{
enum Menu : unsigned
{
    TrayMenu = 1,
    MapMenu = 2,
};

// Whether the menu offers the command.
bool Offers(unsigned menu, WORD id);

// Runs the command when the menu offers it, on behalf of the window that received it; false for
// any other id, which the window leaves to default processing. Errors are the caller's to swallow.
bool Run(unsigned menu, WORD id, HWND window);
} // namespace CommandTable
