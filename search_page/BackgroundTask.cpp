#include "search_page/BackgroundTask.h"

BackgroundTask::BackgroundTask(QObject* parent) : QObject(parent)
{ }

BackgroundTask::~BackgroundTask()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

void BackgroundTask::Start(std::function<void(std::stop_token)> work, std::function<void()> done)
{
    if (m_bRunning)
        return;
    if (m_thread.joinable())
        m_thread.join();
    m_bRunning = true;
    m_done = std::move(done);
    m_thread = std::jthread([this, work = std::move(work)](std::stop_token stop) {
        work(stop);
        // Posted to this object: dropped unseen if it is gone by then. By
        // name, so that nothing made on this thread travels in Qt's queue;
        // the join hands the work's results over where a thread checker sees it.
        QMetaObject::invokeMethod(this, "OnThreadDone", Qt::QueuedConnection);
    });
}

void BackgroundTask::OnThreadDone()
{
    m_thread.join();
    m_bRunning = false;
    std::function<void()> done = std::move(m_done);
    done();
}
