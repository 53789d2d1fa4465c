#include "platform/FileDeleter.h"
#include "catalog/SearchRequest.h"
#include "platform/DeleteStepHook.h"
#include "platform/TrashCan.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A home of the test's own on the same disk as its stores, set before GLib
// first reads the environment, so that the trash is a folder the test reads.
const std::string& TrashFolder()
{
    static const TempDir home;
    static const std::string trash = [] {
        ::setenv("HOME", home.Path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home.Path() + "/data").c_str(), 1);
        return home.Path() + "/data/Trash";
    }();
    return trash;
}

// Snapshots are listed with no regard to their content, so any bytes make a
// listed file.
class FileDeleterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TrashFolder();
        fs::remove_all(TrashFolder());
    }

    std::string Folder() const { return m_store.Path() + "/Cam1/SnapShot"; }

    std::string Write(const std::string& name, const std::string& content) const
    {
        return m_store.WriteFile("Cam1/SnapShot/" + name, content);
    }

    // What a search of the snapshots lists, as the page hands it on.
    std::vector<ListedFile> Listed() const
    {
        SearchRequest request;
        request.strDevice = "Cam1";
        request.strCategory = "SnapShot";
        request.tSearchStart = CTime(2005, 1, 1, 0, 0, 0);
        request.tSearchEnd = CTime::GetCurrentTime() + CTimeSpan(86400);
        const SearchResult result = RunSearchIn(m_store.Path(), request);
        EXPECT_TRUE(result.bComplete);
        std::vector<ListedFile> files;
        for (const RecordedFile& row : result.aRows)
            files.push_back({Folder(), row.szFileName, row.idFolder, row.idFile});
        return files;
    }

    ListedFile ListedOne(const std::string& name) const
    {
        for (const ListedFile& file : Listed())
            if (file.strName == name)
                return file;
        ADD_FAILURE() << name << " not listed";
        return {};
    }

    static std::size_t TrashCount()
    {
        std::error_code ignored;
        return fs::exists(TrashFolder() + "/files")
                   ? static_cast<std::size_t>(
                         std::distance(fs::directory_iterator(TrashFolder() + "/files"), fs::directory_iterator()))
                   : 0;
    }

    TempDir m_store;
    std::string m_strReason;
};

TEST_F(FileDeleterTest, TrashesTheListedFileAndPutsItBackByteForByteNeverOverAnother)
{
    const std::string bytes("first\0\xff bytes", 13);
    const std::string path = Write("a.jpg", bytes);
    Write("b.jpg", "other");
    const ListedFile first = ListedOne("a.jpg");

    TrashedFile trashedFirst;
    ASSERT_EQ(FileDeleter::MoveToTrash(first, trashedFirst, m_strReason), FileDeleter::Result::Done);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::exists(Folder() + "/b.jpg"));
    EXPECT_EQ(trashedFirst.strTrashFolder, TrashFolder() + "/files");
    EXPECT_EQ(ReadFile(trashedFirst.strTrashFolder + "/" + trashedFirst.strTrashName), bytes);
    const std::string info = ReadFile(TrashFolder() + "/info/" + trashedFirst.strTrashName + ".trashinfo");
    EXPECT_NE(info.find("[Trash Info]\nPath=" + path + "\n"), std::string::npos) << info;

    // A second file of the same name gets a name of the trash's choosing and
    // is still found by what it is.
    Write("a.jpg", "second");
    TrashedFile trashedSecond;
    ASSERT_EQ(FileDeleter::MoveToTrash(ListedOne("a.jpg"), trashedSecond, m_strReason), FileDeleter::Result::Done);
    EXPECT_NE(trashedSecond.strTrashName, trashedFirst.strTrashName);
    EXPECT_EQ(ReadFile(trashedSecond.strTrashFolder + "/" + trashedSecond.strTrashName), "second");

    EXPECT_EQ(FileDeleter::Restore(trashedFirst, m_strReason), FileDeleter::RestoreResult::Restored);
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_FALSE(fs::exists(TrashFolder() + "/info/" + trashedFirst.strTrashName + ".trashinfo"));
    EXPECT_EQ(FileDeleter::Restore(trashedFirst, m_strReason), FileDeleter::RestoreResult::Gone);

    // The first is back at the path: the second stays in the trash.
    EXPECT_EQ(FileDeleter::Restore(trashedSecond, m_strReason), FileDeleter::RestoreResult::Occupied);
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_EQ(ReadFile(trashedSecond.strTrashFolder + "/" + trashedSecond.strTrashName), "second");
    EXPECT_EQ(TrashCount(), 1u);

    // Deleting for good leaves nothing in the trash.
    ASSERT_EQ(FileDeleter::DeletePermanently(ListedOne("a.jpg"), m_strReason), FileDeleter::Result::Done);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(TrashCount(), 1u);
}

