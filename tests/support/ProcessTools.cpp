// SPDX-License-Identifier: GPL-2.0-or-later

#include "tests/support/ProcessTools.h"

#include <vector>

namespace ProcessTools
{
std::wstring NimbrelExecutable()
{
    wchar_t buffer[MAX_PATH] = L"";
    const DWORD length = GetEnvironmentVariableW(L"NIMBREL_EXE", buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring(L"Nimbrel.exe");
}

Child::Child(const std::wstring& commandLine)
{
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &m_process))
    {
        m_process = PROCESS_INFORMATION{};
    }
}

Child::~Child()
{
    if (m_process.hProcess != nullptr)
    {
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
        {
            TerminateProcess(m_process.hProcess, 99);
            WaitForSingleObject(m_process.hProcess, 5000);
        }
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
}

DWORD Child::WaitForExit(DWORD milliseconds)
{
    if (m_process.hProcess == nullptr ||
        WaitForSingleObject(m_process.hProcess, milliseconds) != WAIT_OBJECT_0)
    {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_process.hProcess, &code);
    return code;
}

namespace
{
struct Search
{
    DWORD ProcessId;
    const std::function<bool(HWND)>* Matches;
    HWND Found;
};

BOOL CALLBACK Visit(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->ProcessId && (*search->Matches)(window))
    {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND WaitForWindow(DWORD processId, const std::function<bool(HWND)>& matches, DWORD milliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    do
    {
        Search search{processId, &matches, nullptr};
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        if (search.Found != nullptr)
        {
            return search.Found;
        }
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

std::wstring ClassNameOf(HWND window)
{
    wchar_t name[256] = L"";
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

std::wstring TextOf(HWND window)
{
    wchar_t text[512] = L"";
    const int length = GetWindowTextW(window, text, 512);
    return std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0);
}
} // namespace ProcessTools
