#include "catalog/LocalZone.h"
#include "catalog/RecordingNames.h"
#include "support/LocalTimeZone.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

std::string FormatText(const LocalZone& zone, const CTime& time)
{
    char text[32];
    return std::string(text, zone.FormatRecordTimeTo(time, text, sizeof text));
}

// Every minute of a day, both ways, must give what the C library gives,
// except where the local time occurs twice: there any time showing those
// fields will do, as it does for mktime.
void ExpectDayMatches(int year, int month, int day)
{
    const CTime noon(year, month, day, 12, 0, 0);
    const LocalZone zone(noon, noon);
    for (int hour = 0; hour < 24; ++hour) {
        for (int minute = 0; minute < 60; ++minute) {
            const std::optional<CTime> expected = CTime::FromLocalFields(year, month, day, hour, minute, 0);
            const std::optional<CTime> got = zone.FromLocalFields(year, month, day, hour, minute);
            ASSERT_EQ(got.has_value(), expected.has_value()) << hour << ":" << minute;
            if (got && *got != *expected) {
                struct tm local;
                ASSERT_TRUE(got->GetLocalTm(&local));
                EXPECT_EQ(local.tm_hour, hour) << hour << ":" << minute;
                EXPECT_EQ(local.tm_min, minute) << hour << ":" << minute;
                EXPECT_LE(std::abs((*got - *expected).GetTotalSeconds()), 7200) << hour << ":" << minute;
            }
        }
    }
    // Every quarter hour from the day before to the day after, shown.
    for (CTime t = noon - CTimeSpan(36 * 3600); t < noon + CTimeSpan(36 * 3600); t = t + CTimeSpan(15 * 60 + 7))
        EXPECT_EQ(FormatText(zone, t), FormatRecordTime(t)) << t.GetTime();
}

} // namespace

TEST(LocalZone, MatchesTheCLibraryAcrossCentralEuropeanClockChanges)
{
    LocalTimeZone zone(LocalTimeZone::kCentralEurope);
    ExpectDayMatches(2006, 3, 26);  // 02:00-02:59 does not exist
    ExpectDayMatches(2006, 10, 29); // 02:00-02:59 occurs twice
    ExpectDayMatches(2006, 3, 14);
}

TEST(LocalZone, MatchesTheCLibraryWhenClocksChangeInsideAnHour)
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

TEST(LocalZone, TimesFarOutsideItsSpanStayOutsideAndAreShownAsEver)
{
    LocalTimeZone zone(LocalTimeZone::kCentralEurope);
    const LocalZone march(CTime(2006, 3, 1, 0, 0, 0), CTime(2006, 3, 31, 0, 0, 0));
    // A summer time in a winter search: outside, on the right side of it.
    const std::optional<CTime> july = march.FromLocalFields(2006, 7, 1, 12, 0);
    ASSERT_TRUE(july);
    EXPECT_GT(*july, CTime(2006, 4, 2, 0, 0, 0));
    const std::optional<CTime> before = march.FromLocalFields(2005, 7, 1, 12, 0);
    ASSERT_TRUE(before);
    EXPECT_LT(*before, CTime(2006, 2, 27, 0, 0, 0));
    // Shown through the C library, whatever the span.
    for (const CTime t : {CTime(2006, 7, 1, 12, 0, 0), CTime(2030, 8, 1, 9, 5, 0), CTime(0)})
        EXPECT_EQ(FormatText(march, t), FormatRecordTime(t));
}

TEST(LocalZone, RefusesWhatCTimeRefuses)
{
    LocalTimeZone zone;
    const LocalZone local(CTime(2006, 3, 14, 0, 0, 0), CTime(2006, 3, 15, 0, 0, 0));
    EXPECT_FALSE(local.FromLocalFields(2006, 2, 30, 10, 0));
    EXPECT_FALSE(local.FromLocalFields(2006, 3, 14, 24, 0));
    EXPECT_FALSE(local.FromLocalFields(2006, 3, 14, 10, 60));
    EXPECT_FALSE(local.FromLocalFields(2006, 3, 14, 10, -1));
    EXPECT_FALSE(local.FromLocalFields(1969, 12, 31, 23, 59));
    EXPECT_FALSE(local.FromLocalFields(1000000000, 1, 1, 0, 0));
    EXPECT_FALSE(local.FromLocalFields(INT_MIN, INT_MIN, INT_MIN, INT_MIN, 0));
    EXPECT_EQ(local.FromLocalFields(2006, 3, 14, 10, 5), CTime::FromLocalFields(2006, 3, 14, 10, 5, 0));
}
