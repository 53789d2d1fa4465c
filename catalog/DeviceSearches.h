#pragma once

#include "catalog/CategoryScan.h"
#include "catalog/SearchRequest.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// One search made in several device folders at once, as the All Cameras page
// and the lister's merged list ask for it: each device's scan runs on a thread
// of its own, so that a slow share or a large folder holds up only its own
// rows, and the rows are then put in one order by recorded time.
class DeviceSearches {
public:
    // The sink for the device at an index of devices, called on the thread
    // that searches that device only.
    using SinkOf = std::function<RowSink(std::size_t device)>;

    // Searches each of devices as request says (its strDevice and fnPause are
    // not used), handing each device's rows to its own sink in listing order.
    // The request's workers are shared out among the devices. The request's
    // control, if any, follows them all: its counts are their sums, and its
    // Cancel stops every one. Returns the devices' results in the order of
    // devices; each ends when its sink or the control stopped it, as
    // RunSearch's does.
    static std::vector<SearchResult> Run(const SearchRequest& request, std::span<const std::string> devices,
                                         const SinkOf& sinkOf);

    // A row of one device's rows.
    struct Place {
        std::uint32_t nDevice;
        std::uint32_t nRow;
    };
    // Every row of devices holding counts[d] rows each, ordered by the
    // recorded time recordedTime gives a place; rows that tie keep the order
    // of the devices and then their listing order, so that the list is the
    // same from one run to the next.
    static std::vector<Place> MergedOrder(std::span<const std::size_t> counts,
                                          const std::function<std::int64_t(Place)>& recordedTime);
};
