#pragma once

#include "support/Environment.h"

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

// Sets the process's time zone for the life of the object, so that local-time
// results do not depend on the machine. POSIX rules need no zone database.
// The Windows C runtime reads only the zone's name, offset and daylight-saving
// name ("CET-1CEST") and puts the clock changes on dates of its own. Under Wine, a zone
// set after TZ was taken away has no summer time: the Windows tests run with
// TZ set (tests/CMakeLists.txt), so that it is only ever changed.
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
        SetVariable("TZ", std::string(zone));
        Reread();
    }
    ~LocalTimeZone()
    {
        SetVariable("TZ", m_hadOld ? std::optional<std::string>(m_old) : std::nullopt);
        Reread();
    }

    LocalTimeZone(const LocalTimeZone&) = delete;
    LocalTimeZone& operator=(const LocalTimeZone&) = delete;

private:
    static void Reread()
    {
#ifdef _WIN32
        ::_tzset();
#else
        ::tzset();
#endif
    }

    std::string m_old;
    bool m_hadOld = false;
};
