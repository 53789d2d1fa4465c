#include "res/StringTable.h"

#include "res/Resource.h"

#include <string_view>

namespace {

struct StringEntry {
    unsigned nId;
    std::string_view text;
};

constexpr StringEntry kStrings[] = {
    {IDS_START_AFTER_END, "The start time should be earlier than the end time"},
};

} // namespace

std::string LoadResourceString(unsigned id)
{
    for (const StringEntry& entry : kStrings)
        if (entry.nId == id)
            return std::string(entry.text);
    return {};
}
