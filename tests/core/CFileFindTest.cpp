#include "platform/CFileFind.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <vector>

namespace {

std::vector<std::string> List(const std::string& folder, std::string_view mask)
{
    std::vector<std::string> names;
    CFileFind find;
    bool more = find.FindFile(folder, mask);
    while (more) {
        more = find.FindNextFile();
        names.emplace_back(find.GetFileName());
    }
    return names;
}

} // namespace

TEST(FileFind, MasksIgnoreCaseAndEntriesComeSortedByUpperCase)
{
    TempDir dir;
    for (const char* name : {"b.ASF", "A.asf", "c.asf", "Bb.asf", "note.txt", "x.asf.bak"})
        dir.WriteFile(name, "");
    dir.MakeDir("folder.asf");
    EXPECT_EQ(List(dir.Path(), "*.asf"), (std::vector<std::string>{"A.asf", "b.ASF", "Bb.asf", "c.asf", "folder.asf"}));
    EXPECT_EQ(List(dir.Path(), "*").size(), 7u);

    // Folded to upper case, as Windows lists a folder, the characters between
    // "Z" and "a" ([ \ ] ^ _ `) come after the letters, not before them.
    TempDir marks;
    for (const char* name : {"Md_1.asf", "MdA.asf", "md`.asf", "Md^.asf", "mdz.asf", "Md[.asf", "Md@.asf"})
        marks.WriteFile(name, "");
    EXPECT_EQ(List(marks.Path(), "*"),
              (std::vector<std::string>{"Md@.asf", "MdA.asf", "mdz.asf", "Md[.asf", "Md^.asf", "Md_1.asf", "md`.asf"}));
}

TEST(FileFind, NamesDifferingOnlyInCaseKeepAFixedOrder)
{
#ifdef _WIN32
    GTEST_SKIP() << "one Windows folder cannot hold both cam and Cam";
#endif
    TempDir dir;
    dir.WriteFile("cam", "");
    dir.WriteFile("Cam", "");
    EXPECT_EQ(List(dir.Path(), "*"), (std::vector<std::string>{"Cam", "cam"}));
}

TEST(FileFind, NamesSortByTheirWholeTextHoweverLongTheStartTheyShare)
{
    // All begin with the shortest; two are alike for eight bytes after it.
    TempDir dir;
    for (const char* name : {"Sr20060314100001.asf", "Sr2006031410000-longer-b.asf", "Sr2006031410000.asf",
                             "sr2006031410000-LONGER-a.asf", "Sr2006031410000"})
        dir.WriteFile(name, "");
    EXPECT_EQ(List(dir.Path(), "*"), (std::vector<std::string>{"Sr2006031410000", "sr2006031410000-LONGER-a.asf",
                                                               "Sr2006031410000-longer-b.asf", "Sr2006031410000.asf",
                                                               "Sr20060314100001.asf"}));
}

TEST(FileFind, WildcardsMatchAsOnWindows)
{
    EXPECT_TRUE(CFileFind::MatchesMask("Sr0001.asf", "*.asf"));
    EXPECT_TRUE(CFileFind::MatchesMask(".asf", "*.asf"));
    EXPECT_FALSE(CFileFind::MatchesMask("Sr0001.asfx", "*.asf"));
    EXPECT_TRUE(CFileFind::MatchesMask("ab", "a?"));
    EXPECT_FALSE(CFileFind::MatchesMask("a", "a?"));
    EXPECT_TRUE(CFileFind::MatchesMask("a.b.c", "*.*.*"));
    EXPECT_TRUE(CFileFind::MatchesMask("anything", "**"));
    // Pathological masks stay fast.
    EXPECT_FALSE(CFileFind::MatchesMask(std::string(4000, 'a'), std::string(40, '*') + "b"));
}

TEST(FileFind, MissingFolderFindsNothing)
{
    TempDir dir;
    CFileFind find;
    EXPECT_FALSE(find.FindFile(dir.Path() + "/none", "*"));
    EXPECT_FALSE(find.FindFile("", "*"));
    EXPECT_EQ(find.GetFileName(), "");
}

TEST(FileFind, DirectoriesAreRecognisedThroughLinks)
{
    TempDir dir;
    dir.MakeDir("real");
    dir.WriteFile("file", "");
    std::error_code error;
    std::filesystem::create_directory_symlink(dir.Path() + "/real", dir.Path() + "/link", error);
    if (error)
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    std::filesystem::create_symlink(dir.Path() + "/nowhere", dir.Path() + "/dangling", error);
    ASSERT_FALSE(error) << error.message();
    CFileFind find;
    bool more = find.FindFile(dir.Path(), "*");
    std::vector<std::pair<std::string, bool>> seen;
    while (more) {
        more = find.FindNextFile();
        seen.emplace_back(find.GetFileName(), find.IsDirectory());
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, bool>>{
                        {"dangling", false}, {"file", false}, {"link", true}, {"real", true}}));
}

TEST(FileFind, ResolvingPrefersTheExactName)
{
    TempDir dir;
    dir.MakeDir("SnapShot");
    EXPECT_EQ(CFileFind::ResolveNoCase(dir.Path(), "Snapshot"), dir.Path() + "/SnapShot");
    EXPECT_EQ(CFileFind::ResolveNoCase(dir.Path(), "Recording"), "");
#ifdef _WIN32
    GTEST_SKIP() << "one Windows folder cannot hold both SnapShot and Snapshot";
#endif
    dir.MakeDir("Snapshot");
    EXPECT_EQ(CFileFind::ResolveNoCase(dir.Path(), "Snapshot"), dir.Path() + "/Snapshot");
    EXPECT_EQ(CFileFind::ResolveNoCase(dir.Path(), "Recording"), "");
}
