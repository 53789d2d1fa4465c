#include "catalog/ScanSeam.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace {

// Scans run in the background at any time (the date pickers' calendars have
// theirs), so the hook may change while one runs: each call takes the hook
// of the moment under the lock and calls it outside, and without a hook a
// file costs one atomic load.
std::mutex g_mutex;
std::shared_ptr<const ScanSeam::Hook> g_pHook;
std::atomic<bool> g_bHooked = false;

} // namespace

void ScanSeam::SetBeforeFile(Hook hook)
{
    std::shared_ptr<const Hook> previous;
    const std::lock_guard lock(g_mutex);
    previous = std::move(g_pHook);
    if (hook)
        g_pHook = std::make_shared<const Hook>(std::move(hook));
    g_bHooked.store(g_pHook != nullptr);
}

void ScanSeam::BeforeFile(const ScanControl* control, std::size_t file)
{
    if (!g_bHooked.load())
        return;
    std::shared_ptr<const Hook> hook;
    {
        const std::lock_guard lock(g_mutex);
        hook = g_pHook;
    }
    if (hook)
        (*hook)(control, file);
}
