#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

// Sets the process's time zone for the life of the object, so that local-time
// results do not depend on the machine. POSIX rules need no zone database.
class LocalTimeZone {
public:
    // Central European time with its daylight-saving rule.
    static constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

    explicit LocalTimeZone(const char* zone = kCentralEurope)
    {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
            m_hadOld = true;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~LocalTimeZone()
    {
        if (m_hadOld)
            ::setenv("TZ", m_old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    LocalTimeZone(const LocalTimeZone&) = delete;
    LocalTimeZone& operator=(const LocalTimeZone&) = delete;

private:
    std::string m_old;
    bool m_hadOld = false;
};
