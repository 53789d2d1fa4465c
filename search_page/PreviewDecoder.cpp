#include "search_page/PreviewDecoder.h"

#include <cstring>

PreviewImage PreviewDecoder::Decode(const std::string& path, QSize box, const std::stop_token& stop) const
{
    return m_pHelpers->Decode(path, box.width(), box.height(), stop);
}

QImage PreviewDecoder::ToImage(const PreviewImage& preview)
{
    if (preview.IsNull())
        return {};
    QImage image(preview.nWidth, preview.nHeight, QImage::Format_RGB32);
    for (int y = 0; y < preview.nHeight; ++y)
        std::memcpy(image.scanLine(y),
                    preview.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(preview.nWidth),
                    static_cast<std::size_t>(preview.nWidth) * 4);
    return image;
}
