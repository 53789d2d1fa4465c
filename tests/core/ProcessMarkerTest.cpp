#include "platform/ProcessMarker.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Result = ProcessMarker::Result;

// Points XDG_RUNTIME_DIR, XDG_CACHE_HOME and TMPDIR at folders of the test
// for its duration. Windows keeps the marker in the user's local application
// data, which tools/test-windows.sh makes afresh with its Wine prefix.
class ProcessMarkerTest : public ::testing::Test {
protected:
#ifdef _WIN32
    void SetUp() override
    {
        // The lock files outlive their holders there; each test starts without them.
        m_runtime = ProcessMarker::RuntimeFolder();
        for (const char* name : {"{Marker-Test}.lock", "{Other-Name}.lock"}) {
            std::error_code ignored;
            std::filesystem::remove(m_runtime + kSeparator + name, ignored);
        }
    }
    static constexpr const char* kSeparator = "\\";
#else
    void SetUp() override
    {
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "TMPDIR"}) {
            const char* old = std::getenv(name);
            m_saved.push_back({name, old ? old : "", old != nullptr});
        }
        m_runtime = m_dir.MakeDir("runtime");
        ::chmod(m_runtime.c_str(), 0700);
        m_cache = m_dir.Path() + "/cache";
        ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        ::setenv("XDG_CACHE_HOME", m_cache.c_str(), 1);
        ::setenv("TMPDIR", m_dir.MakeDir("tmp").c_str(), 1);
    }
    void TearDown() override
    {
        for (const Saved& saved : m_saved) {
            if (saved.had)
                ::setenv(saved.name, saved.value.c_str(), 1);
            else
                ::unsetenv(saved.name);
        }
    }
    static constexpr const char* kSeparator = "/";

    // Takes the marker in a child process, after prepare has changed the
    // child's environment; returns what the child got.
    static Result InChild(const std::string& name, const std::function<void()>& prepare)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            prepare();
            const ProcessMarker marker(name);
            ::_exit(static_cast<int>(marker.GetResult()));
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return static_cast<Result>(WEXITSTATUS(status));
    }
#endif

    struct Saved {
        const char* name;
        std::string value;
        bool had;
    };
    std::vector<Saved> m_saved;
    TempDir m_dir;
    std::string m_runtime;
    std::string m_cache;
};

} // namespace

TEST_F(ProcessMarkerTest, SecondHolderSeesTheMarkerUntilTheFirstLetsGo)
{
    ProcessMarker first("{Marker-Test}");
    EXPECT_EQ(first.GetResult(), Result::Created);
    EXPECT_TRUE(first.IsHeld());
    ASSERT_FALSE(m_runtime.empty());
    EXPECT_EQ(first.GetFolder(), m_runtime);
    EXPECT_TRUE(std::filesystem::exists(m_runtime + kSeparator + "{Marker-Test}.lock"));

    {
        ProcessMarker second("{Marker-Test}");
        EXPECT_EQ(second.GetResult(), Result::HeldByAnother);
        EXPECT_FALSE(second.IsHeld());
        ProcessMarker other("{Other-Name}");
        EXPECT_EQ(other.GetResult(), Result::Created);
    }
    // The second copy ending does not take the marker away from the first,
    // and another process sees it whatever its temporary folder. (On Windows
    // the lock is a file opened without sharing, refused to any other open
    // in this process as in another.)
#ifndef _WIN32
    const std::string otherTmp = m_dir.MakeDir("other-tmp");
    EXPECT_EQ(InChild("{Marker-Test}", [&] { ::setenv("TMPDIR", otherTmp.c_str(), 1); }), Result::HeldByAnother);
#endif
    ProcessMarker third("{Marker-Test}");
    EXPECT_EQ(third.GetResult(), Result::HeldByAnother);

    first.Release();
#ifndef _WIN32
    EXPECT_EQ(InChild("{Marker-Test}", [] {}), Result::Created);
#endif
    ProcessMarker fourth("{Marker-Test}");
    EXPECT_EQ(fourth.GetResult(), Result::Created);
}

TEST_F(ProcessMarkerTest, MarkerThatCannotBeMadeIsAFailureNotAnotherHolder)
{
    // A link in the private folder is never followed, whatever it points at;
    // a folder in the marker's place cannot be locked. (Making a link needs
    // a privilege on Windows that a test cannot count on.)
#ifdef _WIN32
    const auto names = {"{Other-Name}"};
#else
    std::filesystem::create_symlink(m_dir.Path() + "/elsewhere", m_runtime + "/{Marker-Test}.lock");
    const auto names = {"{Marker-Test}", "{Other-Name}"};
#endif
    std::filesystem::create_directory(m_runtime + kSeparator + "{Other-Name}.lock");
    for (const char* name : names) {
        ProcessMarker marker(name);
        EXPECT_EQ(marker.GetResult(), Result::Failed) << name;
        EXPECT_FALSE(marker.IsHeld());
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path() + "/elsewhere"));
}

