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

TEST(LocalZone, RangeEndsInTheRepeatedHourHoldBothPassesWhateverCameBefore)
{
    LocalTimeZone zone(LocalTimeZone::kCentralEurope);
    // The minute the clocks go back in October 2006, and by how much.
    const std::int64_t from = CTime(2006, 10, 27, 0, 0, 0).GetTime();
    std::int64_t back = 0;
    for (std::int64_t t = from; t < from + 5 * 86400 && back == 0; t += 60)
        if (CTime(t).GetUtcOffset() < CTime(t - 60).GetUtcOffset())
            back = t;
    ASSERT_NE(back, 0);
    const std::int64_t shift = *CTime(back - 60).GetUtcOffset() - *CTime(back).GetUtcOffset();
    struct tm repeated;
    ASSERT_TRUE(CTime(back).GetLocalTm(&repeated));
    const auto at = [&](RangeEnd end, int minute) {
        return LocalZone::RangeInstant(end, repeated.tm_year + 1900, repeated.tm_mon + 1, repeated.tm_mday,
                                       repeated.tm_hour, minute);
    };
    // The C library's answer for such a time follows the calls made before;
    // a range's ends must not.
    for (const int month : {1, 7}) {
        SCOPED_TRACE(CTime(2006, month, 15, 12, 0, 0).GetTime());
        const std::optional<CTime> start = at(RangeEnd::Start, 0);
        const std::optional<CTime> end = at(RangeEnd::End, 59);
        ASSERT_TRUE(start && end);
        EXPECT_EQ(start->GetTime(), back - shift);
        EXPECT_EQ(end->GetTime(), back + 59 * 60);
        EXPECT_EQ(at(RangeEnd::Start, 59)->GetTime(), back - shift + 59 * 60);
        EXPECT_EQ(at(RangeEnd::End, 0)->GetTime(), back);
        // Taken in either pass, it is in the range over the repeated hour.
        for (const std::int64_t taken : {back - shift / 2, back + shift / 2})
            EXPECT_TRUE(IsInSearchRange(CTime(taken), *start, *end)) << taken;
    }
    // Elsewhere a range's ends are the C library's, and what it refuses, refused.
    for (const RangeEnd end : {RangeEnd::Start, RangeEnd::End}) {
        EXPECT_EQ(LocalZone::RangeInstant(end, 2006, 10, 29, 12, 30), CTime::FromLocalFields(2006, 10, 29, 12, 30, 0));
        EXPECT_FALSE(LocalZone::RangeInstant(end, 2006, 2, 30, 10, 0));
    }
}
