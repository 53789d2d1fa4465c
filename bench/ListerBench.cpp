// The lister on a large store: how long until its first row, how long until
// its last, and its peak memory, for this build's clipscout-list and, when
// given, another build of it (--baseline PATH), against a floor on the same
// files: a process that lists the folder, reads per clip only what a probe
// cannot do without, with 32 requests in flight, and writes a line per clip
// in blocks. Rows reach a pipe, as they do in a script. The runs interleave,
// each row of the table with the load average when it ended.
//     build/bench/clipscout-lister-bench [--clips N] [--runs N] [--baseline PATH] [--max-ratio R] [--keep]
// Exit status 1 when the lister's median last row or peak memory is more than
// R times the floor's (1.2 by default; 0 judges nothing), or when it lists
// fewer rows than the floor; times alone are never judged.

#include "BenchFigures.h"
#include "FolderProbe.h"
#include "support/ClipBytes.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double firstMs = -1;
    double lastMs = 0;
    long peakKb = 0;
    std::size_t rows = 0;
};

void WriteFile(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::perror(path.c_str());
        std::exit(1);
    }
    ::close(fd);
}

// Times spread over months, as a real store's are.
void MakeStore(const std::string& root, int clips)
{
    namespace fs = std::filesystem;
    for (const char* folder : {"Recording", "SnapShot", "MotionDetection"})
        fs::create_directories(root + "/rec/Cam1/" + folder);
    WriteFile(root + "/Viewdeck.ini", "[Directory]\nRecording=" + root + "/rec\n[Device1]\nLocalID=Cam1\n");
    for (int i = 0; i < clips; ++i) {
        const int month = 1 + i % 12, day = 1 + (i / 12) % 28, hour = (i / 336) % 24, minute = (i / 8064) % 60;
        char trailer[64], name[32];
        std::snprintf(trailer, sizeof trailer, "NC2025/%02d/%02d %02d:%02d:%02d,2025/%02d/%02d %02d:%02d:%02d", month,
                      day, hour, minute, i % 60, month, day, hour, minute, (i + 5) % 60);
        std::snprintf(name, sizeof name, "Md%07d.asf", i);
        WriteFile(root + "/rec/Cam1/MotionDetection/" + name, clipbytes::AsfClip(50000000, 0, trailer));
    }
}

// The floor's child: one line per clip, written a block at a time.
int FloorChild(const std::string& folder)
{
    std::setvbuf(stdout, nullptr, _IOFBF, 64 * 1024);
    std::atomic<std::size_t> written{0};
    std::mutex out;
    ProbeFolder(folder, 32, [&](int folderFd, const char* name, char(&buffer)[8192]) {
        if (!ReadClip(folderFd, name, buffer))
            return false;
        const std::lock_guard lock(out);
        std::fputs(name, stdout);
        std::fputc('\n', stdout);
        ++written;
        return true;
    });
    std::fflush(stdout);
    return written > 0 ? 0 : 1;
}

