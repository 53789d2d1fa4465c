#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>

// Work that may wait on the disk, run on a thread of its own that nobody ever
// joins, so that whoever started it never waits for it: stopping asks the
// work to stop and lets it go at once, and a thread stuck in a call of a
// silent share ends on its own whenever the call returns. Only the slot's
// latest task may finish: its finish runs on the work's thread once the work
// is done, unless the task was stopped or superseded by a newer one, or the
// slot is gone. Once Stop or Start has returned, an earlier task's finish
// never runs.
class DetachedTask {
public:
    DetachedTask() = default;
    // Stops the current task.
    ~DetachedTask();
    DetachedTask(const DetachedTask&) = delete;
    DetachedTask& operator=(const DetachedTask&) = delete;

    // finish: short (it holds back Stop while it runs), such as handing the
    // work's result to another thread. Whatever work and finish share, they
    // own: the slot and its owner may be gone before the work ends.
    void Start(std::function<void(std::stop_token)> work, std::function<void()> finish);
    void Stop();

    // Threads of all slots whose work has not yet returned, stopped ones
    // included: at exit they are not waited for.
    static int LiveThreads();
    // Waits until every such thread has ended or timeout has passed; true when
    // all ended. Only for the process's end, once no window is left to serve:
    // stopped work gets a moment to tidy up (a partial copy removed).
    static bool AwaitAll(std::chrono::milliseconds timeout);

private:
    struct Ticket;
    std::shared_ptr<Ticket> m_pCurrent;
};
