// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/UtilGraphics.h"

namespace UtilGraphics
{
Gdiplus::RectF FitImage(float x, float y, float w, float h, float imageWidth, float imageHeight)
{
    if (!(imageWidth > 0.0f && imageHeight > 0.0f))
    {
        return Gdiplus::RectF(x, y, 0.0f, 0.0f);
    }
    const float heightAtFullWidth = imageHeight * w / imageWidth;
    const float widthAtFullHeight = imageWidth * h / imageHeight;
    if (h >= heightAtFullWidth)
    {
        return Gdiplus::RectF(x, y + (h - heightAtFullWidth) / 2.0f, w, heightAtFullWidth);
    }
    return Gdiplus::RectF(x + (w - widthAtFullHeight) / 2.0f, y, widthAtFullHeight, h);
}

void FitImage(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const Gdiplus::RectF& box)
{
    if (image == nullptr)
    {
        return;
    }
    const Gdiplus::RectF fitted =
        FitImage(box.X, box.Y, box.Width, box.Height, static_cast<float>(image->GetWidth()),
                 static_cast<float>(image->GetHeight()));
    if (fitted.Width > 0.0f && fitted.Height > 0.0f)
    {
        graphics.DrawImage(image, fitted);
    }
}
} // namespace UtilGraphics
