#include "platform/DetachedTask.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Never destroyed: a thread may end after the statics have gone at exit.
struct LiveThreadCount {
    std::mutex mutex;
    std::condition_variable ended;
    int nLive = 0;
};

LiveThreadCount& Live()
{
    static auto* const live = new LiveThreadCount;
    return *live;
}

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
    {
        const std::lock_guard lock(Live().mutex);
        ++Live().nLive;
    }
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
        const std::lock_guard lock(Live().mutex);
        --Live().nLive;
        Live().ended.notify_all();
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
    const std::lock_guard lock(Live().mutex);
    return Live().nLive;
}

bool DetachedTask::AwaitAll(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(Live().mutex);
    return Live().ended.wait_for(lock, timeout, [] { return Live().nLive == 0; });
}