TEST_F(FileDeleterTest, AFolderOrFileThatChangedSinceTheSearchIsLeftAloneEverywhere)
{
    Write("a.jpg", "listed");
    Write("b.jpg", "listed too");
    Write("c.jpg", "listed as well");
    const std::vector<ListedFile> listed = Listed();
    ASSERT_EQ(listed.size(), 3u);
    TrashedFile trashed;
    const auto leftAlone = [&](const ListedFile& file, FileDeleter::Result expected = FileDeleter::Result::Changed) {
        EXPECT_EQ(FileDeleter::MoveToTrash(file, trashed, m_strReason), expected) << file.strName;
        EXPECT_EQ(FileDeleter::DeletePermanently(file, m_strReason), expected) << file.strName;
    };

    // The category folder swapped for a link to another folder that holds
    // files of the same names, one of them a second name of the listed file.
    const std::string moved = m_store.Path() + "/moved";
    fs::rename(Folder(), moved);
    const std::string other = m_store.WriteFile("other/a.jpg", "never listed");
    fs::create_hard_link(moved + "/b.jpg", m_store.Path() + "/other/b.jpg");
    fs::create_directory_symlink(m_store.Path() + "/other", Folder());
    leftAlone(listed[0]);
    leftAlone(listed[1]);
    EXPECT_EQ(ReadFile(other), "never listed");
    EXPECT_EQ(ReadFile(m_store.Path() + "/other/b.jpg"), "listed too");
    EXPECT_EQ(ReadFile(moved + "/a.jpg"), "listed");
    fs::remove(m_store.Path() + "/other/b.jpg");

    // Back in place, each file replaced: by another file of the same name, by
    // a link to the listed file itself, by a folder; and one gone.
    fs::remove(Folder());
    fs::rename(moved, Folder());
    fs::rename(Write("new-a.jpg", "replacement"), Folder() + "/a.jpg");
    fs::rename(Folder() + "/b.jpg", m_store.Path() + "/b.jpg");
    fs::create_symlink(m_store.Path() + "/b.jpg", Folder() + "/b.jpg");
    fs::rename(Folder() + "/c.jpg", m_store.Path() + "/c.jpg");
    fs::create_directory(Folder() + "/c.jpg");
    for (const ListedFile& file : listed)
        leftAlone(file);
    EXPECT_EQ(ReadFile(Folder() + "/a.jpg"), "replacement");
    EXPECT_EQ(ReadFile(m_store.Path() + "/b.jpg"), "listed too");
    EXPECT_TRUE(fs::is_symlink(Folder() + "/b.jpg"));
    EXPECT_TRUE(fs::is_directory(Folder() + "/c.jpg"));
    fs::remove(Folder() + "/a.jpg");
    leftAlone(listed[0], FileDeleter::Result::Gone);
    EXPECT_EQ(TrashCount(), 0u);
}

