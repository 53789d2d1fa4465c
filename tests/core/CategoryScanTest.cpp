#include "catalog/DeviceSearches.h"
#include "catalog/RecordingNames.h"
#include "catalog/ScanControl.h"
#include "catalog/ScanSeam.h"
#include "catalog/SearchRequest.h"
#include "platform/CFile.h"
#include "support/ClipBytes.h"
#include "support/LocalTimeZone.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <filesystem>
#include <windows.h>
#endif

#include <chrono>
#include <fstream>
#include <sys/stat.h>
#include <thread>

using namespace clipbytes;

namespace {

const std::string kData = CLIPSCOUT_TEST_DATA;

// A clip of the store: a 2-second ASF header and the recorder's trailer.
std::string Clip(std::string_view start, std::string_view end = "2006/03/14 10:05:00")
{
    return AsfClip(20000000, 0, "NC" + std::string(start) + "," + std::string(end));
}

CTime At(int year, int month, int day, int hour, int minute, int second = 0)
{
    return CTime(year, month, day, hour, minute, second);
}

std::vector<std::string> Names(const std::vector<RecordedFile>& rows)
{
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (const RecordedFile& row : rows)
        names.emplace_back(row.szFileName);
    return names;
}

class CategoryScanTest : public ::testing::Test {
protected:
    std::vector<RecordedFile> Scan(const std::string& category, const CTime& start, const CTime& end,
                                   const std::string& device = "Cam1")
    {
        SearchResult result = RunSearchIn(m_dir.Path(), Request(category, start, end, device));
        EXPECT_TRUE(result.bScanned && result.bComplete);
        m_folder = result.strCategoryFolder;
        return std::move(result.aRows);
    }

    SearchRequest Request(const std::string& category, const CTime& start, const CTime& end,
                          const std::string& device = "Cam1", int workers = CategoryScan::kDefaultWorkers)
    {
        SearchRequest request;
        request.strDevice = device;
        request.strCategory = category;
        request.strCategoryFolder = m_folder;
        request.tSearchStart = start;
        request.tSearchEnd = end;
        request.nWorkers = workers;
        return request;
    }

    // Writes a snapshot and returns the time the scan will take for it.
    CTime Snapshot(const std::string& relative)
    {
        const std::string path = m_dir.WriteFile(relative, "JFIF");
        CFileStatus status;
        EXPECT_TRUE(CFile::GetStatus(path, status));
        return status.m_ctime;
    }

    LocalTimeZone m_zone;
    TempDir m_dir;
    std::string m_folder; // the page's category folder, kept between scans
    const CTime m_dayStart = At(2006, 3, 14, 0, 0);
    const CTime m_dayEnd = At(2006, 3, 14, 23, 59);
};

} // namespace

TEST_F(CategoryScanTest, RangeEndsAreInclusive)
{
    m_dir.WriteFile("Cam1/Recording/Sr1.asf", Clip("2006/03/14 09:59"));
    m_dir.WriteFile("Cam1/Recording/Sr2.asf", Clip("2006/03/14 10:00"));
    m_dir.WriteFile("Cam1/Recording/Sr3.asf", Clip("2006/03/14 11:00:59"));
    m_dir.WriteFile("Cam1/Recording/Sr4.asf", Clip("2006/03/14 11:01"));
    const auto rows = Scan("Scheduled Recording", At(2006, 3, 14, 10, 0), At(2006, 3, 14, 11, 0));
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"Sr2.asf", "Sr3.asf"}));
}

TEST_F(CategoryScanTest, RowsHoldTheProbedTexts)
{
    m_dir.WriteFile("Cam1/Recording/Sr0001.asf", AsfClip(1234567890, 0, "NC2006/03/14 10:00:05,2006/03/14 10:05:05"));
    const auto rows = Scan("Scheduled Recording", m_dayStart, m_dayEnd);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_STREQ(rows[0].szFileName, "Sr0001.asf");
    EXPECT_STREQ(rows[0].szType, "Sr");
    EXPECT_STREQ(rows[0].szStartTime, "2006/03/14 10:00:05");
    EXPECT_STREQ(rows[0].szEndTime, "2006/03/14 10:05:05");
    EXPECT_STREQ(rows[0].szDuration, "02:03");
    EXPECT_EQ(rows[0].tStart, At(2006, 3, 14, 10, 0));
    EXPECT_EQ(rows[0].tEnd, At(2006, 3, 14, 10, 5));
    EXPECT_EQ(ToDisplayTime(rows[0].szStartTime), "03/14/06  10:00:05");
    // Beyond the list's texts: the trailer's seconds, the whole length, the size.
    EXPECT_EQ(rows[0].tRecorded, At(2006, 3, 14, 10, 0, 5));
    EXPECT_EQ(rows[0].nDurationSeconds, 123);
    EXPECT_EQ(rows[0].nSize, ReadFile(m_dir.Path() + "/Cam1/Recording/Sr0001.asf").size());
}

