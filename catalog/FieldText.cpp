#include "catalog/FieldText.h"

#include "catalog/RecordingNames.h"

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

std::size_t CopyCut(const char* text, std::size_t length, char* out, std::size_t capacity)
{
    if (capacity == 0)
        return 0;
    const std::size_t n = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(out, text, n);
    out[n] = '\0';
    return n;
}

} // namespace

std::size_t FormatRecordTimeTo(const CTime& time, char* out, std::size_t capacity)
{
    struct tm local;
    char text[256];
    std::size_t length = 0;
    if (time.GetLocalTm(&local))
        length = strftime(text, sizeof text, "%Y/%m/%d   %H:%M", &local);
    return CopyCut(text, length, out, capacity);
}

std::size_t FormatDurationTo(std::int64_t seconds, char* out, std::size_t capacity)
{
    if (seconds > MAX_DURATION_SECONDS)
        return CopyCut("15:00", 5, out, capacity);
    if (seconds < 0)
        seconds = 0;
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(seconds / 60 % 60),
                                     static_cast<int>(seconds % 60));
    return CopyCut(text, static_cast<std::size_t>(length), out, capacity);
}