TEST_F(ProcessMarkerTest, WithoutAPrivateRuntimeFolderTheUsersCacheFolderServesEveryProcess)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps the marker in the user's local application data, not in XDG folders";
#else
    if (std::filesystem::exists(ProcessMarker::SessionRuntimeFolder()))
        GTEST_SKIP() << "this user's session runtime folder serves before the cache folder";
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), m_runtime);

    // Open to others: a folder of our own in the cache folder is made instead,
    // the cache folder with it.
    ::chmod(m_runtime.c_str(), 0755);
    const std::string fallback = m_cache + "/clipscout";
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), fallback);
    struct stat st { };
    ASSERT_EQ(::stat(fallback.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(m_cache.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A process without a runtime folder at all, and with another temporary
    // folder, finds the marker of one whose runtime folder was refused.
    ProcessMarker first("{Marker-Test}");
    EXPECT_EQ(first.GetResult(), Result::Created);
    EXPECT_EQ(first.GetFolder(), fallback);
    const std::string otherTmp = m_dir.MakeDir("other-tmp");
    EXPECT_EQ(InChild("{Marker-Test}",
                      [&] {
                          ::unsetenv("XDG_RUNTIME_DIR");
                          ::setenv("TMPDIR", otherTmp.c_str(), 1);
                      }),
              Result::HeldByAnother);
    first.Release();

    // A fallback folder someone left open, or one that is not a folder, is refused.
    ::chmod(fallback.c_str(), 0777);
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), "");
    ProcessMarker marker("{Marker-Test}");
    EXPECT_EQ(marker.GetResult(), Result::NoPrivateFolder);
    EXPECT_EQ(marker.GetFolder(), "");
    std::filesystem::remove_all(fallback);
    m_dir.WriteFile("cache/clipscout", "");
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), "");
#endif
}

TEST_F(ProcessMarkerTest, AProcessWithoutTheRuntimeVariableFindsTheSessionsMarker)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps the marker in the user's local application data, not in XDG folders";
#else
    const std::string session = ProcessMarker::SessionRuntimeFolder();
    if (::getuid() != 0 || std::filesystem::exists(session) ||
        !std::filesystem::is_directory(std::filesystem::path(session).parent_path()))
        GTEST_SKIP() << "needs root, the sessions' folder and no session runtime folder, to make one";
    ASSERT_EQ(::mkdir(session.c_str(), 0700), 0);
    ::setenv("XDG_RUNTIME_DIR", session.c_str(), 1);
    {
        ProcessMarker desktop("{Marker-Test}");
        EXPECT_EQ(desktop.GetFolder(), session);
        EXPECT_EQ(InChild("{Marker-Test}", [] { ::unsetenv("XDG_RUNTIME_DIR"); }), Result::HeldByAnother);
    }
    std::filesystem::remove_all(session);
#endif
}

TEST_F(ProcessMarkerTest, FolderOfAnotherUserIsNeverUsed)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps the marker in the user's local application data, not in XDG folders";
#else
    if (::getuid() != 0 || std::filesystem::exists(ProcessMarker::SessionRuntimeFolder()))
        GTEST_SKIP() << "only root can hand a folder to another user; the session's folder would serve first";
    // Squatted: the fallback exists, private, but belongs to someone else.
    const std::string fallback = m_dir.MakeDir("cache/clipscout");
    ::chmod(fallback.c_str(), 0700);
    ASSERT_EQ(::chown(fallback.c_str(), 65534, 65534), 0);
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), "");
    ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    ASSERT_EQ(::chown(m_runtime.c_str(), 65534, 65534), 0);
    EXPECT_EQ(ProcessMarker::RuntimeFolder(), "");
#endif
}

TEST(ProcessMarkerName, NoNameLeavesTheFolder)
{
    EXPECT_EQ(ProcessMarker::FileNameFor("{Veltrane-QX7100-Clipscout}"), "{Veltrane-QX7100-Clipscout}");
    EXPECT_EQ(ProcessMarker::FileNameFor("../etc/passwd"), "_.._etc_passwd");
    EXPECT_EQ(ProcessMarker::FileNameFor(".."), "_..");
    EXPECT_EQ(ProcessMarker::FileNameFor(""), "_");
}