TEST_F(CategoryScanTest, StartEqualToEndAcceptsThatMinuteOfClipsAndThatSecondOfSnapshots)
{
    m_dir.WriteFile("Cam1/Recording/Sr1.asf", Clip("2006/03/14 10:00:59"));
    m_dir.WriteFile("Cam1/Recording/Sr2.asf", Clip("2006/03/14 10:01"));
    const CTime ten = At(2006, 3, 14, 10, 0);
    EXPECT_EQ(Names(Scan("Scheduled Recording", ten, ten)), (std::vector<std::string>{"Sr1.asf"}));

    const CTime taken = Snapshot("Cam1/SnapShot/a.jpg");
    EXPECT_EQ(Scan("SnapShot", taken, taken).size(), 1u);
    EXPECT_EQ(Scan("SnapShot", taken + CTimeSpan(1), taken + CTimeSpan(1)).size(), 0u);
    EXPECT_EQ(Scan("SnapShot", taken - CTimeSpan(1), taken - CTimeSpan(1)).size(), 0u);
}

TEST_F(CategoryScanTest, ClipAtMinutePlus40IsInARangeEndingAtTheMinuteWhileASnapshotIsNot)
{
    // Snapshot times keep their seconds; clip times are cut to the minute. The
    // snapshot's time is its real creation time, so wait for one whose seconds
    // are not 0 (like 10:00:40).
    CTime taken = Snapshot("Cam1/SnapShot/shot.jpg");
    for (int i = 0; i < 3 && taken.GetSecond() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        std::remove((m_dir.Path() + "/Cam1/SnapShot/shot.jpg").c_str());
        taken = Snapshot("Cam1/SnapShot/shot.jpg");
    }
    ASSERT_NE(taken.GetSecond(), 0);
    const CTime minute = taken - CTimeSpan(taken.GetSecond());
    const std::string clipStart = taken.Format("%Y/%m/%d %H:%M:%S"); // e.g. 10:00:40
    m_dir.WriteFile("Cam1/Recording/Sr1.asf", Clip(clipStart, clipStart));

    const CTime rangeStart = minute - CTimeSpan(3600);
    EXPECT_EQ(Names(Scan("Scheduled Recording", rangeStart, minute)), (std::vector<std::string>{"Sr1.asf"}));
    EXPECT_TRUE(Scan("SnapShot", rangeStart, minute).empty());
    EXPECT_EQ(Scan("SnapShot", rangeStart, minute + CTimeSpan(60)).size(), 1u);
}

TEST_F(CategoryScanTest, ScheduledAndInstantShareRecordingAndAreToldApartByTypeCode)
{
    for (const char* name : {"Sr1.asf", "Ir1.asf", "sr1.asf", "IR1.asf", "Ss1.asf", "Md1.asf", "S.asf"})
        m_dir.WriteFile(std::string("Cam1/Recording/") + name, Clip("2006/03/14 10:00"));
    EXPECT_EQ(Names(Scan("Scheduled Recording", m_dayStart, m_dayEnd)), (std::vector<std::string>{"Sr1.asf"}));
    EXPECT_EQ(m_folder, "Recording");
    EXPECT_EQ(Names(Scan("Instant Recording", m_dayStart, m_dayEnd)), (std::vector<std::string>{"Ir1.asf"}));
}

TEST_F(CategoryScanTest, MotionDetectionListsEveryCodeButIrSrAndSs)
{
    // (ir2, not ir1: a Windows folder cannot hold both Ir1 and ir1.)
    for (const char* name : {"Ir1.asf", "Sr1.asf", "Ss1.asf", "Md1.asf", "ir2.asf", "x.asf", "Zz.asf"})
        m_dir.WriteFile(std::string("Cam1/MotionDetection/") + name, Clip("2006/03/14 10:00"));
    EXPECT_EQ(Names(Scan("Motion Detection", m_dayStart, m_dayEnd)),
              (std::vector<std::string>{"ir2.asf", "Md1.asf", "x.asf", "Zz.asf"}));
    EXPECT_EQ(m_folder, "MotionDetection");
}

