#pragma once

#include <memory>
#include <string>

inline constexpr const char* kAppIniName = "Clipscout.ini";
inline constexpr const char* kViewerIniName = "Viewdeck.ini";

// The two settings files it names: Clipscout.ini (the program's own texts)
// and Viewdeck.ini (the recorder's settings), as Read last found them. Only
// Read touches the files, and it runs off the window's thread once the window
// serves the user: a page shown for the first time reads its texts from here,
// so a settings file on a share that stops answering never holds the window.
// A copy keeps what was read, whatever the files say later.
class CLoadUISetting {
public:
    // Names no file: every setting reads as empty.
    CLoadUISetting() = default;
    // Names the files; nothing is read until Read.
    CLoadUISetting(std::string appIniPath, std::string viewerIniPath);

    // The files by the lookup of SettingsLookup, read; a path given here
    // (from the command line) is taken as it is.
    static CLoadUISetting Locate(const std::string& executablePath, const std::string& appIniPath = {},
                                 const std::string& viewerIniPath = {});

    const std::string& AppIniPath() const { return m_strAppIniPath; }
    const std::string& ViewerIniPath() const { return m_strViewerIniPath; }

    // Reads both files now, and with them the recording directory.
    void Read();

    std::string GetAppSetting(const std::string& section, const std::string& key) const;
    std::string GetViewerSetting(const std::string& section, const std::string& key) const;

    // The recording directory Viewdeck.ini named when Read last ran: the
    // searches take it from here.
    const std::string& RecordingDir() const { return m_strRecordingDir; }

private:
    std::string m_strAppIniPath;
    std::string m_strViewerIniPath;
    // Shared by the copies: pages each keep one.
    std::shared_ptr<const std::string> m_pAppIni;
    std::shared_ptr<const std::string> m_pViewerIni;
    std::string m_strRecordingDir;
};
