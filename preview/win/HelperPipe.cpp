#include "preview/HelperPipe.h"

#include "platform/FileHandle.h"
#include "platform/win/WinFiles.h"

#include <algorithm>
#include <cstring>
#include <windows.h>

namespace {

HANDLE Pipe()
{
    return ::GetStdHandle(STD_INPUT_HANDLE);
}

bool ReadWhole(void* buffer, DWORD size)
{
    auto* at = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        DWORD n = 0;
        if (!::ReadFile(Pipe(), at, size, &n, nullptr) || n == 0)
            return false;
        at += n;
        size -= n;
    }
    return true;
}

} // namespace

// A pipe handle cannot be waited on for data: it is looked at every few
// milliseconds, which costs a waiting helper next to nothing.
bool HelperPipe::RequestArrives(int idleMs)
{
    constexpr int kStepMs = 5;
    for (int waited = 0; waited < idleMs; waited += kStepMs) {
        DWORD available = 0;
        if (!::PeekNamedPipe(Pipe(), nullptr, 0, nullptr, &available, nullptr))
            return false;
        if (available > 0)
            return true;
        ::Sleep(DWORD{kStepMs});
    }
    return false;
}

// The value of the file's handle, which the program put into this process,
// comes ahead of the request.
bool HelperPipe::Receive(std::array<std::uint8_t, HelperRequest::kSize>& request, FileHandle& file)
{
    std::uint64_t value = 0;
    if (!ReadWhole(&value, sizeof value) || !ReadWhole(request.data(), static_cast<DWORD>(request.size())))
        return false;
    const auto handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
    const int fd = winfiles::DescriptorFor(handle);
    return fd >= 0 && file.Adopt(fd);
}

void HelperPipe::Answer(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const auto size = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (!::WriteFile(Pipe(), bytes.data() + done, size, &n, nullptr) || n == 0)
            return;
        done += n;
    }
}
