// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

// The system's word that the network came back, for a window: NotifyIpInterfaceChange and
// RegisterSuspendResumeNotification where the system has them (both are looked up at run time, so
// the program still starts where they are missing). A network change is posted to the window as
// the given message; wake-ups arrive as WM_POWERBROADCAST, to every top-level window anyway, and
// through the registration also on machines that sleep in modern standby.
class CSystemNotifications
{
public:
    CSystemNotifications() = default;
    ~CSystemNotifications();
    CSystemNotifications(const CSystemNotifications&) = delete;
    CSystemNotifications& operator=(const CSystemNotifications&) = delete;

    // Never throws; whatever the system lacks is simply not heard.
    void Register(HWND window, UINT networkChangedMessage);
    void Unregister();

    bool HearsNetworkChanges() const { return m_network != nullptr; }
    bool HearsSuspendResume() const { return m_suspendResume != nullptr; }

private:
    static void WINAPI OnIpInterfaceChange(void* context, void* row, int notificationType);

    HWND m_window = nullptr;
    UINT m_message = 0;
    HMODULE m_ipHelper = nullptr;
    HANDLE m_network = nullptr;
    void* m_suspendResume = nullptr; // HPOWERNOTIFY
};
