#pragma once

#include <string>

// Reads the two settings files beside the executable: Clipscout.ini (the
// program's own texts) and Viewdeck.ini (the recorder's settings). Keeps no
// state: every call reads the file afresh.
class CLoadUISetting {
public:
    virtual ~CLoadUISetting() = default;

    std::string GetAppSetting(std::string section, std::string key) const;
    std::string GetViewerSetting(std::string section, std::string key) const;

    // Sets g_strAppIniPath and g_strViewerIniPath from the executable's path:
    // everything up to and including its last '/', then the file name.
    static void LocateSettingsFiles(const std::string& executablePath);
};
