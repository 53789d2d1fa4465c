// The program's reading of a helper's answer, which a hostile file may have
// written: whatever the bytes, the picture taken fits the box, is whole and
// opaque. The first two bytes choose the box.
#include "preview/HelperAnswer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int boxWidth = data[0] % 64;
    const int boxHeight = data[1] % 64;
    const std::span<const std::uint8_t> answer(data + 2, size - 2);
    const PreviewImage image = HelperAnswer::Parse(answer, boxWidth, boxHeight);
    if (image.IsNull())
        return 0;
    if (image.nWidth < 1 || image.nWidth > boxWidth || image.nHeight < 1 || image.nHeight > boxHeight ||
        image.pixels.size() != static_cast<std::size_t>(image.nWidth) * image.nHeight ||
        answer.size() > HelperAnswer::MaxSize(boxWidth, boxHeight))
        std::abort();
    for (const std::uint32_t pixel : image.pixels)
        if (pixel >> 24 != 0xff)
            std::abort();
    if (HelperAnswer::Encode(image).size() != answer.size())
        std::abort();
    return 0;
}
