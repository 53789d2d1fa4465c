#include "catalog/RecordingNames.h"

#include "platform/CTimeSpan.h"

#include <cstdio>

namespace {

// strtok over a view: skips leading delimiters, then takes up to the next
// delimiter, which it consumes. Empty when nothing is left.
std::string_view NextToken(std::string_view& rest, std::string_view delimiters)
{
    const std::size_t start = rest.find_first_not_of(delimiters);
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t end = rest.find_first_of(delimiters);
    const std::string_view token = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return token;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi without its undefined overflow: saturates far outside any valid field.
int AtoI(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), 1000000000LL);
    return static_cast<int>(negative ? -value : value);
}

} // namespace

std::string_view CategoryFolder(std::string_view category)
{
    if (category == kCategoryScheduled || category == kCategoryInstant)
        return "Recording";
    if (category == kCategoryMotion)
        return "MotionDetection";
    if (category == kCategorySnapShot)
        return "SnapShot";
    return {};
}

std::string_view CategoryFromTypeCode(std::string_view fileName)
{
    const std::string_view code = fileName.substr(0, 2);
    if (code == "Ss")
        return kCategorySnapShot;
    if (code == "Ir")
        return kCategoryInstant;
    if (code == "Sr")
        return kCategoryScheduled;
    return kCategoryMotion;
}

std::string FormatRecordTime(const CTime& time)
{
    return time.Format("%Y/%m/%d   %H:%M");
}

std::optional<RecordTimeFields> ParseRecordTimeFields(std::string_view text)
{
    // Each piece skips, at its start, the run of the separator that ended the
    // piece before it and of its own separator, so "03//14", three blanks
    // between day and hour, and "14 :09" read as one separator.
    std::string_view rest = text;
    const auto piece = [&rest](char previous, char until) {
        const char skipped[] = {previous, until};
        const std::size_t start = rest.find_first_not_of(std::string_view(skipped, 2));
        rest.remove_prefix(start == std::string_view::npos ? rest.size() : start);
        const std::size_t end = rest.find(until);
        const std::string_view token = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        return token;
    };
    const std::string_view year = piece('/', '/');
    const std::string_view month = piece('/', '/');
    const std::string_view day = piece('/', ' ');
    const std::string_view hour = piece(' ', ':');
    const std::string_view minute = piece(':', '\0');
    if (year.empty() || month.empty() || day.empty() || hour.empty() || minute.empty())
        return std::nullopt;
    return RecordTimeFields{AtoI(year), AtoI(month), AtoI(day), AtoI(hour), AtoI(minute)};
}

std::optional<CTime> ParseRecordTime(std::string_view text)
{
    const std::optional<RecordTimeFields> f = ParseRecordTimeFields(text);
    if (!f)
        return std::nullopt;
    return CTime::FromLocalFields(f->year, f->month, f->day, f->hour, f->minute, 0);
}

bool ParseRecordTimes(RecordedFile& row)
{
    const std::optional<CTime> start = ParseRecordTime(row.szStartTime);
    const std::optional<CTime> end = ParseRecordTime(row.szEndTime);
    if (!start || !end)
        return false;
    row.tStart = *start;
    row.tEnd = *end;
    return true;
}

std::string FormatDuration(std::int64_t seconds)
{
    if (seconds > MAX_DURATION_SECONDS)
        return "15:00";
    return CTimeSpan(seconds < 0 ? 0 : seconds).Format("%M:%S");
}

std::string ToDisplayTime(std::string_view recordTime)
{
    std::string_view rest = recordTime;
    const std::string_view year = NextToken(rest, "/");
    const std::string_view month = NextToken(rest, "/");
    std::string_view dayAndTime = NextToken(rest, "/");
    const std::string_view day = NextToken(dayAndTime, " ");
    const std::string_view time = NextToken(dayAndTime, " ");
    const std::string_view shortYear = year.size() > 2 ? year.substr(year.size() - 2) : year;

    std::string display;
    display.reserve(month.size() + day.size() + shortYear.size() + time.size() + 4);
    display.append(month).append("/").append(day).append("/").append(shortYear);
    display.append("  ").append(time);
    return display;
}

bool IsInSearchRange(const CTime& start, const CTime& searchStart, const CTime& searchEnd)
{
    return (start - searchStart).GetTotalSeconds() >= 0 && (searchEnd - start).GetTotalSeconds() >= 0;
}
