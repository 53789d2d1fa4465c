#include "platform/ui/OffThreadTask.h"

#include <mutex>
#include <thread>

// Shared with the thread, which may outlive the context.
struct OffThreadTask::State {
    std::stop_source stop;
    // Taken by the thread when the work is done and by Finish before the
    // completion reads the work's results: the hand-over a thread checker sees.
    std::mutex mutex;
    bool bDone = false;
};

OffThreadTask::OffThreadTask(QObject* context, std::function<void()> done)
    : m_pState(std::make_shared<State>()), m_pContext(context), m_done(std::move(done))
{
    connect(context, &QObject::destroyed, this, [this] {
        m_pContext = nullptr;
        Stop();
    });
}

OffThreadTask* OffThreadTask::Run(QObject* context, std::function<void(std::stop_token)> work,
                                  std::function<void()> done)
{
    auto* task = new OffThreadTask(context, std::move(done));
    // The task stays until this post has arrived, so the pointer holds.
    std::thread([state = task->m_pState, work = std::move(work), task] {
        work(state->stop.get_token());
        {
            const std::lock_guard lock(state->mutex);
            state->bDone = true;
        }
        QMetaObject::invokeMethod(task, "Finish", Qt::QueuedConnection);
    }).detach();
    return task;
}

void OffThreadTask::Stop()
{
    m_pState->stop.request_stop();
}

void OffThreadTask::Finish()
{
    bool done;
    {
        const std::lock_guard lock(m_pState->mutex);
        done = m_pState->bDone;
    }
    if (done && m_pContext && !m_pState->stop.stop_requested() && m_done)
        m_done();
    deleteLater();
}
