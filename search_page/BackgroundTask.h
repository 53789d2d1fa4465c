#pragma once

#include <QObject>

#include <functional>
#include <stop_token>
#include <thread>

// Runs one piece of work at a time on a thread of its own, so that the
// window's thread never waits on the disk, and then calls its completion on
// the thread that owns this object. Whatever the work fills in belongs to it
// until the completion runs. Going away asks the work to stop and waits for
// it; the completion then never runs.
class BackgroundTask : public QObject {
    Q_OBJECT

public:
    explicit BackgroundTask(QObject* parent = nullptr);
    ~BackgroundTask() override;

    bool IsRunning() const { return m_bRunning; }
    // Ignored while a work runs.
    void Start(std::function<void(std::stop_token)> work, std::function<void()> done);

private slots:
    void OnThreadDone();

private:
    std::function<void()> m_done;
    bool m_bRunning = false;
    std::jthread m_thread; // last: stopped and joined before the rest goes
};
