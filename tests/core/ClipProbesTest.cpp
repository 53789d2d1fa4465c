#include "catalog/ClipProbes.h"
#include "catalog/RecordingNames.h"
#include "platform/CFile.h"
#include "platform/FileHandle.h"
#include "support/ClipBytes.h"
#include "support/LocalTimeZone.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/stat.h>

using namespace clipbytes;

namespace {

const std::string kData = CLIPSCOUT_TEST_DATA;

CTime CreationTime(const std::string& path)
{
    CFileStatus status;
    EXPECT_TRUE(CFile::GetStatus(path, status)) << path;
    return status.m_ctime;
}

struct AsfProbe {
    ClipProber::AsfResult result;
    std::string start, end;
    std::int64_t seconds = 0;
};

// The probes as the scan runs them, on a file it has opened.
AsfProbe ProbeAsf(const std::string& path)
{
    FileHandle file;
    EXPECT_TRUE(file.Open(path)) << path;
    ClipProber prober;
    std::string_view start = "x", end = "y";
    AsfProbe probe;
    probe.result = prober.ProbeAsf(file, start, end, probe.seconds);
    probe.start = start;
    probe.end = end;
    return probe;
}

std::optional<RecordedFile> ProbeAvi(const std::string& path)
{
    FileHandle file;
    EXPECT_TRUE(file.Open(path)) << path;
    ClipProber prober;
    RecordedFile row{};
    std::int64_t seconds = -1;
    const CTime created = CreationTime(path);
    if (!prober.ProbeAvi(file, created, LocalZone(created, created), row, seconds))
        return std::nullopt;
    EXPECT_EQ(FormatDuration(seconds), row.szDuration);
    return row;
}

class ClipProbesTest : public ::testing::Test {
protected:
    LocalTimeZone m_zone;
    TempDir m_dir;
};

} // namespace

// ---- real clips made by ffmpeg (tools/make-test-clips.sh) -----------------

TEST_F(ClipProbesTest, RealAsfClipGivesItsTrailerAndTheDurationFfprobeReports)
{
    // ffprobe: 2.000 s (Play Duration 5.1 s, Preroll 3,100 ms).
    const AsfProbe probe = ProbeAsf(kData + "/clip-trailer.asf");
    EXPECT_EQ(probe.result, ClipProber::AsfResult::Ok);
    EXPECT_EQ(probe.start, "2006/03/14 10:00:05");
    EXPECT_EQ(probe.end, "2006/03/14 10:00:07");
    EXPECT_EQ(probe.seconds, 2);
}

TEST_F(ClipProbesTest, RealAviClipsGiveTheDurationsFfprobeReports)
{
    struct Case {
        const char* name;
        const char* duration; // ffprobe: mpeg4 2.000 s, mjpeg 1.800 s
        std::int64_t seconds;
    };
    for (const Case c : {Case{"mpeg4.avi", "00:02", 2}, Case{"mjpeg.avi", "00:01", 1}}) {
        const std::string path = m_dir.WriteFile(c.name, ReadFile(kData + "/" + c.name));
        const std::optional<RecordedFile> row = ProbeAvi(path);
        ASSERT_TRUE(row) << c.name;
        const CTime created = CreationTime(path);
        EXPECT_EQ(row->szStartTime, FormatRecordTime(created)) << c.name;
        EXPECT_EQ(row->szEndTime, FormatRecordTime(created + CTimeSpan(c.seconds))) << c.name;
        EXPECT_STREQ(row->szDuration, c.duration) << c.name;
    }
    // ffprobe: 0.257 s of PCM audio, no video stream.
    EXPECT_FALSE(ProbeAvi(kData + "/audio-only.avi"));
}

// ---- files laid out in memory -------------------------------------------

TEST_F(ClipProbesTest, TrailerAndHeaderOfOneFile)
{
    const AsfProbe probe =
        ProbeAsf(m_dir.WriteFile("Sr0001.asf", AsfClip(1234567890, 0, "NC2006/03/14 10:00:05,2006/03/14 10:05:05")));
    EXPECT_EQ(probe.result, ClipProber::AsfResult::Ok);
    EXPECT_EQ(probe.start, "2006/03/14 10:00:05");
    EXPECT_EQ(probe.end, "2006/03/14 10:05:05");
    EXPECT_EQ(probe.seconds, 123);
}

