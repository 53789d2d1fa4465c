#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Our stand-in for the AVIFile library: reads the first video stream's header
// out of an AVI file's bytes. Pure: the caller reads the bytes (see
// ClipProber in catalog/ClipProbes.h).
//
// The reader walks RIFF "AVI " -> LIST "hdrl" -> the first LIST "strl" whose
// "strh" has the type "vids", and takes from that strh dwScale, dwRate,
// dwStart and dwLength (offsets 20, 24, 28, 32 after the chunk header).
// Chunk sizes are never trusted: a chunk that runs past its parent, a header
// that ends early, a strh shorter than 36 bytes, or a zero rate or scale give
// no stream; odd sizes are padded to even; a zero-size chunk still advances by
// its 8-byte header, so no walk can spin. At most the first MiB is looked at.

struct AviVideoStream {
    std::uint32_t dwStart, dwLength, dwScale, dwRate;
};

inline constexpr std::size_t kAviHeaderReadLimit = 1024 * 1024;

// bytes: the start of the file, at most the first MiB (more is ignored). A
// buffer shorter than kAviHeaderReadLimit is taken for the whole file.
std::optional<AviVideoStream> ReadAviVideoStream(std::span<const std::uint8_t> bytes);

// A sample index to milliseconds as the Windows AVI library converts it:
// sample * dwScale * 1000 / dwRate, truncated when dwRate / dwScale < 1000 and
// rounded up otherwise; computed without overflow and capped at INT64_MAX.
// A zero rate or scale gives 0; a negative sample mirrors the positive one.
std::int64_t AviSampleToTime(const AviVideoStream& stream, std::int64_t sample);

// The stream's length in milliseconds: AviSampleToTime(dwStart + dwLength) -
// AviSampleToTime(dwStart), with both ends computed in full before the
// difference is capped at INT64_MAX, so that a huge stream whose ends would
// both be capped never comes out as 0.
std::int64_t AviStreamMilliseconds(const AviVideoStream& stream);

// The walk behind ReadAviVideoStream, for a caller that reads the file in
// steps. fileSize is the size of the whole file (>= bytes.size()).
enum class AviHeaderStatus {
    Found,    // stream holds the first video stream
    NoStream, // the bytes say there is none, or they are malformed
    NeedMore, // the header goes on past the bytes given (but not past the file)
};
AviHeaderStatus ParseAviHeader(std::span<const std::uint8_t> bytes, std::uint64_t fileSize, AviVideoStream& stream);
