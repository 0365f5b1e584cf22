// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/CThreadPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace
{
// Records the order and thread of its run; optionally throws or blocks until released.
class RecordingWork : public IWork
{
public:
    RecordingWork(int id, std::vector<int>& order, std::vector<DWORD>& threads, std::atomic<int>& deleted)
        : m_id(id), m_order(order), m_threads(threads), m_deleted(deleted)
    {
    }
    ~RecordingWork() override { ++m_deleted; }

    void Execute() override
    {
        m_order.push_back(m_id);
        m_threads.push_back(GetCurrentThreadId());
        if (Release != nullptr)
        {
            SetEvent(Started);
            WaitForSingleObject(Release, INFINITE);
        }
        if (Throws)
        {
            throw std::runtime_error("download failed");
        }
    }

    bool Throws = false;
    HANDLE Started = nullptr;
    HANDLE Release = nullptr;

private:
    int m_id;
    std::vector<int>& m_order;
    std::vector<DWORD>& m_threads;
    std::atomic<int>& m_deleted;
};

TEST(ThreadPool, RunsItemsInOrderOnOneThreadAndSurvivesFailures)
{
    std::vector<int> order;
    std::vector<DWORD> threads;
    std::atomic<int> deleted{0};
    {
        CThreadPool pool;
        pool.Initialize();
        for (int id = 1; id <= 5; ++id)
        {
            auto* work = new RecordingWork(id, order, threads, deleted);
            work->Throws = id == 2;
            ASSERT_TRUE(pool.QueueRequest(work));
        }
        // An item posted after a stop request must be refused and stay the caller's.
        while (deleted.load() < 5)
        {
            Sleep(5);
        }
        EXPECT_TRUE(pool.Shutdown(5000));
        RecordingWork late(6, order, threads, deleted);
        EXPECT_FALSE(pool.QueueRequest(&late));
    }
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), order);
    for (const DWORD thread : threads)
    {
        EXPECT_EQ(threads.front(), thread);
        EXPECT_NE(GetCurrentThreadId(), thread);
    }
}

TEST(ThreadPool, ShutdownAbandonsABusyWorkerAndSkipsQueuedItems)
{
    std::vector<int> order;
    std::vector<DWORD> threads;
    std::atomic<int> deleted{0};
    const HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    // Kept alive past the test on purpose: an abandoned worker may still use the pool object.
    auto* pool = new CThreadPool();
    pool->Initialize();
    auto* busy = new RecordingWork(1, order, threads, deleted);
    busy->Started = started;
    busy->Release = release;
    ASSERT_TRUE(pool->QueueRequest(busy));
    ASSERT_TRUE(pool->QueueRequest(new RecordingWork(2, order, threads, deleted)));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started, 10000));

    const ULONGLONG before = GetTickCount64();
    EXPECT_FALSE(pool->Shutdown(1));
    EXPECT_LT(GetTickCount64() - before, 5000u) << "shutdown waited for the busy worker";

    // Once the download it was in ends, the worker drops what was still queued.
    SetEvent(release);
    for (int i = 0; i < 200 && deleted.load() < 2; ++i)
    {
        Sleep(10);
    }
    EXPECT_EQ(2, deleted.load());
    EXPECT_EQ((std::vector<int>{1}), order);
    CloseHandle(started);
    CloseHandle(release);
}

// A worker ends whenever it finds nothing to do, and an item posted then starts another. With no
// idle time at all the worker ends whenever the port is empty, so four threads posting at once
// meet workers that are starting and ending thousands of times; every item must still run once,
// each poster's in its order.
TEST(ThreadPool, WorkerEndsWhenIdleAndLosesNoItemToTheNextOne)
{
    std::vector<int> order;
    std::vector<DWORD> threads;
    std::atomic<int> deleted{0};
    constexpr int kPosters = 4;
    constexpr int kEach = 2000;
    {
        CThreadPool pool(0);
        pool.Initialize();
        std::vector<std::thread> posters;
        std::atomic<int> refused{0};
        for (int poster = 0; poster < kPosters; ++poster)
        {
            posters.emplace_back(
                [&, poster]
                {
                    for (int i = 0; i < kEach; ++i)
                    {
                        auto* work = new RecordingWork(poster * kEach + i, order, threads, deleted);
                        if (!pool.QueueRequest(work))
                        {
                            delete work;
                            ++refused;
                        }
                    }
                });
        }
        for (std::thread& poster : posters)
        {
            poster.join();
        }
        EXPECT_EQ(0, refused.load());
        for (int i = 0; i < 1000 && (deleted.load() < kPosters * kEach || pool.HasWorker()); ++i)
        {
            Sleep(10);
        }
        EXPECT_EQ(kPosters * kEach, deleted.load()) << "items were lost to a worker that ended";
        EXPECT_FALSE(pool.HasWorker()) << "an idle worker stayed";
        EXPECT_TRUE(pool.Shutdown(5000));
    }
    // Each poster's items ran in the order it posted them.
    std::vector<int> last(kPosters, -1);
    for (const int id : order)
    {
        EXPECT_LT(last[id / kEach], id);
        last[id / kEach] = id;
    }
}
} // namespace