TEST_F(FileDeleterTest, AStoreReachedThroughALinkStaysUsable)
{
    // The recording directory itself is a link: the scan and the delete both
    // open the folder through it.
    const TempDir real;
    real.WriteFile("Cam1/SnapShot/a.jpg", "clip");
    fs::remove_all(m_store.Path() + "/Cam1");
    fs::create_directory_symlink(real.Path() + "/Cam1", m_store.Path() + "/Cam1");
    TrashedFile trashed;
    ASSERT_EQ(FileDeleter::MoveToTrash(ListedOne("a.jpg"), trashed, m_strReason), FileDeleter::Result::Done);
    EXPECT_FALSE(fs::exists(real.Path() + "/Cam1/SnapShot/a.jpg"));
    EXPECT_EQ(FileDeleter::Restore(trashed, m_strReason), FileDeleter::RestoreResult::Restored);
    EXPECT_EQ(ReadFile(real.Path() + "/Cam1/SnapShot/a.jpg"), "clip");
}

class AnsweringTrash : public TrashCan {
public:
    explicit AnsweringTrash(Result result) : m_result(result) { }
    Result MoveToTrash(int, const std::string&, const std::string&, const FileIdentity&, TrashedFile&,
                       std::string& strReason) override
    {
        strReason = "No space left on device";
        return m_result;
    }

private:
    Result m_result;
};

TEST_F(FileDeleterTest, ALocationWithoutATrashOrARefusalChangesNothing)
{
    const std::string path = Write("a.jpg", "kept");
    const ListedFile file = ListedOne("a.jpg");
    TrashedFile trashed;
    AnsweringTrash none(TrashCan::Result::NotSupported);
    EXPECT_EQ(FileDeleter::MoveToTrash(file, trashed, m_strReason, {&none, nullptr}), FileDeleter::Result::NoTrash);
    AnsweringTrash refusing(TrashCan::Result::Failed);
    EXPECT_EQ(FileDeleter::MoveToTrash(file, trashed, m_strReason, {&refusing, nullptr}), FileDeleter::Result::Failed);
    EXPECT_EQ(m_strReason, "No space left on device");
    EXPECT_EQ(ReadFile(path), "kept");
}

TEST_F(FileDeleterTest, ANameTooLongForARecordBesideItGoesToTheTrashUnderAShorterOne)
{
    // 250 bytes: "<stem>.jpg" with a stem of 246, its last character
    // two bytes long where a cut at a byte count would split it.
    const std::string stem = std::string(244, 'x') + "\xc3\xa9";
    std::vector<TrashedFile> trashed(2);
    for (TrashedFile& each : trashed) {
        const std::string path = Write(stem + ".jpg", "long " + std::to_string(&each - trashed.data()));
        ASSERT_EQ(FileDeleter::MoveToTrash(ListedOne(stem + ".jpg"), each, m_strReason), FileDeleter::Result::Done)
            << m_strReason;
        EXPECT_FALSE(fs::exists(path));
        EXPECT_LE(each.strTrashName.size() + std::string(".trashinfo").size(), 255u);
        EXPECT_EQ(each.strTrashName.substr(each.strTrashName.size() - 4), ".jpg");
        EXPECT_TRUE(fs::exists(TrashFolder() + "/info/" + each.strTrashName + ".trashinfo"));
    }
    EXPECT_NE(trashed[0].strTrashName, trashed[1].strTrashName);
    EXPECT_EQ(trashed[0].strTrashName.find('\xc3'), std::string::npos) << "a cut inside a character";
    EXPECT_EQ(FileDeleter::Restore(trashed[1], m_strReason), FileDeleter::RestoreResult::Restored);
    EXPECT_EQ(ReadFile(Folder() + "/" + stem + ".jpg"), "long 1");
}

// Changes the disk under the deleter once, when it reaches one step, as
// another user of a shared store could.
class ChangeAt : public DeleteStepHook {
public:
    ChangeAt(DeleteStep step, std::function<void()> change) : m_step(step), m_change(std::move(change)) { }
    void OnStep(DeleteStep step) override
    {
        if (step == m_step && !m_bReached) {
            m_bReached = true;
            m_change();
        }
    }
    bool Reached() const { return m_bReached; }

private:
    const DeleteStep m_step;
    const std::function<void()> m_change;
    bool m_bReached = false;
};

// A file system without the no-replace rename (NFS, most FUSE mounts) for as
// long as one of these lives: the test program's own renameat2 is found
// before the C library's, by the program and the code it links alike.
std::atomic<bool> g_bNoReplaceRefused = false;

