#include "tools/ListerArguments.h"

#include "catalog/RecordingNames.h"
#include "platform/AsciiCase.h"

#include <array>

namespace {

std::optional<int> Number(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

std::optional<CTime> ParseRangeTime(std::string_view text, RangeEnd end)
{
    const bool dateOnly = text.size() == 10;
    if (!dateOnly && (text.size() != 16 || (text[10] != ' ' && text[10] != 'T') || text[13] != ':'))
        return std::nullopt;
    if (text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const auto year = Number(text, 0, 4), month = Number(text, 5, 2), day = Number(text, 8, 2);
    if (!year || !month || !day)
        return std::nullopt;
    if (dateOnly)
        return end == RangeEnd::Start ? LocalZone::RangeInstant(end, *year, *month, *day, 0, 0, 0)
                                      : LocalZone::RangeInstant(end, *year, *month, *day, 23, 59, 0);
    const auto hour = Number(text, 11, 2), minute = Number(text, 14, 2);
    if (!hour || !minute)
        return std::nullopt;
    return LocalZone::RangeInstant(end, *year, *month, *day, *hour, *minute, 0);
}

int CategoryEntryOfArgument(std::string_view text, std::span<const std::string> entries)
{
    static constexpr std::array<std::string_view, 4> kShortCodes = {"sr", "ss", "ir", "md"};
    const auto entry = [&entries](std::size_t i) {
        return i < entries.size() && !entries[i].empty() ? std::string_view(entries[i]) : kCategoryLabels[i].text;
    };
    // An entry's exact text first: Clipscout.ini may give one entry another
    // category's built-in text, and the box then means the entry.
    for (std::size_t i = 0; i < kShortCodes.size(); ++i)
        if (text == entry(i))
            return static_cast<int>(i);
    for (std::size_t i = 0; i < kShortCodes.size(); ++i)
        if (EqualsNoCase(text, kShortCodes[i]) || EqualsNoCase(text, entry(i)))
            return static_cast<int>(i);
    return -1;
}
