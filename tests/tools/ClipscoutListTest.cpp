// Runs the built clipscout-list on temporary stores and checks what it
// prints and its exit status.

#include "support/ClipBytes.h"
#include "support/Environment.h"
#include "support/LocalTimeZone.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

using namespace clipbytes;

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

[[maybe_unused]] std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

[[maybe_unused]] std::string FromBase64(std::string_view text)
{
    static constexpr std::string_view kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        const std::size_t digit = kDigits.find(c);
        if (digit == std::string_view::npos)
            break; // padding
        bits = bits << 6 | static_cast<std::uint32_t>(digit);
        if ((count += 6) >= 8) {
            count -= 8;
            bytes += static_cast<char>(bits >> count & 0xFF);
        }
    }
    return bytes;
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

#ifdef _WIN32

std::wstring Wide(const std::string& text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end())).wstring();
}

// One argument as CommandLineToArgvW reads it back: in quotes, with the
// backslashes before a quote doubled and the quote escaped.
std::wstring QuoteArgument(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

// Runs program with args, its input empty and its output and errors in two
// files; the exit status, or 124 when it had to be ended after a minute.
int RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
               const std::string& errPath)
{
    std::wstring commandLine = QuoteArgument(Wide(program));
    for (const std::string& arg : args)
        commandLine += L" " + QuoteArgument(Wide(arg));
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const auto open = [&](const std::string& path, DWORD access, DWORD disposition) {
        return ::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = open("NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = open(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = open(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process{};
    int status = -1;
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                         &process)) {
        DWORD code = 0;
        if (::WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
            ::TerminateProcess(process.hProcess, 124);
            ::WaitForSingleObject(process.hProcess, INFINITE);
        }
        if (::GetExitCodeProcess(process.hProcess, &code))
            status = static_cast<int>(code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (const HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    return status;
}

#endif

class ClipscoutListTest : public ::testing::Test {
protected:
    ClipscoutListTest()
    {
        m_ini = m_dir.WriteFile("Viewdeck.ini",
                                "[Directory]\r\nRecording=" + m_dir.Path() + "/rec\r\n[Device1]\r\nLocalID=Cam1\r\n");
        m_dir.MakeDir("rec/Cam1/SnapShot");
        m_dir.MakeDir("rec/Cam1/MotionDetection");
        const std::string clip = AsfClip(1234567890, 0, "NC2006/03/14 10:00:05,2006/03/14 10:05:05");
        m_dir.WriteFile("rec/Cam1/Recording/Sr0001.asf", clip);
        m_dir.WriteFile("rec/Cam1/Recording/Ir0001.asf", clip);
        m_dir.WriteFile("rec/Cam1/Recording/Sr0002.asf", AsfClip(20000000, 0, "NC2006/03/14 11:30,2006/03/14 11:31"));
        m_dir.WriteFile("rec/Cam1/Recording/Sr2004.asf", AsfClip(20000000, 0, "NC2004/12/31 23:59,2005/01/01 00:01"));
        m_dir.WriteFile("rec/Cam1/Recording/Sr2005.asf", AsfClip(20000000, 0, "NC2005/01/01 00:00,2005/01/01 00:01"));
    }

    Result Run(const std::vector<std::string>& args, const std::string& zone = "")
    {
#ifdef _WIN32
        // The lister takes the zone from the environment it inherits.
        const char* oldZone = std::getenv("TZ");
        const std::optional<std::string> restore = oldZone ? std::optional<std::string>(oldZone) : std::nullopt;
        if (!zone.empty())
            SetVariable("TZ", zone);
        Result result;
        result.status =
            RunProgram(CLIPSCOUT_LIST_EXE, args, m_dir.Path() + "/stdout.txt", m_dir.Path() + "/stderr.txt");
        if (!zone.empty())
            SetVariable("TZ", restore);
        result.out = Slurp(m_dir.Path() + "/stdout.txt");
        result.err = Slurp(m_dir.Path() + "/stderr.txt");
        return result;
#else
        // A lister that hangs fails the test (status 124) instead of stalling it.
        std::string command =
            (zone.empty() ? "" : "TZ=" + Quote(zone) + " ") + "timeout 60 " + Quote(CLIPSCOUT_LIST_EXE);
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        const std::string errPath = m_dir.Path() + "/stderr.txt";
        command += " 2>" + Quote(errPath) + " </dev/null";
        Result result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr)
            return result;
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.out.append(buffer, n);
        const int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = Slurp(errPath);
        return result;
#endif
    }

    std::vector<std::string> Args(std::initializer_list<std::string> more)
    {
        std::vector<std::string> args = {"--viewer-ini", m_ini, "--device", "Cam1"};
        args.insert(args.end(), more);
        return args;
    }

    TempDir m_dir;
    std::string m_ini;
};

} // namespace

TEST_F(ClipscoutListTest, PrintsTsvRowsInListingOrder)
{
    const Result r =
        Run(Args({"--category", "Scheduled Recording", "--from", "2006-03-14 00:00", "--to", "2006-03-14 23:59"}));
    EXPECT_EQ(r.status, 0) << r.err;
    // TSV doubles a backslash, which a Windows path holds.
    std::string folder;
    for (const char c : m_dir.Path() + "/rec/Cam1/Recording/")
        folder += c == '\\' ? std::string("\\\\") : std::string(1, c);
    const std::string size1 =
        std::to_string(AsfClip(1234567890, 0, "NC2006/03/14 10:00:05,2006/03/14 10:05:05").size());
    const std::string size2 = std::to_string(AsfClip(20000000, 0, "NC2006/03/14 11:30,2006/03/14 11:31").size());
    EXPECT_EQ(r.out, "Sr0001.asf\t03/14/06  10:00:05\t02:03\t" + folder + "Sr0001.asf\tCam1\t" + size1 + "\n" +
                         "Sr0002.asf\t03/14/06  11:30\t00:02\t" + folder + "Sr0002.asf\tCam1\t" + size2 + "\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(ClipscoutListTest, ProgressGoesToStandardErrorOnlyOnATerminal)
{
#ifdef _WIN32
    GTEST_SKIP() << "the pseudo-terminal comes from script(1)";
#else
    // On a pseudo-terminal (script(1)): one line rewritten in place and
    // erased, the rows as before. The other tests show nothing on a file.
    std::string command =
        "timeout 60 script -qec " +
        Quote(Quote(CLIPSCOUT_LIST_EXE) + " --viewer-ini " + Quote(m_ini) +
              " --device Cam1 --category 'Scheduled Recording' >" + Quote(m_dir.Path() + "/rows.txt")) +
        " /dev/null </dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string transcript;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        transcript.append(buffer, n);
    ASSERT_EQ(::pclose(pipe), 0) << transcript;
    EXPECT_NE(transcript.find("\r\033[Kclipscout-list: 5 of 5 files examined\r\033[K"), std::string::npos)
        << transcript;
    EXPECT_NE(Slurp(m_dir.Path() + "/rows.txt").find("Sr2005.asf\t01/01/05  00:00\t00:02\t"), std::string::npos);
#endif
}

TEST_F(ClipscoutListTest, JsonCarriesTimesWithTheirOffsetLengthsSizesDevicesAndCategories)
{
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime's TZ takes no rule for the dates of summer time";
#else
    // Each zone's clock goes forward between its two clips (the last Sunday
    // of March in Europe, the second Sunday in the US); the first clip's
    // trailer keeps seconds, the second's only the minute, and the first is
    // 20 minutes long, more than the page's text shows.
    const std::string europe = "CET-1CEST,M3.5.0,M10.5.0/3", us = "EST5EDT,M3.2.0,M11.1.0";
    m_dir.WriteFile("rec/Cam1/MotionDetection/Md0001.asf",
                    AsfClip(12000000000, 0, "NC2026/03/29 01:30:10,2026/03/29 01:50:10"));
    m_dir.WriteFile("rec/Cam1/MotionDetection/Md0002.asf", AsfClip(20000000, 0, "NC2026/03/29 03:30,2026/03/29 03:31"));
    m_dir.WriteFile("rec/Cam1/MotionDetection/Md0003.asf",
                    AsfClip(20000000, 0, "NC2026/03/08 01:30:10,2026/03/08 01:31"));
    m_dir.WriteFile("rec/Cam1/MotionDetection/Md0004.asf", AsfClip(20000000, 0, "NC2026/03/08 03:30,2026/03/08 03:31"));
    const std::string snapshot = m_dir.WriteFile("rec/Cam1/SnapShot/Ss0001.jpg", std::string(777, 'j'));
    const auto rows = [&](const std::string& category, const std::string& zone) {
        // A snapshot made this minute lies after the current minute.
        const Result r = Run(Args({"--category", category, "--format", "json", "--to", "2099-12-31"}), zone);
        EXPECT_EQ(r.status, 0) << r.err;
        std::map<std::string, nlohmann::json> byName;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) {
            const nlohmann::json row = nlohmann::json::parse(line);
            byName[row["fileName"].get<std::string>()] = row;
        }
        return byName;
    };

    auto md = rows("md", europe);
    ASSERT_EQ(md.size(), 4u);
    EXPECT_EQ(md["Md0001.asf"]["recordedTime"], "2026-03-29T01:30:10+01:00");
    EXPECT_EQ(md["Md0002.asf"]["recordedTime"], "2026-03-29T03:30:00+02:00");
    EXPECT_EQ(md["Md0001.asf"]["recordedTimeText"], "03/29/26  01:30:10");
    EXPECT_EQ(md["Md0001.asf"]["duration"], "15:00");
    EXPECT_EQ(md["Md0001.asf"]["durationSeconds"], 1200);
    EXPECT_EQ(md["Md0002.asf"]["sizeBytes"], AsfClip(20000000, 0, "NC2026/03/29 03:30,2026/03/29 03:31").size());
    EXPECT_EQ(md["Md0002.asf"]["device"], "Cam1");
    EXPECT_EQ(md["Md0002.asf"]["category"], "Motion Detection");
    md = rows("md", us);
    EXPECT_EQ(md["Md0003.asf"]["recordedTime"], "2026-03-08T01:30:10-05:00");
    EXPECT_EQ(md["Md0004.asf"]["recordedTime"], "2026-03-08T03:30:00-04:00");
    // Zones a half hour off the hour, either side of UTC.
    EXPECT_EQ(rows("md", "IST-5:30")["Md0001.asf"]["recordedTime"], "2026-03-29T01:30:10+05:30");
    EXPECT_EQ(rows("md", "NST3:30")["Md0001.asf"]["recordedTime"], "2026-03-29T01:30:10-03:30");

    // A snapshot's time is its file's creation time where the file system
    // keeps one, else its modification time.
    struct statx sx { };
    ASSERT_EQ(::statx(AT_FDCWD, snapshot.c_str(), 0, STATX_BTIME | STATX_MTIME, &sx), 0);
    const time_t taken = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
    for (const std::string& zone : {europe, us}) {
        const LocalTimeZone local(zone.c_str());
        struct tm fields { };
        ASSERT_NE(::localtime_r(&taken, &fields), nullptr);
        char iso[40];
        std::strftime(iso, sizeof iso, "%Y-%m-%dT%H:%M:%S%z", &fields);
        const std::string expected = std::string(iso, 22) + ":" + std::string(iso + 22);
        auto ss = rows("SnapShot", zone);
        ASSERT_EQ(ss.size(), 1u);
        EXPECT_EQ(ss["Ss0001.jpg"]["recordedTime"], expected);
        EXPECT_TRUE(ss["Ss0001.jpg"]["durationSeconds"].is_null());
        EXPECT_EQ(ss["Ss0001.jpg"]["sizeBytes"], 777);
        EXPECT_EQ(ss["Ss0001.jpg"]["category"], "SnapShot");
    }
#endif
}

TEST_F(ClipscoutListTest, DevicesAreListedCheckedAndSearchedInPageOrder)
{
    // Cam0 is configured and complete; Cam9 is complete but configured by
    // no section; Half is configured but lacks a category folder.
    const std::string ini =
        m_dir.WriteFile("devices.ini", "[Directory]\nRecording=" + m_dir.Path() +
                                           "/rec\n[Device1]\nLocalID=Cam1\n[Device2]\nLocalID=Cam0\n"
                                           "[Device3]\nLocalID=Half\n");
    for (const char* device : {"Cam0", "Cam9"})
        for (const char* folder : {"Recording", "SnapShot", "MotionDetection"})
            m_dir.MakeDir(std::string("rec/") + device + "/" + folder);
    m_dir.MakeDir("rec/Half/Recording");
    m_dir.WriteFile("rec/Cam0/Recording/Sr0100.asf", AsfClip(20000000, 0, "NC2006/03/14 09:00,2006/03/14 09:01"));

    const Result listed = Run({"--viewer-ini", ini, "--list-devices"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    std::vector<std::string> devices;
    std::istringstream names(listed.out);
    for (std::string name; std::getline(names, name);)
        devices.push_back(name);
    ASSERT_EQ(devices.size(), 2u) << listed.out;
    EXPECT_EQ(std::set<std::string>(devices.begin(), devices.end()), (std::set<std::string>{"Cam0", "Cam1"}));

    const Result all =
        Run({"--viewer-ini", ini, "--all-devices", "--category", "SR", "--from", "2006-03-14", "--to", "2006-03-14"});
    EXPECT_EQ(all.status, 0) << all.err;
    std::vector<std::string> order; // the device column of each row, once per run of rows
    std::istringstream lines(all.out);
    for (std::string line; std::getline(lines, line);) {
        const std::string device = line.substr(line.rfind('\t', line.rfind('\t') - 1) + 1);
        const std::string name = device.substr(0, device.find('\t'));
        if (order.empty() || order.back() != name)
            order.push_back(name);
    }
    EXPECT_EQ(order, devices);
    EXPECT_NE(all.out.find("Sr0100.asf"), std::string::npos);
    EXPECT_NE(all.out.find("Sr0002.asf"), std::string::npos);

    for (const char* unknown : {"Cam9", "Half", "NoSuchCam"}) {
        const Result r = Run({"--viewer-ini", ini, "--device", unknown, "--category", "sr"});
        EXPECT_EQ(r.status, 2) << unknown;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(std::string("'") + unknown + "'"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Cam0"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Cam1"), std::string::npos) << r.err;
    }
}

TEST_F(ClipscoutListTest, MergedListsEveryDevicesRowsByRecordedTime)
{
    const std::string ini = m_dir.WriteFile(
        "three.ini", "[Directory]\nRecording=" + m_dir.Path() +
                         "/rec\n[Device1]\nLocalID=Cam1\n[Device2]\nLocalID=Cam2\n[Device3]\nLocalID=Cam3\n");
    for (const char* device : {"Cam2", "Cam3"})
        for (const char* folder : {"Recording", "SnapShot", "MotionDetection"})
            m_dir.MakeDir(std::string("rec/") + device + "/" + folder);
    // Listed by name, each device's rows are out of time order; Sr0002 of
    // Cam1 and Sr0011 of Cam3 start in the same minute.
    m_dir.WriteFile("rec/Cam2/Recording/Sr0020.asf", AsfClip(20000000, 0, "NC2006/03/14 12:00,2006/03/14 12:01"));
    m_dir.WriteFile("rec/Cam2/Recording/Sr0021.asf", AsfClip(20000000, 0, "NC2006/03/14 09:00,2006/03/14 09:01"));
    m_dir.WriteFile("rec/Cam3/Recording/Sr0010.asf", AsfClip(20000000, 0, "NC2006/03/14 10:30,2006/03/14 10:31"));
    m_dir.WriteFile("rec/Cam3/Recording/Sr0011.asf", AsfClip(20000000, 0, "NC2006/03/14 11:30,2006/03/14 11:31"));

    std::vector<std::string> devices;
    std::istringstream names(Run({"--viewer-ini", ini, "--list-devices"}).out);
    for (std::string name; std::getline(names, name);)
        devices.push_back(name);
    ASSERT_EQ(devices.size(), 3u);
    const bool cam1First =
        std::find(devices.begin(), devices.end(), "Cam1") < std::find(devices.begin(), devices.end(), "Cam3");

    const Result r = Run({"--viewer-ini", ini, "--all-devices", "--merged", "--category", "sr", "--from", "2006-03-14",
                          "--to", "2006-03-14"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> rows; // name and device of each row
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t device = line.rfind('\t', line.rfind('\t') - 1) + 1;
        rows.push_back(line.substr(0, line.find('\t')) + " " + line.substr(device, line.find('\t', device) - device));
    }
    const std::vector<std::string> tie = cam1First ? std::vector<std::string>{"Sr0002.asf Cam1", "Sr0011.asf Cam3"}
                                                   : std::vector<std::string>{"Sr0011.asf Cam3", "Sr0002.asf Cam1"};
    EXPECT_EQ(rows, (std::vector<std::string>{"Sr0021.asf Cam2", "Sr0001.asf Cam1", "Sr0010.asf Cam3", tie[0], tie[1],
                                              "Sr0020.asf Cam2"}))
        << r.out;
    // Each row's path is in its own device's folder.
    EXPECT_NE(r.out.find("/rec/Cam3/Recording/Sr0010.asf\tCam3\t"), std::string::npos) << r.out;

    const Result alone = Run(Args({"--merged", "--category", "sr"}));
    EXPECT_EQ(alone.status, 2);
    EXPECT_EQ(alone.out, "");
}

TEST_F(ClipscoutListTest, SummaryCountsEachCategoryOverAllTimeWithItsSizeAndOldestAndNewest)
{
    const auto size = [](const char* trailer) { return AsfClip(20000000, 0, trailer).size(); };
    const std::size_t scheduled = AsfClip(1234567890, 0, "NC2006/03/14 10:00:05,2006/03/14 10:05:05").size() +
                                  size("NC2006/03/14 11:30,2006/03/14 11:31") +
                                  size("NC2004/12/31 23:59,2005/01/01 00:01") +
                                  size("NC2005/01/01 00:00,2005/01/01 00:01");
    const std::string instant =
        std::to_string(AsfClip(1234567890, 0, "NC2006/03/14 10:00:05,2006/03/14 10:05:05").size());

    // Before the lister's default start, 2005, too; the Instant clip shares
    // the Scheduled clips' folder.
    const Result tsv = Run(Args({"--summary"}), "CET-1");
    EXPECT_EQ(tsv.status, 0) << tsv.err;
    EXPECT_EQ(tsv.out, "Cam1\tScheduled Recording\t4\t" + std::to_string(scheduled) +
                           "\t2004-12-31T23:59:00+01:00\t2006-03-14T11:30:00+01:00\n"
                           "Cam1\tSnapShot\t0\t0\t\t\n"
                           "Cam1\tInstant Recording\t1\t" +
                           instant +
                           "\t2006-03-14T10:00:05+01:00\t2006-03-14T10:00:05+01:00\n"
                           "Cam1\tMotion Detection\t0\t0\t\t\n");

    const Result json = Run(Args({"--summary", "--category", "md", "--format", "json"}), "CET-1");
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out, "{\"device\":\"Cam1\",\"category\":\"Motion Detection\",\"recordings\":0,\"sizeBytes\":0,"
                        "\"oldest\":null,\"newest\":null}\n");

    EXPECT_EQ(Run(Args({"--summary", "--from", "2006-01-01"})).status, 2);
}

TEST_F(ClipscoutListTest, RangesTakeDatesAloneAndIsoTimesAndCategoriesTheirShortCodes)
{
    m_dir.WriteFile("rec/Cam1/Recording/Sr2359.asf", AsfClip(20000000, 0, "NC2006/03/13 23:59,2006/03/14 00:00"));
    m_dir.WriteFile("rec/Cam1/Recording/Sr0000.asf", AsfClip(20000000, 0, "NC2006/03/15 00:00,2006/03/15 00:01"));
    const auto names = [&](std::initializer_list<std::string> more) {
        const Result r = Run(Args(more));
        std::string firstColumn = std::to_string(r.status) + ":";
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);)
            firstColumn += " " + line.substr(0, line.find('\t'));
        return firstColumn;
    };
    // A date alone covers its whole day at either end, and only that day.
    EXPECT_EQ(names({"--category", "sr", "--from", "2006-03-14", "--to", "2006-03-14"}), "0: Sr0001.asf Sr0002.asf");
    EXPECT_EQ(names({"--category", "SR", "--from", "2006-03-13", "--to", "2006-03-13"}), "0: Sr2359.asf");
    EXPECT_EQ(names({"--category", "Sr", "--from", "2006-03-14T11:30", "--to", "2006-03-15"}),
              "0: Sr0000.asf Sr0002.asf");
    EXPECT_EQ(names({"--category", "IR", "--from", "2006-03-14 00:00", "--to", "2006-03-14T23:59"}), "0: Ir0001.asf");
    EXPECT_EQ(names({"--category", "scheduled recording", "--from", "2006-03-15", "--to", "2006-03-15"}),
              "0: Sr0000.asf");
    EXPECT_EQ(names({"--category", "mD"}), "0:");
    EXPECT_EQ(names({"--category", "xx"}), "2:");

    const Result version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("clipscout-list ", 0), 0u) << version.out;
}

