#include "platform/FileHandle.h"
#include "preview/ClipFrameDecoder.h"
#include "preview/HelperAnswer.h"
#include "preview/HelperDecoder.h"
#include "preview/HelperProcess.h"
#include "preview/HelperRequest.h"
#include "preview/HelperSandbox.h"
#include "preview/PreviewWorker.h"
#include "preview/StillFrameDecoder.h"
#include "preview/StillHeader.h"
#include "support/ClipBytes.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace clipbytes;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kData = CLIPSCOUT_TEST_DATA;

// The JPEG picture (32 x 24, baseline) of the first frame of the MJPEG clip:
// the data of the first "00dc" chunk of its "movi" list.
std::string CameraJpeg()
{
    const std::string clip = ReadFile(kData + "/mjpeg.avi");
    const std::size_t chunk = clip.find("00dc", clip.find("movi"));
    const std::size_t size = std::size_t{static_cast<unsigned char>(clip[chunk + 4])} |
                             std::size_t{static_cast<unsigned char>(clip[chunk + 5])} << 8;
    return clip.substr(chunk + 8, size);
}

// The same JPEG made progressive (SOF0 FF C0 becomes SOF2 FF C2) with `count`
// empty scans before its EOI (FF D9); each is SOS FF DA length(2)=8 Ns=1 Cs=1
// Td/Ta=0 Ss=0 Se=0 Ah/Al=0.
std::string WithEmptyScans(std::string jpeg, int count)
{
    jpeg[jpeg.find("\xff\xc0") + 1] = '\xc2';
    std::string scans;
    for (int i = 0; i < count; ++i)
        scans += std::string("\xff\xda\x00\x08\x01\x01\x00\x00\x00\x00", 10);
    jpeg.insert(jpeg.rfind("\xff\xd9"), scans);
    return jpeg;
}

// The JPEG with its frame header's size changed: SOFn length(2) precision(1)
// height(2) width(2), big-endian.
std::string JpegClaiming(std::string jpeg, int width, int height)
{
    const std::size_t sof = jpeg.find("\xff\xc0");
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width);
    return jpeg;
}

// The JPEG's SOF0 made SOF2 (progressive), with the given bytes put before
// its EOI.
std::string ProgressiveWith(std::string jpeg, const std::string& inserted)
{
    jpeg[jpeg.find("\xff\xc0") + 1] = '\xc2';
    jpeg.insert(jpeg.rfind("\xff\xd9"), inserted);
    return jpeg;
}

std::string EmptyScans(int count)
{
    std::string scans;
    for (int i = 0; i < count; ++i)
        scans += std::string("\xff\xda\x00\x08\x01\x01\x00\x00\x00\x00", 10);
    return scans;
}

// A segment: marker FF xx, length(2) counting itself, payload.
std::string Segment(char marker, const std::string& payload)
{
    return std::string("\xff") + marker + static_cast<char>((payload.size() + 2) >> 8) +
           static_cast<char>(payload.size() + 2) + payload;
}

// The MJPEG clip with every frame (each "00dc" chunk of its "movi" list) made
// by frame from its JPEG; the list, the file's and the index's sizes and
// offsets follow.
std::string MjpegClipWith(const std::function<std::string(const std::string&)>& frame)
{
    const std::string clip = ReadFile(kData + "/mjpeg.avi");
    const auto le32 = [&clip](std::size_t at) {
        return std::size_t{static_cast<unsigned char>(clip[at])} |
               std::size_t{static_cast<unsigned char>(clip[at + 1])} << 8 |
               std::size_t{static_cast<unsigned char>(clip[at + 2])} << 16 |
               std::size_t{static_cast<unsigned char>(clip[at + 3])} << 24;
    };
    const std::size_t movi = clip.find("movi") - 8;
    const std::size_t moviEnd = movi + 8 + le32(movi + 4);
    std::string chunks;
    std::string index;
    for (std::size_t at = movi + 12; at + 8 <= moviEnd;) {
        const std::size_t size = le32(at + 4);
        const std::string made = frame(clip.substr(at + 8, size));
        // Offsets from the list's "movi", as the recorder writes them.
        index += "00dc" + LE(0x10, 4) + LE(4 + chunks.size(), 4) + LE(made.size(), 4);
        chunks += Chunk("00dc", made);
        at += 8 + size + size % 2;
    }
    std::string body = clip.substr(8, movi - 8) + List("movi", {chunks}) + Chunk("idx1", index);
    return "RIFF" + LE(body.size(), 4) + body;
}

