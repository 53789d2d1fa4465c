#pragma once

#include <array>
#include <string>

inline constexpr int MAX_DEVICE_FOLDERS = 255;

// Constant-initialised (std::string's default constructor is constexpr), so
// it exists before any object of the program is constructed dynamically.
// Written and read on the window's thread only.
extern std::array<std::string, MAX_DEVICE_FOLDERS> g_strDeviceFolders;
