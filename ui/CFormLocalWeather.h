// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "platform/CWindowBase.h"
#include "platform/GdiPlus.h"
#include "ui/CLocalWeatherRenderer.h"
#include "ui/IWeatherView.h"
#include "ui/IWindowHost.h"

#include <windows.h>

#include <vector>

// The small floating window with the home city's weather: a per-pixel-alpha layered window whose
// whole content is one image, painted off screen by its renderer for the current mode.
//
// The image is painted at the window's DPI, so the window is as sharp and, on the screen, as big
// at 150 % as at 100 %. User-interface thread only.
//
// It remembers in the live options whether the user left it shown and where: showing it or moving
// it while shown stores its place, closing it stores that it is hidden (hiding it for the exit
// does not). Its window text, which screen readers take for its name, says what it shows.
class CFormLocalWeather : public CWindowBase, public IWeatherView
{
public:
    static constexpr int ModeLarge = CLocalWeatherRenderer::ModeLarge;
    static constexpr int ModeSmall = CLocalWeatherRenderer::ModeSmall;
    static constexpr int ModeIconOnly = CLocalWeatherRenderer::ModeIconOnly;

    // Needs GDI+ running: the renderer's fonts and formats are made here and kept for the
    // window's life. Never throws: a font that cannot be made leaves its texts out. The host's
    // options and icons are what the window shows.
    explicit CFormLocalWeather(IWindowHost& host);
    ~CFormLocalWeather() override;

    // Creates the window hidden, where the options remember it (pulled onto a monitor that is
    // there) or else in the middle of its monitor; throws when it cannot be created.
    void Create();

    // Never throws; a failed redraw leaves the previous content on the screen.
    void Redraw();
    // Shows the image (in device pixels) as the window's content. Throws
    // "CFormLocalWeather::Update" when it cannot be converted for the system.
    void Update(Gdiplus::Bitmap& image);
    // Never throws.
    void EnsureFormIsInScreenBounds();

    // Shows the window without taking the focus from anyone when the options say the user left it
    // shown; otherwise leaves it hidden. Never throws.
    void ShowAsRemembered();
    // Hides the window and remembers that the user closed it. Never throws.
    void Close();

    // A monitor as the placement sees it: its whole area and the part not taken by task bars.
    struct MonitorArea
    {
        RECT Monitor;
        RECT Work;
    };
    // Where a window of the given rectangle goes among the monitors there are now: where it is when
    // its centre lies on one of them; else wholly inside the work area of the monitor nearest to
    // its centre (the first of equally near ones), as far as it fits. No monitors: where it is.
    static RECT PullOntoMonitor(RECT window, const std::vector<MonitorArea>& monitors);
    // The monitors of this desktop, the primary one first.
    static std::vector<MonitorArea> Monitors();

    void RefreshWeather() override { Redraw(); }

    // The panel behind the texts, prepared from the program folder's image at start-up and
    // released at shutdown (CLocalWeatherRenderer::PreparePanelBackground). Neither call throws.
    static void PreparePanelBackground(const std::wstring& path);
    static void FreePanelBackground();

    int Mode() const { return m_mode; }
    bool IsDragging() const { return m_dragging; }

    // The DPI the window paints at: the one forced by OverrideDpi, else its monitor's (96 until
    // the window exists). OverrideDpi(0) follows the monitor again; it does not redraw.
    UINT Dpi() const;
    void OverrideDpi(UINT dpi) { m_dpiOverride = dpi; }

    // The image Redraw shows, in device pixels at Dpi(), for the live options' home city and
    // unit: the no-home-city panel, or the mode's. Throws when it cannot be painted.
    // While the home city has a weather alert (not in Icon Only mode), a line of this height at
    // 96 DPI naming it tops the image.
    CPtr<Gdiplus::Bitmap> RenderImage();
    static constexpr int AlertLineHeight = 20;

    // Where a window of the given rectangle is put so that part of it stays reachable when it
    // hangs off the top or the left of the screen whose top-left is origin: its right edge at
    // least `reach` right of the origin, its bottom at least `reachDown` below it.
    static RECT KeepReachable(RECT window, POINT origin, int reach, int reachDown);

    // Marks the context menu's items for the window's present state: the three modes as radio
    // items with the current one checked, "Always On Top" checked when the window is topmost.
    void PrepareContextMenu(HMENU popup) const;

    // The system's popup menu tracking, unless a test puts its own here to see where and for what
    // the menu would open without a menu loop that waits for the user.
    using TrackMenuFunction = BOOL(WINAPI*)(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                                            const RECT* ignored);
    static TrackMenuFunction TrackMenu;

protected:
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static CPtr<Gdiplus::Bitmap> WithAlertLine(Gdiplus::Bitmap& image, const std::wstring& text, UINT dpi);
    void OnCreate();
    void OnMouseMove();
    void EndDrag();
    // The menu at a point in screen coordinates.
    void ShowContextMenu(POINT point);
    // The menu opened from the keyboard: at the window's top-left corner.
    void ShowContextMenuAtWindow();
    bool OnKey(UINT message, WPARAM key);
    // Keeps the window's text, and so its accessible name, saying what it shows.
    void UpdateText();
    void RememberShown();
    void RememberPlace();
    void RestorePlace();
    bool OnCommand(WORD id);
    void SetMode(int mode);
    void ToggleAlwaysOnTop();
    void CentreWindow();
    void OnDpiChanged(UINT dpi, const RECT* suggested);

    IWindowHost& m_host;
    CLocalWeatherRenderer m_renderer;
    int m_mode = ModeLarge;
    bool m_dragging = false;
    int m_anchorX = 0;
    int m_anchorY = 0;
    UINT m_dpi = 0; // the monitor's, as the system last told it; 0 before creation
    UINT m_dpiOverride = 0;
};
