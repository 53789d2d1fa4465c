#include "preview/StillHeader.h"

#include <cstdlib>

namespace {

unsigned Be16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<unsigned>(bytes[at]) << 8 | bytes[at + 1];
}

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// Markers that stand alone, without a length: TEM and RST0-7.
bool StandsAlone(std::uint8_t marker)
{
    return marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7);
}

// Frame headers: SOF0-15 but DHT (C4), JPG (C8) and DAC (CC).
bool IsFrameHeader(std::uint8_t marker)
{
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

} // namespace

std::optional<StillHeader> StillHeader::ReadJpeg(std::span<const std::uint8_t> bytes, int maxScans)
{
    if (bytes.size() < 4 || bytes[0] != 0xff || bytes[1] != 0xd8)
        return std::nullopt;
    StillHeader header;
    bool framed = false;
    std::size_t at = 2;
    while (at + 1 < bytes.size()) {
        if (bytes[at] != 0xff) {
            // Entropy-coded data after a scan: skip to the next marker.
            ++at;
            continue;
        }
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xff || marker == 0x00 || StandsAlone(marker)) {
            // Fill byte, stuffed zero inside scan data, restart marker.
            at += marker == 0xff ? 1 : 2;
            continue;
        }
        if (marker == 0xd9)
            break;
        if (at + 4 > bytes.size())
            break;
        const std::size_t length = Be16(bytes, at + 2);
        if (length < 2)
            return std::nullopt;
        if (IsFrameHeader(marker)) {
            // SOFn: length(2) precision(1) height(2) width(2).
            if (framed || length < 7 || at + 9 > bytes.size())
                return std::nullopt;
            header.nHeight = Be16(bytes, at + 5);
            header.nWidth = Be16(bytes, at + 7);
            framed = true;
        } else if (marker == 0xda) {
            if (!framed)
                return std::nullopt;
            if (++header.nScans > maxScans)
                break;
        }
        at += 2 + length;
    }
    if (!framed || header.nScans == 0)
        return std::nullopt;
    return header;
}

std::optional<StillHeader> StillHeader::ReadBmp(std::span<const std::uint8_t> bytes)
{
    // BITMAPFILEHEADER: "BM" size(4) reserved(4) offset(4); then
    // BITMAPINFOHEADER: biSize(4) biWidth(4) biHeight(4, signed) ...
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M' || Le32(bytes, 14) < 40)
        return std::nullopt;
    StillHeader header;
    header.nWidth = static_cast<std::int32_t>(Le32(bytes, 18));
    header.nHeight = std::llabs(static_cast<std::int32_t>(Le32(bytes, 22)));
    header.nScans = 1;
    if (header.nWidth <= 0 || header.nHeight <= 0)
        return std::nullopt;
    return header;
}
