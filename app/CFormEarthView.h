#pragma once

#include "platform/CWindowBase.h"
#include "ui/IWeatherView.h"

// The map window's client: the weather map over the whole client area, drawn off screen and put
// on screen in one transfer, with no background erased, so that neither a redraw nor a resize
// flickers.
class CFormEarthView : public CWindowBase, public IWeatherView
{
public:
    CFormEarthView() = default;
    ~CFormEarthView() override;

    // Creates the view filling the parent's client area; throws when it cannot be created.
    void Create(HWND parent);

    // Draws straight into the window, without waiting for a paint: the new picture shows at once,
    // even when the window is not active or partly covered. Never throws: a failed drawing leaves
    // the previous picture.
    void RefreshWeather() override;

protected:
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnPaint();
    void Draw(HDC target);
};
