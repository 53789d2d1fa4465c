#include "catalog/ClipProbes.h"
#include "catalog/RecordingNames.h"
#include "platform/CFile.h"
#include "support/ClipBytes.h"
#include "support/LocalTimeZone.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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
    const std::string path = kData + "/clip-trailer.asf";
    std::string start, end;
    EXPECT_TRUE(ReadClipTrailer(path, start, end));
    EXPECT_EQ(start, "2006/03/14 10:00:05");
    EXPECT_EQ(end, "2006/03/14 10:00:07");
    EXPECT_EQ(ReadAsfPlayDuration(path), 2);
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
        std::string start, end, duration;
        ASSERT_TRUE(GetAviTimes(path, start, end, duration)) << c.name;
        const CTime created = CreationTime(path);
        EXPECT_EQ(start, FormatRecordTime(created)) << c.name;
        EXPECT_EQ(end, FormatRecordTime(created + CTimeSpan(c.seconds))) << c.name;
        EXPECT_EQ(duration, c.duration) << c.name;
    }
}

TEST_F(ClipProbesTest, RealAudioOnlyAviIsSkipped)
{
    // ffprobe: 0.257 s of PCM audio, no video stream.
    std::string start = "x", end = "y", duration = "keep";
    EXPECT_FALSE(GetAviTimes(kData + "/audio-only.avi", start, end, duration));
    EXPECT_EQ(start, "");
    EXPECT_EQ(end, "");
    EXPECT_EQ(duration, "keep");
}

// ---- files laid out in memory -------------------------------------------

TEST_F(ClipProbesTest, TrailerAndHeaderOfOneFile)
{
    const std::string path =
        m_dir.WriteFile("Sr0001.asf", AsfClip(1234567890, 0, "NC2006/03/14 10:00:05,2006/03/14 10:05:05"));
    std::string start, end;
    EXPECT_TRUE(ReadClipTrailer(path, start, end));
    EXPECT_EQ(start, "2006/03/14 10:00:05");
    EXPECT_EQ(end, "2006/03/14 10:05:05");
    EXPECT_EQ(ReadAsfPlayDuration(path), 123);
}

TEST_F(ClipProbesTest, LowerCaseNcIsNoTrailer)
{
    const std::string path =
        m_dir.WriteFile("a.asf", AsfClip(1234567890, 0, "nc2006/03/14 10:00:05,2006/03/14 10:05:05"));
    std::string start = "x", end = "y";
    // The file was read, so the probe succeeds; only its texts say "no trailer".
    EXPECT_TRUE(ReadClipTrailer(path, start, end));
    EXPECT_EQ(start, "");
    EXPECT_EQ(end, "");
}

TEST_F(ClipProbesTest, FilesShorterThanFiftyBytesHaveNoTrailer)
{
    // 49 bytes that would be a trailer text.
    const std::string path = m_dir.WriteFile("short.asf", Trailer("NC2006/03/14 10:00,2006/03/14 10:05").substr(0, 49));
    std::string start = "x", end = "y";
    EXPECT_TRUE(ReadClipTrailer(path, start, end));
    EXPECT_EQ(start, "");
    EXPECT_EQ(end, "");
    // Exactly 50 bytes is a trailer.
    const std::string exact = m_dir.WriteFile("exact.asf", Trailer("NC2006/03/14 10:00,2006/03/14 10:05"));
    EXPECT_TRUE(ReadClipTrailer(exact, start, end));
    EXPECT_EQ(start, "2006/03/14 10:00");
}

TEST_F(ClipProbesTest, FilesShorterThan102BytesHaveNoDuration)
{
    const std::string header = AsfHeader({AsfFileProperties(1234567890, 0)});
    for (std::size_t n : {0u, 50u, 101u, 102u, 133u}) {
        const std::string path = m_dir.WriteFile("cut.asf", header.substr(0, n));
        EXPECT_FALSE(ReadAsfPlayDuration(path)) << n;
    }
    EXPECT_EQ(ReadAsfPlayDuration(m_dir.WriteFile("whole.asf", header)), 123);
}

TEST_F(ClipProbesTest, FilePropertiesBeyondTheFirstReadAreFound)
{
    // Header Object | 10,000-byte object | File Properties: past the first 4 KiB.
    const std::string header =
        AsfHeader({AsfObject(kAsfStreamPropertiesGuid, std::string(10000, '\0')), AsfFileProperties(1234567890, 0)});
    EXPECT_EQ(ReadAsfPlayDuration(m_dir.WriteFile("late.asf", header + Trailer("NC"))), 123);
}

