#include "preview/StillHeader.h"

#include <algorithm>
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

// FFmpeg's JPEG decoder, which decodes the snapshots, takes FF C0 to FF FE
// for markers and passes over every other byte, FF 01 to FF BF included:
// what follows such a pair is searched for markers again, so a scan inside
// it is a scan the decoder reads.
bool IsMarker(std::uint8_t second)
{
    return second >= 0xc0 && second <= 0xfe;
}

// Frame headers: SOF0-15 but DHT (C4), JPG (C8) and DAC (CC), and JPEG-LS's
// (F7), which the decoder reads too.
bool IsFrameHeader(std::uint8_t marker)
{
    return (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc) || marker == 0xf7;
}

// DHT: tables of a class/index byte, 16 counts and as many values as they
// add up to, filling the segment exactly.
bool IsWholeHuffmanSegment(std::span<const std::uint8_t> segment)
{
    std::size_t at = 2;
    while (at < segment.size()) {
        if (segment.size() - at < 17)
            return false;
        std::size_t values = 0;
        for (std::size_t i = 1; i <= 16; ++i)
            values += segment[at + i];
        at += 17;
        if (values > 256 || segment.size() - at < values)
            return false;
        at += values;
    }
    return true;
}

// How many bytes from the marker's length field on the decoder reads as the
// marker's segment; it searches for the next marker after them. A segment it
// finds malformed is read no further than its length field, and one it does
// not know (JPG, DAC, the reserved JPGn) not even that far: the check may
// then count scans that the decoder never reaches, never fewer.
std::size_t SegmentLength(std::uint8_t marker, std::span<const std::uint8_t> rest)
{
    if (rest.size() < 2)
        return 0;
    const std::size_t length = Be16(rest, 0);
    if (length < 2 || length > rest.size())
        return 2;
    const std::span<const std::uint8_t> segment = rest.first(length);
    // APPn and COM: skipped whole.
    if ((marker >= 0xe0 && marker <= 0xef) || marker == 0xfe)
        return length;
    switch (marker) {
    case 0xdb: {
        // DQT: 65- or 129-byte tables as long as 65 bytes are left; the rest,
        // if any, is searched.
        std::size_t at = 2;
        while (length - at >= 65) {
            const unsigned precision = segment[at] >> 4;
            if (precision > 1)
                break;
            at += precision == 0 ? 65 : 129;
            if (at > length)
                return length;
        }
        return at;
    }
    case 0xc4:
        return IsWholeHuffmanSegment(segment) ? length : 2;
    case 0xc0:
    case 0xc1:
    case 0xc2:
    case 0xc3:
    case 0xf7:
        // SOFn: length(2) precision(1) height(2) width(2) Nf(1), 3 bytes a component.
        return length >= 8 && length == 8 + 3 * std::size_t{segment[7]} ? length : 2;
    case 0xda:
        // SOS: length(2) Ns(1), 2 bytes a component, 3 more; its data follows.
        return length >= 3 && length == 6 + 2 * std::size_t{segment[2]} ? length : 2;
    case 0xdd:
        // DRI: length(2)=4 interval(2).
        return length == 4 ? 4 : 2;
    default:
        return 0;
    }
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
        // Data (entropy-coded, or of a segment the decoder does not skip),
        // a stuffed zero, a fill byte or a pair that is no marker. An EOI
        // does not end the count: the decoder reads on past it for the
        // second field of an interlaced frame.
        if (bytes[at] != 0xff || !IsMarker(bytes[at + 1])) {
            ++at;
            continue;
        }
        const std::uint8_t marker = bytes[at + 1];
        at += 2;
        if (IsFrameHeader(marker)) {
            // SOFn: length(2) precision(1) height(2) width(2). The largest
            // size counts: a later frame header may come after an EOI, for
            // the second field of an interlaced frame.
            if (at + 7 > bytes.size() || Be16(bytes, at) < 7)
                return std::nullopt;
            header.nHeight = std::max<std::int64_t>(header.nHeight, Be16(bytes, at + 3));
            header.nWidth = std::max<std::int64_t>(header.nWidth, Be16(bytes, at + 5));
            framed = true;
        } else if (marker == 0xda) {
            if (!framed)
                return std::nullopt;
            if (++header.nScans > maxScans)
                break;
        }
        at += SegmentLength(marker, bytes.subspan(at));
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
