#pragma once

#include "platform/DetachedTask.h"

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <type_traits>
#include <utility>

// Work off the window's thread whose callback comes back on the thread of
// this object's parent, the context: it is dropped when the context is gone,
// when the task was stopped, or when a newer task of this object superseded
// it, even once its result is on the way; a dropped result is freed on the
// context's thread, never on a worker. Stopping asks the work to stop and lets it go without waiting (see
// DetachedTask). Make it a child of the context whose state the callback
// touches.
class AsyncTask : public QObject {
    Q_OBJECT

public:
    explicit AsyncTask(QObject* context);

    // work(stop) runs off this thread; callback(result) here. Each owns what
    // it captures: the work may outlive the context.
    template <class Work, class Callback>
    void Run(Work work, Callback callback)
    {
        using Result = std::invoke_result_t<Work&, std::stop_token>;
        Start([work = std::move(work), callback = std::move(callback)](const std::stop_token& stop) mutable {
            auto result = std::make_shared<Result>(work(stop));
            return std::function<void()>([callback, result] { callback(std::move(*result)); });
        });
    }
    void Stop();
    // Started and neither stopped nor called back yet.
    bool IsRunning() const { return m_bRunning; }

signals:
    // From the worker: the current task's callback is ready. Queued to
    // Deliver by a connection made here, so that nothing made on the worker
    // travels in Qt's queue, where a thread checker cannot follow it.
    void Ready();

private:
    // work returns what is to run on this thread: made there and handed over
    // under our own lock.
    void Start(std::function<std::function<void()>(std::stop_token)> work);
    void Deliver();

    std::mutex m_mutex;
    // The current task's callback, once its work is done; emptied by Stop,
    // so that a delivery already queued finds nothing to call.
    std::function<void()> m_ready;
    bool m_bRunning = false;
    DetachedTask m_task; // last: stopped before the rest goes
};
