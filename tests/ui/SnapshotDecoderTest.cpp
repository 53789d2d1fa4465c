#include "search_page/SnapshotDecoder.h"
#include "search_page/PreviewDecoder.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <sys/resource.h>

namespace {

// A 64 x 48 picture, red on the left half and blue on the right, in a format.
QByteArray Picture(const char* format)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 32, 48, Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

// The same JPEG with the frame header's size changed: SOF0 (FF C0) length(2)
// precision(1) height(2) width(2), big-endian.
QByteArray JpegClaiming(int width, int height)
{
    QByteArray jpeg = Picture("JPEG");
    const qsizetype sof = jpeg.indexOf("\xff\xc0");
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width);
    return jpeg;
}

// The same BMP with its BITMAPINFOHEADER's biWidth and biHeight, at bytes 18
// and 22 (little-endian, after the 14-byte file header and biSize), changed.
QByteArray BmpClaiming(int width, int height)
{
    QByteArray bmp = Picture("BMP");
    for (int i = 0; i < 4; ++i) {
        bmp[18 + i] = static_cast<char>(width >> (8 * i));
        bmp[22 + i] = static_cast<char>(height >> (8 * i));
    }
    return bmp;
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string Write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const std::string path = dir.filePath(name).toStdString();
    std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size());
    return path;
}

} // namespace

class SnapshotDecoderTest : public QObject {
    Q_OBJECT

private slots:
    void snapshotsAreScaledToFitTheBox()
    {
        const SnapshotDecoder decoder;
        for (const char* format : {"jpeg", "bmp"}) {
            const QImage wide = decoder.DecodeBytes(Picture(format), format, QSize(160, 160));
            QCOMPARE(wide.size(), QSize(160, 120));
            QCOMPARE(wide.format(), QImage::Format_RGB32);
            QVERIFY(qRed(wide.pixel(20, 60)) > 200 && qBlue(wide.pixel(20, 60)) < 60);
            QVERIFY(qBlue(wide.pixel(140, 60)) > 200 && qRed(wide.pixel(140, 60)) < 60);
            QCOMPARE(decoder.DecodeBytes(Picture(format), format, QSize(40, 100)).size(), QSize(40, 30));
        }
    }

    void filesAreReadOnlyAsWhatTheirNameSays()
    {
        QTemporaryDir dir;
        const PreviewDecoder decoder;
        const auto decode = [&decoder](const std::string& path) {
            return PreviewDecoder::ToImage(decoder.Decode(path, QSize(80, 60), {}));
        };
        const QImage snapshot = decode(Write(dir, "a.jpg", Picture("JPEG")));
        QCOMPARE(snapshot.size(), QSize(80, 60));
        QVERIFY(qRed(snapshot.pixel(10, 30)) > 200 && qBlue(snapshot.pixel(70, 30)) > 200);
        QCOMPARE(decode(Write(dir, "b.BMP", Picture("BMP"))).size(), QSize(80, 60));
        QCOMPARE(decode(std::string(CLIPSCOUT_TEST_DATA) + "/mpeg4.avi").size(), QSize(80, 60));
        // A BMP named .jpg, a JPEG named .bmp, a PNG, a truncated JPEG, nothing.
        QVERIFY(decode(Write(dir, "c.jpg", Picture("BMP"))).isNull());
        QVERIFY(decode(Write(dir, "d.bmp", Picture("JPEG"))).isNull());
        QVERIFY(decode(Write(dir, "e.png", Picture("PNG"))).isNull());
        QVERIFY(decode(Write(dir, "f.jpg", Picture("JPEG").left(200))).isNull());
        QVERIFY(decode(dir.filePath("missing.jpg").toStdString()).isNull());

        // A file over the byte limit is not read at all.
        SnapshotDecoder::Limits small;
        small.nMaxFileBytes = static_cast<std::uint64_t>(Picture("BMP").size()) - 1;
        QVERIFY(SnapshotDecoder(small).DecodeFile(Write(dir, "g.bmp", Picture("BMP")), QSize(80, 60)).isNull());
    }

    void hugePicturesAreRefusedBeforeDecoding()
    {
        const SnapshotDecoder decoder;
        const long before = PeakKilobytes();
        QElapsedTimer timer;
        timer.start();
        QVERIFY(decoder.DecodeBytes(JpegClaiming(30000, 30000), "jpeg", QSize(160, 120)).isNull());
        QVERIFY(decoder.DecodeBytes(BmpClaiming(30000, 30000), "bmp", QSize(160, 120)).isNull());
        // Decoding either would take gigabytes and far more than a second.
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY2(PeakKilobytes() - before < 64 * 1024, qPrintable(QString::number(PeakKilobytes() - before)));
        // The same headers within the limits still read (whatever the missing
        // pixels give), so the refusal above came from the size.
        QVERIFY(!decoder.DecodeBytes(JpegClaiming(64, 48), "jpeg", QSize(160, 120)).isNull());
    }
};

QTEST_MAIN(SnapshotDecoderTest)
#include "SnapshotDecoderTest.moc"
