#pragma once

#include "preview/HelperRequest.h"

#include <array>
#include <cstdint>
#include <span>

class FileHandle;

// The decoding helper's end of its pipe to the program, which it was started
// with: standard input. HelperPipe.cpp is the Linux half (a socket that
// carries the file's descriptor with the request), win/HelperPipe.cpp the
// Windows one (a pipe; the program puts the file's handle into the helper and
// sends its value ahead of the request).
namespace HelperPipe {

// The descriptor the answer is written to, which the confinement leaves open.
inline constexpr int kFd = 0;

// Whether a request comes within idleMs.
bool RequestArrives(int idleMs);

// The request, and the file handed over with it.
bool Receive(std::array<std::uint8_t, HelperRequest::kSize>& request, FileHandle& file);

// Writes the whole answer, or as much as the program takes.
void Answer(std::span<const std::uint8_t> bytes);

} // namespace HelperPipe
