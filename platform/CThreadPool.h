// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/IWork.h"

#include <windows.h>

#include <atomic>

// A pool with at most one worker thread fed through an I/O completion port, so work items run
// one after another in the order they were queued. The worker ends once it has waited the idle
// time without work, and the next item starts another: between two batches, minutes apart, the
// program holds no thread and no thread stack it does not use (under Wine about 1 MB each).
class CThreadPool
{
public:
    static constexpr DWORD kDefaultIdleMilliseconds = 15000;

    explicit CThreadPool(DWORD idleMilliseconds = kDefaultIdleMilliseconds);
    ~CThreadPool();
    CThreadPool(const CThreadPool&) = delete;
    CThreadPool& operator=(const CThreadPool&) = delete;

    // Creates the port and the first worker; throws when the system refuses either.
    void Initialize();

    // Hands the item to the worker, starting one when none runs. On false the item was not taken
    // and stays the caller's.
    bool QueueRequest(IWork* work);

    // Asks the worker to stop and waits at most the given time. Items still queued are deleted
    // without being run. A worker that is busy inside an item is abandoned, never killed: killing
    // a thread can leave the heap or another lock held for ever. Returns true when it stopped.
    bool Shutdown(DWORD waitMilliseconds);

    // Whether a worker thread exists now; for tests.
    bool HasWorker();

private:
    static DWORD WINAPI WorkerThread(void* parameter);
    void Work();
    // Takes the next item, or the word to end; false when the worker should end (idle, or the
    // port failed), having given its place up under the lock so that no item is left unserved.
    bool Next(ULONG_PTR& key);
    // With m_lock held.
    bool StartWorker();

    const DWORD m_idleMilliseconds;
    SRWLOCK m_lock = SRWLOCK_INIT;
    HANDLE m_port = nullptr;
    HANDLE m_thread = nullptr;    // the last worker started; it may have ended since
    bool m_workerRunning = false; // guarded by m_lock
    std::atomic<bool> m_stopping{false};
    bool m_abandoned = false;
};
