#include "platform/DeleteStepHook.h"
#include "platform/FileCopier.h"
#include "platform/FileDeleter.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include "platform/win/WideText.h"
#include "platform/win/WinFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stop_token>
#include <vector>

// The Windows halves of deleting and exporting: the Recycle Bin (under Wine
// the desktop's trash, which the tests' environment puts in the build
// folder), a copy's name and times.
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
    AtStep(DeleteStep step, std::function<void()> act) : m_step(step), m_act(std::move(act)) { }
    void OnStep(DeleteStep step) override
    {
        if (step == m_step)
            m_act();
    }

private:
    DeleteStep m_step;
    std::function<void()> m_act;
};

// Under Wine the Recycle Bin is the desktop's trash, which $XDG_DATA_HOME
// places: one in the test's own folder, not the user's. Set before the
// shell's first use of it in the process, which is the test's.
void UseTrashUnder(const std::string& folder)
{
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr)
        return;
    char* data = unixName(WideFromUtf8(folder).c_str());
    ASSERT_NE(data, nullptr);
    const std::wstring value = WideFromUtf8(data);
    ::HeapFree(::GetProcessHeap(), 0, data);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"XDG_DATA_HOME", value.c_str()));
    ASSERT_EQ(::_wputenv_s(L"XDG_DATA_HOME", value.c_str()), 0);
}

} // namespace

TEST(WindowsFileActionsTest, TheRecycleBinTakesOnlyTheListedFileAndGivesItBackNeverOverAnother)
{
    using R = FileDeleter::Result;
    using RR = FileDeleter::RestoreResult;
    const TempDir store;
    UseTrashUnder(store.MakeDir("desktop-data"));
    const std::string folder = store.MakeDir("Cam1");
    const std::string path = folder + "\\Sr0001.asf";
    Write(path, "the recording");
    const ListedFile listed = Listed(folder, "Sr0001.asf");
    std::string reason;

    // Held without sharing its deletion from the check on: another program
    // cannot move the file away to put another in its place. Once it is
    // under its private name, a file that takes its name is never the one
    // recycled.
    bool movedAway = true;
    TrashedFile trashed;
    {
        AtStep swap(DeleteStep::FileChecked, [&] {
            movedAway = ::MoveFileW(WideFromUtf8(path).c_str(), WideFromUtf8(path + ".kept").c_str()) != 0;
        });
        ASSERT_EQ(FileDeleter::MoveToTrash(listed, trashed, reason, {nullptr, &swap}), R::Done) << reason;
    }
    EXPECT_FALSE(movedAway);
    EXPECT_FALSE(fs::exists(path + ".kept"));
    EXPECT_EQ(trashed.strOriginalPath, path);
    const std::string inBin = trashed.strTrashFolder + "\\" + trashed.strTrashName;
    EXPECT_EQ(ReadFile(inBin), "the recording");
    // The bin names the file's own path, not the private one it was recycled
    // under (under Wine: the desktop trash's record).
    if (trashed.strTrashName.rfind("$R", 0) != 0) {
        const std::string record =
            fs::path(trashed.strTrashFolder).parent_path().string() + "\\info\\" + trashed.strTrashName + ".trashinfo";
        EXPECT_NE(ReadFile(record).find("/Cam1/Sr0001.asf\n"), std::string::npos) << ReadFile(record);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 0);

    TrashedFile second;
    Write(path, "the recording");
    {
        AtStep arrive(DeleteStep::MovedAside, [&] { Write(path, "recorded meanwhile"); });
        ASSERT_EQ(FileDeleter::MoveToTrash(Listed(folder, "Sr0001.asf"), second, reason, {nullptr, &arrive}), R::Done)
            << reason;
    }
    EXPECT_EQ(ReadFile(second.strTrashFolder + "\\" + second.strTrashName), "the recording");
    EXPECT_EQ(ReadFile(path), "recorded meanwhile");

    // A file that took the name keeps it; the trashed one stays in the bin.
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

TEST(WindowsFileActionsTest, ACopyKeepsTheTimesAndTakesItsNameOnlyWhenWholeNeverOverAnother)
{
    using Result = FileCopier::Result;
    const TempDir dirs;
    const std::string from = dirs.MakeDir("from");
    const std::string to = dirs.MakeDir("to");
    std::string big(3u << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 2654435761u) >> 13);
    Write(from + "\\Sr0001.asf", big);
    Write(from + "\\Sr0002.asf", "small");
    Write(to + "\\Sr0002.asf", "already here");
    // A time the copy could only have from its file.
    const auto then = fs::last_write_time(from + "\\Sr0001.asf") - std::chrono::hours(24 * 400);
    fs::last_write_time(from + "\\Sr0001.asf", then);

    FileCopier copier;
    ASSERT_EQ(copier.Open(to), 0);
    std::stop_source running;
    // Midway, only the hidden part is in the folder.
    bool onlyPart = false;
    copier.SetBeforeChunk([&](const std::string&, std::uint64_t copied) {
        if (copied == 0)
            return;
        std::vector<fs::path> names;
        for (const auto& entry : fs::directory_iterator(to))
            if (entry.path().filename() != "Sr0002.asf")
                names.push_back(entry.path());
        onlyPart = names.size() == 1 && names[0].string().ends_with(FileCopier::kPartSuffix) &&
                   (::GetFileAttributesW(names[0].c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0;
    });
    const auto outcome = copier.Copy(Listed(from, "Sr0001.asf"), running.get_token());
    EXPECT_EQ(outcome.result, Result::Copied) << outcome.nError;
    copier.SetBeforeChunk({});
    EXPECT_TRUE(onlyPart);
    EXPECT_EQ(ReadFile(to + "\\Sr0001.asf"), big);
    EXPECT_EQ(fs::last_write_time(to + "\\Sr0001.asf"), then);
    EXPECT_EQ(::GetFileAttributesW(WideFromUtf8(to + "\\Sr0001.asf").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);

    EXPECT_EQ(copier.Copy(Listed(from, "Sr0001.asf"), running.get_token()).result, Result::Same);
    EXPECT_EQ(copier.Copy(Listed(from, "Sr0002.asf"), running.get_token()).result, Result::Exists);
    EXPECT_EQ(ReadFile(to + "\\Sr0002.asf"), "already here");
    // Of the same size, but another camera's clip.
    Write(from + "\\Sr0003.asf", "clip of Cam1");
    Write(to + "\\Sr0003.asf", "clip of Cam2");
    EXPECT_EQ(copier.Copy(Listed(from, "Sr0003.asf"), running.get_token()).result, Result::Exists);
    EXPECT_EQ(ReadFile(to + "\\Sr0003.asf"), "clip of Cam2");

    // Stopped midway, or changed since it was listed: nothing is left.
    const ListedFile second = Listed(from, "Sr0002.asf");
    copier.SetBeforeChunk([&](const std::string&, std::uint64_t) { running.request_stop(); });
    EXPECT_EQ(copier.Copy(second, running.get_token(), "Sr0002 (Cam1).asf").result, Result::Stopped);
    copier.SetBeforeChunk({});
    // Made while the listed file still holds its inode, so that it cannot reuse it.
    Write(from + "\\Sr0002.new", "another file");
    fs::remove(from + "\\Sr0002.asf");
    fs::rename(from + "\\Sr0002.new", from + "\\Sr0002.asf");
    const std::stop_source again;
    EXPECT_EQ(copier.Copy(second, again.get_token(), "Sr0002 (Cam1).asf").result, Result::Changed);
    int names = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(to))
        ++names;
    EXPECT_EQ(names, 3);
}
