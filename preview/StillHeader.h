#pragma once

#include <cstdint>
#include <optional>
#include <span>

// What a snapshot's or an MJPEG frame's header says, read with a bounded byte
// scan before any decoder sees the bytes: the picture's size and, for a JPEG,
// how many scans it holds. A camera writes one scan (baseline) or about ten
// (progressive); a file with thousands of scans costs a decoder minutes, so
// it is refused from this count alone. Markers are found where FFmpeg's
// decoder finds them, so that no scan it would decode goes uncounted.
struct StillHeader {
    std::int64_t nWidth = 0;
    std::int64_t nHeight = 0;
    int nScans = 0;

    // Empty when the bytes are not a JPEG up to its first scan (SOI, a frame
    // header, then SOS). Scans are counted to the end of the bytes, past an
    // EOI too, but no further than maxScans + 1; the size is the largest any
    // frame header gives.
    static std::optional<StillHeader> ReadJpeg(std::span<const std::uint8_t> bytes, int maxScans);
    // Empty when the bytes are not a BMP with a BITMAPINFOHEADER or later.
    // A negative height (rows top to bottom) gives its size.
    static std::optional<StillHeader> ReadBmp(std::span<const std::uint8_t> bytes);
};