TEST_F(CategoryScanTest, SnapshotsAreNotFilteredByName)
{
    Snapshot("Cam1/SnapShot/Sr1.jpg");
    Snapshot("Cam1/SnapShot/any.bmp");
    Snapshot("Cam1/SnapShot/clip.asf");
    const auto rows = Scan("SnapShot", CTime(0), At(2100, 1, 1, 0, 0));
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"Sr1.jpg", "any.bmp"}));
    EXPECT_STREQ(rows[0].szType, "");
    EXPECT_STREQ(rows[0].szDuration, "");
    EXPECT_EQ(rows[0].tStart, rows[0].tEnd);
    EXPECT_EQ(std::string(rows[0].szStartTime), FormatRecordTime(rows[0].tStart));
    EXPECT_STREQ(rows[0].szEndTime, rows[0].szStartTime);
    EXPECT_EQ(rows[0].tRecorded, rows[0].tStart);
    EXPECT_EQ(rows[0].nDurationSeconds, -1);
}

TEST_F(CategoryScanTest, UnknownCategoryReadsThePreviousFolderAndMatchesNothing)
{
    for (const char* name : {"Sr1.asf", "Md1.asf"}) {
        m_dir.WriteFile(std::string("Cam1/Recording/") + name, Clip("2006/03/14 10:00"));
        m_dir.WriteFile(std::string("Cam1/") + name, Clip("2006/03/14 10:00"));
    }
    // First scan: no folder yet, the device folder itself is read.
    EXPECT_TRUE(Scan("Geplante Aufnahme", m_dayStart, m_dayEnd).empty());
    EXPECT_EQ(m_folder, "");
    EXPECT_EQ(CategoryFolderPath(m_dir.Path(), "Cam1", m_folder), m_dir.Path() + "/Cam1");
    // After a real search the folder is kept for a text that maps to none.
    EXPECT_EQ(Scan("Scheduled Recording", m_dayStart, m_dayEnd).size(), 1u);
    EXPECT_TRUE(Scan("Scheduled recording", m_dayStart, m_dayEnd).empty());
    EXPECT_EQ(m_folder, "Recording");
}

TEST_F(CategoryScanTest, FolderNamedLikeASnapshotIsListedWithItsOwnTime)
{
    const std::string folder = m_dir.MakeDir("Cam1/SnapShot/holiday.jpg");
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(folder, status));
    const auto rows = Scan("SnapShot", CTime(0), At(2100, 1, 1, 0, 0));
    ASSERT_EQ(Names(rows), (std::vector<std::string>{"holiday.jpg"}));
    EXPECT_EQ(rows[0].tStart, status.m_ctime);
}

TEST_F(CategoryScanTest, MoreThan255RowsAreAllKept)
{
    const std::string clip = Clip("2006/03/14 10:00");
    for (int i = 0; i < 300; ++i)
        m_dir.WriteFile("Cam1/Recording/Sr" + std::to_string(1000 + i) + ".asf", clip);
    const auto rows = Scan("Scheduled Recording", m_dayStart, m_dayEnd);
    ASSERT_EQ(rows.size(), 300u);
    EXPECT_STREQ(rows[0].szFileName, "Sr1000.asf");
    EXPECT_STREQ(rows[299].szFileName, "Sr1299.asf");
}

