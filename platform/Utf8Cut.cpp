#include "platform/Utf8Cut.h"

std::size_t Utf8CutLength(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    const auto isContinuation = [&text](std::size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
    if (!isContinuation(limit))
        return limit;
    for (std::size_t back = 1; back <= 3 && back <= limit; ++back) {
        if (isContinuation(limit - back))
            continue;
        const unsigned char lead = static_cast<unsigned char>(text[limit - back]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        return length > back ? limit - back : limit;
    }
    return limit;
}
