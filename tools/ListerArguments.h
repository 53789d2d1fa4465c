#pragma once

#include "catalog/LocalZone.h"
#include "platform/CTime.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// What the lister's range and category options accept, apart from the
// command-line parser so that the rules can be read and tested as such.

// "YYYY-MM-DD HH:MM", "YYYY-MM-DDTHH:MM" or a date alone, "YYYY-MM-DD", in
// local time; a date alone is the first minute of that day for a range's
// start and its last minute for a range's end. Nothing when the text is none
// of these or names no real local time from 1970 on. A time the clocks show
// twice is taken as LocalZone::RangeInstant takes it.
std::optional<CTime> ParseRangeTime(std::string_view text, RangeEnd end);

// The category box entry (0-3, in the order of kCategoryLabels) a --category
// text picks: a short code (sr, ss, ir, md) or an entry's text, in any letter
// case; -1 for any other text, which is then searched as it is typed.
int CategoryEntryOfArgument(std::string_view text, std::span<const std::string> entries);
