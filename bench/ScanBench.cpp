// The scan benchmark. Builds a synthetic recording store in a temporary folder
// (the clips' times spread over two years, as a real store's are) and times,
// with a warm cache, a full search of each category against the bare floor:
// listing the folder once and, per file, only the system calls the probes
// cannot do without, each file opened relative to the listed folder:
//   .asf  open, fstat (the size, to find the trailer), read the 50-byte
//         trailer, read the header's first 4 KiB, close;
//   .avi  open, fstat, read the first 8 KiB, close;
//   snapshot  statx.
// The floor is timed on one thread and on 32, the scan's number of requests
// in flight. It counts the allocations a scan makes (a replaced operator new)
// and reports them per file, with the rows' vector reserved beforehand so that
// its growth does not count. Target: scan <= 1.5 x the 32-thread floor, no
// allocation per file.
//
// --cold adds, where the page cache can be dropped (as root), cold-cache runs
// of two categories: the scan and a floor that makes the same reads with as
// many requests in flight as the scan, --runs times, taking turns at going
// first, then the scan with one worker once (target: median scan <= 1.1 x
// that floor).
//
//     clipscout-scan-bench [--asf N] [--avi N] [--snapshots N] [--runs N] [--workers N] [--max-ratio R]
//                          [--cold] [--keep]
//
// Every run is a row of the table, the scan and both floors in turn, with the
// CPU time of the scan and of the 32-thread floor and the load average when
// it ended; then the medians. Exit status 1 when a scan
// lists a different number of rows than the store holds, or when a median
// scan takes more than --max-ratio times the 32-thread floor (1.2 by default;
// 0 judges nothing): a time alone is never judged.

#include "BenchFigures.h"
#include "FolderProbe.h"
#include "catalog/RecordingNames.h"
#include "catalog/SearchRequest.h"
#include "support/ClipBytes.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

// ---- allocation counting ----------------------------------------------------

#if defined(__SANITIZE_ADDRESS__)
#define CLIPSCOUT_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CLIPSCOUT_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef CLIPSCOUT_COUNT_ALLOCATIONS
#define CLIPSCOUT_COUNT_ALLOCATIONS 1
#endif

namespace {

// The page's search of one category, its rows appended to rows.
void Search(const std::string& recording, const char* category, const CTime& searchStart, const CTime& searchEnd,
            int workers, std::vector<RecordedFile>& rows)
{
    SearchRequest request;
    request.strDevice = "Cam1";
    request.strCategory = category;
    request.tSearchStart = searchStart;
    request.tSearchEnd = searchEnd;
    request.nWorkers = workers;
    RunSearchIn(recording, request, [&rows](const RecordedFile& row) {
        rows.push_back(row);
        return true;
    });
}
// The scan's workers allocate too (their buffers, their threads).
std::atomic<std::size_t> g_allocations{0};
} // namespace

#if CLIPSCOUT_COUNT_ALLOCATIONS
void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
#endif

