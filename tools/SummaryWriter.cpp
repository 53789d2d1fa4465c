#include "tools/SummaryWriter.h"

#include "tools/RowWriter.h"

#include <nlohmann/json.hpp>

#include <string>

bool SummaryWriter::Write(std::FILE* out, Format format, const std::vector<StoreSummary::Totals>& totals)
{
    for (const StoreSummary::Totals& counted : totals) {
        const bool any = counted.nRecordings != 0;
        std::string line;
        if (format == Format::Json) {
            nlohmann::ordered_json object = nlohmann::ordered_json::object();
            object["device"] = counted.strDevice;
            object["category"] = counted.strCategory;
            object["recordings"] = counted.nRecordings;
            object["sizeBytes"] = counted.nSize;
            object["oldest"] = any ? nlohmann::ordered_json(IsoLocalTime(counted.tOldest)) : nullptr;
            object["newest"] = any ? nlohmann::ordered_json(IsoLocalTime(counted.tNewest)) : nullptr;
            line = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        } else {
            line = TsvField(counted.strDevice) + '\t' + TsvField(counted.strCategory) + '\t' +
                   std::to_string(counted.nRecordings) + '\t' + std::to_string(counted.nSize) + '\t' +
                   (any ? IsoLocalTime(counted.tOldest) : "") + '\t' + (any ? IsoLocalTime(counted.tNewest) : "");
        }
        line += '\n';
        if (std::fwrite(line.data(), 1, line.size(), out) != line.size())
            return false;
    }
    return std::fflush(out) == 0;
}