// A 24-bit BMP, red left half and blue right half: BITMAPFILEHEADER "BM"
// size(4) reserved(4) offset(4)=54; BITMAPINFOHEADER biSize(4)=40 width(4)
// height(4) planes(2)=1 bitCount(2)=24 compression(4) imageSize(4) then four
// more fields(16); rows bottom up, BGR, padded to 4 bytes. A compression of 1
// (RLE8) with no pixel data leaves only the header's claim.
std::string Bmp(int width, int height, int compression = 0)
{
    const int stride = (width * 3 + 3) / 4 * 4;
    std::string pixels;
    if (compression == 0)
        for (int y = 0; y < height; ++y) {
            std::string row;
            for (int x = 0; x < width; ++x)
                row += x < width / 2 ? std::string("\x00\x00\xff", 3) : std::string("\xff\x00\x00", 3);
            row.resize(static_cast<std::size_t>(stride), '\0');
            pixels += row;
        }
    // The header's fields are signed: a negative height is written in two's complement.
    const auto field = [](int value) { return LE(static_cast<std::uint32_t>(value), 4); };
    return Join({"BM", LE(54 + pixels.size(), 4), LE(0, 4), LE(54, 4), LE(40, 4), field(width), field(height), LE(1, 2),
                 LE(compression == 0 ? 24 : 8, 2), field(compression), LE(pixels.size(), 4), std::string(16, '\0'),
                 pixels});
}

// A clip of the test data with its codec's FourCC (in the stream header's
// fccHandler and the format's biCompression) replaced.
std::string ClipAs(const std::string& name, const std::string& fourCc, const std::string& otherFourCc)
{
    std::string clip = ReadFile(kData + "/" + name);
    const std::size_t movi = clip.find("movi");
    for (std::size_t at = clip.find(fourCc); at < movi; at = clip.find(fourCc, at + 4))
        clip.replace(at, 4, otherFourCc);
    return clip;
}

#ifdef _WIN32
// A helper stuck in a decode: it never answers (tests/support/StuckHelper.cpp).
const std::string kStuckHelper = CLIPSCOUT_STUCK_HELPER;

bool IsDead(int pid)
{
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr)
        return true;
    const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}
#else
// sleep, given the program's pid for its seconds, stands for a helper stuck
// in a decode.
const std::string kStuckHelper = "/bin/sleep";

// Whether the process is gone or only waits to be reaped.
bool IsDead(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    return line.substr(line.rfind(')') + 2, 1) == "Z";
}
#endif

bool WaitUntilDead(int pid)
{
    for (const auto until = Clock::now() + 5s; Clock::now() < until; std::this_thread::sleep_for(10ms))
        if (IsDead(pid))
            return true;
    return false;
}

class PreviewHelperTest : public ::testing::Test {
protected:
    const HelperDecoder m_helpers{CLIPSCOUT_PREVIEW_HELPER};
    TempDir m_dir;
};

} // namespace

TEST(HelperProtocolTest, OnlyWholeRequestsAndAnswersThatFitTheBoxAreTaken)
{
    const HelperRequest request{HelperRequest::Kind::Bmp, 160, 1024};
    const auto bytes = request.Encode();
    const std::optional<HelperRequest> parsed = HelperRequest::Parse(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->kind, HelperRequest::Kind::Bmp);
    EXPECT_EQ(parsed->nBoxWidth, 160);
    EXPECT_EQ(parsed->nBoxHeight, 1024);
    for (const auto& bad :
         {HelperRequest{HelperRequest::Kind::Asf, 0, 10}, HelperRequest{HelperRequest::Kind::Asf, 10, 1025}})
        EXPECT_FALSE(HelperRequest::Parse(bad.Encode()));
    auto unknownKind = bytes;
    unknownKind[4] = 5;
    EXPECT_FALSE(HelperRequest::Parse(unknownKind));
    EXPECT_FALSE(HelperRequest::Parse(std::span(bytes).first(8)));

    const PreviewImage image{3, 2, {1, 2, 3, 4, 5, 0x12345678}};
    const std::vector<std::uint8_t> answer = HelperAnswer::Encode(image);
    ASSERT_EQ(answer.size(), HelperAnswer::MaxSize(3, 2));
    const PreviewImage back = HelperAnswer::Parse(answer, 3, 2);
    EXPECT_EQ(back.nWidth, 3);
    EXPECT_EQ(back.nHeight, 2);
    // Whatever the helper says of alpha, the picture is opaque.
    EXPECT_EQ(back.pixels,
              (std::vector<std::uint32_t>{0xff000001, 0xff000002, 0xff000003, 0xff000004, 0xff000005, 0xff345678}));
    EXPECT_TRUE(HelperAnswer::Parse(answer, 2, 2).IsNull()); // wider than the box
    EXPECT_TRUE(HelperAnswer::Parse(answer, 3, 1).IsNull()); // taller than the box
    auto longer = answer;
    longer.push_back(0);
    EXPECT_TRUE(HelperAnswer::Parse(longer, 3, 2).IsNull());
    EXPECT_TRUE(HelperAnswer::Parse(std::span(answer).first(answer.size() - 1), 3, 2).IsNull());
    EXPECT_TRUE(HelperAnswer::Parse(HelperAnswer::Encode({}), 3, 2).IsNull());
}

