#pragma once

#include <atomic>
#include <cstdint>

// Sleeping until an atomic word changes, as std::atomic's wait and notify do.
// Each system's own call serves: the standard library's for MinGW-w64 (GCC
// 12) can miss a wake-up and sleep for ever, which Windows's WaitOnAddress
// does not.
namespace AtomicWait {

// Returns once value no longer holds old (at once when it does not now).
void Wait(const std::atomic<std::uint32_t>& value, std::uint32_t old);
void Wait(const std::atomic<std::uint64_t>& value, std::uint64_t old);
void WakeOne(std::atomic<std::uint32_t>& value);
void WakeAll(std::atomic<std::uint64_t>& value);

} // namespace AtomicWait
