// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Starting Nimbrel.exe from a test and watching its windows.
namespace ProcessTools
{
// The program under test, from NIMBREL_EXE (set by the test runner).
std::wstring NimbrelExecutable();

// A started process; the handles are closed, and the process killed if still running, at the end.
class Child
{
public:
    explicit Child(const std::wstring& commandLine);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return m_process.hProcess != nullptr; }
    DWORD Id() const { return m_process.dwProcessId; }
    // The exit code, or STILL_ACTIVE when it did not end within the time.
    DWORD WaitForExit(DWORD milliseconds);

private:
    PROCESS_INFORMATION m_process{};
};

// Polls until a top-level window of the process matches, or the time is up.
HWND WaitForWindow(DWORD processId, const std::function<bool(HWND)>& matches, DWORD milliseconds);

std::wstring ClassNameOf(HWND window);
std::wstring TextOf(HWND window);
} // namespace ProcessTools
