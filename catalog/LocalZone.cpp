#include "catalog/LocalZone.h"

#include "catalog/RecordingNames.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::int64_t kDay = 86400;
// No zone's clocks change and change back within a day (none of the tz
// database's zones, from 1900 on), so looking daily finds every change; a
// look costs a call into the C library, and a search's span of decades
// looked at every few hours cost milliseconds before its first row.
constexpr std::int64_t kStep = kDay;
// Longer spans are left to the C library beyond this, so that an absurd
// range cannot make a search slow to start.
constexpr std::int64_t kMostTabled = 200 * 366 * kDay;

std::optional<std::int64_t> OffsetAt(std::int64_t t)
{
    return CTime(t).GetUtcOffset();
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = yearOfEra + era * 400 + (month <= 2);
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace

LocalZone::LocalZone(const CTime& from, const CTime& to)
{
    const std::int64_t first = from.GetTime() - 2 * kDay;
    const std::int64_t last = std::max(to.GetTime() + 2 * kDay, first);
    const std::int64_t end = std::min(last, first + kMostTabled);
    const std::optional<std::int64_t> offset = OffsetAt(first);
    if (!offset)
        return;
    m_periods.push_back({first, *offset});
    std::int64_t t = first;
    while (t < end) {
        const std::int64_t next = std::min(t + kStep, end);
        const std::optional<std::int64_t> later = OffsetAt(next);
        if (!later)
            break;
        if (*later == m_periods.back().offset) {
            t = next;
            continue;
        }
        // The first second of the new offset; from there on, look again.
        std::int64_t before = t, after = next;
        while (after - before > 1) {
            const std::int64_t middle = before + (after - before) / 2;
            const std::optional<std::int64_t> at = OffsetAt(middle);
            (at && *at == m_periods.back().offset ? before : after) = middle;
        }
        const std::optional<std::int64_t> changed = OffsetAt(after);
        if (!changed)
            break;
        m_periods.push_back({after, *changed});
        t = after;
    }
    m_nUtcEnd = t;
    m_bCoversSpan = t >= last;
}

bool LocalZone::GetLocalTm(const CTime& time, struct tm& local) const
{
    const std::int64_t t = time.GetTime();
    if (m_periods.empty() || t < m_periods.front().utcStart || t >= m_nUtcEnd)
        return time.GetLocalTm(&local);
    const auto period = std::upper_bound(m_periods.begin(), m_periods.end(), t,
                                         [](std::int64_t value, const Period& p) { return value < p.utcStart; }) -
                        1;
    const std::int64_t shown = t + period->offset;
    const std::int64_t days = (shown >= 0 ? shown : shown - (kDay - 1)) / kDay;
    const std::int64_t seconds = shown - days * kDay;
    std::int64_t year = 0;
    local = {};
    CivilFromDays(days, year, local.tm_mon, local.tm_mday);
    local.tm_year = static_cast<int>(year - 1900);
    local.tm_mon -= 1;
    local.tm_hour = static_cast<int>(seconds / 3600);
    local.tm_min = static_cast<int>(seconds / 60 % 60);
    local.tm_sec = static_cast<int>(seconds % 60);
    return true;
}

std::optional<CTime> LocalZone::FromLocalFields(int year, int month, int day, int hour, int minute, int second) const
{
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    if (m_periods.empty())
        return CTime::FromLocalFields(year, month, day, hour, minute, second);
    const std::int64_t shown = DaysFromCivil(year, month, day) * kDay + hour * 3600 + minute * 60 + second;

    // Where each period's local times begin and end.
    const auto localStart = [this](std::size_t k) { return m_periods[k].utcStart + m_periods[k].offset; };
    const auto localEnd = [this](std::size_t k) {
        return (k + 1 < m_periods.size() ? m_periods[k + 1].utcStart : m_nUtcEnd) + m_periods[k].offset;
    };
    const std::size_t count = m_periods.size();
    if (shown < localStart(0) || shown >= localEnd(count - 1)) {
        // Outside the table: near enough to lie outside the span as well,
        // unless the table was cut short.
        if (!m_bCoversSpan)
            return CTime::FromLocalFields(year, month, day, hour, minute, second);
        return CTime(shown - (shown < localStart(0) ? m_periods.front().offset : m_periods.back().offset));
    }
    std::size_t k = 0;
    for (std::size_t low = 0, high = count; low < high;) {
        const std::size_t middle = low + (high - low) / 2;
        if (localStart(middle) <= shown) {
            k = middle;
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    // Exactly one period shows it: no clock change skips or repeats it.
    const bool unique =
        shown < localEnd(k) && (k == 0 || shown >= localEnd(k - 1)) && (k + 1 == count || shown < localStart(k + 1));
    if (!unique)
        return CTime::FromLocalFields(year, month, day, hour, minute, second);
    return CTime(shown - m_periods[k].offset);
}

std::optional<CTime> LocalZone::RangeInstant(RangeEnd end, int year, int month, int day, int hour, int minute,
                                             int second)
{
    const std::optional<CTime> library = CTime::FromLocalFields(year, month, day, hour, minute, second);
    if (!library)
        return std::nullopt;
    // Each instant that shows the fields lies at their reading less an offset
    // in force within a day of the library's answer: no zone changes its
    // clocks twice in a day.
    const std::int64_t shown = DaysFromCivil(year, month, day) * kDay + hour * 3600 + minute * 60 + second;
    std::optional<std::int64_t> chosen;
    for (const std::int64_t near : {library->GetTime() - kDay, library->GetTime(), library->GetTime() + kDay}) {
        const std::optional<std::int64_t> offset = OffsetAt(near);
        if (!offset || OffsetAt(shown - *offset) != offset)
            continue;
        const std::int64_t at = shown - *offset;
        if (!chosen || (end == RangeEnd::Start ? at < *chosen : at > *chosen))
            chosen = at;
    }
    return chosen ? CTime(*chosen) : library;
}

std::size_t LocalZone::FormatRecordTimeTo(const CTime& time, char* out, std::size_t capacity) const
{
    if (capacity == 0)
        return 0;
    struct tm local;
    char text[64];
    int length = 0;
    if (GetLocalTm(time, local))
        length = std::snprintf(text, sizeof text, "%d/%02d/%02d   %02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                               local.tm_mday, local.tm_hour, local.tm_min);
    const std::size_t n = std::min(static_cast<std::size_t>(std::max(length, 0)), capacity - 1);
    std::copy(text, text + n, out);
    out[n] = '\0';
    return n;
}

std::optional<CTime> LocalZone::ParseRecordTime(std::string_view text) const
{
    const std::optional<RecordTimeFields> f = ParseRecordTimeFields(text);
    if (!f)
        return std::nullopt;
    return FromLocalFields(f->year, f->month, f->day, f->hour, f->minute);
}

bool LocalZone::RecordTimes(std::string_view startText, std::string_view endText, CTime& start, CTime& end) const
{
    const std::optional<CTime> parsed = ParseRecordTime(startText);
    if (!parsed)
        return false;
    start = *parsed;
    end = ParseRecordTime(endText).value_or(start);
    return true;
}