class WithoutNoReplaceRename {
public:
    explicit WithoutNoReplaceRename(bool bOn = true) { g_bNoReplaceRefused = bOn; }
    ~WithoutNoReplaceRename() { g_bNoReplaceRefused = false; }
    WithoutNoReplaceRename(const WithoutNoReplaceRename&) = delete;
    WithoutNoReplaceRename& operator=(const WithoutNoReplaceRename&) = delete;
};

// Every regular file below a folder with its bytes (links are not followed).
std::map<std::string, std::string> Contents(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && !entry.is_symlink())
            files[entry.path().string()] = ReadFile(entry.path().string());
    return files;
}

TEST_F(FileDeleterTest, AFolderOrFileSwappedAtAnyStepBeforeTheActLeavesEveryOtherFileAlone)
{
    enum class Swap { FolderForLink, FileForAnother };
    struct Case {
        bool bToTrash;
        DeleteStep step;
        Swap swap;
        FileDeleter::Result expected;
        bool bOnlyWithoutNoReplace = false; // the step is reached only there
    };
    using R = FileDeleter::Result;
    // Once the folder is open its descriptor is used, so a swapped folder
    // path no longer matters; a file swapped before it is out of reach is
    // found out and put back; once it is, the name is free for another file,
    // which nothing after touches.
    const Case cases[] = {
        {true, DeleteStep::FolderOpened, Swap::FolderForLink, R::Done},
        {true, DeleteStep::FileChecked, Swap::FolderForLink, R::Done},
        {true, DeleteStep::MovedAside, Swap::FolderForLink, R::Done},
        {true, DeleteStep::InfoWritten, Swap::FolderForLink, R::Done},
        {true, DeleteStep::Linked, Swap::FolderForLink, R::Done, true},
        {true, DeleteStep::FolderOpened, Swap::FileForAnother, R::Changed},
        {true, DeleteStep::FileChecked, Swap::FileForAnother, R::Changed},
        {true, DeleteStep::MovedAside, Swap::FileForAnother, R::Done},
        {true, DeleteStep::InfoWritten, Swap::FileForAnother, R::Done},
        {true, DeleteStep::Linked, Swap::FileForAnother, R::Done, true},
        {false, DeleteStep::FolderOpened, Swap::FolderForLink, R::Done},
        {false, DeleteStep::FileChecked, Swap::FolderForLink, R::Done},
        {false, DeleteStep::MovedAside, Swap::FolderForLink, R::Done},
        {false, DeleteStep::FolderOpened, Swap::FileForAnother, R::Changed},
        {false, DeleteStep::FileChecked, Swap::FileForAnother, R::Changed},
        {false, DeleteStep::MovedAside, Swap::FileForAnother, R::Done},
    };
    for (const bool bNoReplace : {true, false})
        for (const Case& c : cases) {
            if (c.bOnlyWithoutNoReplace && bNoReplace)
                continue;
            SCOPED_TRACE(testing::Message()
                         << "no-replace rename " << bNoReplace << ", trash " << c.bToTrash << ", step "
                         << static_cast<int>(c.step) << ", swap " << static_cast<int>(c.swap));
            const WithoutNoReplaceRename standIn(!bNoReplace);
            fs::remove_all(m_store.Path());
            fs::create_directories(m_store.Path());
            fs::remove_all(TrashFolder());
            Write("a.jpg", "listed");
            Write("b.jpg", "listed too");
            m_store.WriteFile("other/a.jpg", "never listed");
            const ListedFile file = ListedOne("a.jpg");

            std::map<std::string, std::string> before;
            ChangeAt change(c.step, [&] {
                if (c.swap == Swap::FolderForLink) {
                    fs::rename(Folder(), m_store.Path() + "/moved");
                    fs::create_directory_symlink(m_store.Path() + "/other", Folder());
                } else {
                    if (fs::exists(Folder() + "/a.jpg"))
                        fs::rename(Folder() + "/a.jpg", m_store.Path() + "/aside.jpg");
                    Write("a.jpg", "never listed either");
                }
                before = Contents(m_store.Path());
            });
            TrashedFile trashed;
            const FileDeleter::Seams seams{nullptr, &change};
            const R result = c.bToTrash ? FileDeleter::MoveToTrash(file, trashed, m_strReason, seams)
                                        : FileDeleter::DeletePermanently(file, m_strReason, seams);
            ASSERT_TRUE(change.Reached());
            EXPECT_EQ(result, c.expected);

            // Only the listed file, wherever the swap left it, may have gone.
            std::map<std::string, std::string> expected = before;
            if (result == R::Done)
                std::erase_if(expected, [](const auto& entry) { return entry.second == "listed"; });
            EXPECT_EQ(Contents(m_store.Path()), expected);
            const bool trashedListed = c.bToTrash && result == R::Done;
            std::map<std::string, std::string> inTrash;
            if (fs::exists(TrashFolder()))
                inTrash = Contents(TrashFolder());
            EXPECT_EQ(inTrash.size(), trashedListed ? 2u : 0u) << "a record or file left behind";
            if (trashedListed) {
                EXPECT_EQ(ReadFile(trashed.strTrashFolder + "/" + trashed.strTrashName), "listed");
            }
            if (!trashedListed || c.swap != Swap::FileForAnother)
                continue;
            // Undo, with a file recorded under the name while the trashed one
            // is on its way back: both are kept.
            fs::remove(Folder() + "/a.jpg");
            ChangeAt again(bNoReplace ? DeleteStep::MovedAside : DeleteStep::Linked, [&] {
                if (fs::exists(Folder() + "/a.jpg"))
                    fs::rename(Folder() + "/a.jpg", m_store.Path() + "/restored.jpg");
                Write("a.jpg", "recorded meanwhile");
            });
            const FileDeleter::RestoreResult restored = FileDeleter::Restore(trashed, m_strReason, {nullptr, &again});
            ASSERT_TRUE(again.Reached());
            EXPECT_EQ(ReadFile(Folder() + "/a.jpg"), "recorded meanwhile");
            const std::map<std::string, std::string> store = Contents(m_store.Path());
            const auto listedCopies =
                std::count_if(store.begin(), store.end(), [](const auto& entry) { return entry.second == "listed"; });
            if (restored == FileDeleter::RestoreResult::Restored) {
                EXPECT_EQ(listedCopies, 1);
            } else {
                EXPECT_EQ(ReadFile(trashed.strTrashFolder + "/" + trashed.strTrashName), "listed");
            }
        }
}

