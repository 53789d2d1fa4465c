#include "catalog/StoreSummary.h"

#include "catalog/DeviceSearches.h"
#include "catalog/SearchRequest.h"

#include <algorithm>
#include <limits>

bool StoreSummary::Run(const std::string& recordingDir, std::span<const std::string> devices,
                       std::span<const std::string_view> categories, ScanControl* control, std::vector<Totals>& totals)
{
    totals.clear();
    for (const std::string& device : devices)
        for (const std::string_view category : categories)
            totals.push_back({device, std::string(category), 0, 0, {}, {}});
    SearchRequest request;
    request.strRecordingDir = recordingDir;
    // All time, with room for the scan to subtract the ends.
    request.tSearchStart = CTime(-(std::numeric_limits<std::int64_t>::max() / 4));
    request.tSearchEnd = CTime(std::numeric_limits<std::int64_t>::max() / 4);
    request.pControl = control;
    bool complete = true;
    for (std::size_t c = 0; c < categories.size() && complete; ++c) {
        request.strCategory = std::string(categories[c]);
        const std::vector<SearchResult> results =
            DeviceSearches::Run(request, devices, [&](std::size_t device) -> RowSink {
                return [&counted = totals[device * categories.size() + c]](const RecordedFile& row) {
                    counted.tOldest =
                        counted.nRecordings == 0 ? row.tRecorded : std::min(counted.tOldest, row.tRecorded);
                    counted.tNewest =
                        counted.nRecordings == 0 ? row.tRecorded : std::max(counted.tNewest, row.tRecorded);
                    ++counted.nRecordings;
                    counted.nSize += row.nSize;
                    return true;
                };
            });
        for (const SearchResult& result : results)
            complete = complete && result.bComplete;
    }
    return complete;
}
