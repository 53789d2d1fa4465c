// A recording store built to break a scan: empty and truncated clips, a sparse
// clip of several GB, names no recorder would write, links that lead nowhere or
// in circles, a category "folder" that is a file, folders named like clips and
// a folder of 100,000 files, FIFOs named like clips. Every search must finish,
// list exactly the good recordings, open nothing but regular files, and leave
// every byte of the store as it was.
#include <gtest/gtest.h>

#ifdef _WIN32

TEST(HostileStoreTest, EverySearchListsExactlyTheGoodRecordingsAndChangesNothing)
{
    GTEST_SKIP() << "the store's FIFOs, names that are no UTF-8 and the watch on opens (inotify) are Linux's";
}

#else

#include "catalog/SearchRequest.h"
#include "platform/FileHandle.h"
#include "support/ClipBytes.h"
#include "support/LocalTimeZone.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace clipbytes;

namespace {

std::uint64_t Fnv1a(std::string_view bytes, std::uint64_t hash = 14695981039346656037ull)
{
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

// Everything observable about a tree, links not followed: type, mode, size,
// modification time and contents (for files above 16 MiB, their first and
// last MiB).
std::map<std::string, std::string> Snapshot(const std::string& root)
{
    std::map<std::string, std::string> state;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat st;
        if (::lstat(entry.path().c_str(), &st) != 0) {
            ADD_FAILURE() << "cannot examine " << entry.path();
            continue;
        }
        std::string facts = std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " +
                            std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
        if (S_ISLNK(st.st_mode)) {
            facts += " -> " + fs::read_symlink(entry.path()).string();
        } else if (S_ISREG(st.st_mode)) {
            const int fd = ::open(entry.path().c_str(), O_RDONLY);
            std::string head(static_cast<std::size_t>(std::min<off_t>(st.st_size, 1 << 20)), '\0');
            std::string tail(st.st_size > (16 << 20) ? 1 << 20 : 0, '\0');
            if (fd < 0 || ::pread(fd, head.data(), head.size(), 0) != static_cast<ssize_t>(head.size()) ||
                ::pread(fd, tail.data(), tail.size(), st.st_size - static_cast<off_t>(tail.size())) !=
                    static_cast<ssize_t>(tail.size()))
                ADD_FAILURE() << "cannot read " << entry.path();
            if (fd >= 0)
                ::close(fd);
            if (st.st_size <= (16 << 20) && st.st_size > (1 << 20))
                head = ReadFile(entry.path());
            facts += " " + std::to_string(Fnv1a(tail, Fnv1a(head)));
        }
        state[entry.path().string()] = facts;
    }
    return state;
}

class HostileStoreTest : public ::testing::Test {
protected:
    static constexpr const char* kTrailer = "NC2026/01/10 10:00:05,2026/01/10 10:00:07";

