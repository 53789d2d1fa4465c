#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// Sets or unsets a variable of the process's environment, on either system.
inline void SetVariable(const char* name, const std::optional<std::string>& value)
{
#ifdef _WIN32
    // An empty value removes the variable; the system's copy changes too.
    ::_putenv_s(name, value ? value->c_str() : "");
#else
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
#endif
}
