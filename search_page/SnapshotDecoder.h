#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <cstdint>
#include <string>

// A snapshot's picture scaled to fit a preview box, read with Qt's image
// reader. Snapshots come from outside, so the file's size and the picture's
// size (from its header, before any pixel is decoded) are checked first, and
// the reader may allocate no more than a set amount. A ".jpg" is read only as
// JPEG and a ".bmp" only as BMP, never as whatever its bytes look like.
// Anything refused or unreadable gives a null image ("No preview").
class SnapshotDecoder {
public:
    struct Limits {
        std::uint64_t nMaxFileBytes = 32u << 20;
        std::int64_t nMaxPixels = 8192 * 8192;
        int nAllocationLimitMb = 256;
    };

    // "jpeg" or "bmp" for a path that ends in ".jpg" or ".bmp" (any case),
    // empty for anything else.
    static QByteArray FormatOf(const std::string& path);

    SnapshotDecoder();
    explicit SnapshotDecoder(Limits limits);

    QImage DecodeFile(const std::string& path, QSize box) const;
    QImage DecodeBytes(const QByteArray& bytes, const QByteArray& format, QSize box) const;

private:
    Limits m_limits;
};
