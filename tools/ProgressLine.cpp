#include "tools/ProgressLine.h"

#include "catalog/ScanControl.h"
#include "platform/Console.h"

#include <chrono>
#include <cstdio>

ProgressLine::ProgressLine(const ScanControl& control) : m_control(control)
{
    if (Console::IsTerminal(stderr))
        m_printer = std::thread([this] { Print(); });
}

ProgressLine::~ProgressLine()
{
    if (!m_printer.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_bDone = true;
    }
    m_wake.notify_one();
    m_printer.join();
}

void ProgressLine::Print()
{
    std::unique_lock lock(m_mutex);
    bool done = false;
    while (!done) {
        done = m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_bDone; });
        // The last count is written too, so the line always shows the whole
        // scan before it goes.
        std::fprintf(stderr, "\r\033[Kclipscout-list: %zu of %zu files examined", m_control.FilesExamined(),
                     m_control.FilesListed());
        std::fflush(stderr);
    }
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}
