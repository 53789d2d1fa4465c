#include "settings/DeviceFolders.h"
#include "settings/AppGlobals.h"
#include "settings/CLoadUISetting.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class DeviceFoldersTest : public ::testing::Test {
protected:
    std::string Root() const { return m_dir.Path() + "/store"; }

    void MakeDevice(const std::string& name, bool recording = true, bool snapshot = true, bool motion = true,
                    const char* snapshotName = "Snapshot")
    {
        m_dir.MakeDir("store/" + name);
        if (recording)
            m_dir.MakeDir("store/" + name + "/Recording");
        if (snapshot)
            m_dir.MakeDir("store/" + name + "/" + snapshotName);
        if (motion)
            m_dir.MakeDir("store/" + name + "/MotionDetection");
    }

    std::vector<std::string> Discover(const std::string& viewdeckIni)
    {
        m_dir.WriteFile("bin/Viewdeck.ini", viewdeckIni);
        std::array<std::string, MAX_DEVICE_FOLDERS> folders;
        const int count = FindDeviceFolders(CLoadUISetting::Locate(m_dir.Path() + "/bin/clipscout"), folders);
        return std::vector<std::string>(folders.begin(), folders.begin() + count);
    }

    TempDir m_dir;
};

} // namespace

TEST_F(DeviceFoldersTest, CompleteConfiguredFoldersInListingOrder)
{
    MakeDevice("gate");
    MakeDevice("Backyard");
    MakeDevice("attic");
    MakeDevice("Cam_2");
    MakeDevice("CamB");
    const auto found = Discover("[Directory]\nRecording=" + Root() +
                                "\n[Device1]\nLocalID=gate\n[Device4]\nLocalID=attic\n"
                                "[Device2]\nLocalID=Backyard\n[Device3]\nLocalID=Cam_2\n"
                                "[Device5]\nLocalID=CamB\n");
    // Names folded to upper case, as Windows orders them: "_" after "B".
    EXPECT_EQ(found, (std::vector<std::string>{"attic", "Backyard", "CamB", "Cam_2", "gate"}));
}

TEST_F(DeviceFoldersTest, OnlyDevicesOneToNineCountAndGapsAreAllowed)
{
    MakeDevice("nine");
    MakeDevice("ten");
    MakeDevice("two");
    const auto found = Discover("[Directory]\nRecording=" + Root() +
                                "\n[Device2]\nLocalID=two\n[Device9]\nLocalID=nine\n"
                                "[Device10]\nLocalID=ten\n");
    EXPECT_EQ(found, (std::vector<std::string>{"nine", "two"}));
}

TEST_F(DeviceFoldersTest, LocalIdMatchesExactlyAndDuplicatesCountOnce)
{
    MakeDevice("Cam");
    MakeDevice("porch");
    const auto found = Discover("[Directory]\nRecording=" + Root() +
                                "\n[Device1]\nLocalID=cam\n[Device2]\nLocalID=porch\n"
                                "[Device3]\nLocalID=porch\n");
    EXPECT_EQ(found, (std::vector<std::string>{"porch"}));
}

TEST_F(DeviceFoldersTest, IncompleteFoldersAndPlainFilesAreLeftOut)
{
    MakeDevice("nosnap", true, false, true);
    MakeDevice("nomotion", true, true, false);
    MakeDevice("norec", false, true, true);
    MakeDevice("casefold", true, true, true, "SnapShot");
    m_dir.WriteFile("store/plainfile", "not a folder");
    const auto found = Discover("[Directory]\nRecording=" + Root() +
                                "\n[Device1]\nLocalID=nosnap\n[Device2]\nLocalID=nomotion\n"
                                "[Device3]\nLocalID=norec\n[Device4]\nLocalID=plainfile\n"
                                "[Device5]\nLocalID=casefold\n");
    EXPECT_EQ(found, (std::vector<std::string>{"casefold"}));
}

TEST_F(DeviceFoldersTest, SubfolderEntriesMayBeFiles)
{
    // Existence is all that is tested, as the recorder may keep a placeholder.
    m_dir.MakeDir("store/cam/Recording");
    m_dir.MakeDir("store/cam/MotionDetection");
    m_dir.WriteFile("store/cam/snapshot", "");
    const auto found = Discover("[Directory]\nRecording=" + Root() + "\n[Device1]\nLocalID=cam\n");
    EXPECT_EQ(found, (std::vector<std::string>{"cam"}));
}

TEST_F(DeviceFoldersTest, TrailingSeparatorGivesTheSameResult)
{
    MakeDevice("cam");
    const auto found = Discover("[Directory]\nRecording=" + Root() + "/\n[Device1]\nLocalID=cam\n");
    EXPECT_EQ(found, (std::vector<std::string>{"cam"}));
}

TEST_F(DeviceFoldersTest, MissingSettingsOrDirectoryFindNothing)
{
    MakeDevice("cam");
    EXPECT_TRUE(Discover("").empty());
    EXPECT_TRUE(Discover("[Directory]\nRecording=\n[Device1]\nLocalID=cam\n").empty());
    EXPECT_TRUE(Discover("[Directory]\nRecording=" + Root() + "/missing\n[Device1]\nLocalID=cam\n").empty());
}
