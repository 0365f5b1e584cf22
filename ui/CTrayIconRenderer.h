// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/Nullable.h"
#include "platform/GdiHandle.h"
#include "platform/GdiPlus.h"

#include <windows.h>

#include <memory>

// The notification area icon's picture: the home city's temperature as a number drawn for the
// icon's exact pixel size, or a weather icon when there is no temperature, in a colour that stands
// out on the taskbar. Needs GDI+ running; user-interface thread only.
class CTrayIconRenderer
{
public:
    struct Content
    {
        Nullable<int> Temperature;              // the number shown; none shows the weather icon
        Gdiplus::Bitmap* WeatherIcon = nullptr; // shown without a temperature; null draws nothing
        bool LightTaskbar = false;              // dark digits on a light taskbar, light ones on a dark
        bool WarningMark = false;               // a small warning triangle in the top right corner
    };

    // The colour of the digits on a light or a dark taskbar.
    static Gdiplus::Color TextColor(bool lightTaskbar);
    static const Gdiplus::Color WarningColor;

    // A size × size 32-bit ARGB image, transparent where nothing is drawn. The number is made as
    // large as fits and, where even the smallest size is too wide (three digits, a minus sign),
    // condensed. Throws when GDI+ cannot make the image.
    static std::unique_ptr<Gdiplus::Bitmap> Render(int size, const Content& content);

    // An icon with the image's colours and its alpha channel as they are (not premultiplied).
    // Throws when the system refuses a bitmap or the icon.
    static IconHandle CreateIcon(Gdiplus::Bitmap& image);

    // Whether the taskbar is light: the user's "SystemUsesLightTheme" setting, dark when missing.
    static bool TaskbarUsesLightTheme();
    // The small icon's size in pixels at the system's DPI, which the notification area draws at.
    static int IconSize();
};
