#include "platform/CTimeSpan.h"

#include <cstdio>

std::string CTimeSpan::Format(const char* format) const
{
    std::string out;
    char field[32];
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%' || p[1] == '\0') {
            out += *p;
            continue;
        }
        ++p;
        switch (*p) {
        case 'D':
            std::snprintf(field, sizeof field, "%lld", static_cast<long long>(GetDays()));
            out += field;
            break;
        case 'H':
            std::snprintf(field, sizeof field, "%02d", GetHours());
            out += field;
            break;
        case 'M':
            std::snprintf(field, sizeof field, "%02d", GetMinutes());
            out += field;
            break;
        case 'S':
            std::snprintf(field, sizeof field, "%02d", GetSeconds());
            out += field;
            break;
        default:
            out += *p;
            break;
        }
    }
    return out;
}
