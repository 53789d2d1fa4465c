// The lister on a large store: how long until its first row, how long until
// its last, and its peak memory, for this build's clipscout-list and, when
// given, another build of it (--baseline PATH) on the same store in the same
// run. Rows reach a pipe, as they do in a script.
//     build/bench/clipscout-lister-bench [--clips N] [--runs N] [--baseline PATH] [--keep]

#include "support/ClipBytes.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
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
    int clips = 200000, runs = 3;
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
        else if (arg == "--keep")
            keep = true;
        else {
            std::fprintf(stderr, "usage: %s [--clips N] [--runs N] [--baseline PATH] [--keep]\n", argv[0]);
            return 2;
        }
    }
    char folder[] = "/tmp/clipscout-lister-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr)
        return 1;
    const std::string root = folder;
    std::printf("making %d clips in %s\n", clips, folder);
    MakeStore(root, clips);
    std::vector<std::pair<std::string, std::string>> listers = {{"this", CLIPSCOUT_LIST_EXE}};
    if (!baseline.empty())
        listers.emplace_back("baseline", baseline);
    std::printf("%-9s %8s %12s %12s %10s\n", "lister", "rows", "first ms", "last ms", "peak MiB");
    for (int r = 0; r < runs; ++r)
        for (const auto& [label, exe] : listers) {
            const Run run = RunLister(exe, root + "/Viewdeck.ini");
            std::printf("%-9s %8zu %12.1f %12.1f %10.1f\n", label.c_str(), run.rows, run.firstMs, run.lastMs,
                        static_cast<double>(run.peakKb) / 1024.0);
            std::fflush(stdout);
        }
    if (!keep)
        std::filesystem::remove_all(root);
    return 0;
}
