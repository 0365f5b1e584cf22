// Drives a running Nimbrel from scripts, the way the shell or an installer would:
//   NimbrelControl wait-ready [seconds]  waits until Nimbrel's hidden window exists
//   NimbrelControl exit [seconds]        sends the Exit command and waits for the process to end
// Exit code 0 on success, 1 when Nimbrel is not running or did not respond in time.
#include "app/WindowMessages.h"
#include "res/Resource.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace
{
HWND WaitForHiddenWindow(DWORD milliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;)
    {
        const HWND hidden = FindWindowW(kHiddenWindowClass, nullptr);
        if (hidden != nullptr || GetTickCount64() >= deadline)
        {
            return hidden;
        }
        Sleep(100);
    }
}

int Exit(DWORD milliseconds)
{
    const HWND hidden = FindWindowW(kHiddenWindowClass, nullptr);
    if (hidden == nullptr)
    {
        return 1;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(hidden, &processId);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageW(hidden, WM_COMMAND, ID_APP_EXIT, 0);
    if (process == nullptr)
    {
        return 0;
    }
    const DWORD waited = WaitForSingleObject(process, milliseconds);
    CloseHandle(process);
    return waited == WAIT_OBJECT_0 ? 0 : 1;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 30;
    if (command == L"wait-ready")
    {
        return WaitForHiddenWindow(seconds * 1000) != nullptr ? 0 : 1;
    }
    if (command == L"exit")
    {
        return Exit(seconds * 1000);
    }
    std::fwprintf(stderr, L"usage: NimbrelControl wait-ready|exit [seconds]\n");
    return 2;
}