TEST_F(CategoryScanTest, AsfRowsComeBeforeAviRowsAndJpgBeforeBmp)
{
    const std::string avi = ReadFile(kData + "/mpeg4.avi");
    m_dir.WriteFile("Cam1/MotionDetection/a.avi", avi);
    m_dir.WriteFile("Cam1/MotionDetection/c.asf", Clip("2006/03/14 10:00"));
    m_dir.WriteFile("Cam1/MotionDetection/B.asf", Clip("2006/03/14 10:00"));
    m_dir.WriteFile("Cam1/MotionDetection/A.ASF", Clip("2006/03/14 10:00"));
    m_dir.WriteFile("Cam1/MotionDetection/0.AVI", avi);
    m_dir.WriteFile("Cam1/MotionDetection/Md_1.asf", Clip("2006/03/14 10:00"));
    m_dir.WriteFile("Cam1/MotionDetection/MdA.asf", Clip("2006/03/14 10:00"));
    const auto rows = Scan("Motion Detection", CTime(0), At(2100, 1, 1, 0, 0));
    EXPECT_EQ(Names(rows),
              (std::vector<std::string>{"A.ASF", "B.asf", "c.asf", "MdA.asf", "Md_1.asf", "0.AVI", "a.avi"}));

    Snapshot("Cam1/SnapShot/a.bmp");
    Snapshot("Cam1/SnapShot/z.jpg");
    Snapshot("Cam1/SnapShot/B.JPG");
    EXPECT_EQ(Names(Scan("SnapShot", CTime(0), At(2100, 1, 1, 0, 0))),
              (std::vector<std::string>{"B.JPG", "z.jpg", "a.bmp"}));
}

TEST_F(CategoryScanTest, AviClipsTakeTheirCreationTimeAndAudioOnlyIsSkipped)
{
    const std::string path = m_dir.WriteFile("Cam1/MotionDetection/Md1.avi", ReadFile(kData + "/mjpeg.avi"));
    m_dir.WriteFile("Cam1/MotionDetection/Md2.avi", ReadFile(kData + "/audio-only.avi"));
    m_dir.WriteFile("Cam1/Recording/Sr1.avi", ReadFile(kData + "/mpeg4.avi"));
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path, status));
    const CTime minute = status.m_ctime - CTimeSpan(status.m_ctime.GetSecond());

    const auto rows = Scan("Motion Detection", minute, minute);
    ASSERT_EQ(Names(rows), (std::vector<std::string>{"Md1.avi"}));
    EXPECT_STREQ(rows[0].szType, "Md");
    EXPECT_STREQ(rows[0].szDuration, "00:01");
    EXPECT_EQ(std::string(rows[0].szStartTime), FormatRecordTime(status.m_ctime));
    EXPECT_EQ(rows[0].tStart, minute);
    EXPECT_EQ(Names(Scan("Scheduled Recording", minute, minute + CTimeSpan(60))),
              (std::vector<std::string>{"Sr1.avi"}));
}

TEST_F(CategoryScanTest, UnreadableClipsAreSkipped)
{
    m_dir.WriteFile("Cam1/Recording/Sr1.asf", AsfClip(20000000, 0, "")); // no trailer
    m_dir.WriteFile("Cam1/Recording/Sr2.asf", AsfClip(20000000, 0, "nc2006/03/14 10:00,2006/03/14 10:01"));
    m_dir.WriteFile("Cam1/Recording/Sr3.asf",
                    AsfHeader({}) + Trailer("NC2006/03/14 10:00,2006/03/14 10:01"));        // no duration
    m_dir.WriteFile("Cam1/Recording/Sr4.asf", Clip("yesterday"));                           // start does not parse
    m_dir.WriteFile("Cam1/Recording/Sr5.asf", AsfClip(20000000, 0, "NC,2006/03/14 10:00")); // empty start
    m_dir.WriteFile("Cam1/Recording/Sr6.asf", Clip("2006/03/14 10:00"));
    m_dir.WriteFile("Cam1/Recording/Sr7.avi", Clip("2006/03/14 10:00")); // not an AVI
    m_dir.MakeDir("Cam1/Recording/Sr8.asf");
    EXPECT_EQ(Names(Scan("Scheduled Recording", CTime(0), At(2100, 1, 1, 0, 0))),
              (std::vector<std::string>{"Sr6.asf"}));
}

TEST_F(CategoryScanTest, ReadOnlyClipIsListed)
{
    const std::string path = m_dir.WriteFile("Cam1/Recording/Sr1.asf", Clip("2006/03/14 10:00"));
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(Scan("Scheduled Recording", m_dayStart, m_dayEnd).size(), 1u);
}

