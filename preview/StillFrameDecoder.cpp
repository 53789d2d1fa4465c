#include "preview/StillFrameDecoder.h"

#include "preview/BoundedDecoder.h"
#include "preview/FrameScaler.h"
#include "preview/StillHeader.h"

#include <cstring>
#include <memory>

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

    const BoundedDecoder::CodecContextPtr codec = BoundedDecoder::Open(
        format == Format::Jpeg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_BMP, nullptr, m_limits.nMaxPixels);
    if (!codec)
        return {};
    const BoundedDecoder::PacketPtr packet(av_packet_alloc());
    const BoundedDecoder::FramePtr frame(av_frame_alloc());
    if (!packet || !frame || av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0)
        return {};
    std::memcpy(packet->data, bytes.data(), bytes.size());
    packet->flags |= AV_PKT_FLAG_KEY;
    if (!BoundedDecoder::DecodePicture(codec.get(), packet.get(), frame.get()))
        return {};
    return ScaleFrameToBox(frame.get(), boxWidth, boxHeight);
}
