#pragma once

#include "catalog/RecordedFile.h"
#include "platform/CTime.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The conventions of the recorder's store: categories and their folders, the
// type code that starts a clip's name, and the text forms of times and
// durations.

inline constexpr std::string_view kCategoryScheduled = "Scheduled Recording";
inline constexpr std::string_view kCategorySnapShot = "SnapShot";
inline constexpr std::string_view kCategoryInstant = "Instant Recording";
inline constexpr std::string_view kCategoryMotion = "Motion Detection";

// The four categories in the order the category box offers them, each with
// the key under which Clipscout.ini may give it another text.
struct CategoryLabel {
    const char* szKey;
    std::string_view text;
};
inline constexpr CategoryLabel kCategoryLabels[] = {
    {"SR", kCategoryScheduled},
    {"SS", kCategorySnapShot},
    {"IR", kCategoryInstant},
    {"MD", kCategoryMotion},
};

inline constexpr std::int64_t MAX_DURATION_SECONDS = 900;

// The folder of a category text; empty for a text that is none of the four.
std::string_view CategoryFolder(std::string_view category);

// The category a text of the category box names. The box offers the four
// categories in the order of kCategoryLabels, each under the text entries
// gives it (Clipscout.ini may rename them): the chosen entry names its
// category while the text is still its text, and a text equal to any entry's
// names that entry's. Any other text is its own category, so a built-in text
// still names itself and anything else matches no clip. Empty entries: the
// built-in texts.
std::string_view CategoryOfText(std::string_view text, std::span<const std::string> entries, int chosen = -1);

// The category of a clip from the first two characters of its name ("Ss",
// "Ir", "Sr", anything else is motion detection). Case matters.
std::string_view CategoryFromTypeCode(std::string_view fileName);

// "%Y/%m/%d   %H:%M" in local time; empty when the local fields cannot be
// computed.
std::string FormatRecordTime(const CTime& time);

// The fields of a time text: year/month/day hour:minute (runs of a separator
// count as one; the minute is read like atoi, so seconds are ignored), not
// yet checked for naming a real local time (LocalZone::ParseRecordTime does).
// Empty when a piece is missing.
struct RecordTimeFields {
    int year, month, day, hour, minute;
};
std::optional<RecordTimeFields> ParseRecordTimeFields(std::string_view text);

// The seconds a time text carries after its minute (":SS"), 0 when it
// carries none or none from 0 to 59.
int RecordTimeSeconds(std::string_view text);

// "MM:SS", or "15:00" for anything above 900 seconds.
std::string FormatDuration(std::int64_t seconds);

// The same text written straight into a buffer, so that a scan formats
// without allocating: at most capacity - 1 characters and a NUL; returns the
// length. (LocalZone formats record times likewise.)
std::size_t FormatDurationTo(std::int64_t seconds, char* out, std::size_t capacity);

// Into a row's fixed field, cut to the field like CopyField.
template <std::size_t N>
void FormatDurationField(char (&field)[N], std::int64_t seconds)
{
    FormatDurationTo(seconds, field, N);
}

// The "Recorded Time" column's form of a record time text: month/day/two-digit
// year, two blanks, the time.
std::string ToDisplayTime(std::string_view recordTime);

// Both ends inclusive; only the start of a recording is tested.
bool IsInSearchRange(const CTime& start, const CTime& searchStart, const CTime& searchEnd);
