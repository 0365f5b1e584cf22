#pragma once

#include "app/IWeatherView.h"
#include "platform/CWindowBase.h"
#include "platform/GdiPlus.h"

#include <windows.h>

// The small floating window with the home city's weather: a per-pixel-alpha layered window whose
// whole content is one image painted off screen for the current mode.
class CFormLocalWeather : public CWindowBase, public IWeatherView
{
public:
    // Needs GDI+ running: the fonts and formats are made here and kept for the window's life.
    CFormLocalWeather();
    ~CFormLocalWeather() override;

    // Creates the window hidden; throws when it cannot be created.
    void Create();

    void Redraw();
    void Update(Gdiplus::Bitmap& image);
    void EnsureFormIsInScreenBounds();

    void RefreshWeather() override { Redraw(); }

    // The panel behind the texts, prepared once from the shipped image at start-up and released
    // at shutdown while GDI+ is still running.
    static void PreparePanelBackground();
    static void FreePanelBackground();

protected:
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};
