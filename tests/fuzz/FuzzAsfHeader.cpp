// The start of an ASF clip, read for its play length, whole and in the steps a
// probe reads it in.
#include "catalog/AsfHeader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const std::optional<std::int64_t> seconds = AsfPlaySecondsFromHeader(bytes);
    if (seconds && *seconds < 0)
        std::abort();

    // Every prefix either finds the same answer, finds none, or asks for more.
    for (std::size_t cut : {size / 3, size / 2, size}) {
        std::int64_t stepSeconds = -1;
        const AsfHeaderStatus status = ParseAsfHeader(bytes.first(cut), stepSeconds);
        if (status == AsfHeaderStatus::Found && (!seconds || stepSeconds != *seconds))
            std::abort();
        if (cut == size && status == AsfHeaderStatus::NoDuration && seconds)
            std::abort();
    }
    return 0;
}
