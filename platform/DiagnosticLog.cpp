#include "platform/DiagnosticLog.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::atomic<const DiagnosticLog::Route*> g_route{nullptr};

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool PatternMatches(std::string_view pattern, std::string_view category)
{
    if (pattern == "*")
        return true;
    const bool anyBefore = pattern.starts_with('*');
    const bool anyAfter = pattern.ends_with('*');
    if (anyBefore)
        pattern.remove_prefix(1);
    if (anyAfter)
        pattern.remove_suffix(1);
    if (pattern.find('*') != std::string_view::npos)
        return false;
    if (anyBefore && anyAfter)
        return category.find(pattern) != std::string_view::npos;
    if (anyBefore)
        return category.ends_with(pattern);
    if (anyAfter)
        return category.starts_with(pattern);
    return category == pattern;
}

} // namespace

bool DiagnosticLog::RulesTurnOn(std::string_view rules, std::string_view category)
{
    bool on = false;
    while (!rules.empty()) {
        const std::size_t end = rules.find_first_of(";\n");
        const std::string_view rule = Trimmed(rules.substr(0, end));
        rules.remove_prefix(end == std::string_view::npos ? rules.size() : end + 1);
        const std::size_t equals = rule.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string_view pattern = Trimmed(rule.substr(0, equals));
        const std::string_view value = Trimmed(rule.substr(equals + 1));
        if (value != "true" && value != "false")
            continue;
        // A rule for another kind of message than debug lines does not count.
        if (const std::size_t dot = pattern.rfind('.'); dot != std::string_view::npos) {
            const std::string_view kind = pattern.substr(dot + 1);
            if (kind == "info" || kind == "warning" || kind == "critical")
                continue;
            if (kind == "debug")
                pattern = pattern.substr(0, dot);
        }
        if (PatternMatches(pattern, category))
            on = value == "true";
    }
    return on;
}

std::string_view DiagnosticLog::CategoryName(Topic topic)
{
    switch (topic) {
    case Topic::Search:
        return "clipscout.search";
    case Topic::Delete:
        return "clipscout.delete";
    case Topic::Preview:
        return "clipscout.preview";
    case Topic::Export:
        return "clipscout.export";
    }
    return "clipscout";
}

bool DiagnosticLog::IsOn(Topic topic)
{
    if (const Route* route = g_route.load(std::memory_order_acquire))
        return route->isOn(topic);
    // Read at each ask: lines are few, and a test may change the setting.
    const char* rules = std::getenv("QT_LOGGING_RULES");
    return rules != nullptr && RulesTurnOn(rules, CategoryName(topic));
}

void DiagnosticLog::Write(Topic topic, std::string_view text)
{
    if (!IsOn(topic))
        return;
    if (const Route* route = g_route.load(std::memory_order_acquire)) {
        route->write(topic, text);
        return;
    }
    // One write per line, so that lines of several threads do not mix.
    std::string line(CategoryName(topic));
    line.append(": ").append(text).append("\n");
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void DiagnosticLog::SetRoute(const Route* route)
{
    g_route.store(route, std::memory_order_release);
}
