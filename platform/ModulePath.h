#pragma once

#include <string>

// Full path of the running executable; empty when it cannot be found.
std::string GetModuleFileName();
