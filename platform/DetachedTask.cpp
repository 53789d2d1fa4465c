#include "platform/DetachedTask.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> g_nLiveThreads{0};

} // namespace

struct DetachedTask::Ticket {
    std::mutex mutex;
    bool bLive = true;
    std::stop_source stop;
};

DetachedTask::~DetachedTask()
{
    Stop();
}

void DetachedTask::Start(std::function<void(std::stop_token)> work, std::function<void()> finish)
{
    Stop();
    auto ticket = std::make_shared<Ticket>();
    m_pCurrent = ticket;
    g_nLiveThreads.fetch_add(1, std::memory_order_relaxed);
    std::thread([ticket, work = std::move(work), finish = std::move(finish)]() mutable {
        work(ticket->stop.get_token());
        {
            const std::lock_guard lock(ticket->mutex);
            if (ticket->bLive)
                finish();
        }
        // What they hold goes before the thread counts as ended.
        work = nullptr;
        finish = nullptr;
        g_nLiveThreads.fetch_sub(1, std::memory_order_release);
    }).detach();
}

void DetachedTask::Stop()
{
    if (!m_pCurrent)
        return;
    {
        const std::lock_guard lock(m_pCurrent->mutex);
        m_pCurrent->bLive = false;
    }
    m_pCurrent->stop.request_stop();
    m_pCurrent.reset();
}

int DetachedTask::LiveThreads()
{
    return g_nLiveThreads.load(std::memory_order_acquire);
}
