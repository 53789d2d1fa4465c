// The last bytes of an ASF clip, read as the recorder's trailer.
#include "catalog/ClipTrailer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    std::string start, end;
    std::string_view startView, endView;
    const bool found = ParseClipTrailer(bytes, start, end);
    const bool foundView = ParseClipTrailerView(bytes, startView, endView);
    // Both forms agree, no text outgrows the trailer, and no trailer means empty texts.
    if (found != foundView || start != startView || end != endView)
        std::abort();
    if (start.size() + end.size() > kClipTrailerSize)
        std::abort();
    if (!found && (!start.empty() || !end.empty()))
        std::abort();
    return 0;
}
