// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/CSystemNotifications.h"

#include "platform/UtilWin32.h"

namespace
{
// The types of iphlpapi.dll and user32.dll that the functions below take, spelt out here so that
// neither library has to be present at load time.
using IpInterfaceChangeCallback = void(WINAPI*)(void* context, void* row, int notificationType);
using NotifyIpInterfaceChangeFunction = DWORD(WINAPI*)(USHORT family, IpInterfaceChangeCallback callback,
                                                       void* context, BOOLEAN initialNotification,
                                                       HANDLE* handle);
using CancelMibChangeNotify2Function = DWORD(WINAPI*)(HANDLE handle);
using RegisterSuspendResumeNotificationFunction = void*(WINAPI*)(HANDLE recipient, DWORD flags);
using UnregisterSuspendResumeNotificationFunction = BOOL(WINAPI*)(void* handle);

constexpr USHORT kAnyAddressFamily = 0;   // AF_UNSPEC
constexpr int kParameterNotification = 0; // MibParameterNotification: an interface changed
constexpr int kAddInstance = 1;           // MibAddInstance: an interface came
constexpr DWORD kNotifyWindowHandle = 0;  // DEVICE_NOTIFY_WINDOW_HANDLE
} // namespace

CSystemNotifications::~CSystemNotifications()
{
    Unregister();
}

void CSystemNotifications::Register(HWND window, UINT networkChangedMessage)
{
    Unregister();
    m_window = window;
    m_message = networkChangedMessage;

    m_ipHelper = LoadLibraryW(L"iphlpapi.dll");
    const auto notify =
        Util::LibraryFunction<NotifyIpInterfaceChangeFunction>(m_ipHelper, "NotifyIpInterfaceChange");
    HANDLE network = nullptr;
    if (notify == nullptr ||
        notify(kAnyAddressFamily, OnIpInterfaceChange, this, FALSE, &network) != NO_ERROR)
    {
        network = nullptr;
    }
    m_network = network;

    const auto registerSuspendResume = Util::LibraryFunction<RegisterSuspendResumeNotificationFunction>(
        GetModuleHandleW(L"user32.dll"), "RegisterSuspendResumeNotification");
    if (registerSuspendResume != nullptr)
    {
        m_suspendResume = registerSuspendResume(window, kNotifyWindowHandle);
    }
}

void CSystemNotifications::Unregister()
{
    if (m_network != nullptr)
    {
        // Returns once no callback runs any more, so this object may go afterwards.
        const auto cancel =
            Util::LibraryFunction<CancelMibChangeNotify2Function>(m_ipHelper, "CancelMibChangeNotify2");
        if (cancel != nullptr)
        {
            cancel(m_network);
        }
        m_network = nullptr;
    }
    if (m_ipHelper != nullptr)
    {
        FreeLibrary(m_ipHelper);
        m_ipHelper = nullptr;
    }
    if (m_suspendResume != nullptr)
    {
        const auto unregister = Util::LibraryFunction<UnregisterSuspendResumeNotificationFunction>(
            GetModuleHandleW(L"user32.dll"), "UnregisterSuspendResumeNotification");
        if (unregister != nullptr)
        {
            unregister(m_suspendResume);
        }
        m_suspendResume = nullptr;
    }
}

// On a thread of the system's: only a message goes from here to the window's thread.
void WINAPI CSystemNotifications::OnIpInterfaceChange(void* context, void*, int notificationType)
{
    if (notificationType != kAddInstance && notificationType != kParameterNotification)
    {
        return;
    }
    const auto* self = static_cast<const CSystemNotifications*>(context);
    PostMessageW(self->m_window, self->m_message, 0, 0);
}
