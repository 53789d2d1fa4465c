#pragma once

#include <cstdint>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
}

// The decoding steps clips and snapshots share: FFmpeg's objects owned, a
// decoder opened within a picture-size bound, and one picture decoded.
namespace BoundedDecoder {

struct CodecContextDeleter {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

// The decoder for id, set from parameters where a container gave them, that
// decodes one picture at a time on the caller's thread and allocates none
// larger than maxPixels; null when there is none or it will not open.
CodecContextPtr Open(AVCodecID id, const AVCodecParameters* parameters, std::int64_t maxPixels);

// The picture the packet holds, whole and without a reported error.
bool DecodePicture(AVCodecContext* codec, const AVPacket* packet, AVFrame* frame);

} // namespace BoundedDecoder
