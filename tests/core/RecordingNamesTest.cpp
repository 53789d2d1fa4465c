#include "catalog/RecordingNames.h"
#include "catalog/LocalZone.h"
#include "support/LocalTimeZone.h"

#include <gtest/gtest.h>

namespace {

class RecordingNamesTest : public ::testing::Test {
protected:
    LocalTimeZone m_zone;
    const LocalZone m_times{CTime(2005, 1, 1, 0, 0, 0), CTime(2041, 1, 1, 0, 0, 0)};
};

std::string Local(const CTime& t)
{
    return t.Format("%Y-%m-%d %H:%M:%S");
}

} // namespace

TEST_F(RecordingNamesTest, CategoriesMapToTheirFolders)
{
    EXPECT_EQ(CategoryFolder("Scheduled Recording"), "Recording");
    EXPECT_EQ(CategoryFolder("Instant Recording"), "Recording");
    EXPECT_EQ(CategoryFolder("Motion Detection"), "MotionDetection");
    EXPECT_EQ(CategoryFolder("SnapShot"), "SnapShot");
    EXPECT_EQ(CategoryFolder("Snapshot"), "");
    EXPECT_EQ(CategoryFolder("Geplante Aufnahme"), "");
}

TEST_F(RecordingNamesTest, TypeCodeIsCaseSensitiveAndDefaultsToMotion)
{
    EXPECT_EQ(CategoryFromTypeCode("Ir0001.asf"), "Instant Recording");
    EXPECT_EQ(CategoryFromTypeCode("Sr0001.asf"), "Scheduled Recording");
    EXPECT_EQ(CategoryFromTypeCode("Ss0001.asf"), "SnapShot");
    EXPECT_EQ(CategoryFromTypeCode("ir0001.asf"), "Motion Detection");
    EXPECT_EQ(CategoryFromTypeCode("Md0001.asf"), "Motion Detection");
    EXPECT_EQ(CategoryFromTypeCode("S"), "Motion Detection");
    EXPECT_EQ(CategoryFromTypeCode(""), "Motion Detection");
}

TEST_F(RecordingNamesTest, RecordTimeTextRoundTrips)
{
    const CTime t(2006, 3, 14, 9, 5, 0);
    EXPECT_EQ(FormatRecordTime(t), "2006/03/14   09:05");
    const auto parsed = m_times.ParseRecordTime(FormatRecordTime(t));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, t);
}