namespace {

// ---- the synthetic store ----------------------------------------------------

// ASF: Header Object (30) + File Properties Object (104), 1 KiB of packets,
// and the recorder's 50-byte trailer.
std::string AsfClip(int minute)
{
    static const std::string header = clipbytes::AsfHeader({clipbytes::AsfFileProperties(51000000, 3100)});
    const CTime start = CTime(2006, 1, 1, 0, 0, 0) + CTimeSpan(60LL * (minute * 7919LL % (2 * 365 * 24 * 60)));
    const CTime end = start + CTimeSpan(60);
    return header + std::string(1024, '\x5A') +
           clipbytes::Trailer("NC" + start.Format("%Y/%m/%d %H:%M:%S") + "," + end.Format("%Y/%m/%d %H:%M:%S"));
}

// AVI: RIFF AVI [LIST hdrl [avih] [LIST strl [strh vids 1/5 s, 10 frames] [strf]]] [LIST movi].
std::string AviClip()
{
    using namespace clipbytes;
    return Riff(
        {List("hdrl", {Avih(), Strl("vids", 1, 5, 0, 10)}), List("movi", {Chunk("00dc", std::string(1024, '\x01'))})});
}

void Write(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

struct Store {
    std::string root;      // the temporary folder
    std::string recording; // root + "/rec", the recording directory
    int scheduled = 0, instant = 0, motion = 0, snapshots = 0;
    int filesRecording = 0, filesMotion = 0;
};

// Recording: half the ASF and AVI clips, alternately "Sr" and "Ir";
// MotionDetection: the other half, "Md"; SnapShot: 90 % .jpg, 10 % .bmp.
Store MakeStore(int asf, int avi, int snapshots)
{
    Store store;
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/clipscout-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    store.root = pattern;
    store.recording = store.root + "/rec";
    const std::string device = store.recording + "/Cam1";
    for (const char* folder : {"Recording", "MotionDetection", "SnapShot"})
        std::filesystem::create_directories(device + "/" + folder);

    const std::string avi1 = AviClip();
    char name[64];
    for (int i = 0; i < asf; ++i) {
        const bool recording = i % 2 == 0;
        const char* code = recording ? ((i / 2) % 2 == 0 ? "Sr" : "Ir") : "Md";
        std::snprintf(name, sizeof name, "/%s/%s%08d.asf", recording ? "Recording" : "MotionDetection", code, i);
        Write(device + name, AsfClip(i));
        if (recording)
            ++(code[0] == 'S' ? store.scheduled : store.instant), ++store.filesRecording;
        else
            ++store.motion, ++store.filesMotion;
    }
    for (int i = 0; i < avi; ++i) {
        const bool recording = i % 2 == 0;
        const char* code = recording ? ((i / 2) % 2 == 0 ? "Sr" : "Ir") : "Md";
        std::snprintf(name, sizeof name, "/%s/%s%08d.avi", recording ? "Recording" : "MotionDetection", code, i);
        Write(device + name, avi1);
        if (recording)
            ++(code[0] == 'S' ? store.scheduled : store.instant), ++store.filesRecording;
        else
            ++store.motion, ++store.filesMotion;
    }
    for (int i = 0; i < snapshots; ++i) {
        std::snprintf(name, sizeof name, "/SnapShot/Cam1_%08d.%s", i, i % 10 == 9 ? "bmp" : "jpg");
        Write(device + name, "JFIF");
    }
    store.snapshots = snapshots;
    return store;
}

// ---- the floor -------------------------------------------------------------

// Per file only the system calls that its probe needs; false for a name the
// scan does not examine.
bool FloorFile(int folderFd, const char* name, bool snapshots, char (&buffer)[8192])
{
    if (!snapshots)
        return ReadClip(folderFd, name, buffer);
    if (!HasSuffix(name, ".jpg") && !HasSuffix(name, ".bmp"))
        return false;
    struct statx sx;
    ::statx(folderFd, name, AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME | STATX_SIZE | STATX_TYPE, &sx);
    return true;
}

std::size_t Floor(const std::string& folder, bool snapshots, int workers = 1)
{
    return ProbeFolder(folder, workers,
                       [snapshots](int folderFd, const char* name, char(&buffer)[8192]) {
                           return FloorFile(folderFd, name, snapshots, buffer);
                       })
        .nCounted;
}

// Empties the page cache; false when this process may not (it needs root).
bool DropCaches()
{
    ::sync();
    const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool dropped = ::write(fd, "3", 1) == 1;
    ::close(fd);
    return dropped;
}

// ---- timing ----------------------------------------------------------------

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// User and system time of this process's threads so far.
double CpuMilliseconds()
{
    struct rusage usage { };
    ::getrusage(RUSAGE_SELF, &usage);
    return 1000.0 * static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

struct Category {
    const char* text;
    const char* folder;
    int files;    // files the scan probes
    int expected; // rows it must list
};

} // namespace

int main(int argc, char** argv)
{
    int asf = 20000, avi = 2000, snapshots = 10000, runs = 5;
    bool keep = false, cold = false;
    int workers = CategoryScan::kDefaultWorkers;
    double maxRatio = 1.2;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return std::atoi(argv[++i]);
        };
        if (arg == "--asf")
            asf = value();
        else if (arg == "--avi")
            avi = value();
        else if (arg == "--snapshots")
            snapshots = value();
        else if (arg == "--runs")
            runs = std::max(1, value());
        else if (arg == "--keep")
            keep = true;
        else if (arg == "--cold")
            cold = true;
        else if (arg == "--workers")
            workers = std::max(1, value());
        else if (arg == "--max-ratio" && i + 1 < argc)
            maxRatio = std::atof(argv[++i]);
        else {
            std::fprintf(
                stderr,
                "usage: %s [--asf N] [--avi N] [--snapshots N] [--runs N] [--workers N] [--max-ratio R] [--cold] "
                "[--keep]\n",
                argv[0]);
            return 2;
        }
    }

