// A clip's preview frame, read as each of the two containers: whatever the
// bytes, a preview is either empty or a whole picture that fits the box.
#include "preview/ClipFrameDecoder.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const ClipFrameDecoder decoder([] {
        ClipFrameDecoder::Limits limits;
        limits.nMaxPixels = 1024 * 1024;
        limits.timeout = std::chrono::milliseconds(1000);
        return limits;
    }());
    const std::span<const std::uint8_t> bytes(data, size);
    for (const ClipFrameDecoder::Container container :
         {ClipFrameDecoder::Container::Asf, ClipFrameDecoder::Container::Avi}) {
        const PreviewImage image = decoder.DecodeBytes(bytes, container, 48, 36);
        if (image.IsNull())
            continue;
        if (image.nWidth < 1 || image.nWidth > 48 || image.nHeight < 1 || image.nHeight > 36 ||
            image.pixels.size() != static_cast<std::size_t>(image.nWidth) * image.nHeight)
            std::abort();
    }
    return 0;
}
