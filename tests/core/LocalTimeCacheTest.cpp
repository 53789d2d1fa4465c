#include "catalog/LocalTimeCache.h"
#include "catalog/RecordingNames.h"
#include "support/LocalTimeZone.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Every minute of a day through the cache must give what CTime gives, except
// where the local time occurs twice: there any time showing those fields will
// do, as it does for mktime.
void ExpectDayMatches(int year, int month, int day)
{
    LocalTimeCache cache;
    for (int pass = 0; pass < 2; ++pass) { // the second pass is served from the cache
        for (int hour = 0; hour < 24; ++hour) {
            for (int minute = 0; minute < 60; ++minute) {
                const std::optional<CTime> expected = CTime::FromLocalFields(year, month, day, hour, minute, 0);
                const std::optional<CTime> got = cache.FromLocalFields(year, month, day, hour, minute);
                ASSERT_EQ(got.has_value(), expected.has_value()) << hour << ":" << minute;
                if (!got || *got == *expected)
                    continue;
                struct tm local;
                ASSERT_TRUE(got->GetLocalTm(&local));
                EXPECT_EQ(local.tm_hour, hour) << hour << ":" << minute;
                EXPECT_EQ(local.tm_min, minute) << hour << ":" << minute;
                EXPECT_LE(std::abs((*got - *expected).GetTotalSeconds()), 7200) << hour << ":" << minute;
            }
        }
    }
}

} // namespace

TEST(LocalTimeCache, MatchesMktimeAcrossCentralEuropeanClockChanges)
{
    LocalTimeZone zone(LocalTimeZone::kCentralEurope);
    ExpectDayMatches(2006, 3, 26);  // 02:00-02:59 does not exist
    ExpectDayMatches(2006, 10, 29); // 02:00-02:59 occurs twice
    ExpectDayMatches(2006, 3, 14);
}

TEST(LocalTimeCache, MatchesMktimeWhenClocksChangeInsideAnHour)
{
    // Changes at 02:30 (forward one hour) and at 03:15 (back).
    LocalTimeZone zone("XST-1XDT,M3.5.0/2:30,M10.5.0/3:15");
    ExpectDayMatches(2006, 3, 26);
    ExpectDayMatches(2006, 10, 29);
    // Half-hour daylight saving (Lord Howe Island's rule).
    LocalTimeZone half("LHST-10:30LHDT-11,M10.1.0,M4.1.0");
    ExpectDayMatches(2006, 10, 1);
    ExpectDayMatches(2006, 4, 2);
}

TEST(LocalTimeCache, RefusesWhatCTimeRefuses)
{
    LocalTimeZone zone;
    LocalTimeCache cache;
    EXPECT_FALSE(cache.FromLocalFields(2006, 2, 30, 10, 0));
    EXPECT_FALSE(cache.FromLocalFields(2006, 3, 14, 24, 0));
    EXPECT_FALSE(cache.FromLocalFields(2006, 3, 14, 10, 60));
    EXPECT_FALSE(cache.FromLocalFields(2006, 3, 14, 10, -1));
    EXPECT_FALSE(cache.FromLocalFields(1969, 12, 31, 23, 59));
    EXPECT_FALSE(cache.FromLocalFields(1000000000, 1, 1, 0, 0));
    EXPECT_FALSE(cache.FromLocalFields(INT_MIN, INT_MIN, INT_MIN, INT_MIN, 0));
    EXPECT_EQ(cache.FromLocalFields(2006, 3, 14, 10, 5), CTime::FromLocalFields(2006, 3, 14, 10, 5, 0));
}

TEST(LocalTimeCache, ParsesTextsLikeParseRecordTime)
{
    LocalTimeZone zone;
    LocalTimeCache cache;
    for (const char* text : {"2006/03/14   09:05", "2006/3/4 9:5", "2006/03/14 09:05:59", "//2006//03//14    09::05",
                             "2006/02/30 10:00", "2006/03/14", "", "9999/12/31 23:59"})
        EXPECT_EQ(cache.ParseRecordTime(text), ParseRecordTime(text)) << text;
}
