#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <stop_token>

// One piece of work that reads the disk, run on a thread of its own so that
// the window's thread never waits for it, and never joined. Its completion
// runs on the window's thread, only while the context object exists and the
// task has not been stopped; whatever the work fills in is its own until then.
// The task deletes itself once the work has answered.
class OffThreadTask : public QObject {
    Q_OBJECT

public:
    static OffThreadTask* Run(QObject* context, std::function<void(std::stop_token)> work, std::function<void()> done);

    // The completion will not run; the work sees its stop token set and lets
    // go at its next look.
    void Stop();

private slots:
    void Finish();

private:
    struct State;

    OffThreadTask(QObject* context, std::function<void()> done);

    std::shared_ptr<State> m_pState;
    QObject* m_pContext;
    std::function<void()> m_done;
};
