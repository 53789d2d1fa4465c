#include "catalog/FieldText.h"
#include "catalog/RecordedFile.h"
#include "catalog/RecordingNames.h"
#include "support/LocalTimeZone.h"

#include <gtest/gtest.h>

#include <limits>

TEST(FieldText, RecordTimeMatchesFormatRecordTime)
{
    LocalTimeZone zone;
    RecordedFile row{};
    for (const CTime t : {CTime(2006, 3, 14, 9, 5, 0), CTime(2006, 3, 26, 3, 30, 59), CTime(0),
                          CTime(2040, 12, 31, 23, 59, 59)}) {
        FormatRecordTimeField(row.szStartTime, t);
        EXPECT_EQ(std::string(row.szStartTime), FormatRecordTime(t));
    }
    // Cut to the field like CopyField.
    char narrow[8];
    FormatRecordTimeField(narrow, CTime(2006, 3, 14, 9, 5, 0));
    EXPECT_STREQ(narrow, "2006/03");
}

TEST(FieldText, DurationMatchesFormatDuration)
{
    RecordedFile row{};
    for (std::int64_t s = -2; s <= 1000; ++s) {
        FormatDurationField(row.szDuration, s);
        ASSERT_EQ(std::string(row.szDuration), FormatDuration(s)) << s;
    }
    for (const std::int64_t s : {std::int64_t{1} << 32, std::numeric_limits<std::int64_t>::max()}) {
        FormatDurationField(row.szDuration, s);
        EXPECT_STREQ(row.szDuration, "15:00");
    }
}