TEST(StillFrameDecoderTest, HeadersAreCheckedBeforeAnyDecoderIsOpened)
{
    const StillFrameDecoder decoder;
    const std::string jpeg = CameraJpeg();
    const auto decode = [&decoder](const std::string& bytes, StillFrameDecoder::Format format) {
        return decoder.DecodeBytes(Bytes(bytes), format, 160, 160);
    };
    const PreviewImage picture = decode(jpeg, StillFrameDecoder::Format::Jpeg);
    EXPECT_EQ(picture.nWidth, 160);
    EXPECT_EQ(picture.nHeight, 120);
    const PreviewImage bmp = decode(Bmp(64, 48), StillFrameDecoder::Format::Bmp);
    ASSERT_EQ(bmp.nWidth, 160);
    ASSERT_EQ(bmp.nHeight, 120);
    EXPECT_EQ(bmp.pixels[60 * 160 + 20], 0xffff0000u);
    EXPECT_EQ(bmp.pixels[60 * 160 + 140], 0xff0000ffu);

    // Scans are counted, and counting stops past the limit.
    EXPECT_EQ(StillHeader::ReadJpeg(Bytes(jpeg), 24)->nScans, 1);
    EXPECT_EQ(StillHeader::ReadJpeg(Bytes(WithEmptyScans(jpeg, 40000)), 24)->nScans, 25);
    EXPECT_EQ(StillHeader::ReadBmp(Bytes(Bmp(64, -48)))->nHeight, 48);
    EXPECT_FALSE(StillHeader::ReadJpeg(Bytes(jpeg.substr(0, 200)), 24));
    EXPECT_FALSE(StillHeader::ReadBmp(Bytes(jpeg)));

    // Each of these would take minutes or hundreds of megabytes to decode.
    const auto start = Clock::now();
    EXPECT_TRUE(decode(WithEmptyScans(jpeg, 40000), StillFrameDecoder::Format::Jpeg).IsNull());
    EXPECT_TRUE(decode(JpegClaiming(jpeg, 30000, 30000), StillFrameDecoder::Format::Jpeg).IsNull());
    EXPECT_TRUE(decode(JpegClaiming(jpeg, 8192, 8192), StillFrameDecoder::Format::Jpeg).IsNull());
    EXPECT_TRUE(decode(Bmp(30000, 30000, 1), StillFrameDecoder::Format::Bmp).IsNull());
    EXPECT_LT(Clock::now() - start, 1s);
    // A camera's few scans still decode, so the refusal above came from the count.
    EXPECT_FALSE(decode(WithEmptyScans(jpeg, 8), StillFrameDecoder::Format::Jpeg).IsNull());
}

