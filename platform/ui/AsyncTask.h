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
// it. Stopping asks the work to stop and lets it go without waiting (see
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

private:
    // work returns what is to run on this thread: made there, handed over
    // under our own lock, so that nothing made on the worker travels in Qt's
    // queue, where a thread checker cannot follow it.
    void Start(std::function<std::function<void()>(std::stop_token)> work);
    Q_INVOKABLE void Deliver();

    std::mutex m_mutex;
    std::function<void()> m_ready;
    unsigned m_nReadyGeneration = 0;
    unsigned m_nGeneration = 0;
    bool m_bRunning = false;
    DetachedTask m_task; // last: stopped before the rest goes
};
