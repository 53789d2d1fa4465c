#include "catalog/RecordingNames.h"

#include "platform/CTimeSpan.h"
#include "platform/TextToken.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

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

std::size_t CopyCut(std::string_view text, char* out, std::size_t capacity)
{
    if (capacity == 0)
        return 0;
    const std::size_t n = std::min(text.size(), capacity - 1);
    text.copy(out, n);
    out[n] = '\0';
    return n;
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

std::string_view CategoryOfText(std::string_view text, std::span<const std::string> entries, int chosen)
{
    const std::size_t count = std::min(entries.size(), std::size(kCategoryLabels));
    if (chosen >= 0 && static_cast<std::size_t>(chosen) < count && entries[static_cast<std::size_t>(chosen)] == text)
        return kCategoryLabels[chosen].text;
    for (std::size_t i = 0; i < count; ++i)
        if (entries[i] == text)
            return kCategoryLabels[i].text;
    return text;
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
    struct tm local;
    char text[64];
    std::size_t length = 0;
    if (time.GetLocalTm(&local))
        length = std::strftime(text, sizeof text, "%Y/%m/%d   %H:%M", &local);
    return std::string(text, length);
}

std::optional<RecordTimeFields> ParseRecordTimeFields(std::string_view text)
{
    // Each piece skips, at its start, the run of the separator that ended the
    // piece before it and of its own separator, so "03//14", three blanks
    // between day and hour, and "14 :09" read as one separator.
    std::string_view rest = text;
    const std::string_view year = NextToken(rest, "/", "/");
    const std::string_view month = NextToken(rest, "/", "/");
    const std::string_view day = NextToken(rest, "/ ", " ");
    const std::string_view hour = NextToken(rest, " :", ":");
    const std::string_view minute = NextToken(rest, ":", "");
    if (year.empty() || month.empty() || day.empty() || hour.empty() || minute.empty())
        return std::nullopt;
    return RecordTimeFields{AtoI(year), AtoI(month), AtoI(day), AtoI(hour), AtoI(minute)};
}

int RecordTimeSeconds(std::string_view text)
{
    // The pieces as ParseRecordTimeFields takes them; the minute's is the rest.
    std::string_view rest = text;
    NextToken(rest, "/", "/");
    NextToken(rest, "/", "/");
    NextToken(rest, "/ ", " ");
    NextToken(rest, " :", ":");
    const std::string_view minute = NextToken(rest, ":", "");
    const std::size_t colon = minute.find(':');
    if (colon == std::string_view::npos)
        return 0;
    const int seconds = AtoI(minute.substr(colon + 1));
    return seconds >= 0 && seconds <= 59 ? seconds : 0;
}

std::size_t FormatDurationTo(std::int64_t seconds, char* out, std::size_t capacity)
{
    if (seconds > MAX_DURATION_SECONDS)
        return CopyCut("15:00", out, capacity);
    const CTimeSpan span(seconds < 0 ? 0 : seconds);
    char text[8];
    const int length = std::snprintf(text, sizeof text, "%02d:%02d", span.GetMinutes(), span.GetSeconds());
    return CopyCut(std::string_view(text, static_cast<std::size_t>(length)), out, capacity);
}

std::string FormatDuration(std::int64_t seconds)
{
    char text[8];
    return std::string(text, FormatDurationTo(seconds, text, sizeof text));
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