TEST_F(FileDeleterTest, UndoPutsTheFileBackOnlyIntoTheFolderItCameFrom)
{
    using R = FileDeleter::RestoreResult;
    Write("a.jpg", "listed");
    m_store.WriteFile("other/keep.jpg", "never listed");
    TrashedFile trashed;
    ASSERT_EQ(FileDeleter::MoveToTrash(ListedOne("a.jpg"), trashed, m_strReason), FileDeleter::Result::Done);
    const std::string inTrash = trashed.strTrashFolder + "/" + trashed.strTrashName;
    const std::string moved = m_store.Path() + "/moved";
    const auto swapFolder = [&] {
        fs::rename(Folder(), moved);
        fs::create_directory_symlink(m_store.Path() + "/other", Folder());
    };
    const auto unswapFolder = [&] {
        fs::remove(Folder());
        fs::rename(moved, Folder());
    };

    // Another folder at the path, before the restore opens it: refused.
    swapFolder();
    EXPECT_EQ(FileDeleter::Restore(trashed, m_strReason), R::FolderChanged);
    EXPECT_EQ(ReadFile(inTrash), "listed");
    EXPECT_FALSE(fs::exists(m_store.Path() + "/other/a.jpg"));
    unswapFolder();

    // Another file in the trash's entry once the folder is open: the restore
    // takes it aside, finds it is not the trashed one and puts it back.
    {
        ChangeAt change(DeleteStep::RestoreFolderOpened, [&] {
            fs::rename(inTrash, inTrash + ".kept");
            std::ofstream(inTrash) << "someone else's";
        });
        EXPECT_EQ(FileDeleter::Restore(trashed, m_strReason, {nullptr, &change}), R::Gone);
        EXPECT_TRUE(change.Reached());
    }
    EXPECT_FALSE(fs::exists(Folder() + "/a.jpg"));
    EXPECT_EQ(ReadFile(inTrash), "someone else's");
    fs::rename(inTrash + ".kept", inTrash);

    // A file of that name appears once the folder is open: left as it is.
    {
        ChangeAt change(DeleteStep::RestoreFolderOpened, [&] { Write("a.jpg", "recorded meanwhile"); });
        EXPECT_EQ(FileDeleter::Restore(trashed, m_strReason, {nullptr, &change}), R::Occupied);
        EXPECT_TRUE(change.Reached());
    }
    EXPECT_EQ(ReadFile(Folder() + "/a.jpg"), "recorded meanwhile");
    EXPECT_EQ(ReadFile(inTrash), "listed");
    fs::remove(Folder() + "/a.jpg");

    // The folder swapped once it is open: the file still goes back into it.
    {
        ChangeAt change(DeleteStep::RestoreFolderOpened, swapFolder);
        EXPECT_EQ(FileDeleter::Restore(trashed, m_strReason, {nullptr, &change}), R::Restored);
        EXPECT_TRUE(change.Reached());
    }
    EXPECT_EQ(ReadFile(moved + "/a.jpg"), "listed");
    EXPECT_EQ(Contents(m_store.Path() + "/other"),
              (std::map<std::string, std::string>{{m_store.Path() + "/other/keep.jpg", "never listed"}}));
    EXPECT_FALSE(fs::exists(inTrash));
    EXPECT_TRUE(fs::is_empty(TrashFolder() + "/info"));
}

