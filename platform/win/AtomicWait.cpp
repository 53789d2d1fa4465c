#include "platform/AtomicWait.h"

#include <windows.h>

namespace {

template <class T>
void WaitWhile(const std::atomic<T>& value, T old)
{
    static_assert(sizeof(std::atomic<T>) == sizeof(T) && std::atomic<T>::is_always_lock_free);
    // The system compares the word with old before it sleeps; a wake-up may
    // also come for nothing, so the word is read again each time.
    while (value.load() == old)
        ::WaitOnAddress(const_cast<std::atomic<T>*>(&value), &old, sizeof(T), INFINITE);
}

} // namespace

namespace AtomicWait {

void Wait(const std::atomic<std::uint32_t>& value, std::uint32_t old)
{
    WaitWhile(value, old);
}

void Wait(const std::atomic<std::uint64_t>& value, std::uint64_t old)
{
    WaitWhile(value, old);
}

void WakeOne(std::atomic<std::uint32_t>& value)
{
    ::WakeByAddressSingle(&value);
}

void WakeAll(std::atomic<std::uint64_t>& value)
{
    ::WakeByAddressAll(&value);
}

} // namespace AtomicWait
