#include "catalog/DeviceSearches.h"

#include "catalog/ScanControl.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// How often the caller's control learns the devices' progress and passes a
// Cancel on to them.
constexpr auto kFollowInterval = std::chrono::milliseconds(50);

} // namespace

std::vector<SearchResult> DeviceSearches::Run(const SearchRequest& request, std::span<const std::string> devices,
                                              const SinkOf& sinkOf)
{
    const std::size_t count = devices.size();
    std::vector<SearchResult> results(count);
    if (count == 0)
        return results;
    std::vector<ScanControl> controls(count);
    // A stop that came before the start reaches every device before it
    // begins; later ones are passed on as they are seen.
    if (request.pControl != nullptr && request.pControl->IsCancelled())
        for (ScanControl& control : controls)
            control.Cancel();
    std::mutex mutex;
    std::condition_variable ended;
    std::size_t running = 0;

    const auto search = [&](std::size_t i) {
        SearchRequest one = request;
        one.strDevice = devices[i];
        one.nWorkers = std::max(1, request.nWorkers / static_cast<int>(count));
        one.pControl = &controls[i];
        one.fnPause = {};
        results[i] = RunSearch(one, sinkOf(i));
    };
    std::vector<std::thread> threads;
    std::vector<std::size_t> unstarted;
    for (std::size_t i = 0; i < count; ++i) {
        try {
            {
                const std::lock_guard lock(mutex);
                ++running;
            }
            threads.emplace_back([&, i] {
                search(i);
                const std::lock_guard lock(mutex);
                --running;
                ended.notify_all();
            });
        } catch (const std::system_error&) {
            // No thread to be had: this device is searched here once the
            // others are under way.
            const std::lock_guard lock(mutex);
            --running;
            unstarted.push_back(i);
        }
    }

    // Added to what the caller's control counted before, so that searches
    // run one after another with one control count them all.
    const std::size_t listedBefore = request.pControl != nullptr ? request.pControl->FilesListed() : 0;
    std::size_t examinedForwarded = 0;
    const auto follow = [&] {
        if (request.pControl == nullptr)
            return;
        std::size_t listed = 0, examined = 0;
        for (ScanControl& control : controls) {
            if (request.pControl->IsCancelled())
                control.Cancel();
            listed += control.FilesListed();
            examined += control.FilesExamined();
        }
        request.pControl->SetListed(listedBefore + listed);
        if (examined > examinedForwarded)
            request.pControl->AddExamined(examined - examinedForwarded);
        examinedForwarded = std::max(examined, examinedForwarded);
    };
    for (const std::size_t i : unstarted) {
        follow();
        search(i);
    }
    {
        std::unique_lock lock(mutex);
        while (!ended.wait_for(lock, kFollowInterval, [&running] { return running == 0; })) {
            lock.unlock();
            follow();
            lock.lock();
        }
    }
    for (std::thread& thread : threads)
        thread.join();
    follow();
    return results;
}

std::vector<DeviceSearches::Place> DeviceSearches::MergedOrder(std::span<const std::size_t> counts,
                                                               const std::function<std::int64_t(Place)>& recordedTime)
{
    std::vector<Place> places;
    std::size_t total = 0;
    for (const std::size_t n : counts)
        total += n;
    places.reserve(total);
    for (std::size_t device = 0; device < counts.size(); ++device)
        for (std::size_t row = 0; row < counts[device]; ++row)
            places.push_back({static_cast<std::uint32_t>(device), static_cast<std::uint32_t>(row)});
    // Each key is taken once, not at every comparison.
    std::vector<std::int64_t> keys;
    keys.reserve(total);
    for (const Place& place : places)
        keys.push_back(recordedTime(place));
    std::vector<std::uint32_t> order(total);
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::ranges::stable_sort(order, [&keys](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    std::vector<Place> merged;
    merged.reserve(total);
    for (const std::uint32_t i : order)
        merged.push_back(places[i]);
    return merged;
}
