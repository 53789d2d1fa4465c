#include "search_page/PreviewDecoder.h"

#include <cstring>

PreviewDecoder::PreviewDecoder(QSize box) : m_box(box) {}

QImage PreviewDecoder::Decode(const std::string& path, std::stop_token stop) const
{
    if (ClipFrameDecoder::ContainerOf(path)) {
        const PreviewImage frame = m_clips.DecodeFile(path, m_box.width(), m_box.height(), std::move(stop));
        if (frame.IsNull())
            return {};
        QImage image(frame.nWidth, frame.nHeight, QImage::Format_RGB32);
        for (int y = 0; y < frame.nHeight; ++y)
            std::memcpy(image.scanLine(y), frame.pixels.data() + static_cast<std::size_t>(y) * frame.nWidth,
                        static_cast<std::size_t>(frame.nWidth) * 4);
        return image;
    }
    return m_snapshots.DecodeFile(path, m_box);
}
