#include "settings/SettingsLookup.h"
#include "settings/CLoadUISetting.h"
#include "support/Environment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

// Sets or unsets a variable for one scope and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        Set(value);
    }
    ~ScopedVariable() { Set(m_old); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

    void Set(const std::optional<std::string>& value) const { SetVariable(m_name, value); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(SettingsLookup, BesideTheExecutableThenTheUsersThenTheSystemsFolderAndANamedPathWinsOverAll)
{
#ifdef _WIN32
    GTEST_SKIP() << "the XDG folders are Linux's; Windows' places are tested below";
#endif
    TempDir dir;
    const std::string& root = dir.Path();
    const std::string exe = root + "/bin/clipscout";
    ScopedVariable home("HOME", root + "/home");
    ScopedVariable configHome("XDG_CONFIG_HOME", root + "/user");
    // Relative entries are ignored, as the base-directory rules ask.
    ScopedVariable configDirs("XDG_CONFIG_DIRS", root + "/sys1:relative/dir:" + root + "/sys2/");

    EXPECT_EQ(SettingsLookup::Candidates(exe, "Viewdeck.ini"),
              (std::vector<std::string>{root + "/bin/Viewdeck.ini", root + "/user/clipscout/Viewdeck.ini",
                                        root + "/sys1/clipscout/Viewdeck.ini", root + "/sys2/clipscout/Viewdeck.ini"}));

    EXPECT_EQ(SettingsLookup::DescribeSearch(exe, "Viewdeck.ini", ""),
              "No Viewdeck.ini was found. Looked for:\n" + root + "/bin/Viewdeck.ini\n" + root +
                  "/user/clipscout/Viewdeck.ini\n" + root + "/sys1/clipscout/Viewdeck.ini\n" + root +
                  "/sys2/clipscout/Viewdeck.ini");

    // Nowhere: the place beside the executable, which reads as empty.
    const auto locate = [&] { return SettingsLookup::Locate(exe, "Viewdeck.ini", ""); };
    EXPECT_EQ(locate(), root + "/bin/Viewdeck.ini");
    EXPECT_EQ(CLoadUISetting::Locate(exe).GetViewerSetting("Directory", "Recording"), "");

    // Each place wins over those after it; a folder of the file's name is no file.
    dir.WriteFile("sys2/clipscout/Viewdeck.ini", "[Directory]\nRecording=/sys2\n");
    EXPECT_EQ(locate(), root + "/sys2/clipscout/Viewdeck.ini");
    dir.WriteFile("sys1/clipscout/Viewdeck.ini", "[Directory]\nRecording=/sys1\n");
    EXPECT_EQ(locate(), root + "/sys1/clipscout/Viewdeck.ini");
    dir.MakeDir("user/clipscout/Viewdeck.ini");
    EXPECT_EQ(locate(), root + "/sys1/clipscout/Viewdeck.ini");
    dir.WriteFile("home/.config/clipscout/Viewdeck.ini", "[Directory]\nRecording=/home\n");
    EXPECT_EQ(locate(), root + "/sys1/clipscout/Viewdeck.ini"); // XDG_CONFIG_HOME is set
    dir.WriteFile("bin/Viewdeck.ini", "[Directory]\nRecording=/bin\n");
    EXPECT_EQ(locate(), root + "/bin/Viewdeck.ini");
    EXPECT_EQ(SettingsLookup::Locate(exe, "Viewdeck.ini", root + "/named.ini"), root + "/named.ini");

    // Without XDG_CONFIG_HOME the user's folder is ~/.config; without
    // XDG_CONFIG_DIRS the system's is /etc/xdg.
    configHome.Set(std::nullopt);
    configDirs.Set(std::nullopt);
    EXPECT_EQ(SettingsLookup::Candidates(exe, "Clipscout.ini"),
              (std::vector<std::string>{root + "/bin/Clipscout.ini", root + "/home/.config/clipscout/Clipscout.ini",
                                        "/etc/xdg/clipscout/Clipscout.ini"}));

    // The two files are looked up each on its own, and the reader reads what was found.
    dir.WriteFile("home/.config/clipscout/Clipscout.ini", "[Clipscout]\nB_Exit=Quit\n");
    const CLoadUISetting found = CLoadUISetting::Locate(exe);
    EXPECT_EQ(found.AppIniPath(), root + "/home/.config/clipscout/Clipscout.ini");
    EXPECT_EQ(found.ViewerIniPath(), root + "/bin/Viewdeck.ini");
    EXPECT_EQ(found.GetAppSetting("Clipscout", "B_Exit"), "Quit");
    EXPECT_EQ(found.GetViewerSetting("Directory", "Recording"), "/bin");
    const CLoadUISetting named =
        CLoadUISetting::Locate(exe, root + "/missing.ini", root + "/sys2/clipscout/Viewdeck.ini");
    EXPECT_EQ(named.GetAppSetting("Clipscout", "B_Exit"), "");
    EXPECT_EQ(named.GetViewerSetting("Directory", "Recording"), "/sys2");
}

TEST(SettingsLookup, OnWindowsBesideTheExecutableThenAppDataThenProgramData)
{
#ifndef _WIN32
    GTEST_SKIP() << "%APPDATA% and %ProgramData% are Windows' places";
#else
    TempDir dir;
    const std::string& root = dir.Path();
    const std::string exe = root + "\\bin\\clipscout-list.exe";
    ScopedVariable appData("APPDATA", root + "\\roaming");
    ScopedVariable programData("ProgramData", root + "\\machine\\");

    EXPECT_EQ(SettingsLookup::Candidates(exe, "Viewdeck.ini"),
              (std::vector<std::string>{root + "\\bin\\Viewdeck.ini", root + "\\roaming\\Clipscout\\Viewdeck.ini",
                                        root + "\\machine\\Clipscout\\Viewdeck.ini"}));
    // A forward slash separates too.
    EXPECT_EQ(SettingsLookup::Candidates(root + "/bin/clipscout-list.exe", "Viewdeck.ini").front(),
              root + "/bin/Viewdeck.ini");

    // Each place wins over those after it; a folder of the file's name is no file.
    const auto locate = [&] { return SettingsLookup::Locate(exe, "Viewdeck.ini", ""); };
    EXPECT_EQ(locate(), root + "\\bin\\Viewdeck.ini");
    dir.WriteFile("machine/Clipscout/Viewdeck.ini", "[Directory]\nRecording=C:\\machine\n");
    EXPECT_EQ(locate(), root + "\\machine\\Clipscout\\Viewdeck.ini");
    dir.MakeDir("roaming/Clipscout/Viewdeck.ini");
    EXPECT_EQ(locate(), root + "\\machine\\Clipscout\\Viewdeck.ini");
    dir.WriteFile("bin/Viewdeck.ini", "[Directory]\nRecording=C:\\bin\n");
    EXPECT_EQ(locate(), root + "\\bin\\Viewdeck.ini");
    EXPECT_EQ(CLoadUISetting::Locate(exe).GetViewerSetting("Directory", "Recording"), "C:\\bin");

    // A variable that is no absolute path is passed over.
    appData.Set("relative\\folder");
    programData.Set(std::nullopt);
    EXPECT_EQ(SettingsLookup::Candidates(exe, "Clipscout.ini"),
              std::vector<std::string>{root + "\\bin\\Clipscout.ini"});
#endif
}
