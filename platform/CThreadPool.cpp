// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/CThreadPool.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "platform/Log.h"

namespace
{
// The completion key that tells the worker to end; never a valid IWork address.
constexpr ULONG_PTR kShutdownKey = static_cast<ULONG_PTR>(-1);
} // namespace

CThreadPool::CThreadPool(DWORD idleMilliseconds) : m_idleMilliseconds(idleMilliseconds) {}

CThreadPool::~CThreadPool()
{
    // An abandoned worker may still wait on the port: leave it and the thread handle alone.
    if (m_abandoned)
    {
        return;
    }
    if (m_thread != nullptr)
    {
        Shutdown(INFINITE);
    }
    if (m_port != nullptr)
    {
        CloseHandle(m_port);
    }
}

void CThreadPool::Initialize()
{
    m_port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    if (m_port == nullptr)
    {
        ThrowApplicationException(Here());
    }
    // The first worker starts now so that a system that refuses threads stops the program at
    // start-up, where it can say so, rather than at its first download.
    AcquireSRWLockExclusive(&m_lock);
    const bool started = StartWorker();
    ReleaseSRWLockExclusive(&m_lock);
    if (!started)
    {
        CloseHandle(m_port);
        m_port = nullptr;
        ThrowApplicationException(Here());
    }
}

bool CThreadPool::StartWorker()
{
    if (m_thread != nullptr)
    {
        // The worker before has given its place up and is only returning.
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    m_thread = CreateThread(nullptr, 0, WorkerThread, this, 0, nullptr);
    m_workerRunning = m_thread != nullptr;
    return m_workerRunning;
}

bool CThreadPool::QueueRequest(IWork* work)
{
    if (work == nullptr || m_port == nullptr)
    {
        return false;
    }
    // Posting under the lock pairs with the idle worker's last look at the port under it: an item
    // is either seen by that worker or finds it gone and starts another. And none slips in behind
    // the word to stop.
    AcquireSRWLockExclusive(&m_lock);
    const bool queued =
        !m_stopping.load() && (m_workerRunning || StartWorker()) &&
        PostQueuedCompletionStatus(m_port, 0, reinterpret_cast<ULONG_PTR>(work), nullptr) != FALSE;
    ReleaseSRWLockExclusive(&m_lock);
    return queued;
}

bool CThreadPool::HasWorker()
{
    AcquireSRWLockShared(&m_lock);
    const bool running = m_workerRunning;
    ReleaseSRWLockShared(&m_lock);
    return running;
}

bool CThreadPool::Shutdown(DWORD waitMilliseconds)
{
    AcquireSRWLockExclusive(&m_lock);
    m_stopping.store(true);
    if (m_workerRunning)
    {
        PostQueuedCompletionStatus(m_port, 0, kShutdownKey, nullptr);
    }
    // No worker starts after this; one that ended idle has returned or is about to.
    const HANDLE thread = m_thread;
    ReleaseSRWLockExclusive(&m_lock);
    if (thread == nullptr)
    {
        return true;
    }
    if (WaitForSingleObject(thread, waitMilliseconds) != WAIT_OBJECT_0)
    {
        m_abandoned = true;
        return false;
    }
    CloseHandle(m_thread);
    m_thread = nullptr;
    return true;
}

DWORD WINAPI CThreadPool::WorkerThread(void* parameter)
{
    try
    {
        static_cast<CThreadPool*>(parameter)->Work();
    }
    catch (...)
    {
        Log::Exception(L"CThreadPool::WorkerThread");
    }
    return 0;
}

bool CThreadPool::Next(ULONG_PTR& key)
{
    DWORD bytes = 0;
    OVERLAPPED* overlapped = nullptr;
    if (GetQueuedCompletionStatus(m_port, &bytes, &key, &overlapped, m_idleMilliseconds) ||
        overlapped != nullptr)
    {
        return true;
    }
    const bool idle = GetLastError() == WAIT_TIMEOUT;
    AcquireSRWLockExclusive(&m_lock);
    // One more look under the lock: an item posted since the wait ended is this worker's to run.
    if (idle && (GetQueuedCompletionStatus(m_port, &bytes, &key, &overlapped, 0) || overlapped != nullptr))
    {
        ReleaseSRWLockExclusive(&m_lock);
        return true;
    }
    m_workerRunning = false;
    ReleaseSRWLockExclusive(&m_lock);
    return false;
}

void CThreadPool::Work()
{
    ULONG_PTR key = 0;
    while (Next(key))
    {
        if (key == kShutdownKey)
        {
            return;
        }
        IWork* work = reinterpret_cast<IWork*>(key);
        if (!m_stopping.load())
        {
            try
            {
                work->Execute();
            }
            catch (...)
            {
                Log::Exception(L"CThreadPool::Work");
            }
        }
        try
        {
            delete work;
        }
        catch (...)
        {
            Log::Exception(L"CThreadPool::Work (delete)");
        }
    }
}
