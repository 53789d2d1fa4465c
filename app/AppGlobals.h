#pragma once

#include <array>
#include <string>

inline constexpr int MAX_DEVICE_FOLDERS = 255;

// Constant-initialised (std::string's default constructor is constexpr), so
// they exist before any object of the program is constructed dynamically.
extern std::string g_strAppIniPath;    // program directory + "Clipscout.ini"
extern std::string g_strViewerIniPath; // program directory + "Viewdeck.ini"
extern std::array<std::string, MAX_DEVICE_FOLDERS> g_strDeviceFolders;
