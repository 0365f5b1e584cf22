// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/GdiPlus.h"

// Short GDI+ drawing helpers the windows share. The weather map's composer (map/WeatherMap.h)
// belongs to the same group.
namespace UtilGraphics
{
// The largest rectangle with the image's aspect ratio inside the box (x, y, w, h), centred in it:
// full width when that height fits, else full height. Empty when the image has no area.
Gdiplus::RectF FitImage(float x, float y, float w, float h, float imageWidth, float imageHeight);
// Draws the image stretched into that rectangle; a null image draws nothing.
void FitImage(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const Gdiplus::RectF& box);
} // namespace UtilGraphics
