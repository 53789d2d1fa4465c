#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Where the system keeps a program's settings, for settings/SettingsLookup.h.
namespace ConfigPlaces {

// The length of path's folder, its last separator included ("/" on Linux, "/"
// or "\" on Windows); 0 when path names no folder.
std::size_t FolderLength(std::string_view path);

// The folders, after the executable's own, where the settings files are
// looked for, in order, each ending in a separator: the user's, then the
// system's. Linux: $XDG_CONFIG_HOME/clipscout/ (else ~/.config/clipscout/),
// then each folder of $XDG_CONFIG_DIRS (else /etc/xdg) + clipscout/. Windows:
// %APPDATA%\Clipscout\, then %ProgramData%\Clipscout\. The environment is read
// at each call; a variable that is not an absolute path is passed over.
std::vector<std::string> SettingsFolders();

// Whether path is a file (not a folder or a device) that a settings file
// could be read from.
bool IsFile(const std::string& path);

} // namespace ConfigPlaces
