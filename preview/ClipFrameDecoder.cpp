#include "preview/ClipFrameDecoder.h"

#include "platform/AsciiCase.h"
#include "platform/FileHandle.h"
#include "preview/BoundedDecoder.h"
#include "preview/FrameScaler.h"
#include "preview/StillHeader.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

using Clock = std::chrono::steady_clock;

// The demuxer's only way to the clip's bytes: reads and seeks within the
// clip, counted against a budget, until the deadline or a stop request.
struct BoundedInput {
    std::function<std::size_t(std::uint64_t offset, void* buffer, std::size_t size)> readAt;
    std::uint64_t nSize = 0;
    std::uint64_t nPosition = 0;
    std::uint64_t nBudget = 0;
    Clock::time_point deadline;
    std::stop_token stop;

    bool Expired() const { return stop.stop_requested() || Clock::now() >= deadline; }
};

int ReadInput(void* opaque, std::uint8_t* buffer, int size)
{
    BoundedInput& input = *static_cast<BoundedInput*>(opaque);
    if (input.Expired() || input.nBudget == 0)
        return AVERROR_EXIT;
    if (size <= 0 || input.nPosition >= input.nSize)
        return AVERROR_EOF;
    const std::uint64_t wanted =
        std::min({static_cast<std::uint64_t>(size), input.nSize - input.nPosition, input.nBudget});
    const std::size_t got = input.readAt(input.nPosition, buffer, static_cast<std::size_t>(wanted));
    if (got == 0)
        return AVERROR_EOF; // the file shrank or failed under us
    input.nPosition += got;
    input.nBudget -= got;
    return static_cast<int>(got);
}

std::int64_t SeekInput(void* opaque, std::int64_t offset, int whence)
{
    BoundedInput& input = *static_cast<BoundedInput*>(opaque);
    whence &= ~AVSEEK_FORCE;
    const auto size = static_cast<std::int64_t>(input.nSize);
    if (whence == AVSEEK_SIZE)
        return size;
    if (input.Expired())
        return AVERROR_EXIT;
    std::int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<std::int64_t>(input.nPosition);
    else if (whence == SEEK_END)
        base = size;
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0 || target > size)
        return AVERROR(EINVAL);
    input.nPosition = static_cast<std::uint64_t>(target);
    return target;
}

int Interrupted(void* opaque)
{
    return static_cast<const BoundedInput*>(opaque)->Expired() ? 1 : 0;
}

struct IoContextDeleter {
    void operator()(AVIOContext* io) const
    {
        // The context may have replaced the buffer it was given.
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};
struct FormatContextDeleter {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};

// Whether ts lies at least one second after start, in the stream's time base,
// for any values a file may hold.
bool PastFirstSecond(std::int64_t ts, std::int64_t start, AVRational timeBase)
{
    std::int64_t offset = 0;
    if (__builtin_sub_overflow(ts, start, &offset))
        return ts > start;
    return av_compare_ts(offset, timeBase, 1, AVRational{1, 1}) >= 0;
}

// The codecs the recorder writes: WMV2 in its ASF clips, MPEG-4 Visual and
// MJPEG in its AVI clips, and the older Windows Media and MS MPEG-4 versions
// that share WMV2's decoder. Every other decoder FFmpeg has stays out of
// reach of a listed file.
bool IsRecorderCodec(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_WMV1:
    case AV_CODEC_ID_WMV2:
    case AV_CODEC_ID_MSMPEG4V2:
    case AV_CODEC_ID_MSMPEG4V3:
    case AV_CODEC_ID_MPEG4:
    case AV_CODEC_ID_MJPEG:
        return true;
    default:
        return false;
    }
}

// An MJPEG frame is a JPEG picture, checked as a snapshot is before the
// decoder sees it: its scans where the decoder finds them, and its size.
bool IsWithinJpegLimits(const AVPacket& packet, const ClipFrameDecoder::Limits& limits)
{
    if (packet.size <= 0)
        return false;
    const std::optional<StillHeader> header = StillHeader::ReadJpeg(
        std::span<const std::uint8_t>(packet.data, static_cast<std::size_t>(packet.size)), limits.nMaxScans);
    return header && header->nScans <= limits.nMaxScans && header->nWidth * header->nHeight <= limits.nMaxPixels;
}

