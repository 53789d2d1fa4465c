#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

// The system's clock and local time, beneath CTime: the C library's, so that
// the system's zone, or TZ where it is set, counts everywhere alike.
namespace LocalClock {

// Seconds since 1970-01-01 00:00 UTC.
std::int64_t Now();
// mktime: the time of local fields (tm_isdst -1: the system decides),
// normalised; -1 when they cannot be converted.
std::int64_t FromLocal(struct tm& fields);
// localtime: false, local untouched, when the fields cannot be computed.
bool ToLocal(std::int64_t time, struct tm& local);
// How far local time is ahead of UTC at time, in seconds.
std::optional<std::int64_t> UtcOffset(std::int64_t time);

} // namespace LocalClock
