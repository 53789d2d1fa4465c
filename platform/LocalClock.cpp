#include "platform/LocalClock.h"

namespace LocalClock {

std::int64_t Now()
{
    return static_cast<std::int64_t>(time(nullptr));
}

std::int64_t FromLocal(struct tm& fields)
{
    return static_cast<std::int64_t>(mktime(&fields));
}

bool ToLocal(std::int64_t time, struct tm& local)
{
    const time_t t = static_cast<time_t>(time);
    return localtime_r(&t, &local) != nullptr;
}

std::optional<std::int64_t> UtcOffset(std::int64_t time)
{
    struct tm local;
    if (!ToLocal(time, local))
        return std::nullopt;
    return static_cast<std::int64_t>(local.tm_gmtoff);
}

} // namespace LocalClock
