#include "platform/ui/AsyncTask.h"

AsyncTask::AsyncTask(QObject* context) : QObject(context)
{ }

void AsyncTask::Start(std::function<std::function<void()>(std::stop_token)> work)
{
    const unsigned generation = ++m_nGeneration;
    m_bRunning = true;
    auto ready = std::make_shared<std::function<void()>>();
    m_task.Start([ready, work = std::move(work)](const std::stop_token& stop) { *ready = work(stop); },
                 // Runs only while this task is current, so this object lives.
                 [this, ready, generation] {
                     {
                         const std::lock_guard lock(m_mutex);
                         m_ready = std::move(*ready);
                         m_nReadyGeneration = generation;
                     }
                     QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
                 });
}

void AsyncTask::Stop()
{
    m_task.Stop();
    ++m_nGeneration;
    m_bRunning = false;
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
        if (m_nReadyGeneration != m_nGeneration || !m_ready)
            return;
        ready = std::move(m_ready);
        m_ready = nullptr;
    }
    m_bRunning = false;
    ready();
}
