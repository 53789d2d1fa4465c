#include "platform/FileDeleter.h"
#include "catalog/SearchRequest.h"
#include "platform/TrashCan.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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
};

TEST_F(FileDeleterTest, TrashesTheListedFileAndPutsItBackByteForByteNeverOverAnother)
{
    const std::string bytes("first\0\xff bytes", 14);
    const std::string path = Write("a.jpg", bytes);
    Write("b.jpg", "other");
    const ListedFile first = ListedOne("a.jpg");

    TrashedFile trashedFirst;
    ASSERT_EQ(FileDeleter::MoveToTrash(first, trashedFirst), FileDeleter::Result::Done);
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
    ASSERT_EQ(FileDeleter::MoveToTrash(ListedOne("a.jpg"), trashedSecond), FileDeleter::Result::Done);
    EXPECT_NE(trashedSecond.strTrashName, trashedFirst.strTrashName);
    EXPECT_EQ(ReadFile(trashedSecond.strTrashFolder + "/" + trashedSecond.strTrashName), "second");

    EXPECT_EQ(FileDeleter::Restore(trashedFirst), FileDeleter::RestoreResult::Restored);
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_FALSE(fs::exists(TrashFolder() + "/info/" + trashedFirst.strTrashName + ".trashinfo"));
    EXPECT_EQ(FileDeleter::Restore(trashedFirst), FileDeleter::RestoreResult::Gone);

    // The first is back at the path: the second stays in the trash.
    EXPECT_EQ(FileDeleter::Restore(trashedSecond), FileDeleter::RestoreResult::Occupied);
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_EQ(ReadFile(trashedSecond.strTrashFolder + "/" + trashedSecond.strTrashName), "second");
    EXPECT_EQ(TrashCount(), 1u);

    // Deleting for good leaves nothing in the trash.
    ASSERT_EQ(FileDeleter::DeletePermanently(ListedOne("a.jpg")), FileDeleter::Result::Done);
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
    const auto leftAlone = [&](const ListedFile& file) {
        EXPECT_EQ(FileDeleter::MoveToTrash(file, trashed), FileDeleter::Result::Changed) << file.strName;
        EXPECT_EQ(FileDeleter::DeletePermanently(file), FileDeleter::Result::Changed) << file.strName;
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
    leftAlone(listed[0]);
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
    ASSERT_EQ(FileDeleter::MoveToTrash(ListedOne("a.jpg"), trashed), FileDeleter::Result::Done);
    EXPECT_FALSE(fs::exists(real.Path() + "/Cam1/SnapShot/a.jpg"));
    EXPECT_EQ(FileDeleter::Restore(trashed), FileDeleter::RestoreResult::Restored);
    EXPECT_EQ(ReadFile(real.Path() + "/Cam1/SnapShot/a.jpg"), "clip");
}

class AnsweringTrash : public TrashCan {
public:
    explicit AnsweringTrash(Result result) : m_result(result) { TrashCan::SetInstance(this); }
    ~AnsweringTrash() override { TrashCan::SetInstance(nullptr); }
    Result MoveToTrash(const std::string&) override { return m_result; }

private:
    Result m_result;
};

TEST_F(FileDeleterTest, ALocationWithoutATrashOrARefusalChangesNothing)
{
    const std::string path = Write("a.jpg", "kept");
    const ListedFile file = ListedOne("a.jpg");
    TrashedFile trashed;
    {
        const AnsweringTrash none(TrashCan::Result::NotSupported);
        EXPECT_EQ(FileDeleter::MoveToTrash(file, trashed), FileDeleter::Result::NoTrash);
    }
    {
        const AnsweringTrash refusing(TrashCan::Result::Failed);
        EXPECT_EQ(FileDeleter::MoveToTrash(file, trashed), FileDeleter::Result::Failed);
    }
    // A trash that reports success for something else: the listed file is
    // not where the trash would hold it.
    {
        const AnsweringTrash lying(TrashCan::Result::Trashed);
        EXPECT_EQ(FileDeleter::MoveToTrash(file, trashed), FileDeleter::Result::Changed);
    }
    EXPECT_EQ(ReadFile(path), "kept");
}

} // namespace
