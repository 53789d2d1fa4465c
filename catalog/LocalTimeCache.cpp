#include "catalog/LocalTimeCache.h"

#include "catalog/RecordingNames.h"

#include <ctime>

namespace {

bool HasFields(const CTime& time, int year, int month, int day, int hour, int minute, int second)
{
    struct tm local;
    return time.GetLocalTm(&local) && local.tm_year + 1900 == year && local.tm_mon + 1 == month &&
           local.tm_mday == day && local.tm_hour == hour && local.tm_min == minute && local.tm_sec == second;
}

} // namespace

std::optional<CTime> LocalTimeCache::FromLocalFields(int year, int month, int day, int hour, int minute)
{
    if (minute < 0 || minute > 59)
        return std::nullopt;
    const std::uint64_t key = ((static_cast<std::uint64_t>(year) * 13 + static_cast<std::uint64_t>(month)) * 32 +
                               static_cast<std::uint64_t>(day)) *
                                  24 +
                              static_cast<std::uint64_t>(hour);
    Hour& h = m_hours[key % m_hours.size()];
    if (!h.used || h.year != year || h.month != month || h.day != day || h.hour != hour) {
        h = Hour{};
        h.used = true;
        h.year = year;
        h.month = month;
        h.day = day;
        h.hour = hour;
        const std::optional<CTime> start = CTime::FromLocalFields(year, month, day, hour, 0, 0);
        h.valid = start.has_value();
        if (start) {
            h.start = start->GetTime();
            // The hour's first and last second show these very fields: no
            // zone change inside, and the hour exists.
            h.uniform = HasFields(*start, year, month, day, hour, 0, 0) &&
                        HasFields(*start + CTimeSpan(3599), year, month, day, hour, 59, 59);
        }
    }
    if (!h.valid)
        return std::nullopt;
    if (!h.uniform)
        return CTime::FromLocalFields(year, month, day, hour, minute, 0);
    return CTime(h.start + 60LL * minute);
}

std::optional<CTime> LocalTimeCache::ParseRecordTime(std::string_view text)
{
    const std::optional<RecordTimeFields> f = ParseRecordTimeFields(text);
    if (!f)
        return std::nullopt;
    return FromLocalFields(f->year, f->month, f->day, f->hour, f->minute);
}

bool LocalTimeCache::RecordTimes(std::string_view startText, std::string_view endText, CTime& start, CTime& end)
{
    const std::optional<CTime> parsed = ParseRecordTime(startText);
    if (!parsed)
        return false;
    start = *parsed;
    end = ParseRecordTime(endText).value_or(start);
    return true;
}
