#pragma once

#include "catalog/RecordedFile.h"
#include "platform/FileHandle.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The clip probes: thin file I/O around the pure readers of
// catalog/ClipTrailer.h, catalog/AsfHeader.h and platform/AviHeaderReader.h.
// Files are opened read-only (FileHandle), one at a time, and closed before
// the probe returns; a clip marked read-only is read like any other.

// The trailer of the file at path (its last 50 bytes). False, both texts
// empty, when the file cannot be opened. Otherwise true; both texts are empty
// when the file is shorter than 50 bytes or has no "NC" trailer, which the
// caller tells by the empty start text.
bool ReadClipTrailer(const std::string& path, std::string& startText, std::string& endText);

// Whole seconds of Play Duration - Preroll of the ASF file at path, never
// below zero; empty when the file cannot be read or its header holds no File
// Properties Object (including files too short to hold one).
std::optional<std::int64_t> ReadAsfPlayDuration(const std::string& path);

// For an AVI file (the path must end in ".avi", any case): the start text is
// FormatRecordTime of the file's creation time T, the end text that of T + D
// and the duration text FormatDuration(D), where D is the whole seconds of the
// first video stream (from its start sample to start + length). False when
// the name, the status, the file or its header fails: start and end texts are
// then empty and the duration text is left as it was.
bool GetAviTimes(const std::string& path, std::string& startText, std::string& endText, std::string& durationText);

// The probes for a scan: the same reads, with buffers kept from one file to
// the next and results written into a row's fields, so that probing a file
// allocates nothing.
class ClipProber {
public:
    ClipProber();

    enum class AsfResult {
        Unreadable, // cannot be opened
        NoTrailer,  // no trailer, or its start text is empty
        NoDuration, // trailer read, but no play duration in the header
        Ok,
    };
    // One open for both: the trailer, then, when its start text is not empty,
    // the header. The texts are views into the prober, valid until its next use.
    AsfResult ProbeAsf(const std::string& path, std::string_view& startText, std::string_view& endText,
                       std::int64_t& seconds);

    // Only the trailer (ReadClipTrailer: false only when the file cannot be
    // opened), or only the header (ReadAsfPlayDuration).
    bool ReadTrailer(const std::string& path, std::string_view& startText, std::string_view& endText);
    std::optional<std::int64_t> ReadAsfSeconds(const std::string& path);

    // GetAviTimes into row.szStartTime, row.szEndTime and row.szDuration (left
    // as they were on failure).
    bool ProbeAvi(const std::string& path, RecordedFile& row);

private:
    bool ReadTrailerFrom(const FileHandle& file, std::string_view& startText, std::string_view& endText);
    std::optional<std::int64_t> ReadAsfSecondsFrom(const FileHandle& file);
    // Reads up to count bytes from the start of file into m_buffer.
    std::span<const std::uint8_t> ReadHead(const FileHandle& file, std::size_t count);

    FileHandle m_file;
    std::uint8_t m_trailer[50];
    std::vector<std::uint8_t> m_buffer;
};