// A disk of its own (a tmpfs mounted in a private mount namespace, which
// needs root): no home trash there, so the trash at its top is used, as the
// administrator set it up or else one of the user's own.
TEST_F(FileDeleterTest, OnAnotherDiskTheTrashAtItsTopIsUsed)
{
    const std::string disk = m_store.Path() + "/disk";
    fs::create_directories(disk);
    const auto mountDisk = [&] {
        return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount("clipscout-test", disk.c_str(), "tmpfs", 0, "mode=0755") == 0;
    };
    const pid_t probe = ::fork();
    if (probe == 0)
        std::_Exit(mountDisk() ? 0 : 2);
    int status = -1;
    ::waitpid(probe, &status, 0);
    if (status != 0)
        GTEST_SKIP() << "no private mount namespace (it needs root)";
    const auto onOwnDisk = [&](const std::function<void()>& body) {
        if (!mountDisk())
            std::_Exit(2);
        body();
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
    };
    const std::string uid = std::to_string(::getuid());
    const auto trashAndRestore = [&](const std::string& expectedTrash) {
        const std::string path = m_store.WriteFile("disk/Cam1/SnapShot/a b.jpg", "on disk");
        SearchRequest request;
        request.strDevice = "Cam1";
        request.strCategory = "SnapShot";
        request.tSearchStart = CTime(2005, 1, 1, 0, 0, 0);
        request.tSearchEnd = CTime::GetCurrentTime() + CTimeSpan(86400);
        const std::vector<RecordedFile> rows = RunSearchIn(disk, request).aRows;
        ASSERT_EQ(rows.size(), 1u);
        const ListedFile file{disk + "/Cam1/SnapShot", rows[0].szFileName, rows[0].idFolder, rows[0].idFile};
        TrashedFile trashed;
        ASSERT_EQ(FileDeleter::MoveToTrash(file, trashed, m_strReason), FileDeleter::Result::Done) << m_strReason;
        EXPECT_EQ(trashed.strTrashFolder, disk + expectedTrash + "/files");
        EXPECT_EQ(ReadFile(trashed.strTrashFolder + "/a b.jpg"), "on disk");
        // The record's path is relative to the top of the disk.
        const std::string info = ReadFile(disk + expectedTrash + "/info/a b.jpg.trashinfo");
        EXPECT_NE(info.find("\nPath=Cam1/SnapShot/a%20b.jpg\n"), std::string::npos) << info;
        EXPECT_EQ(FileDeleter::Restore(trashed, m_strReason), FileDeleter::RestoreResult::Restored);
        EXPECT_EQ(ReadFile(path), "on disk");
    };
    EXPECT_EXIT(onOwnDisk([&] { trashAndRestore("/.Trash-" + uid); }), testing::ExitedWithCode(0), "");
    // A shared ".Trash" that is sticky holds a folder per user.
    EXPECT_EXIT(onOwnDisk([&] {
                    fs::create_directory(disk + "/.Trash");
                    fs::permissions(disk + "/.Trash", fs::perms::all | fs::perms::sticky_bit);
                    trashAndRestore("/.Trash/" + uid);
                }),
                testing::ExitedWithCode(0), "");
    // One that is not sticky, or is a link, is not used.
    EXPECT_EXIT(onOwnDisk([&] {
                    fs::create_directory(disk + "/.Trash");
                    fs::permissions(disk + "/.Trash", fs::perms::all);
                    trashAndRestore("/.Trash-" + uid);
                    EXPECT_FALSE(fs::exists(disk + "/.Trash/" + uid));
                }),
                testing::ExitedWithCode(0), "");
    EXPECT_EXIT(onOwnDisk([&] {
                    fs::create_directory(disk + "/shared");
                    fs::permissions(disk + "/shared", fs::perms::all | fs::perms::sticky_bit);
                    fs::create_directory_symlink(disk + "/shared", disk + "/.Trash");
                    trashAndRestore("/.Trash-" + uid);
                    EXPECT_TRUE(fs::is_empty(disk + "/shared"));
                }),
                testing::ExitedWithCode(0), "");
}

