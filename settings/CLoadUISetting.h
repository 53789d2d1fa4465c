#pragma once

#include <string>

inline constexpr const char* kAppIniName = "Clipscout.ini";
inline constexpr const char* kViewerIniName = "Viewdeck.ini";

// Reads the two settings files: Clipscout.ini (the program's own texts) and
// Viewdeck.ini (the recorder's settings). Keeps no state: every call reads the
// file afresh.
class CLoadUISetting {
public:
    virtual ~CLoadUISetting() = default;

    std::string GetAppSetting(const std::string& section, const std::string& key) const;
    std::string GetViewerSetting(const std::string& section, const std::string& key) const;

    // Sets g_strAppIniPath and g_strViewerIniPath by the lookup of
    // SettingsLookup; a path given here (from the command line) is taken as it is.
    static void LocateSettingsFiles(const std::string& executablePath, const std::string& appIniPath = {},
                                    const std::string& viewerIniPath = {});
};
