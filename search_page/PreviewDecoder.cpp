#include "search_page/PreviewDecoder.h"

#include <cstring>

PreviewImage PreviewDecoder::Decode(const std::string& path, QSize box, std::stop_token stop) const
{
    if (ClipFrameDecoder::ContainerOf(path))
        return m_clips.DecodeFile(path, box.width(), box.height(), std::move(stop));
    const QImage snapshot = m_snapshots.DecodeFile(path, box);
    if (snapshot.isNull())
        return {};
    PreviewImage preview{snapshot.width(), snapshot.height(), {}};
    preview.pixels.resize(static_cast<std::size_t>(preview.nWidth) * static_cast<std::size_t>(preview.nHeight));
    for (int y = 0; y < preview.nHeight; ++y)
        std::memcpy(preview.pixels.data() + static_cast<std::size_t>(y) * preview.nWidth, snapshot.constScanLine(y),
                    static_cast<std::size_t>(preview.nWidth) * 4);
    return preview;
}

QImage PreviewDecoder::ToImage(const PreviewImage& preview)
{
    if (preview.IsNull())
        return {};
    QImage image(preview.nWidth, preview.nHeight, QImage::Format_RGB32);
    for (int y = 0; y < preview.nHeight; ++y)
        std::memcpy(image.scanLine(y), preview.pixels.data() + static_cast<std::size_t>(y) * preview.nWidth,
                    static_cast<std::size_t>(preview.nWidth) * 4);
    return image;
}
