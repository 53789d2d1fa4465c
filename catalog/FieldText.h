#pragma once

#include "platform/CTime.h"

#include <cstddef>
#include <cstdint>

// The text forms of catalog/RecordingNames.h written straight into a row's
// fixed fields, so that a scan formats without allocating. The result equals
// CopyField(field, FormatRecordTime(time)) and CopyField(field,
// FormatDuration(seconds)).

// Writes at most capacity - 1 characters and a NUL; returns the length.
std::size_t FormatRecordTimeTo(const CTime& time, char* out, std::size_t capacity);
std::size_t FormatDurationTo(std::int64_t seconds, char* out, std::size_t capacity);

template <std::size_t N>
void FormatRecordTimeField(char (&field)[N], const CTime& time)
{
    FormatRecordTimeTo(time, field, N);
}

template <std::size_t N>
void FormatDurationField(char (&field)[N], std::int64_t seconds)
{
    FormatDurationTo(seconds, field, N);
}
