#include "catalog/RecordingDays.h"

#include "catalog/CategoryScan.h"
#include "catalog/ScanControl.h"

#include <algorithm>
#include <ctime>
#include <limits>

std::vector<RecordingDays::Day> RecordingDays::Of(std::span<const std::string> folders, std::string_view category,
                                                  ScanControl* control)
{
    std::vector<Day> days;
    // All time, with room for the scan to subtract the ends.
    const CTime first(-(std::numeric_limits<std::int64_t>::max() / 4));
    const CTime last(std::numeric_limits<std::int64_t>::max() / 4);
    CategoryScan::Options options;
    options.pControl = control;
    for (const std::string& folder : folders) {
        if (control != nullptr && control->IsCancelled())
            break;
        CategoryScan::Run(
            folder, category, first, last,
            [&days](const RecordedFile& row) {
                struct tm local;
                if (row.tRecorded.GetLocalTm(&local)) {
                    const Day day = (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
                    // Rows come mostly in runs of one day: only a new day is kept.
                    if (days.empty() || days.back() != day)
                        days.push_back(day);
                }
                return true;
            },
            options);
    }
    std::ranges::sort(days);
    days.erase(std::unique(days.begin(), days.end()), days.end());
    return days;
}
