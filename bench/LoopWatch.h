#pragma once

// The window's event loop watched from inside, for the benches that judge
// how long the window stops answering.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <malloc.h>

// Bytes the heap has handed out and not had back, over every arena.
inline double HeapInUse()
{
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

// Time this thread has spent ready to run while every core ran something
// else, in milliseconds: on a loaded machine part of a pause is that.
inline double WaitedForCpuMs()
{
    std::ifstream stat("/proc/thread-self/schedstat");
    double running = 0, waiting = 0;
    stat >> running >> waiting;
    return waiting / 1e6;
}

// The window's event loop watched from inside: the longest time between two
// turns of a timer that asks for one every 2 ms, and the most heap in use at
// any turn. Its own sampling is left out of the gaps.
class LoopWatch {
public:
    LoopWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    }

    void Start()
    {
        m_longestMs = 0;
        m_longestOwnMs = 0;
        m_peakBytes = HeapInUse();
        m_waitedMs = WaitedForCpuMs();
        m_clock.start();
        m_lastNs = m_clock.nsecsElapsed();
        m_timer.start();
    }
    void Stop()
    {
        Tick();
        m_timer.stop();
    }
    double LongestMs() const { return m_longestMs; }
    // When the longest pause ended, from Start, and how much of it the
    // thread was kept waiting for a core.
    double LongestEndMs() const { return m_longestEndMs; }
    double LongestWaitedMs() const { return m_longestWaitedMs; }
    // The longest pause less the time waiting for a core: what the window's
    // own work took.
    double LongestOwnMs() const { return m_longestOwnMs; }
    double PeakBytes() const { return m_peakBytes; }

private:
    void Tick()
    {
        const double gap = static_cast<double>(m_clock.nsecsElapsed() - m_lastNs) / 1e6;
        const double waited = WaitedForCpuMs();
        if (gap > m_longestMs) {
            m_longestMs = gap;
            m_longestEndMs = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
            m_longestWaitedMs = waited - m_waitedMs;
        }
        m_longestOwnMs = std::max(m_longestOwnMs, gap - (waited - m_waitedMs));
        m_peakBytes = std::max(m_peakBytes, HeapInUse());
        m_waitedMs = WaitedForCpuMs();
        m_lastNs = m_clock.nsecsElapsed();
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    double m_longestMs = 0;
    double m_longestEndMs = 0;
    double m_longestWaitedMs = 0;
    double m_longestOwnMs = 0;
    double m_waitedMs = 0;
    double m_peakBytes = 0;
};
