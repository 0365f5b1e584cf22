// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/CSystemNotifications.h"
#include "platform/CWindowBase.h"
#include "platform/GdiHandle.h"
#include "ui/IWeatherView.h"
#include "weather/CUpdateSchedule.h"

#include <string>

// The never-shown top-level window that anchors the program: it owns the tray icon with its popup
// menu and the update timer, receives the download worker's messages and turns the tray menu's
// commands into Program calls. Top-level, not message-only, so that broadcasts such as the end of
// the session and the taskbar's re-creation reach it.
//
// The tray icon shows the home city's temperature (when the option is on) and its weather in the
// tooltip, and is redrawn with every refresh of the views, and when the taskbar's theme, the DPI
// or the displays change.
class CFormHidden : public CWindowBase, public IWeatherView
{
public:
    // Loads the tray menu; it is kept for the object's life and reused for every right-click.
    CFormHidden();
    ~CFormHidden() override;

    void Create();

    // Puts the tray icon in the notification area. Never throws: without a tray icon the program
    // still runs. Answers whether the shell took the icon.
    bool AddNotifyIcon();
    // The first run's hint on the tray icon. Never throws; answers whether the shell took it.
    bool ShowBalloonTip();
    // A weather alert's balloon on the tray icon, with the warning symbol. Never throws; answers
    // whether the shell took it.
    bool ShowAlertBalloon(const std::wstring& title, const std::wstring& text);
    // Removes the tray icon, whether or not it is there.
    void DeleteNotifyIcon();
    // Redraws the tray icon and its tooltip from the home city's weather and the options. Never
    // throws.
    void RefreshWeather() override;
    // The event of the home city's active weather alert, empty for none: it heads the tooltip and
    // puts a warning mark on the icon.
    void SetAlertEvent(const std::wstring& event);

    // One tray icon event as the callback message carries it: the classic form (wParam the icon
    // id, lParam the mouse message) or version 4's (lParam's low word the event and its high word
    // the icon id, wParam the anchor point in screen coordinates).
    struct NotifyIconEvent
    {
        UINT IconId = 0;
        UINT Event = 0;
        POINT Anchor{};
        bool HasAnchor = false;
    };
    static NotifyIconEvent DecodeNotifyIcon(WPARAM wParam, LPARAM lParam, bool version4);
    // Whether the shell took version 4 of the icon protocol for the icon.
    bool UsesVersion4() const { return m_version4; }

    // The update timer's period: one minute at first, so that downloads are considered at
    // start-up and one and two minutes later, then every fifteen minutes. Called on each tick;
    // returns the new period when it changes, else 0.
    static UINT AdvanceUpdateTimer(unsigned& tickCounter);

    static constexpr UINT_PTR UpdateTimerId = 1;
    static constexpr UINT FirstTimerPeriod = 60 * 1000;
    static constexpr UINT LaterTimerPeriod = 15 * 60 * 1000;
    // One batch outside the cycle: soon after a wake-up, a network change or a clock jump, or
    // the retry after a batch in which every city failed. Fires once.
    static constexpr UINT_PTR SoonTimerId = 2;
    // Every minute: whether the wall clock jumped since the last good batch.
    static constexpr UINT_PTR ClockTimerId = 3;
    static constexpr UINT ClockTimerPeriod = 60 * 1000;
    // Every twenty seconds: whether a city's alerts are due to be asked for, or have ended.
    static constexpr UINT_PTR AlertTimerId = 4;
    static constexpr UINT AlertTimerPeriod = 20 * 1000;

    // What the system tells this window of its network (for a look from tests and tools).
    const CSystemNotifications& SystemNotifications() const { return m_notifications; }
    static constexpr UINT NotifyIconId = 1;

protected:
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnCommand(WORD id);
    void OnNotifyIcon(WPARAM wParam, LPARAM lParam);
    void ShowTrayMenu(POINT point);
    // The program's icon at the tray's present size.
    HICON ProgramIcon();
    // The temperature or weather picture for the tray, or null where the program's icon serves.
    IconHandle DrawIcon() const;
    std::wstring TipText() const;
    static bool HomeWeatherIsRecent();
    void AddNotifyIconOrThrow();
    void OnTimer(UINT_PTR id);
    void OnDownloadComplete(bool everyCityFailed);
    void ScheduleSoon(UINT delay);
    // Milliseconds of a clock that stands still while the machine sleeps.
    static std::uint64_t SteadyMilliseconds();

    HMENU m_menu = nullptr;
    IconHandle m_icon;      // the program's
    int m_iconSize = 0;     // the size m_icon was loaded at
    IconHandle m_drawnIcon; // the one in the tray now, when not the program's
    bool m_version4 = false;
    bool m_menuOpen = false;
    // When the left button last came up on the icon: version 4 follows every click with
    // NIN_SELECT, which is then no keyboard selection.
    ULONGLONG m_lastClickUp = 0;
    std::wstring m_alertEvent;
    bool m_shownRecent = false; // whether the tray shows a recent observation
    unsigned m_tickCounter = 0;
    CUpdateSchedule m_schedule;
    CSystemNotifications m_notifications;
};