TEST_F(ClipProbesTest, NoTrailerWithoutAnUpperCaseNcInTheLastFiftyBytes)
{
    const AsfProbe lower =
        ProbeAsf(m_dir.WriteFile("a.asf", AsfClip(1234567890, 0, "nc2006/03/14 10:00:05,2006/03/14 10:05:05")));
    EXPECT_EQ(lower.result, ClipProber::AsfResult::NoTrailer);
    EXPECT_EQ(lower.start, "");
    EXPECT_EQ(lower.end, "");
    // 49 bytes that would be a trailer text.
    const std::string text = Trailer("NC2006/03/14 10:00,2006/03/14 10:05");
    EXPECT_EQ(ProbeAsf(m_dir.WriteFile("short.asf", text.substr(0, 49))).result, ClipProber::AsfResult::NoTrailer);
    // Exactly 50 bytes is a trailer, with no header after it.
    const AsfProbe exact = ProbeAsf(m_dir.WriteFile("exact.asf", text));
    EXPECT_EQ(exact.result, ClipProber::AsfResult::NoDuration);
    EXPECT_EQ(exact.start, "2006/03/14 10:00");
}

TEST_F(ClipProbesTest, FilePropertiesBeyondTheFirstReadAreFound)
{
    // Header Object | 10,000-byte object | File Properties: past the first 4 KiB.
    const std::string header =
        AsfHeader({AsfObject(kAsfStreamPropertiesGuid, std::string(10000, '\0')), AsfFileProperties(1234567890, 0)});
    const AsfProbe probe = ProbeAsf(m_dir.WriteFile("late.asf", header + Trailer("NC2006/03/14 10:00")));
    EXPECT_EQ(probe.result, ClipProber::AsfResult::Ok);
    EXPECT_EQ(probe.seconds, 123);
}

TEST_F(ClipProbesTest, HeaderWithoutFilePropertiesHasNoDuration)
{
    const std::string path =
        m_dir.WriteFile("nofpo.asf", AsfHeader({AsfObject(kAsfStreamPropertiesGuid, std::string(90, '\0'))}) +
                                         Trailer("NC2006/03/14 10:00,2006/03/14 10:05"));
    EXPECT_EQ(ProbeAsf(path).result, ClipProber::AsfResult::NoDuration);
}

TEST_F(ClipProbesTest, ReadOnlyClipIsRead)
{
    const std::string path = m_dir.WriteFile("ro.asf", AsfClip(20000000, 0, "NC2006/03/14 10:00,2006/03/14 10:05"));
    ::chmod(path.c_str(), 0444);
    const AsfProbe probe = ProbeAsf(path);
    EXPECT_EQ(probe.result, ClipProber::AsfResult::Ok);
    EXPECT_EQ(probe.seconds, 2);
}

TEST_F(ClipProbesTest, AviStreamOf1999MsLastsOneSecond)
{
    // 1999 frames at 1000 per second (rate/scale = 1000: rounded up, exact here).
    const std::string path = m_dir.WriteFile("Md1999.avi", Avi({Strl("vids", 1, 1000, 0, 1999)}));
    const std::optional<RecordedFile> row = ProbeAvi(path);
    ASSERT_TRUE(row);
    EXPECT_STREQ(row->szDuration, "00:01");
    EXPECT_EQ(row->szEndTime, FormatRecordTime(CreationTime(path) + CTimeSpan(1)));
}

TEST_F(ClipProbesTest, AviStartSampleIsSubtracted)
{
    // Samples 50..60 at 5 per second: 2 s whatever the start.
    const std::optional<RecordedFile> row = ProbeAvi(m_dir.WriteFile("start.avi", Avi({Strl("vids", 1, 5, 50, 10)})));
    ASSERT_TRUE(row);
    EXPECT_STREQ(row->szDuration, "00:02");

    // Start and length 0xFFFFFFFF at scale 0xFFFFFFFF, rate 1: both ends lie
    // past INT64_MAX milliseconds, yet the stream is far longer than 900 s.
    const std::string huge = m_dir.WriteFile("huge.avi", Avi({Strl("vids", 0xFFFFFFFFu, 1, 0xFFFFFFFFu, 0xFFFFFFFFu)}));
    const std::optional<RecordedFile> hugeRow = ProbeAvi(huge);
    ASSERT_TRUE(hugeRow);
    EXPECT_STREQ(hugeRow->szDuration, "15:00");
    EXPECT_EQ(hugeRow->szStartTime, FormatRecordTime(CreationTime(huge)));
}

TEST_F(ClipProbesTest, AviHeaderBeyondTheFirstReadIsFound)
{
    const std::string path = m_dir.WriteFile("late.avi", Riff({Chunk("JUNK", std::string(50000, '\0')),
                                                               List("hdrl", {Avih(), Strl("vids", 1, 5, 0, 4500)})}));
    const std::optional<RecordedFile> row = ProbeAvi(path);
    ASSERT_TRUE(row);
    EXPECT_STREQ(row->szDuration, "15:00"); // 900 s
}
