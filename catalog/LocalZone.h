#pragma once

#include "platform/CTime.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>
#include <vector>

// Which end of a search range a local time gives.
enum class RangeEnd { Start, End };

// Local time for one search, without the C library's lock per call: the
// zone's offsets over a span of time are read once, when the object is made
// (from CTime::GetUtcOffset, so the system's zone and TZ count as they do for
// the rest of the program), and then only looked up, from any number of
// threads at once.
//
// Results equal those of the C library (CTime::FromLocalFields,
// CTime::GetLocalTm). Inside the span they come from the table, except for a
// local time that a clock change skips or repeats, which goes to mktime as
// before. Outside it, local times are converted with the nearest known
// offset, which is close enough to tell that they lie outside the span (a
// search's range sits well inside it), and times are shown through
// CTime::GetLocalTm.
class LocalZone {
public:
    // The offsets in force from `from` to `to`, with two days to spare on
    // either side.
    LocalZone(const CTime& from, const CTime& to);

    std::optional<CTime> FromLocalFields(int year, int month, int day, int hour, int minute, int second = 0) const;

    // The instant a search range's end names by its local fields; empty for
    // fields CTime::FromLocalFields refuses. A time the clocks show twice (in
    // the hour that repeats when daylight saving ends) starts a range at its
    // first pass and ends one at its second, so that a range over that hour
    // holds what was taken in both; the C library alone picks either,
    // depending on its earlier calls. A time the clocks skip is the C
    // library's.
    static std::optional<CTime> RangeInstant(RangeEnd end, int year, int month, int day, int hour, int minute,
                                             int second = 0);
    bool GetLocalTm(const CTime& time, struct tm& local) const;

    // FormatRecordTime (catalog/RecordingNames.h) through the table, and its
    // reverse: the fields of ParseRecordTimeFields as a local time; empty
    // when a piece is missing or the fields are no real local time.
    std::size_t FormatRecordTimeTo(const CTime& time, char* out, std::size_t capacity) const;
    template <std::size_t N>
    void FormatRecordTimeField(char (&field)[N], const CTime& time) const
    {
        FormatRecordTimeTo(time, field, N);
    }
    std::optional<CTime> ParseRecordTime(std::string_view text) const;

    // A clip's times from its start and end texts. A recording is judged by
    // its start: false when the start text is no time; an end text that is
    // empty or no time gives end = start.
    bool RecordTimes(std::string_view startText, std::string_view endText, CTime& start, CTime& end) const;

private:
    // From utcStart on (until the next period's), local = UTC + offset.
    struct Period {
        std::int64_t utcStart;
        std::int64_t offset;
    };
    std::vector<Period> m_periods;
    std::int64_t m_nUtcEnd = 0; // the last period ends here
    bool m_bCoversSpan = false; // false when the span was too long to table whole
};