    void SetUp() override
    {
        m_store = m_dir.MakeDir("store");
        const std::string good = AsfClip(20'000'000, 0, kTrailer);
        const std::string header = AsfHeader({AsfFileProperties(20'000'000, 0)});

        // Recording: the good clips under awkward names, then the bad ones.
        const std::string longName = "Sr" + std::string(249, 'n') + ".asf";
        ASSERT_EQ(longName.size(), 255u);
        for (const std::string& name :
             {std::string("Sr_good.asf"), std::string("Sr new\nline.asf"),
              std::string("Sr \"quoted\" 'single' $(touch x).asf"), std::string("Sr\xff\xfe invalid utf-8.asf"),
              longName, std::string("Ir_good.asf"), std::string("Md_in_recording.asf")})
            Write("cam/Recording/" + name, good);
        Write("cam/Recording/Sr_real.asf", ReadFile(std::string(CLIPSCOUT_TEST_DATA) + "/clip-trailer.asf"));
        const std::string avi = ReadFile(std::string(CLIPSCOUT_TEST_DATA) + "/mpeg4.avi");
        ASSERT_GT(avi.size(), 400u);
        Write("cam/Recording/Sr_real.avi", avi);

        Write("cam/Recording/Sr_zero.asf", "");
        Write("cam/Recording/Sr_zero.avi", "");
        for (std::size_t n = 1; n < good.size(); ++n)
            Write("cam/Recording/Sr_cut_" + std::to_string(n) + ".asf", good.substr(0, n));
        for (std::size_t n = 0; n < 54; ++n) // a header cut before its first object's size, then a trailer
            Write("cam/Recording/Sr_head_" + std::to_string(n) + ".asf", header.substr(0, n) + Trailer(kTrailer));
        for (std::size_t n = 1; n < 400; ++n)
            Write("cam/Recording/Sr_cut_" + std::to_string(n) + ".avi", avi.substr(0, n));
        m_dir.MakeDir("store/cam/Recording/Sr_folder.asf");
        m_dir.MakeDir("store/cam/Recording/Sr_folder.avi");
        Link("Sr_loop.asf", "cam/Recording/Sr_loop.asf");
        // Opening a FIFO (like many devices) has an effect of its own: it
        // releases a writer waiting for a reader.
        for (const char* fifo : {"Sr_fifo.asf", "Sr_fifo.avi"})
            ASSERT_EQ(::mkfifo((m_store + "/cam/Recording/" + fifo).c_str(), 0600), 0);
        Link("Sr_fifo.asf", "cam/Recording/Sr_fifolink.asf");
        Link("Sr_fifo.avi", "cam/Recording/Sr_fifolink.avi");
        Link(m_store + "/cam/Recording/Sr_folder.asf", "cam/Recording/Sr_dirlink.asf");
        // A link to a clip is followed to it (and listed under its own name).
        Link("Sr_good.asf", "cam/Recording/Sr_link.asf");

        // A clip of 5 GB that is almost all hole: header at the start, trailer at the end.
        const std::string sparse = m_store + "/cam/Recording/Sr_sparse.asf";
        Write("cam/Recording/Sr_sparse.asf", header);
        ASSERT_EQ(::truncate(sparse.c_str(), (5ll << 30) - 50), 0);
        std::ofstream(sparse, std::ios::binary | std::ios::app) << Trailer(kTrailer);

        // SnapShot: any .jpg or .bmp is a snapshot, including folders and links to folders.
        for (const std::string& name :
             {std::string("a.jpg"), std::string("b.BMP"), std::string("empty.jpg"), std::string("new\nline.jpg"),
              std::string("\xff\xfe.bmp"), std::string(251, 'p') + ".jpg"})
            Write("cam/SnapShot/" + name, name == "empty.jpg" ? "" : "\xFF\xD8\xFF\xE0 jpeg-ish");
        m_dir.MakeDir("store/cam/SnapShot/holiday.jpg");
        Link(m_store + "/cam/SnapShot/holiday.jpg", "cam/SnapShot/dirlink.jpg");
        Link("loop.jpg", "cam/SnapShot/loop.jpg");
        Link("nowhere", "cam/SnapShot/dangling.bmp");
        Write("cam/SnapShot/notes.txt", "not a snapshot");

        // MotionDetection is a file here.
        Write("cam/MotionDetection", "not a folder");

        // A device whose motion folder holds 100,000 empty clips and one good one.
        const std::string crowded = m_dir.MakeDir("store/big/MotionDetection");
        for (int i = 0; i < 100000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/Md%06d.asf", i);
            const int fd = ::open((crowded + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
        Write("big/MotionDetection/Md_good.asf", good);
    }

    void Write(const std::string& relative, const std::string& content)
    {
        m_dir.WriteFile("store/" + relative, content);
    }

    void Link(const std::string& target, const std::string& relative)
    {
        ASSERT_EQ(::symlink(target.c_str(), (m_store + "/" + relative).c_str()), 0) << relative;
    }

    std::vector<std::string> Search(const std::string& device, const std::string& category, std::string& categoryFolder)
    {
        SearchRequest request;
        request.strDevice = device;
        request.strCategory = category;
        request.strCategoryFolder = categoryFolder;
        request.tSearchStart = CTime(2005, 1, 1, 0, 0, 0);
        request.tSearchEnd = CTime::GetCurrentTime() + CTimeSpan(86400);
        const SearchResult result = RunSearchIn(m_store, request);
        EXPECT_TRUE(result.bScanned && result.bComplete);
        categoryFolder = result.strCategoryFolder;
        std::vector<std::string> names;
        for (const RecordedFile& row : result.aRows)
            names.emplace_back(row.szFileName);
        return names;
    }

    static std::vector<std::string> Sorted(std::vector<std::string> names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }

    LocalTimeZone m_zone;
    TempDir m_dir;
    std::string m_store;
};

} // namespace

TEST_F(HostileStoreTest, EverySearchListsExactlyTheGoodRecordingsAndChangesNothing)
{
    const auto before = Snapshot(m_store);
    const std::string longName = "Sr" + std::string(249, 'n') + ".asf";
    const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(opens, 0);
    for (const char* fifo : {"Sr_fifo.asf", "Sr_fifo.avi"})
        ASSERT_GE(::inotify_add_watch(opens, (m_store + "/cam/Recording/" + fifo).c_str(), IN_OPEN), 0);

    std::string folder;
    const auto scheduled = Search("cam", "Scheduled Recording", folder);
    EXPECT_EQ(Sorted(scheduled), Sorted({"Sr_good.asf", "Sr new\nline.asf", "Sr \"quoted\" 'single' $(touch x).asf",
                                         "Sr\xff\xfe invalid utf-8.asf", longName, "Sr_real.asf", "Sr_sparse.asf",
                                         "Sr_link.asf", "Sr_real.avi"}));
    ASSERT_FALSE(scheduled.empty());
    EXPECT_EQ(scheduled.back(), "Sr_real.avi"); // every .asf before the .avi

    EXPECT_EQ(Search("cam", "Instant Recording", folder), std::vector<std::string>{"Ir_good.asf"});

    const auto snapshots = Search("cam", "SnapShot", folder);
    EXPECT_EQ(Sorted(snapshots), Sorted({"a.jpg", "b.BMP", "empty.jpg", "new\nline.jpg", "\xff\xfe.bmp",
                                         std::string(251, 'p') + ".jpg", "holiday.jpg", "dirlink.jpg"}));

    // The typed-in text keeps the snapshot folder, which holds no clips.
    EXPECT_TRUE(Search("cam", "Everything", folder).empty());
    EXPECT_TRUE(Search("cam", "Motion Detection", folder).empty());
    EXPECT_EQ(Search("big", "Motion Detection", folder), std::vector<std::string>{"Md_good.asf"});
    EXPECT_TRUE(Search("missing-device", "Scheduled Recording", folder).empty());

    EXPECT_FALSE(fs::exists(m_store + "/x"));
    EXPECT_FALSE(fs::exists("x"));
    EXPECT_TRUE(before == Snapshot(m_store)) << "the store changed during the searches";
    // A share's listing may give no types: a link is then told by the open's
    // refusal and followed to a file only, keeping its own identity.
    const std::string recording = m_store + "/cam/Recording";
    const int folderFd = ::open(recording.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folderFd, 0);
    for (const auto& [name, openable] :
         std::initializer_list<std::pair<const char*, bool>>{{"Sr_good.asf", true},
                                                             {"Sr_link.asf", true},
                                                             {"Sr_loop.asf", false},
                                                             {"Sr_fifolink.asf", false},
                                                             {"Sr_folder.asf", false},
                                                             {"Sr_dirlink.asf", false}}) {
        FileHandle file;
        FileIdentity identity;
        EXPECT_EQ(file.OpenAt(folderFd, name, DT_UNKNOWN, nullptr, &identity), openable) << name;
        struct stat st;
        if (openable && ::lstat((recording + "/" + name).c_str(), &st) == 0) {
            EXPECT_EQ(identity, FileIdentity::Of(st)) << name;
        }
    }
    ::close(folderFd);
    alignas(inotify_event) char events[4096];
    EXPECT_EQ(::read(opens, events, sizeof events), -1) << "a FIFO was opened";
    ::close(opens);
}

#endif
