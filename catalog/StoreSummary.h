#pragma once

#include "platform/CTime.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class ScanControl;

// How much of the store each camera takes: for each device and category, the
// recordings a search page would list over all time, their total size and
// the oldest and newest of them.
class StoreSummary {
public:
    struct Totals {
        std::string strDevice;
        std::string strCategory;
        std::size_t nRecordings = 0;
        std::uint64_t nSize = 0;
        // By recorded time; meaningless while nRecordings is 0.
        CTime tOldest;
        CTime tNewest;
    };

    // The totals of each of devices in recordingDir for each of categories
    // (texts of kCategoryLabels), devices first and categories within them,
    // in the order given. The devices are searched at once (DeviceSearches),
    // one category after another; control, if any, follows and stops the
    // whole. False when stopped: totals then holds what was counted so far.
    static bool Run(const std::string& recordingDir, std::span<const std::string> devices,
                    std::span<const std::string_view> categories, ScanControl* control, std::vector<Totals>& totals);
};
