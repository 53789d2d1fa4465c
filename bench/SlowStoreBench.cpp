// The slow-store benchmark. Serves a synthetic recording store through a small
// FUSE file system, a read-only passthrough that waits a set delay in every
// call and answers calls on many threads, as a network share does. By default
// the kernel keeps names and attributes for a second, as a share's client
// may, and file contents not at all; with --no-attr-cache it keeps nothing,
// so every call of the scan reaches the share. The runs are paused between
// so that each makes the same calls. The clips' times spread over two years,
// as a real store's do. Times:
//   scan      the search request with its default number of workers;
//   1 worker  the same scan with one worker;
//   floor     listing the folder, then with 32 threads per clip only the reads
//             a probe cannot do without: open relative to the folder, fstat,
//             the 50-byte trailer, the first 4 KiB; and the same with as many
//             threads as the scan has workers.
// Both examine the same clips, every one in the folder (the scan lists half
// of them, its category's). The floor and the scan take turns, --runs times,
// each run a row of the table with the load average when it ended; then the
// medians. --sweep also times other numbers of workers, once each.
//
//     clipscout-slow-store-bench [--clips N] [--delay-ms D] [--runs N] [--max-ratio R] [--no-attr-cache] [--sweep]
//                                [--keep]
//
// Needs /dev/fuse and root (or fusermount3 for the unmount). Exit status 1
// when the scans list different rows or not the store's, or when the median
// scan takes more than R times the median floor with as many threads as it
// has workers (1.1 by default; 0 judges
// nothing): a time alone is never judged; 2 when the store cannot be served.

#include "BenchFigures.h"
#include "FolderProbe.h"
#include "SlowFuse.h"
#include "catalog/ScanControl.h"
#include "catalog/SearchRequest.h"
#include "support/ClipBytes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// ---- the store and the timings ----------------------------------------------

void Write(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// clips ASF clips in rec/Cam1/Recording, alternately "Sr" and "Ir", their
// starts spread over two years; returns how many are "Sr".
int MakeStore(const std::string& root, int clips)
{
    const std::string folder = root + "/rec/Cam1/Recording";
    std::filesystem::create_directories(folder);
    int scheduled = 0;
    char name[64];
    for (int i = 0; i < clips; ++i) {
        const bool sr = i % 2 == 0;
        scheduled += sr;
        const CTime start = CTime(2006, 1, 1, 0, 0, 0) + CTimeSpan(60LL * (i * 7919LL % (2 * 365 * 24 * 60)));
        const CTime end = start + CTimeSpan(60);
        std::snprintf(name, sizeof name, "/%s%08d.asf", sr ? "Sr" : "Ir", i);
        Write(folder + name,
              clipbytes::AsfClip(600000000, 0,
                                 "NC" + start.Format("%Y/%m/%d %H:%M:%S") + "," + end.Format("%Y/%m/%d %H:%M:%S")));
    }
    return scheduled;
}

using Clock = std::chrono::steady_clock;

// Until whatever the kernel remembers of the last run has expired.
void Pause()
{
    std::this_thread::sleep_for(std::chrono::duration<double>(g_cacheSeconds + 0.2));
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// With threads threads, what the scan's probe of each clip cannot do
// without, as the other benches' floors do.
double Floor(const std::string& folder, int threads, std::size_t& entries)
{
    const auto start = Clock::now();
    entries = ProbeFolder(folder, threads, ReadClip).nEntries;
    return SecondsSince(start);
}

double Scan(const std::string& recording, int workers, std::vector<RecordedFile>& rows, std::size_t* examined = nullptr)
{
    ScanControl control;
    SearchRequest request;
    request.pControl = &control;
    request.strDevice = "Cam1";
    request.strCategory = "Scheduled Recording";
    request.tSearchStart = CTime(2005, 1, 1, 0, 0, 0);
    request.tSearchEnd = CTime(2037, 12, 31, 23, 59, 0);
    request.nWorkers = workers;
    const auto start = Clock::now();
    rows = RunSearchIn(recording, request).aRows;
    const double seconds = SecondsSince(start);
    if (examined != nullptr)
        *examined = control.FilesExamined();
    return seconds;
}

bool SameRows(const std::vector<RecordedFile>& a, const std::vector<RecordedFile>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const RecordedFile& x, const RecordedFile& y) {
        return std::strcmp(x.szFileName, y.szFileName) == 0 && std::strcmp(x.szStartTime, y.szStartTime) == 0 &&
               std::strcmp(x.szDuration, y.szDuration) == 0 && x.tStart == y.tStart && x.tEnd == y.tEnd;
    });
}

} // namespace

