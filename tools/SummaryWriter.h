#pragma once

#include "catalog/StoreSummary.h"

#include <cstdio>

// Writes the lister's --summary, one line per device and category: TSV
// (device, category, recordings, sizeBytes, oldest, newest) or JSON objects
// with those keys; the times as ISO 8601 local time with the UTC offset,
// empty in TSV and null in JSON for a category with no recordings.
class SummaryWriter {
public:
    enum class Format { Tsv, Json };

    // False when the output could not be written.
    static bool Write(std::FILE* out, Format format, const std::vector<StoreSummary::Totals>& totals);
};