TEST(StillFrameDecoderTest, ScansAreCountedWhereTheDecoderFindsThemInSnapshotsAndMjpegClips)
{
    const StillFrameDecoder decoder;
    const std::string jpeg = CameraJpeg();
    const auto scans = [](const std::string& bytes) {
        const std::optional<StillHeader> header = StillHeader::ReadJpeg(Bytes(bytes), 24);
        return header ? header->nScans : -1;
    };
    const auto decodes = [&decoder](const std::string& bytes) {
        return !decoder.DecodeBytes(Bytes(bytes), StillFrameDecoder::Format::Jpeg, 160, 160).IsNull();
    };
    // Thirty scans, few enough to decode at once, too many to be let through.
    const std::string hidden = EmptyScans(30);
    // A pair below FF C0 is no marker to the decoder, nor is the length after
    // it; a marker it does not know (JPGn, FF F0) has no length it skips; a
    // quantisation segment is read only as far as its tables go; fill bytes
    // come before a marker.
    const std::string hiding[] = {
        ProgressiveWith(jpeg, Segment('\x02', hidden)),
        ProgressiveWith(jpeg, Segment('\xbf', hidden)),
        ProgressiveWith(jpeg, Segment('\xf0', hidden)),
        ProgressiveWith(jpeg, Segment('\xdb', std::string(1, '\0') + std::string(64, '\x01') + hidden)),
        ProgressiveWith(jpeg, "\xff\xff\xff" + hidden.substr(1)),
        // Past an EOI: the second field of an interlaced frame.
        ProgressiveWith(jpeg, "\xff\xd9" + hidden),
    };
    for (const std::string& bytes : hiding) {
        EXPECT_EQ(scans(bytes), 25);
        EXPECT_FALSE(decodes(bytes));
    }
    // What the decoder skips whole is not counted: an APP1 segment (Exif,
    // with its thumbnail's scans) and a comment.
    const std::string skipped = ProgressiveWith(jpeg, Segment('\xe1', "Exif" + hidden) + Segment('\xfe', hidden));
    EXPECT_EQ(scans(skipped), 1);
    EXPECT_TRUE(decodes(skipped));
    EXPECT_TRUE(decodes(ProgressiveWith(jpeg, Segment('\x02', EmptyScans(8)))));

    // MJPEG frames in an AVI clip get the same count before decoding.
    const auto decodesClip = [](const std::string& clip) {
        return !ClipFrameDecoder().DecodeBytes(Bytes(clip), ClipFrameDecoder::Container::Avi, 64, 48).IsNull();
    };
    EXPECT_TRUE(decodesClip(MjpegClipWith([](const std::string& frame) { return frame; })));
    EXPECT_TRUE(
        decodesClip(MjpegClipWith([](const std::string& frame) { return ProgressiveWith(frame, EmptyScans(8)); })));
    EXPECT_FALSE(decodesClip(MjpegClipWith([&](const std::string& frame) { return ProgressiveWith(frame, hidden); })));
    EXPECT_FALSE(decodesClip(
        MjpegClipWith([&](const std::string& frame) { return ProgressiveWith(frame, Segment('\x02', hidden)); })));
}

#ifdef _WIN32
TEST(HelperSandboxTest, TheFilterKillsWhatDecodingDoesNotNeed)
{
    GTEST_SKIP() << "the seccomp filter is Linux's; on Windows the helper's job holds it (HelperJobTest)";
}

// The stand-in exits at once with what it was given that it should not have
// been (see StuckHelper.cpp), and otherwise waits, stuck, until killed.
TEST(HelperJobTest, AHelperRunsAloneInItsJobWithNothingOfTheProgramsAndIsKilledAtTheDeadline)
{
    const std::unique_ptr<HelperProcess> helper = HelperProcess::Start(kStuckHelper);
    ASSERT_TRUE(helper);
    FileHandle file;
    ASSERT_TRUE(file.Open(kData + "/mjpeg.avi"));
    std::string why;
    const auto deadline = HelperProcess::Clock::now() + HelperDecoder::kTimeout;
    EXPECT_TRUE(helper->Decode(file, {HelperRequest::Kind::Avi, 160, 120}, deadline, {}, &why).IsNull());
    EXPECT_GE(HelperProcess::Clock::now(), deadline);
    EXPECT_EQ(why, "the helper was killed: no answer in time");
    EXPECT_TRUE(WaitUntilDead(helper->Pid()));
}
#else
TEST(HelperSandboxTest, TheFilterKillsWhatDecodingDoesNotNeed)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    // Each runs in a child confined with answers on the pipe's write end;
    // the child exits with 0 when it survives.
    const auto confined = [&](const std::function<void()>& act) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (!HelperSandbox::ConfineTo(pipeFds[1]))
                ::_exit(9);
            act();
            // Straight to the kernel: a sanitizer's exit hooks (a leak check)
            // make calls that the filter rightly refuses.
            ::syscall(SYS_exit_group, 0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return status;
    };
    const int allowed = confined([&] {
        void* memory = ::mmap(nullptr, 8 << 20, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED || ::write(pipeFds[1], "x", 1) != 1)
            ::_exit(8);
        ::munmap(memory, 8 << 20);
    });
    EXPECT_TRUE(WIFEXITED(allowed) && WEXITSTATUS(allowed) == 0) << allowed;
    const std::function<void()> refused[] = {
        [] { ::open("/etc/hostname", O_RDONLY); },
        [] { [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, "x", 1); },
        [] { ::socket(AF_INET, SOCK_STREAM, 0); },
        [] { ::fork(); },
        [] { ::execl("/bin/true", "true", nullptr); },
        [] { (void)::mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0); },
    };
    for (const auto& act : refused) {
        const int status = confined(act);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS) << status;
    }
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}
#endif