int main(int argc, char** argv)
{
    int clips = 2000, runs = 3;
    double delayMs = 1, maxRatio = 1.1;
    bool sweep = false, keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--clips" && i + 1 < argc)
            clips = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--delay-ms" && i + 1 < argc)
            delayMs = std::max(0.0, std::atof(argv[++i]));
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--max-ratio" && i + 1 < argc)
            maxRatio = std::atof(argv[++i]);
        else if (arg == "--no-attr-cache")
            g_cacheSeconds = 0;
        else if (arg == "--sweep")
            sweep = true;
        else if (arg == "--keep")
            keep = true;
        else {
            std::fprintf(stderr,
                         "usage: %s [--clips N] [--delay-ms D] [--runs N] [--max-ratio R] [--no-attr-cache] [--sweep] "
                         "[--keep]\n",
                         argv[0]);
            return 2;
        }
    }
    g_delay = std::chrono::microseconds(static_cast<long>(delayMs * 1000));

    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/clipscout-slow-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 2;
    }
    const std::string root = pattern, source = root + "/source", mountpoint = root + "/mnt";
    std::filesystem::create_directories(mountpoint);
    const int scheduled = MakeStore(source, clips);

    // Before any thread of ours exists: the server is a process of its own.
    const pid_t server = Serve(source, mountpoint);
    if (server < 0) {
        std::fprintf(stderr, "cannot mount the slow store at %s (needs /dev/fuse and root)\n", mountpoint.c_str());
        std::filesystem::remove_all(root);
        return 2;
    }
    std::printf("store: %d ASF clips, %.2f ms per file-system call, names and attributes kept %.0f s, served by "
                "FUSE at %s\n\n",
                clips, delayMs, g_cacheSeconds, mountpoint.c_str());

    const std::string recording = mountpoint + "/rec";
    std::size_t entries = 0, examined = 0;
    std::vector<RecordedFile> serialRows, rows;
    const double serial = Scan(recording, 1, serialRows);
    bool ok = static_cast<int>(serialRows.size()) == scheduled;
    std::vector<double> floors, wideFloors, scans;
    const std::string wide = std::to_string(CategoryScan::kDefaultWorkers);
    std::printf("%-4s %9s %9s %9s %8s %8s %6s   (seconds; files the scan examined, rows it listed)\n", "run", "floor",
                ("floor" + wide).c_str(), "scan", "ratio", ("ratio" + wide).c_str(), "load");
    for (int run = 1; run <= runs; ++run) {
        // The server's threads are started by now, for the floor as for the scan.
        Pause();
        floors.push_back(Floor(recording + "/Cam1/Recording", 32, entries));
        Pause();
        wideFloors.push_back(Floor(recording + "/Cam1/Recording", CategoryScan::kDefaultWorkers, entries));
        Pause();
        scans.push_back(Scan(recording, CategoryScan::kDefaultWorkers, rows, &examined));
        ok = ok && entries == static_cast<std::size_t>(clips) && examined == entries && SameRows(rows, serialRows);
        std::printf("%-4d %9.3f %9.3f %9.3f %8.2f %8.2f %6.2f   (%zu files, %zu rows)\n", run, floors.back(),
                    wideFloors.back(), scans.back(), scans.back() / floors.back(), scans.back() / wideFloors.back(),
                    LoadAverage(), examined, rows.size());
        std::fflush(stdout);
    }
    const double floor = Median(floors), wideFloor = Median(wideFloors), scan = Median(scans);

    std::printf("\n%-28s %9s %9s\n", "medians", "seconds", "rows");
    std::printf("%-28s %9.3f %9zu\n", "floor (32 threads)", floor, entries);
    std::printf("floor (%d threads)           %9.3f %9zu\n", CategoryScan::kDefaultWorkers, wideFloor, entries);
    std::printf("%-28s %9.3f %9zu\n", "scan, 1 worker (one run)", serial, serialRows.size());
    std::printf("scan, %-3d workers (default) %9.3f %9zu\n", CategoryScan::kDefaultWorkers, scan, rows.size());
    if (sweep) {
        for (const int workers : {8, 16, 24, 48, 64, 96, 128}) {
            std::vector<RecordedFile> swept;
            Pause();
            const double seconds = Scan(recording, workers, swept);
            ok = ok && SameRows(swept, serialRows);
            std::printf("scan, %-3d workers           %9.3f %9zu\n", workers, seconds, swept.size());
        }
    }
    // Judged against the floor with as many requests in flight as the scan.
    const double ratio = wideFloor > 0 ? scan / wideFloor : 0.0;
    std::printf("\n1 worker / scan: %.1f   scan / floor: %.2f   scan / floor%d: %.2f (at most %.2f)\n",
                scan > 0 ? serial / scan : 0.0, floor > 0 ? scan / floor : 0.0, CategoryScan::kDefaultWorkers, ratio,
                maxRatio);

    Unmount(mountpoint, server);
    if (!keep)
        std::filesystem::remove_all(root);
    if (!ok)
        std::printf("FAILED: the scans listed different rows, or not the store's\n");
    if (maxRatio > 0 && ratio > maxRatio) {
        std::printf("FAILED: the scan took more than %.2f x the floor\n", maxRatio);
        ok = false;
    }
    return ok ? 0 : 1;
}