TEST_F(RecordingNamesTest, ParsingToleratesLooseFormsAndDropsSeconds)
{
    auto expect = [this](const char* text, const char* local) {
        const auto parsed = m_times.ParseRecordTime(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(Local(*parsed), local) << text;
    };
    expect("2006/3/4 9:5", "2006-03-04 09:05:00");
    expect("2006/03/14 09:05:59", "2006-03-14 09:05:00");
    expect("//2006//03//14    09::05", "2006-03-14 09:05:00");
    expect("2006/03/14 10:00:05 trailing words", "2006-03-14 10:00:00");
    // A piece's own separator at its start is skipped too.
    expect("2006/03/ 14 09:05", "2006-03-14 09:05:00");
    expect("2006/03/14 :09:05", "2006-03-14 09:05:00");
    // Summer time is the system's decision: this is 10:00 CEST, 08:00 UTC.
    const auto summer = m_times.ParseRecordTime("2006/07/01 10:00");
    ASSERT_TRUE(summer);
    EXPECT_EQ(summer->GetTime(), 1151740800);
}

TEST_F(RecordingNamesTest, TextsThatAreNoTimeAreRejected)
{
    for (const char* text :
         {"", "NC", "2006/03/14", "2006/03/14 09", "2006/03/14 09:", "2006-03-14 09:05", "2006/13/01 09:05",
          "2006/02/29 09:05", "2006/04/31 09:05", "2006/03/32 09:05", "1969/12/31 23:59", "2006/03/14 24:00",
          "2006/03/14 09:60", "2006/00/14 09:05", "2006/-3/14 09:05", "99999999999/03/14 09:05"})
        EXPECT_FALSE(m_times.ParseRecordTime(text)) << '"' << text << '"';
    EXPECT_TRUE(m_times.ParseRecordTime("2008/02/29 23:59"));
}

TEST_F(RecordingNamesTest, RowTimesNeedOnlyTheStart)
{
    const LocalZone& times = m_times;
    CTime start, end;
    ASSERT_TRUE(times.RecordTimes("2006/03/14 10:00:05", "2006/03/14 10:05:05", start, end));
    EXPECT_EQ(start, CTime(2006, 3, 14, 10, 0, 0));
    EXPECT_EQ(end, CTime(2006, 3, 14, 10, 5, 0));

    // No end: the recording is still one, ending where it starts.
    ASSERT_TRUE(times.RecordTimes("2006/03/14 10:00:05", "", start, end));
    EXPECT_EQ(end, start);

    EXPECT_FALSE(times.RecordTimes("", "2006/03/14 10:05:05", start, end));
}

TEST_F(RecordingNamesTest, TimesAfter2038Survive)
{
    const auto t = m_times.ParseRecordTime("2040/06/01 12:30");
    ASSERT_TRUE(t);
    EXPECT_GT(t->GetTime(), 2147483647LL);
    EXPECT_EQ(FormatRecordTime(*t), "2040/06/01   12:30");
    EXPECT_EQ(ToDisplayTime(FormatRecordTime(*t)), "06/01/40  12:30");
}

TEST_F(RecordingNamesTest, DurationsAreMinutesAndSecondsUpTo900)
{
    EXPECT_EQ(FormatDuration(0), "00:00");
    EXPECT_EQ(FormatDuration(59), "00:59");
    EXPECT_EQ(FormatDuration(75), "01:15");
    EXPECT_EQ(FormatDuration(899), "14:59");
    EXPECT_EQ(FormatDuration(900), "15:00");
    EXPECT_EQ(FormatDuration(901), "15:00");
    EXPECT_EQ(FormatDuration(5000000000LL), "15:00");
    EXPECT_EQ(FormatDuration(INT64_MAX), "15:00");
    EXPECT_EQ(FormatDuration(-5), "00:00");
    // Into a fixed field, cut like CopyField.
    char narrow[4];
    FormatDurationField(narrow, 75);
    EXPECT_STREQ(narrow, "01:");
    m_times.FormatRecordTimeField(narrow, CTime(2006, 3, 14, 9, 5, 0));
    EXPECT_STREQ(narrow, "200");
}

TEST_F(RecordingNamesTest, DisplayFormShortensTheYearAndKeepsTheTimeAsWritten)
{
    EXPECT_EQ(ToDisplayTime("2006/03/14   09:05"), "03/14/06  09:05");
    EXPECT_EQ(ToDisplayTime("2006/03/14 10:00:05"), "03/14/06  10:00:05");
    EXPECT_EQ(ToDisplayTime("6/3/4 9:5"), "3/4/6  9:5");
    EXPECT_EQ(ToDisplayTime("2006/03"), "03//06  ");
    EXPECT_EQ(ToDisplayTime(""), "//  ");
}

TEST_F(RecordingNamesTest, RangeIncludesBothEnds)
{
    const CTime from(2006, 3, 14, 10, 0, 0);
    const CTime to(2006, 3, 14, 11, 0, 0);
    EXPECT_TRUE(IsInSearchRange(from, from, to));
    EXPECT_TRUE(IsInSearchRange(to, from, to));
    EXPECT_FALSE(IsInSearchRange(from - CTimeSpan(1), from, to));
    EXPECT_FALSE(IsInSearchRange(to + CTimeSpan(1), from, to));
    // A point range accepts exactly that instant.
    EXPECT_TRUE(IsInSearchRange(from, from, from));
    EXPECT_FALSE(IsInSearchRange(from + CTimeSpan(1), from, from));
}

TEST_F(RecordingNamesTest, ClipsAreCutToTheMinuteButSnapshotsAreNot)
{
    // A range ending at 10:00 takes a clip that started at 10:00:40 (its text
    // parses to 10:00) but not a snapshot taken at 10:00:40.
    const CTime from(2006, 3, 14, 9, 0, 0);
    const CTime to(2006, 3, 14, 10, 0, 0);
    EXPECT_TRUE(IsInSearchRange(*m_times.ParseRecordTime("2006/03/14 10:00:40"), from, to));
    EXPECT_FALSE(IsInSearchRange(CTime(2006, 3, 14, 10, 0, 40), from, to));
}

TEST_F(RecordingNamesTest, TimeSpanFormatsWithinTheNextUnit)
{
    EXPECT_EQ(CTimeSpan(3 * 86400 + 4 * 3600 + 5 * 60 + 6).Format("%D %H:%M:%S %%"), "3 04:05:06 %");
}
