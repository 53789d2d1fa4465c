#include "platform/FileCopier.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <set>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Result = FileCopier::Result;

// A file as a search would list it: its folder and its identities now.
ListedFile Listed(const std::string& folder, const std::string& name)
{
    struct stat folderStatus, fileStatus;
    if (::stat(folder.c_str(), &folderStatus) != 0 || ::lstat((folder + "/" + name).c_str(), &fileStatus) != 0)
        ADD_FAILURE() << folder << "/" << name << " missing";
    return {folder, name, FileIdentity::Of(folderStatus), FileIdentity::Of(fileStatus)};
}

// Bytes that differ at every offset a chunk or a buffer could misplace.
std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    return bytes;
}

struct timespec ModificationTime(const std::string& path)
{
    struct stat st { };
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}

void SetModificationTime(const std::string& path, long seconds, long nanoseconds)
{
    const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Runs work on a thread of its own whose system calls see a file system
// without the no-replace rename (NFS, most FUSE mounts): renameat2 fails with
// EINVAL; with refuseLinks, linkat with EPERM as well (FAT through FUSE). The
// filter goes with the thread.
bool OnFileSystemWithoutNoReplaceRename(bool refuseLinks, const std::function<void()>& work)
{
#if defined(__x86_64__)
    std::vector<sock_filter> filter = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EINVAL),
    };
    if (refuseLinks) {
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_linkat, 0, 1));
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM));
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    bool filtered = false;
    std::thread([&] {
        const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
        filtered = ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
                   ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
        if (filtered)
            work();
    }).join();
    return filtered;
#else
    (void)refuseLinks;
    (void)work;
    return false;
#endif
}

} // namespace

TEST(FileCopierTest, CopiesByteForByteWithTheTimeAndNeverReplacesAName)
{
    const TempDir dir;
    const std::string folder = dir.MakeDir("Cam1/Recording");
    const std::string big = Pattern(2 * FileCopier::kChunkBytes + 12345);
    const std::string small("Sr\0\xff small", 10);
    dir.WriteFile("Cam1/Recording/Sr0001.asf", big);
    dir.WriteFile("Cam1/Recording/Sr0002.asf", small);
    dir.WriteFile("Cam1/Recording/Sr0003.asf", "");
    dir.WriteFile("Cam1/Recording/Sr0004.asf", "recorded");
    SetModificationTime(folder + "/Sr0001.asf", 1142330400, 123456789);
    SetModificationTime(folder + "/Sr0002.asf", 1142334000, 0);
    const std::string target = dir.MakeDir("stick");
    dir.WriteFile("stick/Sr0004.asf", "already here");
    fs::create_symlink(target + "/nowhere", target + "/Sr0005.asf");
    dir.WriteFile("Cam1/Recording/Sr0005.asf", "recorded");

    FileCopier copier;
    ASSERT_EQ(copier.Open(target), 0);
    const std::stop_source running;
    for (const char* name : {"Sr0001.asf", "Sr0002.asf", "Sr0003.asf"}) {
        EXPECT_EQ(copier.Copy(Listed(folder, name), running.get_token()).result, Result::Copied) << name;
        EXPECT_EQ(ReadFile(target + "/" + name), ReadFile(folder + "/" + name)) << name;
        const struct timespec source = ModificationTime(folder + "/" + name);
        const struct timespec copy = ModificationTime(target + "/" + name);
        EXPECT_EQ(copy.tv_sec, source.tv_sec) << name;
        EXPECT_EQ(copy.tv_nsec, source.tv_nsec) << name;
    }
    EXPECT_EQ(copier.BytesCopied(), big.size() + small.size());

    // A name already there, even as a dangling link, is left as it is; a
    // copy of the file is told apart from another file, and the file can be
    // copied beside the other under a name of its own.
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0001.asf"), running.get_token()).result, Result::Same);
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0004.asf"), running.get_token()).result, Result::Exists);
    EXPECT_EQ(ReadFile(target + "/Sr0004.asf"), "already here");
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0004.asf"), running.get_token(), "Sr0004 (Cam1).asf").result,
              Result::Copied);
    EXPECT_EQ(ReadFile(target + "/Sr0004 (Cam1).asf"), ReadFile(folder + "/Sr0004.asf"));
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0004.asf"), running.get_token(), "../Sr0004.asf").result, Result::Failed);
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0005.asf"), running.get_token()).result, Result::Exists);
    EXPECT_TRUE(fs::is_symlink(target + "/Sr0005.asf"));
    EXPECT_FALSE(fs::exists(target + "/nowhere"));

    // Into its own folder: every name is taken.
    FileCopier same;
    ASSERT_EQ(same.Open(folder), 0);
    EXPECT_EQ(same.Copy(Listed(folder, "Sr0002.asf"), running.get_token()).result, Result::Same);
    EXPECT_EQ(ReadFile(folder + "/Sr0002.asf"), small);

    // From a file system of another kind (where the kernel may refuse to copy
    // across), through the buffer if need be.
    if (fs::is_directory("/dev/shm")) {
        const std::string shm = "/dev/shm/clipscout-copier-" + std::to_string(::getpid());
        fs::create_directories(shm);
        const std::string other = Pattern(FileCopier::kChunkBytes / 3 + 7);
        {
            std::ofstream(shm + "/Sr0006.asf", std::ios::binary) << other;
        }
        EXPECT_EQ(copier.Copy(Listed(shm, "Sr0006.asf"), running.get_token()).result, Result::Copied);
        EXPECT_EQ(ReadFile(target + "/Sr0006.asf"), other);
        fs::remove_all(shm);
    }

    FileCopier nowhere;
    EXPECT_EQ(nowhere.Open(dir.Path() + "/missing"), ENOENT);
    EXPECT_EQ(nowhere.Copy(Listed(folder, "Sr0002.asf"), running.get_token()).result, Result::Failed);
}

