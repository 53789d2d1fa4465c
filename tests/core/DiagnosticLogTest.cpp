#include "platform/DiagnosticLog.h"
#include "catalog/CategoryScan.h"
#include "catalog/RecordingNames.h"
#include "platform/FileDeleter.h"
#include "platform/FileIdentity.h"
#include "platform/TrashCan.h"
#include "support/ReadFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A trash that refuses, as a full disk would.
class RefusingTrash : public TrashCan {
public:
    Result MoveToTrash(int, const std::string&, const std::string&, const FileIdentity&, TrashedFile&,
                       std::string& strReason) override
    {
        strReason = "No space left on device";
        return Result::Failed;
    }
};

// What the process writes to standard error while run runs.
template <typename Run>
std::string StandardErrorOf(const TempDir& dir, Run run)
{
    const std::string path = dir.Path() + "/stderr.txt";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(file, STDERR_FILENO);
    ::close(file);
    run();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    return ReadFile(path);
}

TEST(DiagnosticLogTest, QtLoggingRulesTurnOnLinesForASkippedFileAndARefusedDeleteSilentByDefault)
{
    TempDir dir;
    const std::string folder = dir.MakeDir("store/Cam1/MotionDetection");
    // Too short for the recorder's trailer.
    dir.WriteFile("store/Cam1/MotionDetection/MD_broken.asf", "ASF?");
    const std::string kept = dir.WriteFile("store/Cam1/MotionDetection/MD_kept.asf", "kept");
    struct stat folderStatus;
    struct stat keptStatus;
    ASSERT_EQ(::stat(folder.c_str(), &folderStatus), 0);
    ASSERT_EQ(::stat(kept.c_str(), &keptStatus), 0);
    const ListedFile listed{folder, "MD_kept.asf", FileIdentity::Of(folderStatus), FileIdentity::Of(keptStatus)};
    RefusingTrash trash;

    const auto scanAndDelete = [&] {
        return StandardErrorOf(dir, [&] {
            int rows = 0;
            CategoryScan::Run(
                folder, kCategoryMotion, CTime(2000, 1, 1, 0, 0, 0), CTime(2030, 1, 1, 0, 0, 0),
                [&rows](const RecordedFile&) {
                    ++rows;
                    return true;
                },
                CategoryScan::Options{});
            EXPECT_EQ(rows, 0);
            TrashedFile trashed;
            std::string reason;
            EXPECT_EQ(FileDeleter::MoveToTrash(listed, trashed, reason, {&trash, nullptr}),
                      FileDeleter::Result::Failed);
        });
    };
    const std::string skipLine = "clipscout.search: skipped " + folder + "/MD_broken.asf: ";
    const std::string deleteLine =
        "clipscout.delete: moving to the trash " + kept + " failed: the system refused (No space left on device)\n";
    const auto setRules = [](const char* rules) {
        if (rules != nullptr)
            ::setenv("QT_LOGGING_RULES", rules, 1);
        else
            ::unsetenv("QT_LOGGING_RULES");
    };
    const char* const before = std::getenv("QT_LOGGING_RULES");
    const std::string restore = before != nullptr ? before : "";

    struct Case {
        const char* rules;
        bool bSearch;
        bool bDelete;
    };
    for (const Case& c :
         {Case{nullptr, false, false}, Case{"clipscout.*=true", true, true}, Case{"clipscout.delete=true", false, true},
          Case{"clipscout.*.debug=true;clipscout.search=false", false, true},
          Case{"*=true\nclipscout.delete.debug = false", true, false},
          Case{"clipscout.*.warning=true;clipscout.search=yes", false, false}}) {
        setRules(c.rules);
        const std::string out = scanAndDelete();
        const char* const shown = c.rules != nullptr ? c.rules : "(unset)";
        EXPECT_EQ(out.find(skipLine) != std::string::npos, c.bSearch) << shown << ":\n" << out;
        EXPECT_EQ(out.find(deleteLine) != std::string::npos, c.bDelete) << shown << ":\n" << out;
        if (!c.bSearch && !c.bDelete) {
            EXPECT_EQ(out, "") << shown;
        }
    }
    setRules(before != nullptr ? restore.c_str() : nullptr);
}

} // namespace
