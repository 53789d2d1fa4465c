#include "platform/LocalClock.h"

// The C runtime's 64-bit calls: the system's zone, or TZ when it is set, in
// the C runtime's form ("CET-1CEST", whose daylight-saving dates are then the
// United States' rules); they reach from 1970 to the end of the year 3000.

namespace LocalClock {

std::int64_t Now()
{
    return static_cast<std::int64_t>(::_time64(nullptr));
}

std::int64_t FromLocal(struct tm& fields)
{
    return static_cast<std::int64_t>(::_mktime64(&fields));
}

bool ToLocal(std::int64_t time, struct tm& local)
{
    const __time64_t t = static_cast<__time64_t>(time);
    return ::_localtime64_s(&local, &t) == 0;
}

std::optional<std::int64_t> UtcOffset(std::int64_t time)
{
    struct tm local;
    if (!ToLocal(time, local))
        return std::nullopt;
    // The local fields read as if they were UTC, less the time itself. UTC
    // knows no summer time (Wine's _mkgmtime64 would take an hour off for it).
    local.tm_isdst = 0;
    const __time64_t asUtc = ::_mkgmtime64(&local);
    if (asUtc == -1)
        return std::nullopt;
    return static_cast<std::int64_t>(asUtc) - time;
}

} // namespace LocalClock
