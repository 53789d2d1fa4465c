#include "preview/BoundedDecoder.h"

namespace BoundedDecoder {

CodecContextPtr Open(AVCodecID id, const AVCodecParameters* parameters, std::int64_t maxPixels)
{
    const AVCodec* decoder = avcodec_find_decoder(id);
    if (!decoder)
        return nullptr;
    CodecContextPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || (parameters != nullptr && avcodec_parameters_to_context(codec.get(), parameters) < 0))
        return nullptr;
    codec->thread_count = 1;
    codec->max_pixels = maxPixels;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return nullptr;
    return codec;
}

bool DecodePicture(AVCodecContext* codec, const AVPacket* packet, AVFrame* frame)
{
    if (avcodec_send_packet(codec, packet) < 0)
        return false;
    int result = avcodec_receive_frame(codec, frame);
    if (result == AVERROR(EAGAIN)) {
        // A decoder with a delay gives the picture up when drained.
        avcodec_send_packet(codec, nullptr);
        result = avcodec_receive_frame(codec, frame);
    }
    return result >= 0 && !(frame->flags & AV_FRAME_FLAG_CORRUPT) && frame->decode_error_flags == 0;
}

} // namespace BoundedDecoder
