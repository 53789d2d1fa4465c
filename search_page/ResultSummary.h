#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What a search found, in a few words: "300 recordings, 1.2 GB" (decimal
// units, as file managers give sizes), "1 recording, 512 bytes", or
// "No recordings".
std::string ResultSummary(std::size_t count, std::uint64_t bytes);
