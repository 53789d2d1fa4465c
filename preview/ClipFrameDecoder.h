#pragma once

#include "preview/PreviewImage.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <string>

class FileHandle;

// A preview frame of a clip: the first key frame of its first video stream
// that starts within the clip's first second, decoded with FFmpeg and scaled
// to fit a box. Clips come from outside, so every decode is bounded: the bytes
// read (seeks included), the picture size the decoder may allocate and the
// time spent; a stop request ends it early. Anything that fails, is cut off
// or is refused gives an empty image ("No preview"), never an exception. Only
// the recorder's own codecs are decoded: a clip of any other gives "No
// preview" without a decoder being opened.
class ClipFrameDecoder {
public:
    enum class Container { Asf, Avi };

    struct Limits {
        std::uint64_t nMaxBytesRead = 16u << 20;
        // Width x height of the coded picture, checked against the header
        // before decoding and held by the decoder while it decodes.
        std::int64_t nMaxPixels = 4096 * 4096;
        std::chrono::milliseconds timeout{2000};
        // Of an MJPEG frame, counted as a snapshot's are.
        int nMaxScans = 24;
    };

    // Only the recorder's two clip containers are opened, each with its own
    // demuxer: a file is never sniffed for whatever else it might be.
    // Empty for a path that ends in neither ".asf" nor ".avi" (any case).
    static std::optional<Container> ContainerOf(const std::string& path);

    ClipFrameDecoder();
    explicit ClipFrameDecoder(Limits limits);

    PreviewImage DecodeFile(const std::string& path, int boxWidth, int boxHeight, std::stop_token stop = {}) const;
    PreviewImage DecodeHandle(const FileHandle& file, Container container, int boxWidth, int boxHeight,
                              std::stop_token stop = {}) const;
    PreviewImage DecodeBytes(std::span<const std::uint8_t> bytes, Container container, int boxWidth, int boxHeight,
                             std::stop_token stop = {}) const;

private:
    Limits m_limits;
};