Run RunLister(const std::string& exe, const std::string& ini)
{
    int out[2];
    if (::pipe(out) != 0)
        std::exit(1);
    const Clock::time_point start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        // The floor starts afresh too, as this program, so that its memory
        // holds nothing of this process's.
        if (exe.empty())
            ::execl("/proc/self/exe", "clipscout-lister-bench", "--floor-child", ini.c_str(),
                    static_cast<char*>(nullptr));
        ::execl(exe.c_str(), exe.c_str(), "--viewer-ini", ini.c_str(), "--device", "Cam1", "--category",
                "Motion Detection", "--from", "2005-01-01 00:00", "--to", "2030-01-01 00:00",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    Run run;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0) {
        if (run.firstMs < 0)
            run.firstMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        for (ssize_t i = 0; i < n; ++i)
            run.rows += buffer[i] == '\n';
    }
    ::close(out[0]);
    int status = 0;
    struct rusage usage { };
    ::wait4(pid, &status, 0, &usage);
    run.lastMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "%s ended with status %d\n", exe.c_str(), status);
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--floor-child") == 0)
        return FloorChild(argv[2]);
    int clips = 200000, runs = 3;
    double maxRatio = 1.2;
    std::string baseline;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--clips" && i + 1 < argc)
            clips = std::atoi(argv[++i]);
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (arg == "--baseline" && i + 1 < argc)
            baseline = argv[++i];
        else if (arg == "--max-ratio" && i + 1 < argc)
            maxRatio = std::atof(argv[++i]);
        else if (arg == "--keep")
            keep = true;
        else {
            std::fprintf(stderr, "usage: %s [--clips N] [--runs N] [--baseline PATH] [--max-ratio R] [--keep]\n",
                         argv[0]);
            return 2;
        }
    }
    char folder[] = "/tmp/clipscout-lister-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr)
        return 1;
    const std::string root = folder;
    std::printf("making %d clips in %s\n", clips, folder);
    MakeStore(root, clips);
    // An empty program: the floor, run in the forked child itself.
    std::vector<std::pair<std::string, std::string>> listers = {{"this", CLIPSCOUT_LIST_EXE}, {"floor", ""}};
    if (!baseline.empty())
        listers.emplace_back("baseline", baseline);
    std::printf("%-9s %8s %12s %12s %10s %6s\n", "lister", "rows", "first ms", "last ms", "peak MiB", "load");
    std::vector<std::vector<Run>> results(listers.size());
    for (int r = 0; r < runs; ++r)
        for (std::size_t l = 0; l < listers.size(); ++l) {
            const auto& [label, exe] = listers[l];
            const Run run = RunLister(exe, exe.empty() ? root + "/rec/Cam1/MotionDetection" : root + "/Viewdeck.ini");
            results[l].push_back(run);
            std::printf("%-9s %8zu %12.1f %12.1f %10.1f %6.2f\n", label.c_str(), run.rows, run.firstMs, run.lastMs,
                        static_cast<double>(run.peakKb) / 1024.0, LoadAverage());
            std::fflush(stdout);
        }
    const auto median = [&](std::size_t l, auto field) {
        std::vector<double> values;
        for (const Run& run : results[l])
            values.push_back(field(run));
        return Median(values);
    };
    const auto last = [](const Run& run) { return run.lastMs; };
    const auto peak = [](const Run& run) { return static_cast<double>(run.peakKb) / 1024.0; };
    const auto first = [](const Run& run) { return run.firstMs; };
    std::printf("\nmedians  %12s %12s %10s\n", "first ms", "last ms", "peak MiB");
    for (std::size_t l = 0; l < listers.size(); ++l)
        std::printf("%-9s%12.1f %12.1f %10.1f\n", listers[l].first.c_str(), median(l, first), median(l, last),
                    median(l, peak));
    const double timeRatio = median(1, last) > 0 ? median(0, last) / median(1, last) : 0;
    const double memoryRatio = median(1, peak) > 0 ? median(0, peak) / median(1, peak) : 0;
    std::printf("this / floor: last row %.2f, peak memory %.2f (at most %.2f)\n", timeRatio, memoryRatio, maxRatio);
    bool ok = median(0, [](const Run& run) { return static_cast<double>(run.rows); }) >=
              median(1, [](const Run& run) { return static_cast<double>(run.rows); });
    if (!ok)
        std::printf("FAILED: the lister listed fewer rows than the floor\n");
    if (maxRatio > 0 && (timeRatio > maxRatio || memoryRatio > maxRatio)) {
        std::printf("FAILED: a ratio above %.2f\n", maxRatio);
        ok = false;
    }
    // Removing the store takes a while: the table is shown first.
    std::fflush(stdout);
    if (!keep)
        std::filesystem::remove_all(root);
    return ok ? 0 : 1;
}
