// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/IWork.h"

#include <windows.h>

#include <atomic>

// A pool with exactly one worker thread fed through an I/O completion port, so work items run
// one after another in the order they were queued.
class CThreadPool
{
public:
    CThreadPool() = default;
    ~CThreadPool();
    CThreadPool(const CThreadPool&) = delete;
    CThreadPool& operator=(const CThreadPool&) = delete;

    // Creates the port and the worker; throws when the system refuses either.
    void Initialize();

    // Hands the item to the worker. On false the item was not taken and stays the caller's.
    bool QueueRequest(IWork* work);

    // Asks the worker to stop and waits at most the given time. Items still queued are deleted
    // without being run. A worker that is busy inside an item is abandoned, never killed: killing
    // a thread can leave the heap or another lock held for ever. Returns true when it stopped.
    bool Shutdown(DWORD waitMilliseconds);

private:
    static DWORD WINAPI WorkerThread(void* parameter);
    void Work();

    HANDLE m_port = nullptr;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_stopping{false};
    bool m_abandoned = false;
};
