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
    m_thread = CreateThread(nullptr, 0, WorkerThread, this, 0, nullptr);
    if (m_thread == nullptr)
    {
        CloseHandle(m_port);
        m_port = nullptr;
        ThrowApplicationException(Here());
    }
}

bool CThreadPool::QueueRequest(IWork* work)
{
    if (work == nullptr || m_port == nullptr || m_stopping.load())
    {
        return false;
    }
    return PostQueuedCompletionStatus(m_port, 0, reinterpret_cast<ULONG_PTR>(work), nullptr) != FALSE;
}

bool CThreadPool::Shutdown(DWORD waitMilliseconds)
{
    if (m_thread == nullptr)
    {
        return true;
    }
    m_stopping.store(true);
    PostQueuedCompletionStatus(m_port, 0, kShutdownKey, nullptr);
    if (WaitForSingleObject(m_thread, waitMilliseconds) != WAIT_OBJECT_0)
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

void CThreadPool::Work()
{
    for (;;)
    {
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* overlapped = nullptr;
        if (!GetQueuedCompletionStatus(m_port, &bytes, &key, &overlapped, INFINITE) &&
            overlapped == nullptr && key == 0)
        {
            return; // the port itself failed
        }
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
