#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The recorder's clip trailer: the last 50 bytes of an ASF clip hold the text
// "NC" start "," end, ended by the first NUL byte (or by the 50th byte).
// Commas before a piece are skipped; anything after a further "," is ignored.
// "NC" is compared with case.

inline constexpr std::size_t kClipTrailerSize = 50;

// trailer: the last (up to) 50 bytes of the file; of a longer buffer only the
// last 50 are read. True when the text's first piece starts with "NC": the
// start text is that piece without "NC", the end text the next piece (either
// may be empty). False, both texts empty, when there is no trailer.
bool ParseClipTrailer(std::span<const std::uint8_t> trailer, std::string& startText, std::string& endText);

// The same without copying: the texts are views into trailer.
bool ParseClipTrailerView(std::span<const std::uint8_t> trailer, std::string_view& startText,
                          std::string_view& endText);
