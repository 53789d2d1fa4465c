#pragma once

#include <cstddef>
#include <string_view>

// Where to cut text to at most limit bytes (text.size() when it fits):
// before a UTF-8 sequence that the limit would split, else at the limit.
// Bytes that form no such sequence (text in a single-byte code page) are
// characters of their own, so a run of them never moves the cut.
std::size_t Utf8CutLength(std::string_view text, std::size_t limit);

inline std::string_view CutUtf8(std::string_view text, std::size_t limit)
{
    return text.substr(0, Utf8CutLength(text, limit));
}
