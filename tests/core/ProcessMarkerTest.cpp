#include "platform/ProcessMarker.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Points XDG_RUNTIME_DIR and TMPDIR at folders of the test for its duration.
class ProcessMarkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Save("XDG_RUNTIME_DIR", m_oldRuntime, m_hadRuntime);
        Save("TMPDIR", m_oldTmp, m_hadTmp);
        m_runtime = m_dir.MakeDir("runtime");
        ::chmod(m_runtime.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        ::setenv("TMPDIR", m_dir.MakeDir("tmp").c_str(), 1);
    }
    void TearDown() override
    {
        Restore("XDG_RUNTIME_DIR", m_oldRuntime, m_hadRuntime);
        Restore("TMPDIR", m_oldTmp, m_hadTmp);
    }

    static void Save(const char* name, std::string& value, bool& had)
    {
        const char* old = std::getenv(name);
        had = old != nullptr;
        value = old ? old : "";
    }
    static void Restore(const char* name, const std::string& value, bool had)
    {
        if (had)
            ::setenv(name, value.c_str(), 1);
        else
            ::unsetenv(name);
    }

    TempDir m_dir;
    std::string m_runtime;
    std::string m_oldRuntime, m_oldTmp;
    bool m_hadRuntime = false, m_hadTmp = false;
};

} // namespace

TEST_F(ProcessMarkerTest, SecondHolderSeesTheMarkerUntilTheFirstLetsGo)
{
    ProcessMarker first("{Marker-Test}");
    EXPECT_EQ(first.GetCreateError(), 0u);
    EXPECT_TRUE(first.IsHeld());
    EXPECT_TRUE(std::filesystem::exists(m_runtime + "/{Marker-Test}.lock"));

    {
        ProcessMarker second("{Marker-Test}");
        EXPECT_EQ(second.GetCreateError(), ProcessMarker::kAlreadyExists);
        EXPECT_FALSE(second.IsHeld());
        ProcessMarker other("{Other-Name}");
        EXPECT_EQ(other.GetCreateError(), 0u);
    }
    // The second copy ending does not take the marker away from the first.
    ProcessMarker third("{Marker-Test}");
    EXPECT_EQ(third.GetCreateError(), ProcessMarker::kAlreadyExists);

    first.Release();
    ProcessMarker fourth("{Marker-Test}");
    EXPECT_EQ(fourth.GetCreateError(), 0u);
}

TEST_F(ProcessMarkerTest, MarkerThatCannotBeOpenedCountsAsDenied)
{
    // A link in the private folder is never followed, whatever it points at.
    std::filesystem::create_symlink(m_dir.Path() + "/elsewhere", m_runtime + "/{Marker-Test}.lock");
    ProcessMarker marker("{Marker-Test}");
    EXPECT_EQ(marker.GetCreateError(), ProcessMarker::kAccessDenied);
    EXPECT_FALSE(marker.IsHeld());
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path() + "/elsewhere"));
}

TEST_F(ProcessMarkerTest, RuntimeFolderMustBePrivateToThisUser)
{
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), m_runtime);

    // Open to others: the per-user folder in the temporary folder is used instead.
    ::chmod(m_runtime.c_str(), 0755);
    const std::string fallback = m_dir.Path() + "/tmp/clipscout-" + std::to_string(::getuid());
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), fallback);
    struct stat st {};
    ASSERT_EQ(::stat(fallback.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A fallback folder someone left open, or one that is not a folder, is refused.
    ::chmod(fallback.c_str(), 0777);
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), "");
    ProcessMarker marker("{Marker-Test}");
    EXPECT_EQ(marker.GetCreateError(), ProcessMarker::kNoRuntimeFolder);
    std::filesystem::remove(fallback);
    m_dir.WriteFile("tmp/clipscout-" + std::to_string(::getuid()), "");
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), "");
}

TEST_F(ProcessMarkerTest, FolderOfAnotherUserIsNeverUsed)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "only root can hand a folder to another user";
    const std::string fallback = m_dir.MakeDir("tmp/clipscout-0");
    ::chmod(fallback.c_str(), 0700);
    ASSERT_EQ(::chown(fallback.c_str(), 65534, 65534), 0);
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), "");
    ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    ASSERT_EQ(::chown(m_runtime.c_str(), 65534, 65534), 0);
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), "");
}

TEST(ProcessMarkerName, NoNameLeavesTheFolder)
{
    EXPECT_EQ(ProcessMarker::FileNameFor("{Veltrane-QX7100-Clipscout}"), "{Veltrane-QX7100-Clipscout}");
    EXPECT_EQ(ProcessMarker::FileNameFor("../etc/passwd"), "_.._etc_passwd");
    EXPECT_EQ(ProcessMarker::FileNameFor(".."), "_..");
    EXPECT_EQ(ProcessMarker::FileNameFor(""), "_");
}