TEST_F(PreviewHelperTest, RecordingsAreDecodedInTheHelper)
{
    const std::string jpeg = m_dir.WriteFile("a.jpg", CameraJpeg());
    const std::string bmp = m_dir.WriteFile("b.BMP", Bmp(64, 48));
    for (const std::string& path :
         {kData + "/clip-trailer.asf", kData + "/mpeg4.avi", kData + "/mjpeg.avi", jpeg, bmp}) {
        const PreviewImage image = m_helpers.Decode(path, 160, 160, {});
        EXPECT_EQ(image.nWidth, 160) << path;
        EXPECT_EQ(image.nHeight, 120) << path;
    }
    // A BMP named .jpg, a JPEG named .bmp, a clip named .mp4, a folder, nothing.
    for (const std::string& path : {m_dir.WriteFile("c.jpg", Bmp(64, 48)), m_dir.WriteFile("d.bmp", CameraJpeg()),
                                    m_dir.WriteFile("e.mp4", ReadFile(kData + "/mpeg4.avi")), m_dir.MakeDir("f.avi"),
                                    m_dir.Path() + "/missing.jpg"})
        EXPECT_TRUE(m_helpers.Decode(path, 160, 120, {}).IsNull()) << path;
}

TEST_F(PreviewHelperTest, HostileFilesEndAsNoPreviewWithinTheLimits)
{
    // Another MPEG-4 FourCC decodes, so the refusals below come from the
    // codec. FFmpeg's JPEG-LS decoder ("MJLS") reads the MJPEG clip's frames
    // too, were it let near them.
    ASSERT_FALSE(
        m_helpers.Decode(m_dir.WriteFile("xvid.avi", ClipAs("mpeg4.avi", "FMP4", "XVID")), 160, 120, {}).IsNull());
    const std::string hostile[] = {
        m_dir.WriteFile("jpegls.avi", ClipAs("mjpeg.avi", "MJPG", "MJLS")),
        m_dir.WriteFile("h264.avi", ClipAs("mpeg4.avi", "FMP4", "H264")),
        m_dir.WriteFile("scans.jpg", WithEmptyScans(CameraJpeg(), 40000)),
        m_dir.WriteFile("huge.jpg", JpegClaiming(CameraJpeg(), 30000, 30000)),
        m_dir.WriteFile("huge.bmp", Bmp(30000, 30000, 1)),
    };
    for (const std::string& path : hostile) {
        const auto start = Clock::now();
        EXPECT_TRUE(m_helpers.Decode(path, 160, 120, {}).IsNull()) << path;
        EXPECT_LT(Clock::now() - start, HelperDecoder::kTimeout) << path;
    }
}

TEST_F(PreviewHelperTest, AHelperThatNeverAnswersIsKilledAtTheLimitOrWhenStopped)
{
    const HelperDecoder stuck(kStuckHelper);
    const std::string clip = kData + "/mpeg4.avi";
    stuck.Prepare();
    int pid = stuck.SparePid();
    ASSERT_NE(pid, 0);
    auto start = Clock::now();
    EXPECT_TRUE(stuck.Decode(clip, 160, 120, {}).IsNull());
    EXPECT_GE(Clock::now() - start, HelperDecoder::kTimeout);
    EXPECT_TRUE(WaitUntilDead(pid));

    pid = stuck.SparePid();
    ASSERT_NE(pid, 0);
    std::stop_source stop;
    std::jthread stopper([&stop] {
        std::this_thread::sleep_for(100ms);
        stop.request_stop();
    });
    start = Clock::now();
    EXPECT_TRUE(stuck.Decode(clip, 160, 120, stop.get_token()).IsNull());
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_TRUE(WaitUntilDead(pid));
}

TEST_F(PreviewHelperTest, ClosingDuringADecodeKillsTheHelperAtOnce)
{
    // Shared with the decode, which the worker lets go without waiting for.
    const auto stuck = std::make_shared<const HelperDecoder>(kStuckHelper);
    stuck->Prepare();
    const int pid = stuck->SparePid();
    std::atomic<bool> started = false;
    std::optional<PreviewWorker> worker;
    worker.emplace(
        [stuck, &started](const std::string& path, const std::stop_token& stop) {
            started = true;
            return stuck->Decode(path, 160, 120, stop);
        },
        [](const std::string&, const PreviewImage&) { ADD_FAILURE() << "a stopped decode was delivered"; });
    worker->Request(kData + "/mjpeg.avi");
    while (!started)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    const auto start = Clock::now();
    worker.reset();
    const auto closing = Clock::now() - start;
    EXPECT_LT(closing, 500ms);
    EXPECT_TRUE(WaitUntilDead(pid));
}
