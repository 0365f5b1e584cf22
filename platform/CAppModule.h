// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

#include <map>

class CMessageLoop;

// The module object: the instance handle, and the message loop of each thread that runs one,
// so that a dialog created anywhere can find its thread's loop and register its filter.
class CAppModule
{
public:
    // The process's one module object: the entry point initialises it, the dialogs find their
    // thread's loop in it.
    static CAppModule& Current();

    void Init(HINSTANCE instance);
    void Term();

    HINSTANCE Instance() const { return m_instance; }

    void AddMessageLoop(CMessageLoop* loop);
    void RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = GetCurrentThreadId()) const;

private:
    HINSTANCE m_instance = nullptr;
    std::map<DWORD, CMessageLoop*> m_loops;
};
