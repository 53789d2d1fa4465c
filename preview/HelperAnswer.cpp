#include "preview/HelperAnswer.h"

#include <cstring>

namespace {

constexpr char kMagic[4] = {'C', 'S', 'P', 'A'};

} // namespace

std::vector<std::uint8_t> HelperAnswer::Encode(const PreviewImage& image)
{
    const bool empty =
        image.IsNull() || image.nWidth <= 0 || image.nHeight <= 0 || image.nWidth > 0xffff || image.nHeight > 0xffff ||
        image.pixels.size() != static_cast<std::size_t>(image.nWidth) * static_cast<std::size_t>(image.nHeight);
    const int width = empty ? 0 : image.nWidth;
    const int height = empty ? 0 : image.nHeight;
    std::vector<std::uint8_t> bytes(kHeaderSize);
    std::memcpy(bytes.data(), kMagic, 4);
    bytes[4] = static_cast<std::uint8_t>(width);
    bytes[5] = static_cast<std::uint8_t>(width >> 8);
    bytes[6] = static_cast<std::uint8_t>(height);
    bytes[7] = static_cast<std::uint8_t>(height >> 8);
    if (!empty) {
        bytes.reserve(kHeaderSize + image.pixels.size() * 4);
        for (const std::uint32_t pixel : image.pixels)
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(static_cast<std::uint8_t>(pixel >> shift));
    }
    return bytes;
}

std::size_t HelperAnswer::MaxSize(int boxWidth, int boxHeight)
{
    if (boxWidth <= 0 || boxHeight <= 0)
        return kHeaderSize;
    return kHeaderSize + static_cast<std::size_t>(boxWidth) * static_cast<std::size_t>(boxHeight) * 4;
}

PreviewImage HelperAnswer::Parse(std::span<const std::uint8_t> bytes, int boxWidth, int boxHeight)
{
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, 4) != 0)
        return {};
    const int width = bytes[4] | bytes[5] << 8;
    const int height = bytes[6] | bytes[7] << 8;
    if (width < 1 || height < 1 || width > boxWidth || height > boxHeight)
        return {};
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (bytes.size() != kHeaderSize + count * 4)
        return {};
    PreviewImage image;
    image.nWidth = width;
    image.nHeight = height;
    image.pixels.resize(count);
    const std::uint8_t* in = bytes.data() + kHeaderSize;
    for (std::uint32_t& pixel : image.pixels) {
        pixel = 0xff000000u | static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
                static_cast<std::uint32_t>(in[2]) << 16;
        in += 4;
    }
    return image;
}
