// A snapshot's header scan, which runs before any decoder: whatever the
// bytes, it ends, counts no more scans than asked plus one, and gives a size
// only a header can hold.
#include "preview/StillHeader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto jpeg = StillHeader::ReadJpeg(bytes, 24))
        if (jpeg->nScans < 1 || jpeg->nScans > 25 || jpeg->nWidth < 0 || jpeg->nWidth > 0xffff || jpeg->nHeight < 0 ||
            jpeg->nHeight > 0xffff)
            std::abort();
    if (const auto bmp = StillHeader::ReadBmp(bytes))
        if (bmp->nWidth < 1 || bmp->nHeight < 1 || bmp->nHeight > (std::int64_t{1} << 31))
            std::abort();
    return 0;
}
