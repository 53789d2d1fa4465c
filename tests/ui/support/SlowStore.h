#pragma once

#include "catalog/ScanControl.h"
#include "catalog/ScanSeam.h"

#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>

// A store as slow as the test wants, through the scan's seam: while it lives,
// each file a scan examines waits for a go-ahead that Allow or Open gives,
// and a stopped scan's files go at once. Make it before any page and let it go
// after them, so that no scan runs when the seam changes.
class SlowStore {
public:
    SlowStore()
    {
        ScanSeam::SetBeforeFile([this](const ScanControl* control, std::size_t) { Wait(control); });
    }
    ~SlowStore() { ScanSeam::SetBeforeFile({}); }
    SlowStore(const SlowStore&) = delete;
    SlowStore& operator=(const SlowStore&) = delete;

    // Lets files more files through.
    void Allow(long files)
    {
        {
            std::lock_guard lock(m_mutex);
            m_nPermits += files;
        }
        m_wake.notify_all();
    }
    // Every file goes through until Close.
    void Open() { Allow(std::numeric_limits<long>::max() / 2); }
    void Close()
    {
        std::lock_guard lock(m_mutex);
        m_nPermits = 0;
    }

private:
    void Wait(const ScanControl* control)
    {
        std::unique_lock lock(m_mutex);
        // A stop request comes without a notification: look at it often.
        while (m_nPermits == 0 && !(control != nullptr && control->IsCancelled()))
            m_wake.wait_for(lock, std::chrono::milliseconds(1));
        if (m_nPermits > 0)
            --m_nPermits;
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    long m_nPermits = std::numeric_limits<long>::max() / 2;
};
