#pragma once

#include <string_view>

// Lines about what went wrong out of the user's sight: files a scan passed
// over, deletes and restores the system refused, previews the decoding helper
// refused or was stopped for, failed exports. Off by default; the same
// QT_LOGGING_RULES that drives Qt's logging categories turns them on
// ("clipscout.*=true", or one topic: "clipscout.delete=true"). They go to
// standard error unless the program routes them to its Qt categories.
class DiagnosticLog {
public:
    enum class Topic { Search, Delete, Preview, Export };

    // Where lines go instead, and who decides which topics are on. Installed
    // once, before any other thread starts; null goes back to standard error.
    struct Route {
        bool (*isOn)(Topic topic);
        void (*write)(Topic topic, std::string_view text);
    };

    // Worth asking before a line is put together where that costs.
    static bool IsOn(Topic topic);
    // Writes "clipscout.<topic>: text" when the topic is on.
    static void Write(Topic topic, std::string_view text);

    static void SetRoute(const Route* route);
    // "clipscout.search" and so on.
    static std::string_view CategoryName(Topic topic);
    // Whether rules in QT_LOGGING_RULES' form ("pattern[.debug]=true|false",
    // separated by ';' or new lines, the last that matches deciding, '*' at
    // either end of a pattern) turn on the debug lines of category.
    static bool RulesTurnOn(std::string_view rules, std::string_view category);
};
