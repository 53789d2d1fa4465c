#pragma once

#include "preview/PreviewImage.h"

#include <cstdint>
#include <span>

// A snapshot's picture, decoded with FFmpeg's JPEG or BMP decoder and scaled
// to fit a box. Snapshots come from outside: the file's size, the picture's
// size and a JPEG's count of scans are checked from the header before a
// decoder is opened, and the decoder may allocate no larger picture. A ".jpg"
// is read only as JPEG and a ".bmp" only as BMP. Anything refused or
// unreadable gives an empty image ("No preview").
class StillFrameDecoder {
public:
    enum class Format { Jpeg, Bmp };

    struct Limits {
        std::uint64_t nMaxFileBytes = 32u << 20;
        std::int64_t nMaxPixels = 4096 * 4096;
        // A camera's progressive JPEG has about ten.
        int nMaxScans = 24;
    };

    StillFrameDecoder();
    explicit StillFrameDecoder(Limits limits);

    const Limits& GetLimits() const { return m_limits; }
    PreviewImage DecodeBytes(std::span<const std::uint8_t> bytes, Format format, int boxWidth, int boxHeight) const;

private:
    Limits m_limits;
};