PreviewImage Decode(BoundedInput& input, ClipFrameDecoder::Container container, int boxWidth, int boxHeight,
                    const ClipFrameDecoder::Limits& limits)
{
    if (boxWidth <= 0 || boxHeight <= 0)
        return {};
    constexpr int kBufferSize = 32 * 1024;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferSize));
    if (!buffer)
        return {};
    std::unique_ptr<AVIOContext, IoContextDeleter> io(
        avio_alloc_context(buffer, kBufferSize, 0, &input, ReadInput, nullptr, SeekInput));
    if (!io) {
        av_free(buffer);
        return {};
    }

    AVFormatContext* opened = avformat_alloc_context();
    if (!opened)
        return {};
    opened->pb = io.get();
    opened->interrupt_callback = AVIOInterruptCB{Interrupted, &input};
    opened->probesize = 1 << 20;
    opened->max_analyze_duration = AV_TIME_BASE;
    opened->max_index_size = 1 << 20;
    opened->max_streams = 16;
    const AVInputFormat* format = av_find_input_format(container == ClipFrameDecoder::Container::Asf ? "asf" : "avi");
    // On failure the context is freed and the pointer cleared.
    if (!format || avformat_open_input(&opened, nullptr, format, nullptr) < 0)
        return {};
    const std::unique_ptr<AVFormatContext, FormatContextDeleter> demuxer(opened);

    const AVStream* stream = nullptr;
    for (unsigned i = 0; i < demuxer->nb_streams; ++i) {
        AVStream* candidate = demuxer->streams[i];
        const bool video = candidate->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                           !(candidate->disposition & AV_DISPOSITION_ATTACHED_PIC);
        if (video && !stream)
            stream = candidate;
        else
            candidate->discard = AVDISCARD_ALL;
    }
    if (!stream || stream->time_base.num <= 0 || stream->time_base.den <= 0)
        return {};
    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->width < 0 || parameters->height < 0 ||
        std::int64_t{parameters->width} * parameters->height > limits.nMaxPixels)
        return {};
    if (!IsRecorderCodec(parameters->codec_id))
        return {};
    const BoundedDecoder::CodecContextPtr codec =
        BoundedDecoder::Open(parameters->codec_id, parameters, limits.nMaxPixels);
    if (!codec)
        return {};

    const BoundedDecoder::PacketPtr packet(av_packet_alloc());
    const BoundedDecoder::FramePtr frame(av_frame_alloc());
    if (!packet || !frame)
        return {};
    // The clip's first second starts at the stream's first time stamp, which
    // need not be zero (a preroll the header no longer tells of, say).
    std::int64_t start = stream->start_time;
    while (!input.Expired() && av_read_frame(demuxer.get(), packet.get()) >= 0) {
        const std::unique_ptr<AVPacket, decltype(&av_packet_unref)> unref(packet.get(), av_packet_unref);
        if (packet->stream_index != stream->index)
            continue;
        const std::int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (ts != AV_NOPTS_VALUE && start == AV_NOPTS_VALUE)
            start = ts;
        if (ts != AV_NOPTS_VALUE && PastFirstSecond(ts, start, stream->time_base))
            break;
        if (!(packet->flags & AV_PKT_FLAG_KEY) || (packet->flags & AV_PKT_FLAG_CORRUPT))
            continue;
        if (parameters->codec_id == AV_CODEC_ID_MJPEG && !IsWithinJpegLimits(*packet, limits))
            continue;
        if (BoundedDecoder::DecodePicture(codec.get(), packet.get(), frame.get()))
            return ScaleFrameToBox(frame.get(), boxWidth, boxHeight);
        av_frame_unref(frame.get());
        avcodec_flush_buffers(codec.get());
    }
    return {};
}

} // namespace

std::optional<ClipFrameDecoder::Container> ClipFrameDecoder::ContainerOf(const std::string& path)
{
    if (EndsWithNoCase(path, ".asf"))
        return Container::Asf;
    if (EndsWithNoCase(path, ".avi"))
        return Container::Avi;
    return std::nullopt;
}

ClipFrameDecoder::ClipFrameDecoder() : ClipFrameDecoder(Limits{})
{ }

ClipFrameDecoder::ClipFrameDecoder(Limits limits) : m_limits(limits)
{
    // Broken clips are expected; FFmpeg's complaints about them go nowhere.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
}

PreviewImage ClipFrameDecoder::DecodeFile(const std::string& path, int boxWidth, int boxHeight,
                                          std::stop_token stop) const
{
    const std::optional<Container> container = ContainerOf(path);
    FileHandle file;
    if (!container || !file.Open(path))
        return {};
    return DecodeHandle(file, *container, boxWidth, boxHeight, std::move(stop));
}

PreviewImage ClipFrameDecoder::DecodeHandle(const FileHandle& file, Container container, int boxWidth, int boxHeight,
                                            std::stop_token stop) const
{
    BoundedInput input{
        [&file](std::uint64_t offset, void* buffer, std::size_t size) { return file.ReadAt(offset, buffer, size); },
        file.Size(),
        0,
        m_limits.nMaxBytesRead,
        Clock::now() + m_limits.timeout,
        std::move(stop)};
    return Decode(input, container, boxWidth, boxHeight, m_limits);
}

PreviewImage ClipFrameDecoder::DecodeBytes(std::span<const std::uint8_t> bytes, Container container, int boxWidth,
                                           int boxHeight, std::stop_token stop) const
{
    BoundedInput input{[bytes](std::uint64_t offset, void* buffer, std::size_t size) {
                           std::memcpy(buffer, bytes.data() + offset, size);
                           return size;
                       },
                       bytes.size(),
                       0,
                       m_limits.nMaxBytesRead,
                       Clock::now() + m_limits.timeout,
                       std::move(stop)};
    return Decode(input, container, boxWidth, boxHeight, m_limits);
}
