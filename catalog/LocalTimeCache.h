#pragma once

#include "platform/CTime.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// CTime::FromLocalFields for whole minutes, remembered per local hour. The C
// library's mktime looks at the system's zone file on every call (a file
// status query each time when TZ is not set), which would cost a scan more
// than reading the clips themselves. The cache asks mktime once per local
// hour and adds the minutes, but only for an hour whose UTC offset is the
// same from its first to its last second; an hour with a zone change inside,
// or that does not exist locally, goes to mktime every time. Results equal
// CTime::FromLocalFields(year, month, day, hour, minute, 0); for a local time
// that occurs twice (the hour when clocks go back), either occurrence is a
// valid answer, as it is for mktime.
class LocalTimeCache {
public:
    std::optional<CTime> FromLocalFields(int year, int month, int day, int hour, int minute);

    // ParseRecordTime (catalog/RecordingNames.h) through the cache.
    std::optional<CTime> ParseRecordTime(std::string_view text);

    // A clip's times from its start and end texts. A recording is judged by
    // its start: false when the start text is no time; an end text that is
    // empty or no time gives end = start.
    bool RecordTimes(std::string_view startText, std::string_view endText, CTime& start, CTime& end);

private:
    struct Hour {
        bool used = false;
        int year = 0, month = 0, day = 0, hour = 0;
        bool valid = false;   // the fields name a real local hour
        bool uniform = false; // one UTC offset for the whole hour
        std::int64_t start = 0;
    };
    std::array<Hour, 64> m_hours{};
};
