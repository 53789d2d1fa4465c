#include "preview/StillFrameDecoder.h"

#include "platform/AsciiCase.h"
#include "preview/FrameScaler.h"
#include "preview/StillHeader.h"

#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

struct CodecContextDeleter {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

} // namespace

std::optional<StillFrameDecoder::Format> StillFrameDecoder::FormatOf(const std::string& path)
{
    if (EndsWithNoCase(path, ".jpg"))
        return Format::Jpeg;
    if (EndsWithNoCase(path, ".bmp"))
        return Format::Bmp;
    return std::nullopt;
}

StillFrameDecoder::StillFrameDecoder() : StillFrameDecoder(Limits{})
{ }

StillFrameDecoder::StillFrameDecoder(Limits limits) : m_limits(limits)
{ }

PreviewImage StillFrameDecoder::DecodeBytes(std::span<const std::uint8_t> bytes, Format format, int boxWidth,
                                            int boxHeight) const
{
    if (bytes.size() > m_limits.nMaxFileBytes || boxWidth <= 0 || boxHeight <= 0)
        return {};
    const std::optional<StillHeader> header =
        format == Format::Jpeg ? StillHeader::ReadJpeg(bytes, m_limits.nMaxScans) : StillHeader::ReadBmp(bytes);
    if (!header || header->nScans > m_limits.nMaxScans || header->nWidth * header->nHeight > m_limits.nMaxPixels)
        return {};

    const AVCodec* decoder = avcodec_find_decoder(format == Format::Jpeg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_BMP);
    if (!decoder)
        return {};
    const std::unique_ptr<AVCodecContext, CodecContextDeleter> codec(avcodec_alloc_context3(decoder));
    if (!codec)
        return {};
    codec->thread_count = 1;
    codec->max_pixels = m_limits.nMaxPixels;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return {};
    const std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    const std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    if (!packet || !frame || av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0)
        return {};
    std::memcpy(packet->data, bytes.data(), bytes.size());
    packet->flags |= AV_PKT_FLAG_KEY;
    if (avcodec_send_packet(codec.get(), packet.get()) < 0)
        return {};
    int result = avcodec_receive_frame(codec.get(), frame.get());
    if (result == AVERROR(EAGAIN)) {
        avcodec_send_packet(codec.get(), nullptr);
        result = avcodec_receive_frame(codec.get(), frame.get());
    }
    if (result < 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT) || frame->decode_error_flags != 0)
        return {};
    return ScaleFrameToBox(frame.get(), boxWidth, boxHeight);
}
