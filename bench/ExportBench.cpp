// The export benchmark. Writes clips of 1 GB in all (by default) into a
// temporary folder and copies them, in the same run and on the same disk,
// once with `cp` and once as an export does (the sizes read first, then
// FileCopier on a thread of its own), alternating, the page cache flushed to
// disk before each copy. Target: the export at least at 80% of cp's speed
// (its best time <= best cp time / 0.8).
//
//     clipscout-export-bench [--megabytes N] [--files N] [--runs N] [--dir PATH] [--counts-only]
//
// Exit status 1 when a copy differs from its clip, or, unless --counts-only,
// when the target is missed.

#include "platform/FileCopier.h"
#include "support/ClipBytes.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::uint64_t nMegabytes = 1024;
    int nFiles = 64;
    int nRuns = 3;
    std::string strDir;
    bool bCountsOnly = false;
};

bool Parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--megabytes" && hasValue)
            options.nMegabytes = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--files" && hasValue)
            options.nFiles = std::atoi(argv[++i]);
        else if (arg == "--runs" && hasValue)
            options.nRuns = std::atoi(argv[++i]);
        else if (arg == "--dir" && hasValue)
            options.strDir = argv[++i];
        else if (arg == "--counts-only")
            options.bCountsOnly = true;
        else
            return false;
    }
    return options.nMegabytes > 0 && options.nFiles > 0 && options.nRuns > 0;
}

// Clips with a real header and trailer around bytes that do not compress or
// repeat, so that no layer below can copy them cheaper than it would copy
// recordings.
std::vector<std::string> WriteClips(const std::string& folder, const Options& options)
{
    std::vector<std::string> names;
    std::mt19937_64 random(42);
    const std::uint64_t each = options.nMegabytes * 1024 * 1024 / static_cast<std::uint64_t>(options.nFiles);
    std::string body(static_cast<std::size_t>(each), '\0');
    for (int i = 0; i < options.nFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Sr%04d.asf", i);
        const std::string header = clipbytes::AsfClip(9'000'000'000u, 0, "NC2006/03/14 10:00,2006/03/14 10:15");
        for (std::size_t at = 0; at + 8 <= body.size(); at += 8) {
            const std::uint64_t word = random();
            std::memcpy(&body[at], &word, 8);
        }
        std::memcpy(body.data(), header.data(), std::min(header.size(), body.size()));
        std::ofstream(folder + "/" + name, std::ios::binary)
            .write(body.data(), static_cast<std::streamsize>(body.size()));
        names.push_back(name);
    }
    return names;
}

double RunCp(const std::string& source, const std::vector<std::string>& names, const std::string& target)
{
    std::vector<std::string> args = {"cp", "--"};
    for (const std::string& name : names)
        args.push_back(source + "/" + name);
    args.push_back(target);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "cp", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// As the export's thread does it: every size first (for the progress), then
// the copies.
double RunExport(const std::string& source, const std::vector<std::string>& names, const std::string& target)
{
    std::vector<ListedFile> files;
    struct stat folder;
    ::stat(source.c_str(), &folder);
    for (const std::string& name : names) {
        struct stat st;
        ::lstat((source + "/" + name).c_str(), &st);
        files.push_back({source, name, FileIdentity::Of(folder), FileIdentity::Of(st)});
    }
    bool ok = true;
    const Clock::time_point start = Clock::now();
    std::thread worker([&] {
        std::uint64_t total = 0;
        for (const ListedFile& file : files)
            total += FileCopier::SizeOf(file);
        FileCopier copier;
        ok = total > 0 && copier.Open(target) == 0;
        const std::stop_source running;
        for (const ListedFile& file : files)
            ok = ok && copier.Copy(file, running.get_token()).result == FileCopier::Result::Copied;
    });
    worker.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return ok ? seconds : -1;
}

bool SameBytes(const std::string& a, const std::string& b)
{
    std::ifstream left(a, std::ios::binary), right(b, std::ios::binary);
    std::vector<char> x(1 << 20), y(1 << 20);
    while (left && right) {
        left.read(x.data(), static_cast<std::streamsize>(x.size()));
        right.read(y.data(), static_cast<std::streamsize>(y.size()));
        if (left.gcount() != right.gcount() ||
            std::memcmp(x.data(), y.data(), static_cast<std::size_t>(left.gcount())) != 0)
            return false;
    }
    return !left && !right;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: clipscout-export-bench [--megabytes N] [--files N] [--runs N] [--dir PATH] [--counts-only]\n");
        return 2;
    }
    const fs::path base = options.strDir.empty() ? fs::temp_directory_path() : fs::path(options.strDir);
    const fs::path root = base / ("clipscout-export-bench-" + std::to_string(::getpid()));
    const std::string source = (root / "Recording").string();
    fs::create_directories(source);
    const std::vector<std::string> names = WriteClips(source, options);
    ::sync();

    double bestCp = 0, bestExport = 0;
    bool identical = true;
    for (int run = 0; run < options.nRuns; ++run) {
        for (const char* who : {"cp", "export"}) {
            const std::string target = (root / who).string();
            fs::remove_all(target);
            fs::create_directories(target);
            ::sync();
            const bool cp = std::strcmp(who, "cp") == 0;
            const double seconds = cp ? RunCp(source, names, target) : RunExport(source, names, target);
            if (seconds < 0) {
                std::fprintf(stderr, "%s failed\n", who);
                fs::remove_all(root);
                return 1;
            }
            double& best = cp ? bestCp : bestExport;
            best = run == 0 ? seconds : std::min(best, seconds);
            std::printf("run %d  %-6s %7.3f s  %7.1f MB/s\n", run + 1, who, seconds,
                        static_cast<double>(options.nMegabytes) / seconds);
            if (!cp)
                for (const std::string& name : names)
                    identical = identical && SameBytes(source + "/" + name, target + "/" + name);
        }
    }
    fs::remove_all(root);

    const double ratio = bestCp / bestExport;
    std::printf(
        "%llu MB in %d clips on %s: best cp %.3f s, best export %.3f s: export at %.0f%% of cp (target >= 80%%)\n",
        static_cast<unsigned long long>(options.nMegabytes), options.nFiles, base.c_str(), bestCp, bestExport,
        ratio * 100);
    if (!identical) {
        std::printf("FAIL: a copy differs from its clip\n");
        return 1;
    }
    if (options.bCountsOnly)
        return 0;
    std::printf("%s\n", ratio >= 0.8 ? "PASS" : "FAIL");
    return ratio >= 0.8 ? 0 : 1;
}
