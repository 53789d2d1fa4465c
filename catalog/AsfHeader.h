#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The play length of an ASF clip from its header. Pure: the caller reads the
// bytes (see ClipProber in catalog/ClipProbes.h).
//
// Layout read (all integers little-endian):
//   ASF Header Object   GUID 75B22630-668E-11CF-A6D9-00AA0062CE6C (16 bytes),
//                       size (8), object count (4), two reserved bytes: 30
//   then its objects, each GUID (16), size (8, counting GUID and size), data
//   File Properties Object, GUID 8CABDCA1-A947-11CF-8EE4-00C00C205365, 104
//   bytes: Play Duration (100 ns units) at offset 64, Preroll (ms) at 80. As
//   the first object it starts at byte 30, so Play Duration is at byte 94.
// The File Properties Object is looked for by its GUID among the Header
// Object's objects. Sizes are checked: an object smaller than its own 24-byte
// head, or one that runs past the Header Object, ends the search.

// Whole seconds of (Play Duration - Preroll), never below zero; empty when the
// bytes hold no ASF Header Object with a File Properties Object.
// header: bytes from the start of the file, as many as were read.
std::optional<std::int64_t> AsfPlaySecondsFromHeader(std::span<const std::uint8_t> header);

// The walk behind it, for a caller that reads the file in steps.
enum class AsfHeaderStatus {
    Found,      // seconds holds the duration
    NoDuration, // no Header Object, no File Properties Object, or malformed
    NeedMore,   // the File Properties Object may lie past the bytes given
};
AsfHeaderStatus ParseAsfHeader(std::span<const std::uint8_t> header, std::int64_t& seconds);

// A first read that holds a normal header's File Properties Object, and the
// most a probe ever reads of a header.
inline constexpr std::size_t kAsfHeaderFirstRead = 4096;
inline constexpr std::size_t kAsfHeaderReadLimit = 1024 * 1024;
