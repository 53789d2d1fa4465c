#include "platform/DeleteStepHook.h"
#include "platform/FileDeleter.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include "platform/win/WideText.h"
#include "platform/win/WinFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

// The Windows half of deleting: the Recycle Bin (under Wine the desktop's
// trash, which the tests' environment puts in the build folder).
namespace fs = std::filesystem;

namespace {

FileIdentity IdentityOf(const std::string& path)
{
    const HANDLE handle = ::CreateFileW(WideFromUtf8(path).c_str(), FILE_READ_ATTRIBUTES, winfiles::kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    winfiles::Facts facts;
    if (handle == INVALID_HANDLE_VALUE || !winfiles::FactsOf(handle, facts))
        ADD_FAILURE() << path << " missing";
    ::CloseHandle(handle);
    return facts.identity;
}

ListedFile Listed(const std::string& folder, const std::string& name)
{
    return {folder, name, IdentityOf(folder), IdentityOf(folder + "\\" + name)};
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class AtStep : public DeleteStepHook {
public:
    AtStep(DeleteStep step, std::function<void()> act) : m_step(step), m_act(std::move(act)) { Set(this); }
    ~AtStep() override { Set(nullptr); }
    void OnStep(DeleteStep step) override
    {
        if (step == m_step)
            m_act();
    }

private:
    DeleteStep m_step;
    std::function<void()> m_act;
};

} // namespace

TEST(WindowsFileActionsTest, TheRecycleBinTakesOnlyTheListedFileAndGivesItBackNeverOverAnother)
{
    using R = FileDeleter::Result;
    using RR = FileDeleter::RestoreResult;
    const TempDir store;
    const std::string folder = store.MakeDir("Cam1");
    const std::string path = folder + "\\Sr0001.asf";
    Write(path, "the recording");
    const ListedFile listed = Listed(folder, "Sr0001.asf");
    std::string reason;

    // Held without sharing its deletion from the check on: another program
    // cannot move the file away to put another in its place.
    bool movedAway = true;
    TrashedFile trashed;
    {
        const AtStep swap(DeleteStep::FileChecked, [&] {
            movedAway = ::MoveFileW(WideFromUtf8(path).c_str(), WideFromUtf8(path + ".kept").c_str()) != 0;
        });
        ASSERT_EQ(FileDeleter::MoveToTrash(listed, trashed, reason), R::Done) << reason;
    }
    EXPECT_FALSE(movedAway);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(path + ".kept"));
    EXPECT_EQ(trashed.strOriginalPath, path);
    const std::string inBin = trashed.strTrashFolder + "\\" + trashed.strTrashName;
    EXPECT_EQ(ReadFile(inBin), "the recording");

    // A file that took the name keeps it; the trashed one stays in the bin.
    Write(path, "recorded meanwhile");
    EXPECT_EQ(FileDeleter::Restore(trashed, reason), RR::Occupied);
    EXPECT_EQ(ReadFile(path), "recorded meanwhile");
    EXPECT_EQ(ReadFile(inBin), "the recording");

    // Another file of that name is not the listed one: left where it is.
    TrashedFile notTrashed;
    EXPECT_EQ(FileDeleter::MoveToTrash(listed, notTrashed, reason), R::Changed);
    EXPECT_EQ(ReadFile(path), "recorded meanwhile");
    ASSERT_TRUE(fs::remove(path));

    EXPECT_EQ(FileDeleter::Restore(trashed, reason), RR::Restored) << reason;
    EXPECT_EQ(ReadFile(path), "the recording");
    EXPECT_EQ(IdentityOf(path), listed.idFile);
    EXPECT_FALSE(fs::exists(inBin));
    EXPECT_EQ(FileDeleter::Restore(trashed, reason), RR::Gone);

    // For good: the checked file itself goes, and not into the bin.
    const std::string other = folder + "\\Sr0002.asf";
    Write(other, "another recording");
    EXPECT_EQ(FileDeleter::DeletePermanently(Listed(folder, "Sr0002.asf"), reason), R::Done) << reason;
    EXPECT_FALSE(fs::exists(other));
    TrashedFile none;
    EXPECT_EQ(FileDeleter::DeletePermanently(Listed(folder, "Sr0001.asf"), reason), R::Done) << reason;
    EXPECT_EQ(FileDeleter::MoveToTrash(listed, none, reason), R::Gone);
    EXPECT_EQ(FileDeleter::MoveToTrash(Listed(store.Path(), "Cam1"), none, reason), R::NotRegular);
}
