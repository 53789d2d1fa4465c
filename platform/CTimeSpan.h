#pragma once

#include <cstdint>
#include <string>

// A signed span of whole seconds. 64 bits so that differences of far-apart
// times never wrap.
class CTimeSpan {
public:
    constexpr CTimeSpan() = default;
    constexpr explicit CTimeSpan(std::int64_t seconds) : m_nSeconds(seconds) { }

    constexpr std::int64_t GetTotalSeconds() const { return m_nSeconds; }
    constexpr std::int64_t GetDays() const { return m_nSeconds / 86400; }
    constexpr int GetHours() const { return static_cast<int>(m_nSeconds / 3600 % 24); }
    constexpr int GetMinutes() const { return static_cast<int>(m_nSeconds / 60 % 60); }
    constexpr int GetSeconds() const { return static_cast<int>(m_nSeconds % 60); }

    // Understands %D (days), %H, %M, %S (two digits each, within the next
    // larger unit) and %%; any other character is copied.
    std::string Format(const char* format) const;

    constexpr auto operator<=>(const CTimeSpan&) const = default;

private:
    std::int64_t m_nSeconds = 0;
};