TEST_F(ClipProbesTest, HeaderWithoutFilePropertiesHasNoDuration)
{
    const std::string path =
        m_dir.WriteFile("nofpo.asf", AsfHeader({AsfObject(kAsfStreamPropertiesGuid, std::string(90, '\0'))}) +
                                         Trailer("NC2006/03/14 10:00,2006/03/14 10:05"));
    EXPECT_FALSE(ReadAsfPlayDuration(path));
}

TEST_F(ClipProbesTest, ReadOnlyClipIsRead)
{
    const std::string path = m_dir.WriteFile("ro.asf", AsfClip(20000000, 0, "NC2006/03/14 10:00,2006/03/14 10:05"));
    ::chmod(path.c_str(), 0444);
    std::string start, end;
    EXPECT_TRUE(ReadClipTrailer(path, start, end));
    EXPECT_EQ(ReadAsfPlayDuration(path), 2);
}

TEST_F(ClipProbesTest, MissingFilesAndFoldersAreUnreadable)
{
    std::string start, end, duration;
    EXPECT_FALSE(ReadClipTrailer(m_dir.Path() + "/none.asf", start, end));
    EXPECT_FALSE(ReadAsfPlayDuration(m_dir.Path() + "/none.asf"));
    EXPECT_FALSE(GetAviTimes(m_dir.Path() + "/none.avi", start, end, duration));
    const std::string folder = m_dir.MakeDir("folder.avi");
    EXPECT_FALSE(GetAviTimes(folder, start, end, duration));
    EXPECT_FALSE(ReadClipTrailer(m_dir.MakeDir("folder.asf"), start, end));
}

TEST_F(ClipProbesTest, AviNeedsAnAviName)
{
    const std::string avi = ReadFile(kData + "/mpeg4.avi");
    std::string start, end, duration;
    EXPECT_FALSE(GetAviTimes(m_dir.WriteFile("clip.mp4", avi), start, end, duration));
    EXPECT_TRUE(GetAviTimes(m_dir.WriteFile("CLIP.AVI", avi), start, end, duration));
}

TEST_F(ClipProbesTest, AviStreamOf1999MsLastsOneSecond)
{
    // 1999 frames at 1000 per second (rate/scale = 1000: rounded up, exact here).
    const std::string path = m_dir.WriteFile("Md1999.avi", Avi({Strl("vids", 1, 1000, 0, 1999)}));
    std::string start, end, duration;
    ASSERT_TRUE(GetAviTimes(path, start, end, duration));
    EXPECT_EQ(duration, "00:01");
    EXPECT_EQ(end, FormatRecordTime(CreationTime(path) + CTimeSpan(1)));
}

TEST_F(ClipProbesTest, AviStartSampleIsSubtracted)
{
    // Samples 50..60 at 5 per second: 2 s whatever the start.
    const std::string path = m_dir.WriteFile("start.avi", Avi({Strl("vids", 1, 5, 50, 10)}));
    std::string start, end, duration;
    ASSERT_TRUE(GetAviTimes(path, start, end, duration));
    EXPECT_EQ(duration, "00:02");

    // Start and length 0xFFFFFFFF at scale 0xFFFFFFFF, rate 1: both ends lie
    // past INT64_MAX milliseconds, yet the stream is far longer than 900 s.
    const std::string huge = m_dir.WriteFile("huge.avi", Avi({Strl("vids", 0xFFFFFFFFu, 1, 0xFFFFFFFFu, 0xFFFFFFFFu)}));
    ASSERT_TRUE(GetAviTimes(huge, start, end, duration));
    EXPECT_EQ(duration, "15:00");
    EXPECT_EQ(start, FormatRecordTime(CreationTime(huge)));
}

TEST_F(ClipProbesTest, AviHeaderBeyondTheFirstReadIsFound)
{
    const std::string path = m_dir.WriteFile("late.avi", Riff({Chunk("JUNK", std::string(50000, '\0')),
                                                               List("hdrl", {Avih(), Strl("vids", 1, 5, 0, 4500)})}));
    std::string start, end, duration;
    ASSERT_TRUE(GetAviTimes(path, start, end, duration));
    EXPECT_EQ(duration, "15:00"); // 900 s
}
