#include "platform/ui/AsyncTask.h"

AsyncTask::AsyncTask(QObject* context) : QObject(context)
{
    connect(this, &AsyncTask::Ready, this, &AsyncTask::Deliver, Qt::QueuedConnection);
}

void AsyncTask::Start(std::function<std::function<void()>(std::stop_token)> work)
{
    // The task it supersedes goes as a stopped one does, its result with it.
    Stop();
    m_bRunning = true;
    auto ready = std::make_shared<std::function<void()>>();
    m_task.Start([ready, work = std::move(work)](const std::stop_token& stop) { *ready = work(stop); },
                 // Runs only while this task is current, so this object lives
                 // and m_ready is empty.
                 [this, ready] {
                     {
                         const std::lock_guard lock(m_mutex);
                         m_ready = std::move(*ready);
                     }
                     // Dropped by Qt if this object is gone by then.
                     emit Ready();
                 });
}

void AsyncTask::Stop()
{
    m_task.Stop();
    m_bRunning = false;
    // Freed here, after the lock: a result may be large.
    std::function<void()> stale;
    const std::lock_guard lock(m_mutex);
    stale = std::move(m_ready);
    m_ready = nullptr;
}

void AsyncTask::Deliver()
{
    std::function<void()> ready;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_ready)
            return;
        ready = std::move(m_ready);
        m_ready = nullptr;
    }
    m_bRunning = false;
    ready();
}
