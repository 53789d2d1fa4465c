// The decoding helper: started by the program, it waits on its pipe (stdin)
// for one request and the open file it is about, confines itself, decodes the
// file's preview and writes the answer back on the same pipe. Run apart from
// the program so that a hostile file can cost at most this process: its CPU
// time, its memory and its one answer, which the program checks.
//     clipscout-preview-helper PARENT_PID
#include "platform/FileHandle.h"
#include "preview/ClipFrameDecoder.h"
#include "preview/HelperAnswer.h"
#include "preview/HelperPipe.h"
#include "preview/HelperRequest.h"
#include "preview/HelperSandbox.h"
#include "preview/StillFrameDecoder.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr unsigned kCpuSeconds = 2;
constexpr unsigned long kAddressSpace = 512ul << 20;

// A helper waiting for a preview that does not come ends, so that an idle
// program does not keep a process with FFmpeg's libraries loaded; the next
// preview starts another.
constexpr int kIdleMs = 60000;

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
    FileHandle file;
    if (!HelperPipe::RequestArrives(kIdleMs))
        return 0;
    if (!HelperPipe::Receive(bytes, file))
        return 3;
    const std::optional<HelperRequest> request = HelperRequest::Parse(bytes);
    if (!request)
        return 3;
    if (!HelperSandbox::LimitResources(kCpuSeconds, kAddressSpace) || !HelperSandbox::ConfineTo(HelperPipe::kFd))
        return 4;
    HelperPipe::Answer(HelperAnswer::Encode(Decode(*request, file)));
    // No destructors and no exit handlers: nothing the filter does not allow
    // runs after the answer.
    std::_Exit(0);
}