TEST(FileCopierTest, LeavesNoPartOfACopyThatChangedWasStoppedOrCameOutShort)
{
    const TempDir dir;
    const std::string folder = dir.MakeDir("Cam1/Recording");
    const std::string big = Pattern(2 * FileCopier::kChunkBytes + 1);
    for (const char* name : {"Sr0001.asf", "Sr0002.asf", "Sr0003.asf"})
        dir.WriteFile(std::string("Cam1/Recording/") + name, big);
    const std::string target = dir.MakeDir("stick");
    const ListedFile replaced = Listed(folder, "Sr0003.asf");
    // Made before the old one goes, so that it cannot reuse its inode.
    dir.WriteFile("Cam1/Recording/new.asf", "a new recording of the same name");
    fs::rename(folder + "/new.asf", folder + "/Sr0003.asf");

    FileCopier copier;
    ASSERT_EQ(copier.Open(target), 0);
    std::stop_source stop;
    EXPECT_EQ(copier.Copy(replaced, stop.get_token()).result, Result::Changed);
    EXPECT_EQ(
        copier.Copy({folder, "../Cam1/Recording/Sr0001.asf", replaced.idFolder, replaced.idFile}, stop.get_token())
            .result,
        Result::Changed);

    // The file loses its end after the first chunk is copied.
    copier.SetBeforeChunk([&](const std::string& name, std::uint64_t copied) {
        if (name == "Sr0001.asf" && copied == FileCopier::kChunkBytes)
            fs::resize_file(folder + "/Sr0001.asf", FileCopier::kChunkBytes + 10);
        if (name == "Sr0002.asf" && copied > 0)
            stop.request_stop();
    });
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0001.asf"), stop.get_token()).result, Result::Short);
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0002.asf"), stop.get_token()).result, Result::Stopped);
    EXPECT_TRUE(fs::is_empty(target));
    EXPECT_EQ(ReadFile(folder + "/Sr0002.asf"), big);
}

