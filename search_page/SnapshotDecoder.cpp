#include "search_page/SnapshotDecoder.h"

#include "platform/AsciiCase.h"
#include "platform/FileHandle.h"
#include "preview/PreviewImage.h"

#include <QBuffer>
#include <QImageReader>

QByteArray SnapshotDecoder::FormatOf(const std::string& path)
{
    if (EndsWithNoCase(path, ".jpg"))
        return "jpeg";
    if (EndsWithNoCase(path, ".bmp"))
        return "bmp";
    return {};
}

SnapshotDecoder::SnapshotDecoder() : SnapshotDecoder(Limits{})
{ }

SnapshotDecoder::SnapshotDecoder(Limits limits) : m_limits(limits)
{ }

QImage SnapshotDecoder::DecodeFile(const std::string& path, QSize box) const
{
    const QByteArray format = FormatOf(path);
    std::string bytes;
    // One byte over the limit tells a file that is too large.
    if (format.isEmpty() || !FileHandle::ReadAll(path, bytes, m_limits.nMaxFileBytes + 1) ||
        bytes.size() > m_limits.nMaxFileBytes)
        return {};
    return DecodeBytes(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())), format, box);
}

QImage SnapshotDecoder::DecodeBytes(const QByteArray& bytes, const QByteArray& format, QSize box) const
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(m_limits.nAllocationLimitMb);
    const QSize size = reader.size();
    if (!size.isValid() || std::int64_t{size.width()} * size.height() > m_limits.nMaxPixels)
        return {};
    const PreviewImage::Size fit = PreviewImage::FitInBox(size.width(), size.height(), box.width(), box.height());
    if (fit.nWidth == 0)
        return {};
    reader.setScaledSize(QSize(fit.nWidth, fit.nHeight));
    QImage image = reader.read();
    if (image.isNull())
        return {};
    return image.convertToFormat(QImage::Format_RGB32);
}
