#pragma once

#include "PageTestKit.h"
#include "catalog/ScanSeam.h"
#include "platform/DetachedTask.h"

#include <QTest>

#include <condition_variable>
#include <mutex>

// A share that has stopped answering, through the scan's seam: while closed,
// each file a scan examines blocks until the test opens the store again, and
// a cancelled scan stays blocked too, as a call stuck in the kernel does.
// Make it before any page; going away opens the store and waits until every
// task's thread has ended before it takes the seam away.
class BlockingStore {
public:
    BlockingStore()
    {
        ScanSeam::SetBeforeFile([this](const ScanControl*, std::size_t) { Wait(); });
    }
    ~BlockingStore()
    {
        Open();
        QTRY_VERIFY_WITH_TIMEOUT(DetachedTask::LiveThreads() == 0, kWaitBoundMs);
        ScanSeam::SetBeforeFile({});
    }
    BlockingStore(const BlockingStore&) = delete;
    BlockingStore& operator=(const BlockingStore&) = delete;

    void Close()
    {
        const std::lock_guard lock(m_mutex);
        m_bOpen = false;
    }
    void Open()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_bOpen = true;
        }
        m_wake.notify_all();
    }
    // Calls blocked right now.
    int Blocked()
    {
        const std::lock_guard lock(m_mutex);
        return m_nBlocked;
    }

private:
    void Wait()
    {
        std::unique_lock lock(m_mutex);
        ++m_nBlocked;
        m_wake.wait(lock, [this] { return m_bOpen; });
        --m_nBlocked;
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bOpen = true;
    int m_nBlocked = 0;
};