    const auto built = Clock::now();
    const Store store = MakeStore(asf, avi, snapshots);
    std::printf("store: %d ASF, %d AVI, %d snapshots in %s (built in %.0f ms)\n", asf, avi, snapshots,
                store.root.c_str(), Milliseconds(Clock::now() - built));
    std::printf("timings: median of %d warm runs, scans with %d workers%s\n\n", runs, workers,
                CLIPSCOUT_COUNT_ALLOCATIONS ? "" : " (allocations not counted under a sanitizer)");

    const Category categories[] = {
        {"Scheduled Recording", "Recording", store.filesRecording, store.scheduled},
        {"Instant Recording", "Recording", store.filesRecording, store.instant},
        {"Motion Detection", "MotionDetection", store.filesMotion, store.motion},
        {"SnapShot", "SnapShot", store.snapshots, store.snapshots},
    };
    const CTime searchStart(2005, 1, 1, 0, 0, 0);
    const CTime searchEnd(2037, 12, 31, 23, 59, 0);

    // CPU times too: on a warm cache both are CPU-bound, and under other load
    // the time they spend on the processors varies less than the wall time.
    std::printf("%-20s %4s %9s %9s %9s %6s %9s %9s %6s\n", "category", "run", "scan ms", "floor ms", "floor32", "ratio",
                "scan cpu", "fl32 cpu", "load");
    std::vector<std::string> summary;
    bool ok = true;
    double worst = 0;
    for (const Category& c : categories) {
        const std::string folder = store.recording + "/Cam1/" + c.folder;
        std::vector<double> scanTimes, floorTimes, floor32Times;
        std::size_t rowsListed = 0, allocations = 0, allocationsUnreserved = 0;
        for (int run = -1; run < runs; ++run) { // run -1 warms the cache
            const auto f0 = Clock::now();
            const std::size_t floorFiles = Floor(folder, std::strcmp(c.text, "SnapShot") == 0);
            const auto f1 = Clock::now();
            const double c1 = CpuMilliseconds();
            Floor(folder, std::strcmp(c.text, "SnapShot") == 0, 32);
            const auto f2 = Clock::now();
            const double c2 = CpuMilliseconds();
            if (static_cast<int>(floorFiles) != c.files) {
                std::fprintf(stderr, "%s: floor saw %zu files, expected %d\n", c.text, floorFiles, c.files);
                ok = false;
            }

            std::vector<RecordedFile> rows;
            rows.reserve(static_cast<std::size_t>(c.expected));
            const std::size_t before = g_allocations;
            const double c3 = CpuMilliseconds();
            const auto s0 = Clock::now();
            Search(store.recording, c.text, searchStart, searchEnd, workers, rows);
            const auto s1 = Clock::now();
            const double c4 = CpuMilliseconds();
            allocations = g_allocations - before;
            rowsListed = rows.size();
            if (run >= 0) {
                floorTimes.push_back(Milliseconds(f1 - f0));
                floor32Times.push_back(Milliseconds(f2 - f1));
                scanTimes.push_back(Milliseconds(s1 - s0));
                std::printf("%-20s %4d %9.2f %9.2f %9.2f %6.2f %9.2f %9.2f %6.2f\n", c.text, run + 1, scanTimes.back(),
                            floorTimes.back(), floor32Times.back(), scanTimes.back() / floor32Times.back(), c4 - c3,
                            c2 - c1, LoadAverage());
                std::fflush(stdout);
            }
        }
        { // once more without reserving: the rows' own growth included
            std::vector<RecordedFile> rows;
            const std::size_t before = g_allocations;
            Search(store.recording, c.text, searchStart, searchEnd, workers, rows);
            allocationsUnreserved = g_allocations - before;
        }
        if (static_cast<int>(rowsListed) != c.expected) {
            std::printf("FAILED: %s listed %zu rows, expected %d\n", c.text, rowsListed, c.expected);
            ok = false;
        }
        const double scan = Median(scanTimes), floor = Median(floorTimes), floor32 = Median(floor32Times);
        const double ratio = floor32 > 0 ? scan / floor32 : 0;
        if (c.files > 0) // an empty folder's ratio says nothing
            worst = std::max(worst, ratio);
        char line[256];
        std::snprintf(line, sizeof line, "%-20s %6d %6zu %9.2f %9.2f %9.2f %6.2f %8.2f %5zu (%3zu) %11.4f\n", c.text,
                      c.files, rowsListed, scan, floor, floor32, ratio, c.files ? 1000.0 * scan / c.files : 0.0,
                      allocations, allocationsUnreserved, c.files ? static_cast<double>(allocations) / c.files : 0.0);
        summary.emplace_back(line);
    }
    std::printf("\nmedians (load %.2f)\n%-20s %6s %6s %9s %9s %9s %6s %8s %11s %11s\n", LoadAverage(), "category",
                "files", "rows", "scan ms", "floor ms", "floor32", "ratio", "us/file", "allocs", "allocs/file");
    for (const std::string& line : summary)
        std::fputs(line.c_str(), stdout);
    std::printf("\nworst ratio scan/floor32: %.2f (at most %.2f)\n", worst, maxRatio);
    if (maxRatio > 0 && worst > maxRatio) {
        std::printf("FAILED: a scan took more than %.2f x the 32-thread floor\n", maxRatio);
        ok = false;
    }
    std::printf("allocs: per scan with the rows reserved (in brackets: rows not reserved, their growth included)\n");