TEST_F(CategoryScanTest, AClipBeingRecordedIsListedAndOneHeldWithoutSharingIsPassedOver)
{
#ifndef _WIN32
    GTEST_SKIP() << "files are opened with share modes on Windows only";
#else
    const std::string recording = m_dir.WriteFile("Cam1/Recording/Sr1.asf", Clip("2006/03/14 10:00"));
    const std::string held = m_dir.WriteFile("Cam1/Recording/Sr2.asf", Clip("2006/03/14 10:00"));
    const auto open = [](const std::string& path, DWORD share) {
        const std::filesystem::path name(std::u8string(path.begin(), path.end()));
        return ::CreateFileW(name.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    };
    // The recorder writes the one and lets others read it; something else
    // holds the other and lets no one in.
    const HANDLE writer = open(recording, FILE_SHARE_READ);
    const HANDLE locker = open(held, 0);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    ASSERT_NE(locker, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Names(Scan("Scheduled Recording", m_dayStart, m_dayEnd)), std::vector<std::string>{"Sr1.asf"});
    ::CloseHandle(writer);
    ::CloseHandle(locker);
    EXPECT_EQ(Scan("Scheduled Recording", m_dayStart, m_dayEnd).size(), 2u);
#endif
}

TEST_F(CategoryScanTest, FolderNamesFallBackToAnotherLetterCase)
{
    // The device discovery accepts "Snapshot"; the category folder is "SnapShot".
    Snapshot("cam1/Snapshot/a.jpg");
    EXPECT_EQ(Scan("SnapShot", CTime(0), At(2100, 1, 1, 0, 0), "Cam1").size(), 1u);
    EXPECT_EQ(CategoryFolderPath(m_dir.Path(), "Cam1", "SnapShot"), m_dir.Path() + "/cam1/Snapshot");
    // A piece that matches nothing is kept as given: nothing is listed.
    EXPECT_EQ(CategoryFolderPath(m_dir.Path(), "Cam9", "Recording"), m_dir.Path() + "/Cam9/Recording");
    EXPECT_TRUE(Scan("Scheduled Recording", CTime(0), At(2100, 1, 1, 0, 0), "Cam9").empty());
#ifdef _WIN32
    GTEST_SKIP() << "one Windows folder cannot hold both SnapShot and Snapshot";
#endif
    // The exact name wins when both exist.
    Snapshot("cam1/SnapShot/b.jpg");
    Snapshot("cam1/SnapShot/c.jpg");
    EXPECT_EQ(Scan("SnapShot", CTime(0), At(2100, 1, 1, 0, 0), "Cam1").size(), 2u);
}

TEST_F(CategoryScanTest, InvertedRangeReadsNothingAndKeepsTheRows)
{
    m_dir.WriteFile("Cam1/Recording/Sr1.asf", Clip("2006/03/14 10:00"));
    m_folder = "MotionDetection";
    bool started = false;
    const SearchResult result = RunSearchIn(
        m_dir.Path(), Request("Scheduled Recording", At(2006, 3, 14, 10, 1), At(2006, 3, 14, 10, 0)),
        [](const RecordedFile&) { return true; }, [&started](const SearchResult&) { started = true; });
    EXPECT_FALSE(result.bScanned);
    EXPECT_TRUE(started);
    EXPECT_EQ(result.strCategoryFolder, "Recording"); // mapped first, as the page does
    EXPECT_EQ(result.strFolderPath, m_dir.Path() + "/Cam1/Recording");
}

TEST_F(CategoryScanTest, LongNamesAreKeptWholeAndLongTimeTextsCutOnlyForDisplay)
{
    const std::string longName = "Sr" + std::string(249, 'x') + ".asf"; // 255 bytes, the most ext4 allows
    m_dir.WriteFile("Cam1/Recording/" + longName,
                    AsfClip(20000000, 0, "NC2006/03/14 10:00:05 words,2006/03/14 10:05:05x"));
    // Ten blanks push the minute past the 24-byte field: the time is read
    // from the whole text, so a search for 10:59 finds it.
    m_dir.WriteFile("Cam1/Recording/Sr2.asf", Clip("2006/03/14          10:59:05", "2006/03/14 11:04"));
    const auto rows = Scan("Scheduled Recording", m_dayStart, m_dayEnd);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(std::string(rows[1].szFileName), longName);
    EXPECT_STREQ(rows[1].szStartTime, "2006/03/14 10:00:05 word"); // 24 characters
    EXPECT_STREQ(rows[1].szEndTime, "2006/03/14 10:05:05");        // 19 characters
    EXPECT_STREQ(rows[0].szStartTime, "2006/03/14          10:5");
    EXPECT_EQ(rows[0].tStart, At(2006, 3, 14, 10, 59));
    EXPECT_EQ(rows[0].tEnd, At(2006, 3, 14, 11, 4));
    const CTime minute = At(2006, 3, 14, 10, 59);
    EXPECT_EQ(Names(Scan("Scheduled Recording", minute, minute)), (std::vector<std::string>{"Sr2.asf"}));
}

TEST_F(CategoryScanTest, ClipsAreJudgedByTheirStartAlone)
{
    m_dir.WriteFile("Cam1/Recording/Sr1.asf", AsfClip(20000000, 0, "NC2026/12/03 10:03:00"));
    m_dir.WriteFile("Cam1/Recording/Sr2.asf", AsfClip(20000000, 0, "NC2026/12/03 10:04:00,"));
    m_dir.WriteFile("Cam1/Recording/Sr3.asf", Clip("2026/12/03 10:05", "soon"));
    const auto rows = Scan("Scheduled Recording", At(2026, 12, 3, 0, 0), At(2026, 12, 3, 23, 59));
    ASSERT_EQ(Names(rows), (std::vector<std::string>{"Sr1.asf", "Sr2.asf", "Sr3.asf"}));
    EXPECT_STREQ(rows[0].szEndTime, "");
    EXPECT_STREQ(rows[1].szEndTime, "");
    EXPECT_STREQ(rows[2].szEndTime, "soon");
    EXPECT_EQ(rows[0].tStart, At(2026, 12, 3, 10, 3));
    for (const RecordedFile& row : rows)
        EXPECT_EQ(row.tEnd, row.tStart) << row.szFileName;
}

TEST_F(CategoryScanTest, MissingFoldersListNothing)
{
    EXPECT_TRUE(Scan("Scheduled Recording", m_dayStart, m_dayEnd).empty());
    EXPECT_TRUE(Scan("SnapShot", m_dayStart, m_dayEnd).empty());
    const SearchResult result = RunSearchIn(m_dir.Path() + "/none", Request("Motion Detection", m_dayStart, m_dayEnd));
    EXPECT_TRUE(result.bScanned && result.bComplete);
    EXPECT_TRUE(result.aRows.empty());
}

TEST_F(CategoryScanTest, ParallelScanListsWhatASerialScanListsAndCanBeStopped)
{
    // A store of every kind of entry, enough of them that each worker gets
    // several chunks: clips of every code with starts spread over days,
    // clips without a trailer or a duration or a parseable time, AVI clips
    // with and without video, a clip named .avi, folders named like clips
    // and snapshots, letter cases mixed.
    const std::string avi = ReadFile(kData + "/mpeg4.avi");
    const std::string audioOnly = ReadFile(kData + "/audio-only.avi");
    const char* codes[] = {"Sr", "Ir", "Md", "Ss", "sr", "Xx"};
    for (const char* folder : {"Cam1/Recording/", "Cam1/MotionDetection/"}) {
        for (int i = 0; i < 240; ++i) {
            const std::string name = std::string(folder) + codes[i % 6] + std::to_string(i);
            const CTime start = At(2006, 3, 10, 0, 0) + CTimeSpan(3600LL * 7 * i);
            const std::string startText = start.Format("%Y/%m/%d %H:%M:%S");
            switch (i % 10) {
            case 0:
                m_dir.WriteFile(name + ".asf", AsfClip(20000000, 0, ""));
                break;
            case 1:
                m_dir.WriteFile(name + ".ASF", AsfHeader({}) + Trailer("NC" + startText + "," + startText));
                break;
            case 2:
                m_dir.WriteFile(name + ".asf", Clip("soon"));
                break;
            case 3:
                m_dir.MakeDir(name + ".asf");
                break;
            case 4:
                m_dir.WriteFile(name + ".avi", i % 20 == 4 ? avi : audioOnly);
                break;
            case 5:
                m_dir.WriteFile(name + ".Avi", Clip(startText));
                break;
            default:
                m_dir.WriteFile(name + ".asf", Clip(startText, startText));
                break;
            }
        }
    }
    for (int i = 0; i < 120; ++i)
        Snapshot("Cam1/SnapShot/" + std::string(i % 7 == 0 ? "B" : "a") + std::to_string(i) +
                 (i % 3 == 0 ? ".bmp" : ".jpg"));
    m_dir.MakeDir("Cam1/SnapShot/holiday.JPG");

    // Every field but the times as texts, so that a difference shows which.
    const auto texts = [](const std::vector<RecordedFile>& rows) {
        std::vector<std::string> out;
        out.reserve(rows.size());
        for (const RecordedFile& r : rows)
            out.push_back(std::string(r.szFileName) + "|" + r.szType + "|" + r.szStartTime + "|" + r.szEndTime + "|" +
                          r.szDuration + "|" + std::to_string(r.tStart.GetTime()) + "|" +
                          std::to_string(r.tEnd.GetTime()));
        return out;
    };
    const CTime from = At(2006, 3, 20, 0, 0), to = At(2006, 5, 1, 0, 0);
    for (const char* category :
         {"Scheduled Recording", "Instant Recording", "Motion Detection", "SnapShot", "Unknown"}) {
        SCOPED_TRACE(category);
        // Snapshots carry today's times.
        const bool snapshots = std::string(category) == "SnapShot";
        const CTime start = snapshots ? CTime(0) : from, end = snapshots ? At(2100, 1, 1, 0, 0) : to;
        // An unknown category reads the previous search's folder and lists nothing.
        m_folder = "MotionDetection";
        const SearchResult serial = RunSearchIn(m_dir.Path(), Request(category, start, end, "Cam1", 1));
        ScanControl control;
        SearchRequest request = Request(category, start, end, "Cam1", 8);
        request.pControl = &control;
        const SearchResult parallel = RunSearchIn(m_dir.Path(), request);
        ASSERT_TRUE(serial.bComplete && parallel.bComplete);
        EXPECT_EQ(serial.aRows.empty(), std::string(category) == "Unknown");
        EXPECT_EQ(texts(parallel.aRows), texts(serial.aRows));
        EXPECT_EQ(parallel.strFolderPath, serial.strFolderPath);
        EXPECT_EQ(control.FilesExamined(), control.FilesListed());
        EXPECT_EQ(control.FilesListed(), snapshots ? 121u : 240u);
    }

    // Stopped before it starts: nothing is read.
    ScanControl stopped;
    stopped.Cancel();
    SearchRequest request = Request("Motion Detection", CTime(0), to, "Cam1", 8);
    request.pControl = &stopped;
    const SearchResult result = RunSearchIn(m_dir.Path(), request);
    EXPECT_FALSE(result.bComplete);
    EXPECT_TRUE(result.aRows.empty());
    EXPECT_EQ(stopped.FilesExamined(), 0u);
}

TEST_F(CategoryScanTest, RowsReachTheSinkInOrderAsSoonAsKnownAndTheSinkCanStopTheScan)
{
    const int clips = 600;
    for (int i = 0; i < clips; ++i)
        m_dir.WriteFile("Cam1/Recording/Sr" + std::to_string(1000 + i) + ".asf", Clip("2006/03/14 10:00"));

    // The first file each worker takes is slow, so that the files after it
    // are done first, and more files than the workers' slots are waiting at
    // once. Files past the first 300 wait until the sink has had a row and
    // the scan has paused for the next one: a scan that hands rows over only
    // at its end, or that never says when it waits, would keep them waiting.
    std::atomic<int> started{0};
    std::atomic<bool> paused{false}, waitedInVain{false};
    ScanSeam::SetBeforeFile([&](const ScanControl*, std::size_t) {
        const int n = started.fetch_add(1);
        if (n < 8)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (n < 300)
            return;
        for (int ms = 0; !paused.load() && !waitedInVain.load(); ++ms) {
            if (ms == 5000) {
                waitedInVain.store(true);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::vector<std::string> names;
    SearchRequest ordered = Request("Scheduled Recording", m_dayStart, m_dayEnd, "Cam1", 8);
    ordered.fnPause = [&] {
        if (!names.empty())
            paused.store(true);
    };
    RunSearchIn(m_dir.Path(), ordered, [&](const RecordedFile& row) {
        names.emplace_back(row.szFileName);
        return true;
    });
    ScanSeam::SetBeforeFile({});
    EXPECT_FALSE(waitedInVain.load());
    ASSERT_EQ(names.size(), static_cast<std::size_t>(clips));
    for (int i = 0; i < clips; ++i)
        EXPECT_EQ(names[static_cast<std::size_t>(i)], "Sr" + std::to_string(1000 + i) + ".asf");

    // A sink that says no gets no further row, and the scan ends early.
    for (int workers : {1, 8}) {
        int calls = 0;
        ScanControl control;
        SearchRequest request = Request("Scheduled Recording", m_dayStart, m_dayEnd, "Cam1", workers);
        request.pControl = &control;
        const SearchResult result =
            RunSearchIn(m_dir.Path(), request, [&calls](const RecordedFile&) { return ++calls < 3; });
        EXPECT_FALSE(result.bComplete) << workers;
        EXPECT_EQ(calls, 3) << workers;
        if (workers == 1) {
            EXPECT_EQ(control.FilesExamined(), 3u);
        }
    }
}

TEST_F(CategoryScanTest, ACancelledScanOpensNoFurtherFile)
{
    for (int i = 0; i < 600; ++i)
        m_dir.WriteFile("Cam1/Recording/Sr" + std::to_string(1000 + i) + ".asf", Clip("2006/03/14 10:00"));
    for (int workers : {1, 8}) {
        // The store answers at once, before and after the cancel: only the
        // scan itself can stop reading.
        ScanControl control;
        std::atomic<int> files{0}, afterCancel{0};
        ScanSeam::SetBeforeFile([&](const ScanControl*, std::size_t) {
            if (++files == 100)
                control.Cancel();
            else if (control.IsCancelled())
                ++afterCancel;
        });
        SearchRequest request = Request("Scheduled Recording", m_dayStart, m_dayEnd, "Cam1", workers);
        request.pControl = &control;
        int rows = 0;
        const SearchResult result = RunSearchIn(m_dir.Path(), request, [&](const RecordedFile&) {
            ++rows;
            return true;
        });
        ScanSeam::SetBeforeFile({});
        EXPECT_FALSE(result.bComplete) << workers;
        // Each worker may have been about to look at one more file.
        EXPECT_LE(afterCancel.load(), workers) << workers;
        EXPECT_LE(control.FilesExamined(), static_cast<std::size_t>(100 + workers)) << workers;
        EXPECT_LT(rows, 100) << workers;
    }
}

TEST_F(CategoryScanTest, DeviceSearchesRunEachDeviceIntoItsOwnSinkAndOneControlCountsAndStopsThemAll)
{
    const std::vector<std::string> devices = {"Cam1", "Cam2", "Cam3"};
    for (std::size_t d = 0; d < devices.size(); ++d)
        for (std::size_t i = 0; i <= d * 40; ++i)
            m_dir.WriteFile(devices[d] + "/Recording/Sr" + std::to_string(1000 + i) + ".asf",
                            Clip("2006/03/14 10:" + std::to_string(10 + i % 40)));
    SearchRequest request = Request("Scheduled Recording", m_dayStart, m_dayEnd);
    request.strRecordingDir = m_dir.Path();
    ScanControl control;
    request.pControl = &control;
    std::vector<std::vector<std::string>> rows(devices.size());
    const auto sinks = [&rows](std::size_t device) -> RowSink {
        return [&kept = rows[device]](const RecordedFile& row) {
            kept.emplace_back(row.szFileName);
            return true;
        };
    };
    const std::vector<SearchResult> results = DeviceSearches::Run(request, devices, sinks);
    ASSERT_EQ(results.size(), devices.size());
    for (std::size_t d = 0; d < devices.size(); ++d) {
        EXPECT_TRUE(results[d].bComplete) << d;
        EXPECT_EQ(results[d].strFolderPath, m_dir.Path() + "/" + devices[d] + "/Recording");
        EXPECT_EQ(rows[d].size(), d * 40 + 1) << d;
    }
    // Each device's files, counted once whatever the threads did.
    EXPECT_EQ(control.FilesListed(), 123u);
    EXPECT_EQ(control.FilesExamined(), 123u);
    // Searches in turn with one control add up.
    DeviceSearches::Run(request, devices, sinks);
    EXPECT_EQ(control.FilesListed(), 246u);
    EXPECT_EQ(control.FilesExamined(), 246u);

    // A control stopped stops every device's search.
    ScanControl stopped;
    stopped.Cancel();
    request.pControl = &stopped;
    for (const SearchResult& result : DeviceSearches::Run(request, devices, sinks))
        EXPECT_FALSE(result.bComplete);
}
