// The preview benchmark. It builds a store of snapshots (640 x 480 JPEG) and
// ASF clips (640 x 480 WMV2, as the recorder writes them) in a temporary
// folder, opens a search
// page on it and measures, with real Down keys on the result list:
//   snapshot / clip  from the row becoming current to its preview shown,
//                    uncached (each row a file not seen before), median and
//                    worst; the pause before a preview is part of it, and the
//                    figure without it is shown beside;
//   cached           the same for a row shown before;
//   memory           the process's resident memory while previews of that many
//                    different snapshots are shown one after another (with no
//                    pause), and what the preview cache holds.
//
//     clipscout-preview-bench [--runs N] [--previews N] [--counts-only]
//
// Exit status 1 when a preview does not appear or shows "No preview"; 2 when
// the cache holds more than its bounds.

#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "search_page/PreviewPane.h"
#include "settings/CLoadUISetting.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double ResidentMegabytes()
{
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

QByteArray Snapshot()
{
    QImage image(640, 480, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 640, 480);
    gradient.setColorAt(0, Qt::darkCyan);
    gradient.setColorAt(1, Qt::black);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    for (int y = 0; y < 480; y += 24)
        painter.drawText(8, y + 16, QStringLiteral("Cam1 2026-12-07 10:%1 driveway").arg(y % 60));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A two-second 640 x 480 WMV2 clip in ASF at 5 frames a second, a moving
// gradient, written to path with FFmpeg's encoder and muxer.
bool WriteClip(const std::string& path)
{
    constexpr int kWidth = 640;
    constexpr int kHeight = 480;
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMV2);
    AVFormatContext* muxer = nullptr;
    if (!encoder || avformat_alloc_output_context2(&muxer, nullptr, "asf", path.c_str()) < 0)
        return false;
    AVStream* stream = avformat_new_stream(muxer, nullptr);
    AVCodecContext* codec = avcodec_alloc_context3(encoder);
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    bool ok = stream && codec && frame && packet;
    if (ok) {
        codec->width = kWidth;
        codec->height = kHeight;
        codec->pix_fmt = AV_PIX_FMT_YUV420P;
        codec->time_base = AVRational{1, 5};
        codec->gop_size = 10;
        codec->bit_rate = 400000;
        if (muxer->oformat->flags & AVFMT_GLOBALHEADER)
            codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        frame->format = codec->pix_fmt;
        frame->width = kWidth;
        frame->height = kHeight;
        ok = avcodec_open2(codec, encoder, nullptr) >= 0 &&
             avcodec_parameters_from_context(stream->codecpar, codec) >= 0 && av_frame_get_buffer(frame, 0) >= 0 &&
             avio_open(&muxer->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0;
        stream->time_base = codec->time_base;
    }
    ok = ok && avformat_write_header(muxer, nullptr) >= 0;
    const auto drain = [&] {
        while (avcodec_receive_packet(codec, packet) >= 0) {
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            av_interleaved_write_frame(muxer, packet);
        }
    };
    for (int i = 0; ok && i < 10; ++i) {
        ok = av_frame_make_writable(frame) >= 0;
        for (int y = 0; ok && y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                frame->data[0][y * frame->linesize[0] + x] = static_cast<std::uint8_t>(x + y + i * 8);
        for (int y = 0; ok && y < kHeight / 2; ++y)
            for (int x = 0; x < kWidth / 2; ++x) {
                frame->data[1][y * frame->linesize[1] + x] = static_cast<std::uint8_t>(128 + y / 4);
                frame->data[2][y * frame->linesize[2] + x] = static_cast<std::uint8_t>(64 + x / 4);
            }
        frame->pts = i;
        ok = ok && avcodec_send_frame(codec, frame) >= 0;
        drain();
    }
    if (ok) {
        avcodec_send_frame(codec, nullptr);
        drain();
        ok = av_write_trailer(muxer) >= 0;
    }
    if (muxer->pb)
        avio_closep(&muxer->pb);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    avformat_free_context(muxer);
    return ok;
}

class Bench {
public:
    Bench(int snapshots, int clips)
    {
        m_strRoot = m_dir.path().toStdString();
        const std::string device = m_strRoot + "/store/Cam1";
        std::filesystem::create_directories(device + "/SnapShot");
        std::filesystem::create_directories(device + "/Recording");
        const QByteArray jpeg = Snapshot();
        for (int i = 0; i < snapshots; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "/SnapShot/Cam1_20260101_%06d.jpg", i);
            std::ofstream(device + name, std::ios::binary).write(jpeg.data(), jpeg.size());
        }
        if (!WriteClip(m_strRoot + "/clip.asf"))
            std::fprintf(stderr, "the clip could not be encoded\n");
        // The recorder's trailer after it: "NC" start "," end, NULs to 50 bytes.
        std::string clip = ReadAll(m_strRoot + "/clip.asf");
        const std::string trailer = ReadAll(std::string(CLIPSCOUT_TEST_DATA) + "/clip-trailer.asf");
        clip += trailer.substr(trailer.size() - 50);
        for (int i = 0; i < clips; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "/Recording/Sr%06d.asf", i);
            std::ofstream(device + name, std::ios::binary) << clip;
        }
        std::ofstream(m_strRoot + "/Viewdeck.ini") << "[Directory]\nRecording=" << m_strRoot << "/store\n";
        m_uiSetting = CLoadUISetting::Locate(m_strRoot + "/clipscout");

        m_page = std::make_unique<CDlg>("Cam1", m_uiSetting);
        m_page->show();
        QApplication::processEvents();
        m_pList = qobject_cast<MyListCtrl*>(m_page->GetDlgItem(1018));
        m_pPane = m_page->findChild<PreviewPane*>(QStringLiteral("preview"));
        m_pPane->SetPreviewsOn(true);
        m_pList->setFocus();
    }
    ~Bench()
    {
        m_page.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_strRoot, ignored);
    }

    MyListCtrl& List() { return *m_pList; }
    PreviewPane& Pane() { return *m_pPane; }

    void ShowCategory(int index)
    {
        qobject_cast<QComboBox*>(m_page->GetDlgItem(1020))->setCurrentIndex(index);
        // Snapshots are listed by the time their files were made: just now.
        qobject_cast<QDateTimeEdit*>(m_page->GetDlgItem(1010))->setDate(QDate::currentDate().addDays(1));
        m_page->OnSearch();
        // The search runs off the window's thread; its rows come as an event.
        while (m_page->IsSearching())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    // Presses key on the list and returns the milliseconds until a preview
    // shows, or a negative number when none does within five seconds or it
    // says "No preview".
    double PressAndWait(int key)
    {
        QEventLoop loop;
        bool shown = false;
        const QMetaObject::Connection connection = QObject::connect(m_pPane, &PreviewPane::Shown, [&] {
            shown = true;
            loop.quit();
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        const Clock::time_point start = Clock::now();
        QApplication::sendEvent(m_pList, &press);
        QApplication::sendEvent(m_pList, &release);
        loop.exec();
        const double ms = MillisecondsSince(start);
        QObject::disconnect(connection);
        return shown && !m_pPane->pixmap().isNull() ? ms : -1;
    }

private:
    QTemporaryDir m_dir;
    std::string m_strRoot;
    CLoadUISetting m_uiSetting;
    std::unique_ptr<CDlg> m_page;
    MyListCtrl* m_pList = nullptr;
    PreviewPane* m_pPane = nullptr;
};

struct Latency {
    double median = 0;
    double worst = 0;
    bool bAllShown = true;
};

// Down through runs rows not shown before.
Latency Measure(Bench& bench, int runs)
{
    std::vector<double> times;
    Latency latency;
    for (int i = 0; i < runs; ++i) {
        const double ms = bench.PressAndWait(Qt::Key_Down);
        if (ms < 0)
            latency.bAllShown = false;
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    latency.median = times[times.size() / 2];
    latency.worst = times.back();
    return latency;
}

void Print(const char* what, const Latency& latency)
{
    std::printf("%-9s %9.1f %9.1f %12.1f %12.1f\n", what, latency.median, latency.worst,
                latency.median - PreviewPane::kDelayMs, latency.worst - PreviewPane::kDelayMs);
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 20;
    int previews = 1000;
    bool countsOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--previews") == 0 && i + 1 < argc)
            previews = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--counts-only") == 0)
            countsOnly = true;
        else {
            std::fprintf(stderr, "usage: %s [--runs N] [--previews N] [--counts-only]\n", argv[0]);
            return 64;
        }
    }
    // The helper of this build tree, not one installed.
    if (qEnvironmentVariableIsEmpty("CLIPSCOUT_PREVIEW_HELPER"))
        qputenv("CLIPSCOUT_PREVIEW_HELPER", CLIPSCOUT_PREVIEW_HELPER);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's own choice of previews is not touched.
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);

    Bench bench(std::max(previews, runs) + 1, runs + 1);
    int status = 0;

    std::printf("%-9s %9s %9s %12s %12s   (ms from the row becoming current to its preview)\n", "", "median", "worst",
                "median-pause", "worst-pause");
    bench.ShowCategory(1);
    const Latency snapshot = Measure(bench, runs);
    const double cachedUp = bench.PressAndWait(Qt::Key_Up);
    bench.ShowCategory(0);
    const Latency clip = Measure(bench, runs);
    if (!countsOnly) {
        Print("snapshot", snapshot);
        Print("clip", clip);
        Print("cached", Latency{cachedUp, cachedUp, true});
    }
    if (!snapshot.bAllShown || !clip.bAllShown || cachedUp < 0) {
        std::printf("a preview did not appear\n");
        status = 1;
    }

    bench.ShowCategory(1);
    bench.Pane().SetDelay(0);
    const double before = ResidentMegabytes();
    std::printf("\n%9s %12s %13s %14s\n", "previews", "resident MB", "cached items", "cached MB");
    std::printf("%9d %12.1f %13zu %14.1f\n", 0, before, bench.Pane().Cache().Count(),
                static_cast<double>(bench.Pane().Cache().Bytes()) / 1048576.0);
    for (int shown = 1; shown <= previews; ++shown) {
        if (bench.PressAndWait(Qt::Key_Down) < 0) {
            std::printf("preview %d did not appear\n", shown);
            return 1;
        }
        if (shown % (previews >= 4 ? previews / 4 : 1) == 0)
            std::printf("%9d %12.1f %13zu %14.1f\n", shown, ResidentMegabytes(), bench.Pane().Cache().Count(),
                        static_cast<double>(bench.Pane().Cache().Bytes()) / 1048576.0);
    }
    if (bench.Pane().Cache().Count() > PreviewPane::kCacheEntries ||
        bench.Pane().Cache().Bytes() > PreviewPane::kCacheBytes) {
        std::printf("the cache holds more than its bounds\n");
        status = 2;
    }
    return status;
}