    // Cold: the page cache emptied before each run, the floor with as many
    // requests in flight as the scan.
    if (cold) {
        // The scan and the floor take turns at going first, so that neither
        // always meets the disk still busy with what ran before.
        std::printf("\ncold cache, %d runs: scan (%d workers) and floor with %d in flight taking turns at going first, "
                    "scan with 1 worker once\n",
                    runs, workers, workers);
        std::printf("%-20s %4s %6s %9s %9s %6s %6s\n", "category", "run", "files", "scan ms", "floor ms", "ratio",
                    "load");
        std::vector<std::string> coldSummary;
        for (const Category& c : {categories[0], categories[3]}) {
            const std::string folder = store.recording + "/Cam1/" + c.folder;
            const bool snapshotsFolder = std::strcmp(c.text, "SnapShot") == 0;
            const auto coldScan = [&](int nWorkers) {
                std::vector<RecordedFile> rows;
                if (!DropCaches())
                    return -1.0;
                const auto s0 = Clock::now();
                Search(store.recording, c.text, searchStart, searchEnd, nWorkers, rows);
                const double ms = Milliseconds(Clock::now() - s0);
                if (static_cast<int>(rows.size()) != c.expected) {
                    std::fprintf(stderr, "%s: cold scan listed %zu rows, expected %d\n", c.text, rows.size(),
                                 c.expected);
                    ok = false;
                }
                return ms;
            };
            const auto coldFloor = [&]() {
                if (!DropCaches())
                    return -1.0;
                const auto f0 = Clock::now();
                Floor(folder, snapshotsFolder, workers);
                return Milliseconds(Clock::now() - f0);
            };
            std::vector<double> scans, floors, ratios;
            for (int run = 0; run < runs; ++run) {
                const bool floorFirst = run % 2 == 1;
                const double before = floorFirst ? coldFloor() : coldScan(workers);
                const double after = floorFirst ? coldScan(workers) : coldFloor();
                const double scan = floorFirst ? after : before, floor = floorFirst ? before : after;
                if (scan < 0 || floor < 0)
                    break;
                scans.push_back(scan);
                floors.push_back(floor);
                ratios.push_back(floor > 0 ? scan / floor : 0.0);
                std::printf("%-20s %4d %6d %9.2f %9.2f %6.2f %6.2f%s\n", c.text, run + 1, c.files, scan, floor,
                            floor > 0 ? scan / floor : 0.0, LoadAverage(), floorFirst ? "  (floor first)" : "");
                std::fflush(stdout);
            }
            if (scans.empty()) {
                std::printf("skipped: the page cache cannot be dropped (needs root)\n");
                break;
            }
            const double serial = coldScan(1);
            const double scan = Median(scans), floor = Median(floors);
            char line[256];
            std::snprintf(line, sizeof line, "%-20s %6d %9.2f %9.2f %9.2f %6.2f %6.2f-%.2f\n", c.text, c.files, scan,
                          serial, floor, floor > 0 ? scan / floor : 0.0,
                          *std::min_element(ratios.begin(), ratios.end()),
                          *std::max_element(ratios.begin(), ratios.end()));
            coldSummary.emplace_back(line);
        }
        if (!coldSummary.empty()) {
            std::printf("\ncold medians (load %.2f)\n%-20s %6s %9s %9s %9s %6s %s\n", LoadAverage(), "category",
                        "files", "scan ms", "1-wkr ms", "floor ms", "ratio", "runs' ratios");
            for (const std::string& line : coldSummary)
                std::fputs(line.c_str(), stdout);
        }
        std::printf("target: scan <= 1.1 x floor\n");
    }

    if (!keep) {
        std::error_code ignored;
        std::filesystem::remove_all(store.root, ignored);
    }
    return ok ? 0 : 1;
}
