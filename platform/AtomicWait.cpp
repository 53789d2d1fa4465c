#include "platform/AtomicWait.h"

namespace AtomicWait {

void Wait(const std::atomic<std::uint32_t>& value, std::uint32_t old)
{
    value.wait(old);
}

void Wait(const std::atomic<std::uint64_t>& value, std::uint64_t old)
{
    value.wait(old);
}

void WakeOne(std::atomic<std::uint32_t>& value)
{
    value.notify_one();
}

void WakeAll(std::atomic<std::uint64_t>& value)
{
    value.notify_all();
}

} // namespace AtomicWait