TEST_F(FileDeleterTest, AKillDuringABulkDeleteLeavesNoEmptyRecordAndNoLostFile)
{
    constexpr int kFiles = 300;
    for (int round = 0; round < 4; ++round) {
        fs::remove_all(TrashFolder());
        fs::remove_all(Folder());
        for (int i = 0; i < kFiles; ++i)
            Write("f" + std::to_string(i) + ".jpg", "bytes");
        const std::vector<ListedFile> listed = Listed();
        ASSERT_EQ(listed.size(), std::size_t(kFiles));
        const pid_t child = ::fork();
        if (child == 0) {
            TrashedFile trashed;
            for (const ListedFile& file : listed)
                FileDeleter::MoveToTrash(file, trashed, m_strReason);
            std::_Exit(0);
        }
        // Somewhere in the middle of the files, at a different one each round.
        std::this_thread::sleep_for(std::chrono::milliseconds(8 + 8 * round));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        std::size_t records = 0;
        if (fs::exists(TrashFolder() + "/info"))
            for (const auto& entry : fs::directory_iterator(TrashFolder() + "/info")) {
                const std::string name = entry.path().filename().string();
                if (name.size() > 10 && name.substr(name.size() - 10) == ".trashinfo") {
                    ++records;
                    EXPECT_EQ(ReadFile(entry.path().string()).rfind("[Trash Info]\nPath=" + Folder() + "/f", 0), 0u)
                        << name;
                }
            }
        const std::size_t left =
            static_cast<std::size_t>(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()));
        EXPECT_EQ(left + TrashCount(), std::size_t(kFiles)) << "a file lost";
        // Each trashed file has its record; at most one record is ahead of its file.
        EXPECT_GE(records, TrashCount());
        EXPECT_LE(records, TrashCount() + 1);
    }
}

} // namespace

// Refuses the no-replace rename as such file systems do, with EINVAL.
extern "C" int renameat2(int nFrom, const char* from, int nTo, const char* to, unsigned int flags) noexcept
{
    if ((flags & RENAME_NOREPLACE) != 0 && g_bNoReplaceRefused) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_renameat2, nFrom, from, nTo, to, flags));
}
