#include "platform/CTime.h"

#include "platform/LocalClock.h"

#include <cstring>

namespace {

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::int64_t FromLocal(int year, int month, int day, int hour, int minute, int second)
{
    struct tm fields { };
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return LocalClock::FromLocal(fields);
}

} // namespace

CTime::CTime(int year, int month, int day, int hour, int minute, int second)
    : m_time(FromLocal(year, month, day, hour, minute, second))
{ }

std::optional<CTime> CTime::FromLocalFields(int year, int month, int day, int hour, int minute, int second)
{
    // The upper bound keeps tm_year and strftime's %Y within their usual widths.
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return CTime(year, month, day, hour, minute, second);
}

CTime CTime::GetCurrentTime()
{
    return CTime(LocalClock::Now());
}

bool CTime::GetLocalTm(struct tm* local) const
{
    if (!LocalClock::ToLocal(m_time, *local)) {
        std::memset(local, 0, sizeof *local);
        return false;
    }
    return true;
}

std::optional<std::int64_t> CTime::GetUtcOffset() const
{
    return LocalClock::UtcOffset(m_time);
}

int CTime::GetYear() const
{
    struct tm local;
    GetLocalTm(&local);
    return local.tm_year + 1900;
}

int CTime::GetMonth() const
{
    struct tm local;
    GetLocalTm(&local);
    return local.tm_mon + 1;
}

int CTime::GetDay() const
{
    struct tm local;
    GetLocalTm(&local);
    return local.tm_mday;
}

int CTime::GetHour() const
{
    struct tm local;
    GetLocalTm(&local);
    return local.tm_hour;
}

int CTime::GetMinute() const
{
    struct tm local;
    GetLocalTm(&local);
    return local.tm_min;
}

int CTime::GetSecond() const
{
    struct tm local;
    GetLocalTm(&local);
    return local.tm_sec;
}

std::string CTime::Format(const char* format) const
{
    struct tm local;
    if (!GetLocalTm(&local))
        return {};
    char buffer[256];
    const size_t n = strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, n);
}