TEST_F(ClipscoutListTest, AReaderThatStopsReadingEndsTheListQuietly)
{
#ifdef _WIN32
    GTEST_SKIP() << "the pipeline is bash's and head's";
#else
    const std::string clip = AsfClip(20000000, 0, "NC2006/03/14 10:00,2006/03/14 10:01");
    for (int i = 0; i < 3000; ++i)
        m_dir.WriteFile("rec/Cam1/MotionDetection/Md" + std::to_string(10000 + i) + ".asf", clip);
    std::string command = "set -o pipefail; timeout 60 " + Quote(CLIPSCOUT_LIST_EXE) + " --viewer-ini " + Quote(m_ini) +
                          " --device Cam1 --category md --format json 2>" + Quote(m_dir.Path() + "/err.txt") +
                          " | head -n 1";
    FILE* pipe = ::popen(("bash -c " + Quote(command)).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
    EXPECT_EQ(nlohmann::json::parse(out)["fileName"].get<std::string>().substr(0, 2), "Md");
    EXPECT_EQ(Slurp(m_dir.Path() + "/err.txt"), "");
#endif
}

TEST_F(ClipscoutListTest, JsonKeepsTheExactBytesOfNamesThatAreNotUtf8)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows names are UTF-16: none is not UTF-8";
#else
    // A lone 0xFF byte, and the UTF-8 of U+FFFD that it would be shown as; a
    // surrogate, which UTF-8 never holds, and the last code point before them.
    const std::string clip = AsfClip(20000000, 0, "NC2006/03/14 10:00,2006/03/14 10:01");
    for (const char* name :
         {"Md_\xff.asf", "Md_\xef\xbf\xbd.asf", "Md_\xc3\xa9.asf", "Md_\xed\xa0\x80.asf", "Md_\xed\x9f\xbf.asf"})
        m_dir.WriteFile(std::string("rec/Cam1/MotionDetection/") + name, clip);
    const Result r = Run(Args({"--category", "Motion Detection", "--from", "2006-03-14 10:00", "--to",
                               "2006-03-14 10:00", "--format", "json"}));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string folder = m_dir.Path() + "/rec/Cam1/MotionDetection/";
    std::istringstream lines(r.out);
    std::map<std::string, nlohmann::json> byName; // by the exact bytes each line gives back
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json row = nlohmann::json::parse(line);
        const bool exact = !row.contains("fileNameBase64");
        const std::string name =
            exact ? row["fileName"].get<std::string>() : FromBase64(row["fileNameBase64"].get<std::string>());
        const std::string path =
            exact ? row["path"].get<std::string>() : FromBase64(row["pathBase64"].get<std::string>());
        EXPECT_EQ(path, folder + name);
        EXPECT_EQ(row.contains("pathBase64"), !exact);
        byName[name] = row;
    }
    ASSERT_EQ(byName.size(), 5u);
    ASSERT_TRUE(byName.count("Md_\xff.asf"));
    EXPECT_EQ(byName["Md_\xff.asf"]["fileName"], "Md_\xef\xbf\xbd.asf"); // shown alike, kept apart
    EXPECT_EQ(byName["Md_\xff.asf"]["fileNameBase64"], "TWRf/y5hc2Y=");
    EXPECT_FALSE(byName["Md_\xef\xbf\xbd.asf"].contains("fileNameBase64"));
    EXPECT_FALSE(byName["Md_\xc3\xa9.asf"].contains("fileNameBase64"));
    EXPECT_FALSE(byName["Md_\xc3\xa9.asf"].contains("recordedTimeBase64"));
    EXPECT_TRUE(byName["Md_\xed\xa0\x80.asf"].contains("fileNameBase64"));
    EXPECT_FALSE(byName["Md_\xed\x9f\xbf.asf"].contains("fileNameBase64"));