TEST(FileCopierTest, ACopyIsNamedOnlyWhenWholeWithTheFilesModeAndNeverOverATakenName)
{
    const TempDir dir;
    const std::string folder = dir.MakeDir("Cam1/Recording");
    const std::string big = Pattern(2 * FileCopier::kChunkBytes + 3);
    const std::pair<const char*, mode_t> files[] = {
        {"Sr0001.asf", 0600}, {"Sr0002.asf", 0640}, {"Sr0003.asf", 04755}, {"Sr0004.asf", 0644}};
    for (const auto& [name, mode] : files) {
        dir.WriteFile(std::string("Cam1/Recording/") + name, big);
        ASSERT_EQ(::chmod((folder + "/" + name).c_str(), mode), 0);
    }
    const std::string target = dir.MakeDir("stick");
    // Left by a copy that never finished: a later one neither takes it for a
    // whole copy nor touches it.
    const std::string stale = std::string(".Sr0004.asf.00000000") + FileCopier::kPartSuffix;
    dir.WriteFile("stick/" + stale, "half");

    const auto entries = [&] {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(target))
            names.insert(entry.path().filename().string());
        return names;
    };
    std::vector<std::string> midway; // what the folder held halfway through Sr0001.asf
    mode_t partMode = 0;
    FileCopier copier;
    copier.SetBeforeChunk([&](const std::string& name, std::uint64_t copied) {
        if (name == "Sr0001.asf" && copied == FileCopier::kChunkBytes) {
            for (const std::string& entry : entries()) {
                midway.push_back(entry);
                struct stat st { };
                ::lstat((target + "/" + entry).c_str(), &st);
                if (entry != stale)
                    partMode = st.st_mode & 0777;
            }
        }
        // Another program takes the name while the copy is made.
        if (name == "Sr0002.asf" && copied == FileCopier::kChunkBytes)
            std::ofstream(target + "/Sr0002.asf", std::ios::binary) << "taken meanwhile";
    });

    const mode_t oldMask = ::umask(0);
    ASSERT_EQ(copier.Open(target), 0);
    const std::stop_source running;
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0001.asf"), running.get_token()).result, Result::Copied);
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0002.asf"), running.get_token()).result, Result::Exists);
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0003.asf"), running.get_token()).result, Result::Copied);
    EXPECT_EQ(copier.Copy(Listed(folder, "Sr0004.asf"), running.get_token()).result, Result::Copied);
    ::umask(oldMask);

    // Midway, only a hidden temporary name that says whose copy it is, for the
    // owner's eyes alone: an exit then leaves nothing under the file's name.
    ASSERT_EQ(midway.size(), 2u);
    const std::string part = midway[0] == stale ? midway[1] : midway[0];
    EXPECT_EQ(part.rfind(".Sr0001.asf.", 0), 0u) << part;
    EXPECT_TRUE(part.ends_with(FileCopier::kPartSuffix)) << part;
    EXPECT_EQ(partMode & 077, 0u);

    EXPECT_EQ(entries(), (std::set<std::string>{stale, "Sr0001.asf", "Sr0002.asf", "Sr0003.asf", "Sr0004.asf"}));
    EXPECT_EQ(ReadFile(target + "/Sr0002.asf"), "taken meanwhile");
    EXPECT_EQ(ReadFile(target + "/" + stale), "half");
    // The file's permission bits, as cp gives them: a private recording stays
    // private, and no set-user-ID bit comes along.
    for (const auto& [name, mode] : files) {
        if (std::string(name) == "Sr0002.asf")
            continue;
        EXPECT_EQ(ReadFile(target + "/" + name), big) << name;
        struct stat st { };
        ASSERT_EQ(::lstat((target + "/" + name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode & 0777) << name;
    }
}

TEST(FileCopierTest, WhereTheFileSystemLacksTheNoReplaceRenameALinkNamesTheCopyAndNeverReplaces)
{
    const TempDir dir;
    const std::string folder = dir.MakeDir("Cam1/Recording");
    const std::string big = Pattern(FileCopier::kChunkBytes + 5);
    for (const char* name : {"Sr0001.asf", "Sr0002.asf", "Sr0003.asf"})
        dir.WriteFile(std::string("Cam1/Recording/") + name, big);
    const std::string target = dir.MakeDir("stick");
    FileCopier copier;
    // Another program takes the name while the copy is made.
    copier.SetBeforeChunk([&](const std::string& name, std::uint64_t copied) {
        if (name == "Sr0002.asf" && copied > 0)
            std::ofstream(target + "/Sr0002.asf", std::ios::binary) << "taken meanwhile";
    });
    ASSERT_EQ(copier.Open(target), 0);
    const std::stop_source running;
    std::vector<Result> results;
    const auto copy = [&](const char* name) {
        results.push_back(copier.Copy(Listed(folder, name), running.get_token()).result);
    };
    if (!OnFileSystemWithoutNoReplaceRename(false, [&] {
            copy("Sr0001.asf");
            copy("Sr0002.asf");
        }))
        GTEST_SKIP() << "no seccomp filter for this thread";
    // Without hard links either, a copy is not named rather than named by a
    // rename that could replace a file.
    ASSERT_TRUE(OnFileSystemWithoutNoReplaceRename(true, [&] { copy("Sr0003.asf"); }));

    EXPECT_EQ(results, (std::vector<Result>{Result::Copied, Result::Exists, Result::NoSafeName}));
    EXPECT_EQ(ReadFile(target + "/Sr0001.asf"), big);
    EXPECT_EQ(ReadFile(target + "/Sr0002.asf"), "taken meanwhile");
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(target))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"Sr0001.asf", "Sr0002.asf"}));
}
