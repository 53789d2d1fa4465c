#pragma once

#include <atomic>
#include <cstddef>

// Lets another thread follow a running category scan and stop it: the scan
// reports how many files its listing found and how many it has examined, and
// looks at the stop request between files (and between the entries of a
// listing), so that it ends within one file's reads of Cancel.
class ScanControl {
public:
    void Cancel() noexcept { m_bCancelled.store(true, std::memory_order_relaxed); }
    bool IsCancelled() const noexcept { return m_bCancelled.load(std::memory_order_relaxed); }
    const std::atomic<bool>& CancelFlag() const noexcept { return m_bCancelled; }

    // Files examined of files listed; listed is 0 until the listing is done.
    std::size_t FilesListed() const noexcept { return m_nListed.load(std::memory_order_relaxed); }
    std::size_t FilesExamined() const noexcept { return m_nExamined.load(std::memory_order_relaxed); }

    void SetListed(std::size_t count) noexcept { m_nListed.store(count, std::memory_order_relaxed); }
    void AddExamined(std::size_t count) noexcept { m_nExamined.fetch_add(count, std::memory_order_relaxed); }

private:
    std::atomic<bool> m_bCancelled{false};
    std::atomic<std::size_t> m_nListed{0};
    std::atomic<std::size_t> m_nExamined{0};
};
