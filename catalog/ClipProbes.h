#pragma once

#include "catalog/LocalZone.h"
#include "catalog/RecordedFile.h"
#include "platform/FileHandle.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The clip probes: thin file I/O around the pure readers of
// catalog/ClipTrailer.h, catalog/AsfHeader.h and platform/AviHeaderReader.h,
// on a clip the caller has opened (read-only: a clip marked read-only is read
// like any other). Buffers are kept from one file to the next, and results
// written into a row's fields, so that probing a file allocates nothing.
class ClipProber {
public:
    ClipProber();

    enum class AsfResult {
        NoTrailer,  // shorter than 50 bytes, no "NC" trailer, or its start text is empty
        NoDuration, // trailer read, but no File Properties Object in the header
        Ok,
    };
    // The trailer (the last 50 bytes), then, when its start text is not
    // empty, the header: seconds is the whole seconds of Play Duration -
    // Preroll, never below zero. The texts are views into the prober, valid
    // until its next use.
    AsfResult ProbeAsf(const FileHandle& file, std::string_view& startText, std::string_view& endText,
                       std::int64_t& seconds);

    // An AVI clip created at `created`: szStartTime is FormatRecordTime of
    // it (in zone), szEndTime that of created + D and szDuration FormatDuration(D),
    // where D is the whole seconds of the first video stream (from its start
    // sample to start + length), also returned in seconds. False, the row
    // left as it was, when the header holds no video stream.
    bool ProbeAvi(const FileHandle& file, const CTime& created, const LocalZone& zone, RecordedFile& row,
                  std::int64_t& seconds);

private:
    // Reads up to count bytes from the start of file into m_buffer.
    std::span<const std::uint8_t> ReadHead(const FileHandle& file, std::size_t count);

    std::uint8_t m_trailer[50];
    std::vector<std::uint8_t> m_buffer;
};
