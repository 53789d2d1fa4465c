#pragma once

#include <string>
#include <vector>

// Where a settings file is looked for, in this order: beside the executable,
// so that a portable copy keeps its files with it; the user's configuration
// folder ($XDG_CONFIG_HOME/clipscout/, by default ~/.config/clipscout/; on
// Windows %APPDATA%\Clipscout\); the system's (each folder of
// $XDG_CONFIG_DIRS + clipscout/, by default /etc/xdg/clipscout/; on Windows
// %ProgramData%\Clipscout\). See platform/ConfigPlaces.h. A path named
// outright wins over all of them.
class SettingsLookup {
public:
    // The places fileName is looked for, in order; the environment is read on
    // every call.
    static std::vector<std::string> Candidates(const std::string& executablePath, const std::string& fileName);

    // namedPath when it is not empty; otherwise the first candidate that is a
    // file; otherwise the place beside the executable, which then reads as
    // empty.
    static std::string Locate(const std::string& executablePath, const std::string& fileName,
                              const std::string& namedPath);

    // Where fileName was looked for, for a message when it was not found:
    // "No Viewdeck.ini was found. Looked for:" and one place per line.
    static std::string DescribeSearch(const std::string& executablePath, const std::string& fileName,
                                      const std::string& namedPath);

    // The Viewdeck.ini chosen in the window ("Choose Viewdeck.ini...") and
    // kept in stateFile, for when none is named and none lies in the places
    // above; empty otherwise, or when the chosen one is no file any more.
    // The window and the lister both take their Viewdeck.ini so.
    static std::string RememberedViewerIni(const std::string& executablePath, const std::string& stateFile);
    // Where the window keeps its state, the choice above among it: in the
    // user's configuration folder.
    static std::string StateFile();
    // The section and key of the choice in the state file.
    static constexpr const char* kChoiceSection = "Settings";
    static constexpr const char* kChoiceKey = "ViewerIni";
};
