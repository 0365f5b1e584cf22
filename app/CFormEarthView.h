// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "map/CStretchedBackground.h"
#include "platform/CDibSurface.h"
#include "platform/CWindowBase.h"
#include "ui/IWeatherView.h"

#include <memory>

// The map window's client: the weather map over the whole client area. The map is composed off
// screen into a picture of the client's size, kept, and painted from: a paint is one copy, never a
// composition, and nothing is erased, so neither a redraw nor a resize flickers. While the size
// changes, the last picture is stretched over the new client area; the map is composed at the new
// size once the size has settled for a moment.
class CFormEarthView : public CWindowBase, public IWeatherView
{
public:
    // How long the size must stay the same before the map is composed at it.
    static constexpr UINT SettleMilliseconds = 150;

    CFormEarthView() = default;
    ~CFormEarthView() override;

    // Creates the view filling the parent's client area; throws when it cannot be created.
    void Create(HWND parent);

    // Composes the map anew and puts it straight into the window, without waiting for a paint: the
    // new picture shows at once, even when the window is not active or partly covered. A hidden
    // view composes when it is next painted. Never throws: a failed drawing leaves the previous
    // picture.
    void RefreshWeather() override;

    // The size of the map kept for painting; 0 × 0 before the first and while the window is hidden.
    SIZE ComposedSize() const;

    // The frame is being hidden: nothing is shown, so the map's memory goes (its background is
    // parked already). Showing it again composes first (PrepareToShow), or paints black until the
    // map follows.
    void OnHidden();
    // Composes the map at the client's present size before the frame is shown again, so that the
    // first paint shows it at once. Never throws.
    void PrepareToShow();

protected:
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnPaint();
    void OnSettled();
    void ScheduleComposition(UINT delay);
    // Composes the map at the client's size into a new picture, which replaces the kept one only
    // when it is complete. Throws on failure.
    void Compose();
    void Paint(HDC target);

    CStretchedBackground m_background;
    std::unique_ptr<CDibSurface> m_map;
    bool m_stale = true;
    bool m_scheduled = false;
};
