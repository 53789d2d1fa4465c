#pragma once

#include "platform/CTimeSpan.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// A point in time: seconds since 1970-01-01 00:00 UTC, signed 64-bit so that
// recordings after January 2038 keep their times. Calendar fields are local
// time; daylight saving is decided by the system.
class CTime {
public:
    constexpr CTime() = default;
    constexpr explicit CTime(std::int64_t time) : m_time(time) { }

    // Builds the time from local calendar fields; fields out of their usual
    // ranges are normalised the way mktime does.
    CTime(int year, int month, int day, int hour, int minute, int second);

    // Builds the time only when the fields name a real local time from 1970
    // on (month 1-12, a day that exists in that month, hour 0-23, minute and
    // second 0-59).
    static std::optional<CTime> FromLocalFields(int year, int month, int day, int hour, int minute, int second);

    static CTime GetCurrentTime();

    constexpr std::int64_t GetTime() const { return m_time; }
    // False when the local fields cannot be computed (a time far outside the
    // calendar); the tm is then zeroed.
    bool GetLocalTm(struct tm* local) const;
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;

    // How far local time is ahead of UTC at this time, in seconds (negative
    // west of Greenwich); empty when the local fields cannot be computed.
    std::optional<std::int64_t> GetUtcOffset() const;

    // strftime of the local fields; empty when they cannot be computed.
    std::string Format(const char* format) const;

    constexpr CTimeSpan operator-(const CTime& other) const { return CTimeSpan(m_time - other.m_time); }
    constexpr CTime operator+(const CTimeSpan& span) const { return CTime(m_time + span.GetTotalSeconds()); }
    constexpr CTime operator-(const CTimeSpan& span) const { return CTime(m_time - span.GetTotalSeconds()); }
    constexpr auto operator<=>(const CTime&) const = default;

private:
    std::int64_t m_time = 0;
};
