#include "preview/FrameScaler.h"

#include <memory>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace {

struct ScalerDeleter {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

} // namespace

PreviewImage ScaleFrameToBox(const AVFrame* frame, int boxWidth, int boxHeight)
{
    const PreviewImage::Size size = PreviewImage::FitInBox(frame->width, frame->height, boxWidth, boxHeight);
    if (size.nWidth == 0 || frame->format < 0)
        return {};
    const std::unique_ptr<SwsContext, ScalerDeleter> scaler(
        sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), size.nWidth,
                       size.nHeight, AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler)
        return {};
    PreviewImage image;
    image.nWidth = size.nWidth;
    image.nHeight = size.nHeight;
    image.pixels.resize(static_cast<std::size_t>(size.nWidth) * static_cast<std::size_t>(size.nHeight));
    std::uint8_t* planes[4] = {reinterpret_cast<std::uint8_t*>(image.pixels.data()), nullptr, nullptr, nullptr};
    const int strides[4] = {size.nWidth * 4, 0, 0, 0};
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides) <= 0)
        return {};
    // Opaque whatever the source held in its alpha.
    for (std::uint32_t& pixel : image.pixels)
        pixel |= 0xff000000u;
    return image;
}
