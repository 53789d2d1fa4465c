// The decoding helper: started by the program, it waits on its pipe (fd 0)
// for one request and the open file it is about, confines itself, decodes the
// file's preview and writes the answer back on the same pipe. Run apart from
// the program so that a hostile file can cost at most this process: its CPU
// time, its memory and its one answer, which the program checks.
//     clipscout-preview-helper PARENT_PID
#include "platform/FileHandle.h"
#include "preview/ClipFrameDecoder.h"
#include "preview/HelperAnswer.h"
#include "preview/HelperRequest.h"
#include "preview/HelperSandbox.h"
#include "preview/StillFrameDecoder.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr int kPipe = 0;
constexpr unsigned kCpuSeconds = 2;
constexpr unsigned long kAddressSpace = 512ul << 20;

// A helper waiting for a preview that does not come ends, so that an idle
// program does not keep a process with FFmpeg's libraries loaded; the next
// preview starts another.
constexpr int kIdleMs = 60000;

bool RequestArrives()
{
    pollfd pipe{kPipe, POLLIN, 0};
    int ready = 0;
    while ((ready = ::poll(&pipe, 1, kIdleMs)) < 0 && errno == EINTR) { }
    return ready > 0;
}

// The request and, with its first bytes, the file's descriptor.
bool Receive(std::array<std::uint8_t, HelperRequest::kSize>& request, int& fd)
{
    fd = -1;
    std::size_t got = 0;
    while (got < request.size()) {
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        iovec io{request.data() + got, request.size() - got};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(kPipe, &message, MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
                continue;
            const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int received = -1;
                std::memcpy(&received, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
                if (fd < 0)
                    fd = received;
                else
                    ::close(received);
            }
        }
        got += static_cast<std::size_t>(n);
    }
    return fd >= 0;
}

void Answer(const PreviewImage& image)
{
    const std::vector<std::uint8_t> bytes = HelperAnswer::Encode(image);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(kPipe, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

PreviewImage Decode(const HelperRequest& request, const FileHandle& file)
{
    switch (request.kind) {
    case HelperRequest::Kind::Asf:
    case HelperRequest::Kind::Avi: {
        const auto container = request.kind == HelperRequest::Kind::Asf ? ClipFrameDecoder::Container::Asf
                                                                        : ClipFrameDecoder::Container::Avi;
        return ClipFrameDecoder().DecodeHandle(file, container, request.nBoxWidth, request.nBoxHeight);
    }
    case HelperRequest::Kind::Jpeg:
    case HelperRequest::Kind::Bmp: {
        const StillFrameDecoder decoder;
        if (file.Size() > decoder.GetLimits().nMaxFileBytes)
            return {};
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
        bytes.resize(file.ReadAt(0, bytes.data(), bytes.size()));
        const auto format = request.kind == HelperRequest::Kind::Jpeg ? StillFrameDecoder::Format::Jpeg
                                                                      : StillFrameDecoder::Format::Bmp;
        return decoder.DecodeBytes(bytes, format, request.nBoxWidth, request.nBoxHeight);
    }
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    pid_t parent = 0;
    if (argc != 2 || std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), parent).ec != std::errc{} ||
        !HelperSandbox::DieWithParent(parent))
        return 2;
    av_log_set_level(AV_LOG_QUIET);

    std::array<std::uint8_t, HelperRequest::kSize> bytes{};
    int fd = -1;
    if (!RequestArrives())
        return 0;
    if (!Receive(bytes, fd))
        return 3;
    const std::optional<HelperRequest> request = HelperRequest::Parse(bytes);
    FileHandle file;
    if (!request || !file.Adopt(fd))
        return 3;
    if (!HelperSandbox::LimitResources(kCpuSeconds, kAddressSpace) || !HelperSandbox::ConfineTo(kPipe))
        return 4;
    Answer(Decode(*request, file));
    // No destructors and no exit handlers: nothing the filter does not allow
    // runs after the answer.
    ::_exit(0);
}
