#pragma once

#include <string>

inline constexpr const char* kAppIniName = "Clipscout.ini";
inline constexpr const char* kViewerIniName = "Viewdeck.ini";

// Reads the two settings files it names: Clipscout.ini (the program's own
// texts) and Viewdeck.ini (the recorder's settings). Every Get reads the file
// afresh. A copy is a reader of its own: work off the window's thread takes
// one, so that nothing it reads is ever changed under it.
class CLoadUISetting {
public:
    // Names no file: every setting reads as empty.
    CLoadUISetting() = default;
    CLoadUISetting(std::string appIniPath, std::string viewerIniPath);

    // The files by the lookup of SettingsLookup; a path given here (from the
    // command line) is taken as it is.
    static CLoadUISetting Locate(const std::string& executablePath, const std::string& appIniPath = {},
                                 const std::string& viewerIniPath = {});

    const std::string& AppIniPath() const { return m_strAppIniPath; }
    const std::string& ViewerIniPath() const { return m_strViewerIniPath; }

    std::string GetAppSetting(const std::string& section, const std::string& key) const;
    std::string GetViewerSetting(const std::string& section, const std::string& key) const;

    // The recording directory Viewdeck.ini named when ReadRecordingDir last
    // ran: the searches take it from here, so the window's thread never
    // reads the file for them.
    void ReadRecordingDir();
    const std::string& RecordingDir() const { return m_strRecordingDir; }

private:
    std::string m_strAppIniPath;
    std::string m_strViewerIniPath;
    std::string m_strRecordingDir;
};