#endif
}

TEST_F(ClipscoutListTest, DefaultRangeStartsIn2005AndEndsNow)
{
    const Result r = Run(Args({"--category", "Scheduled Recording"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("Sr2004.asf"), std::string::npos);
    EXPECT_NE(r.out.find("Sr2005.asf\t01/01/05  00:00\t00:02\t"), std::string::npos);
    EXPECT_NE(r.out.find("Sr0002.asf"), std::string::npos);
}

TEST_F(ClipscoutListTest, NoRowsIsSuccessWithNoOutput)
{
    for (const char* format : {"tsv", "json"}) {
        const Result r = Run(Args({"--category", "Motion Detection", "--format", format}));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(ClipscoutListTest, InvertedRangeExitsWithStatus3)
{
    const Result r = Run(Args({"--category", "SnapShot", "--from", "2006-03-14 10:01", "--to", "2006-03-14 10:00"}));
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "clipscout-list: The start time should be earlier than the end time\n");
    // The range is refused before the settings are looked at.
    const Result noSettings = Run({"--viewer-ini", m_dir.Path() + "/none.ini", "--device", "Cam1", "--category",
                                   "SnapShot", "--from", "2006-03-14 10:01", "--to", "2006-03-14 10:00"});
    EXPECT_EQ(noSettings.status, 3);
    EXPECT_EQ(noSettings.err, "clipscout-list: The start time should be earlier than the end time\n");
    // Equal ends are no error.
    EXPECT_EQ(Run(Args({"--category", "SnapShot", "--from", "2006-03-14 10:00", "--to", "2006-03-14 10:00"})).status,
              0);
}

TEST_F(ClipscoutListTest, BadUsageExitsWithStatus2AndSaysWhy)
{
    std::vector<std::vector<std::string>> cases = {
        {"--viewer-ini", m_ini, "--category", "SnapShot"},               // no device
        {"--viewer-ini", m_ini, "--device", "Cam1"},                     // no category
        Args({"--category", "Snap"}),                                    // not one of the four
        Args({"--category", "SnapShot", "--from", "2006-03-14T25:00"}),  // no such hour
        Args({"--category", "SnapShot", "--from", "2006-3-14"}),         // not two digits
        Args({"--category", "SnapShot", "--to", "2006-02-30 10:00"}),    // no such day
        Args({"--category", "SnapShot", "--to", "2006-03-14 10:00:00"}), // seconds
        Args({"--category", "SnapShot", "--format", "xml"}),
        Args({"--category", "SnapShot", "--colour"}),
        Args({"--category", "SnapShot", "stray"}),
        {"--viewer-ini", m_dir.Path() + "/none.ini", "--device", "Cam1", "--category", "SnapShot"},
        {"--viewer-ini", m_dir.Path(), "--device", "Cam1", "--category", "SnapShot"}, // a folder
        {"--viewer-ini", m_ini, "--device", "Cam1", "--all-devices", "--category", "SnapShot"},
        {"--viewer-ini", m_ini, "--all-devices"}, // no category
    };
#ifndef _WIN32
    const std::string fifo = m_dir.Path() + "/fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    cases.push_back({"--viewer-ini", fifo, "--device", "Cam1", "--category", "SnapShot"}); // no writer: no hang
#endif
    for (const auto& args : cases) {
        const Result r = Run(args);
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        EXPECT_EQ(r.status, 2) << joined;
        EXPECT_EQ(r.out, "") << joined;
        EXPECT_EQ(r.err.rfind("clipscout-list: ", 0), 0u) << joined << r.err;
    }
}

TEST_F(ClipscoutListTest, SettingsWithoutRecordingDirectoryAreRefused)
{
    const std::string ini = m_dir.WriteFile("empty.ini", "[Device1]\nLocalID=Cam1\n");
    const Result r = Run({"--viewer-ini", ini, "--device", "Cam1", "--category", "SnapShot"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Recording"), std::string::npos);

    // A recording directory that is missing, written for another system, or
    // without a device folder has nothing to list for any device either: a
    // scheduled job must not take that for "no recordings".
    const std::string missing = m_dir.Path() + "/missing";
    m_dir.WriteFile("bare/readme.txt", "");
    for (const std::string& recording : {missing, std::string("D:\\Viewdeck\\Record"), m_dir.Path() + "/bare"}) {
        const std::string named =
            m_dir.WriteFile("named.ini", "[Directory]\nRecording=" + recording + "\n[Device1]\nLocalID=Cam1\n");
        const Result all = Run({"--viewer-ini", named, "--all-devices", "--category", "sr"});
        EXPECT_EQ(all.status, 2) << recording;
        EXPECT_EQ(all.out, "");
        EXPECT_NE(all.err.find(recording), std::string::npos) << all.err;
    }
}

TEST_F(ClipscoutListTest, RenamedCategoriesNameTheCategoryOfTheirPlaceInThePagesBox)
{
    // The last entry is renamed to another category's built-in text.
    const std::string appIni =
        m_dir.WriteFile("renamed.ini", "[Clipscout]\nSR=Planned\nIR=Manual\nMD=Instant Recording\n");
    const std::string clip = AsfClip(20000000, 0, "NC2006/03/14 10:00,2006/03/14 10:01");
    m_dir.WriteFile("rec/Cam1/MotionDetection/Md0003.asf", clip);
    const auto names = [&](const std::string& category) {
        const Result r = Run(Args(
            {"--app-ini", appIni, "--category", category, "--from", "2006-03-14 00:00", "--to", "2006-03-14 23:59"}));
        std::string firstColumn;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);)
            firstColumn += line.substr(0, line.find('\t')) + " ";
        return std::to_string(r.status) + ": " + firstColumn;
    };
    EXPECT_EQ(names("Planned"), "0: Sr0001.asf Sr0002.asf ");
    EXPECT_EQ(names("Manual"), "0: Ir0001.asf ");
    EXPECT_EQ(names("Instant Recording"), "0: Md0003.asf ");
    EXPECT_EQ(names("Scheduled Recording"), "0: Sr0001.asf Sr0002.asf ");
    EXPECT_EQ(names("SnapShot"), "0: ");
    EXPECT_EQ(names("Planed"), "2: ");
}

TEST_F(ClipscoutListTest, HelpIsNoError)
{
    const Result r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--viewer-ini"), std::string::npos);
    EXPECT_NE(r.out.find("pathBase64"), std::string::npos);
}

TEST_F(ClipscoutListTest, TsvEscapesTabsLineBreaksAndEveryControlCharacterInNames)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows names hold no control characters and no backslash";
#else
    m_dir.WriteFile("rec/Cam1/MotionDetection/Md\ta\nb\x1b[2J\r\x7f\xc2\x9b\\\xc3\xa9.asf",
                    AsfClip(20000000, 0, "NC2006/03/14 10:00,2006/03/14 10:01"));
    const Result r =
        Run(Args({"--category", "Motion Detection", "--from", "2006-03-14 00:00", "--to", "2006-03-15 00:00"}));
    EXPECT_EQ(r.status, 0);
    // A terminal shows the name and does not act on it; printable text, é
    // too, stays as it is.
    EXPECT_EQ(r.out.substr(0, r.out.find('\t')), "Md\\ta\\nb\\x1b[2J\\r\\x7f\\xc2\\x9b\\\\\xc3\xa9.asf");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
#endif
}

TEST_F(ClipscoutListTest, SettingsFilesAreLookedUpOrNamedAsTheProgramDoes)
{
    // The user's and the system's folders point into the test folder for this test only.
#ifdef _WIN32
    const char* const userVariable = "APPDATA";
    const char* const systemVariable = "ProgramData";
    const std::string folder = "Clipscout", separator = "\\";
#else
    const char* const userVariable = "XDG_CONFIG_HOME";
    const char* const systemVariable = "XDG_CONFIG_DIRS";
    const std::string folder = "clipscout", separator = "/";
#endif
    const auto old = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const std::optional<std::string> oldUser = old(userVariable), oldSystem = old(systemVariable);
    SetVariable(userVariable, m_dir.Path() + separator + "user");
    SetVariable(systemVariable, m_dir.Path() + separator + "system");
    const std::string userFolder = m_dir.Path() + separator + "user" + separator + folder + separator;
    const std::string systemFolder = m_dir.Path() + separator + "system" + separator + folder + separator;
    const std::vector<std::string> range = {"--device",         "Cam1",      "--from", "2006-03-14 00:00", "--to",
                                            "2006-03-15 00:00", "--category"};
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), range.begin(), range.end());
        return Run(args);
    };
    const Result expected =
        Run(Args({"--category", "Scheduled Recording", "--from", "2006-03-14 00:00", "--to", "2006-03-15 00:00"}));
    ASSERT_EQ(expected.status, 0);
    ASSERT_NE(expected.out, "");

    // Nowhere: the message names every place looked at.
    const Result nowhere = run({"Scheduled Recording"});
    EXPECT_EQ(nowhere.status, 2);
    EXPECT_NE(nowhere.err.find(userFolder + "Viewdeck.ini"), std::string::npos) << nowhere.err;
    EXPECT_NE(nowhere.err.find(systemFolder + "Viewdeck.ini"), std::string::npos) << nowhere.err;

    // The one chosen in the window, as the window keeps it, when none is
    // found; one that is gone since is passed over.
    const std::string chosen = m_dir.WriteFile("chosen dir/Viewdeck.ini", Slurp(m_ini));
    m_dir.WriteFile("user/" + folder + "/state.conf", "[Settings]\nViewerIni=" + m_dir.Path() + "/gone.ini\n");
    EXPECT_EQ(run({"Scheduled Recording"}).status, 2);
    m_dir.WriteFile("user/" + folder + "/state.conf", "[Window]\nwidth=900\n\n[Settings]\nViewerIni=" + chosen + "\n");
    EXPECT_EQ(run({"Scheduled Recording"}).out, expected.out);

    // Found in the system's folder, then in the user's, which wins.
    m_dir.WriteFile("system/" + folder + "/Viewdeck.ini", "[Directory]\nRecording=" + m_dir.Path() + "/nothing\n");
    EXPECT_EQ(run({"Scheduled Recording"}).out, "");
    m_dir.WriteFile("user/" + folder + "/Viewdeck.ini", Slurp(m_ini));
    EXPECT_EQ(run({"Scheduled Recording"}).out, expected.out);

    // A category text that Clipscout.ini gives the page names its category,
    // from the file found or from the one named.
    EXPECT_EQ(run({"Geplant"}).status, 2);
    m_dir.WriteFile("user/" + folder + "/Clipscout.ini", "[Clipscout]\nSR=Geplant\n");
    EXPECT_EQ(run({"Geplant"}).out, expected.out);
    const std::string named = m_dir.WriteFile("named.ini", "[Clipscout]\nSR=Scheduled\n");
    EXPECT_EQ(run({"Scheduled", "--app-ini", named}).out, expected.out);
    EXPECT_EQ(run({"Geplant", "--app-ini", named}).status, 2);
    // A named Viewdeck.ini wins over the one found.
    EXPECT_EQ(run({"Scheduled Recording", "--viewer-ini", systemFolder + "Viewdeck.ini"}).out, "");

    SetVariable(userVariable, oldUser);
    SetVariable(systemVariable, oldSystem);
}
