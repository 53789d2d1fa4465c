#pragma once

#include <functional>
#include <string>
#include <vector>

class AsyncTask;
class CPropertySheet;
class ShellLauncher;

namespace TreeSheet {

// The buttons of the program's sheet and what Help does: OK becomes Exit in
// the place of Apply, Apply becomes Help beside it, Cancel goes, and Ctrl+Q
// presses Exit. Help opens the recorder's help file beside the program's
// settings, else the program's own manual, looked for off the window's thread.
class SheetButtons {
public:
    // Distance between the Help button and where the Exit button sits.
    static constexpr int kHelpOffset = 85;

    // Reads a text of the program's own settings file by section and key;
    // empty when it is missing.
    using SettingReader = std::function<std::string(const std::string& section, const std::string& key)>;

    // Help's work is a child of the sheet: its answer comes back while the
    // sheet exists.
    explicit SheetButtons(CPropertySheet& sheet);

    // The program's settings file: the button texts come from it and the help
    // file lies beside it. Without one the buttons read Exit and Help and the
    // help file is looked for in the working folder.
    void UseSettingsFile(std::string path, SettingReader reader);

    // The program's own manual, opened by Help where the recorder's help file
    // is missing: by default the page beside the program (a build tree), then
    // the installed one.
    void SetManualFiles(std::vector<std::string> files) { m_aManualFiles = std::move(files); }
    // Those defaults: beside the program, then where the package puts it
    // relative to the program.
    static std::vector<std::string> InstalledManualFiles();
    // What opens the help file: the desktop's unless another is handed in.
    // It must outlive any look that Help started.
    void UseLauncher(ShellLauncher& launcher) { m_pLauncher = &launcher; }

    // Once the sheet's buttons exist.
    void SetUp();
    // One look at a time: a second press while the first is still looking
    // would only open the same file twice.
    void OpenHelp();
    // While Help looks for its file and starts the viewer.
    bool IsOpeningHelp() const;
    // The sheet's window goes: whatever Help finds is no longer told.
    void Stop();

private:
    CPropertySheet& m_sheet;
    std::string m_strSettingsFile;
    SettingReader m_readSetting;
    std::vector<std::string> m_aManualFiles;
    ShellLauncher* m_pLauncher;
    // Opens the help off the window's thread: the launcher reads the disk.
    AsyncTask* m_pHelp;
};

} // namespace TreeSheet
