// The start of an AVI clip, read for its first video stream, and the sample to
// time conversion and the length on whatever stream it yields.
#include "platform/AviHeaderReader.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const std::optional<AviVideoStream> stream = ReadAviVideoStream(bytes);
    if (stream) {
        if (stream->dwRate == 0 || stream->dwScale == 0)
            std::abort();
        const std::int64_t t0 = AviSampleToTime(*stream, stream->dwStart);
        const std::int64_t t1 = AviSampleToTime(*stream, std::int64_t{stream->dwStart} + stream->dwLength);
        if (t0 < 0 || t1 < t0)
            std::abort();
        // Capping both ends can only shorten the difference, never lengthen it.
        if (AviStreamMilliseconds(*stream) < t1 - t0)
            std::abort();
    }

    // Read in steps: a prefix of a file must never claim a different stream.
    AviVideoStream partial{};
    if (ParseAviHeader(bytes.first(size / 2), size, partial) == AviHeaderStatus::Found &&
        (!stream || std::memcmp(&partial, &*stream, sizeof partial) != 0))
        std::abort();
    return 0;
}
