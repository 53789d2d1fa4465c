#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

class ScanControl;

// The local days on which a category's recordings start, for a calendar to
// mark. The recorder's file names carry no time the store can be trusted
// with, so the days come from the times the category scan reads, over all
// time; a calendar asks once per folder and keeps the answer.
class RecordingDays {
public:
    // A day as year * 10000 + month * 100 + day.
    using Day = int;

    // The days of category's recordings in each of folders, ascending and
    // each once. control, if any, follows and stops the scans; the days
    // found so far are returned when stopped.
    static std::vector<Day> Of(std::span<const std::string> folders, std::string_view category, ScanControl* control);
};
