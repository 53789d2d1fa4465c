#pragma once

#include <array>
#include <string>

inline constexpr int MAX_DEVICE_FOLDERS = 255;

// Constant-initialised (std::string's default constructor is constexpr), so
// they exist before any object of the program is constructed dynamically.
// The settings files in use (CLoadUISetting::LocateSettingsFiles).
extern std::string g_strAppIniPath;    // Clipscout.ini
extern std::string g_strViewerIniPath; // Viewdeck.ini
extern std::array<std::string, MAX_DEVICE_FOLDERS> g_strDeviceFolders;

// The Viewdeck.ini in use, as searches read it on their threads while the
// window's thread may choose another: once any thread other than the one
// that set it can read it, only through these.
std::string GetViewerIniPath();
void SetViewerIniPath(std::string path);
