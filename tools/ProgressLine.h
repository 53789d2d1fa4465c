#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

class ScanControl;

// While it lives, and only when standard error is a terminal, keeps one line
// there saying how far a scan is ("clipscout-list: 120 of 2000 files
// examined"), rewritten in place every tenth of a second, and erases it at the
// end. Elsewhere it writes nothing.
class ProgressLine {
public:
    explicit ProgressLine(const ScanControl& control);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    void Print();

    const ScanControl& m_control;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bDone = false;
    std::thread m_printer;
};
