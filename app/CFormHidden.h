// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/CSystemNotifications.h"
#include "platform/CWindowBase.h"
#include "weather/CUpdateSchedule.h"

// The never-shown top-level window that anchors the program: it owns the tray icon with its popup
// menu and the update timer, receives the download worker's messages and turns the tray menu's
// commands into Program calls. Top-level, not message-only, so that broadcasts such as the end of
// the session and the taskbar's re-creation reach it.
class CFormHidden : public CWindowBase
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
    void OnNotifyIcon(WPARAM iconId, LPARAM mouseMessage);
    void ShowTrayMenu();
    void AddNotifyIconOrThrow();
    void OnTimer(UINT_PTR id);
    void OnDownloadComplete(bool everyCityFailed);
    void ScheduleSoon(UINT delay);
    // Milliseconds of a clock that stands still while the machine sleeps.
    static std::uint64_t SteadyMilliseconds();

    HMENU m_menu = nullptr;
    HICON m_icon = nullptr;
    unsigned m_tickCounter = 0;
    CUpdateSchedule m_schedule;
    CSystemNotifications m_notifications;
};
