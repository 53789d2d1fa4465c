// The store-at-a-glance benchmark, on a store of three cameras of --clips
// ASF clips each (100,000) and a fourth of --folder-clips (200,000), warm:
//   all cameras  the All Cameras page's search of the three: the time until
//                its first row is listed and until its last, against the sum
//                of the three cameras' own pages' searches (median of --runs);
//   calendar     the days with recordings of the fourth camera's folder, as
//                its page's calendars ask for them: the time, and the peak of
//                resident memory above what the process held before;
//   live update  the fourth camera's page listing all its rows: a clip
//                written into its folder, then one deleted, followed on a
//                local disk (change events) and as on a share (the listing
//                every --listing-ms): the time until the list shows each
//                change, and the longest pause of the window's event loop
//                from the write until then. And a look alone, off any
//                page: its first over the folder, and the next after a clip
//                was written (the listing, the new clip read, the rows made
//                again).
// With --fuse, first a check on a FUSE share (needs /dev/fuse and root): a
// camera's folder served by a passthrough file system, its page following it
// with the file-system check of the program and its listing period; a clip
// written into the served folder and one deleted there, by the server's side
// (as another machine writes to a share): the time until the list shows each.
//
//     clipscout-glance-bench [--clips N] [--folder-clips N] [--runs N] [--listing-ms N] [--fuse] [--counts-only]
//
// Exit status 1 when a list lacks a row or keeps one that went; 2 when a
// pause of the window reached 50 ms (not judged with --counts-only).

#include "BenchFigures.h"
#include "LoopWatch.h"
#include "SlowFuse.h"
#include "catalog/RecordingDays.h"
#include "catalog/RecordingNames.h"
#include "catalog/SearchRequest.h"
#include "platform/DetachedTask.h"
#include "platform/FileSystemKind.h"
#include "platform/ui/FolderWatch.h"
#include "search_page/CDlg.h"
#include "search_page/LiveListing.h"
#include "search_page/MyListCtrl.h"
#include "settings/CLoadUISetting.h"
#include "support/ClipBytes.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Clip i of a camera, five minutes after clip i - 1 from the first of 2006,
// each camera a minute after the one before, so that All Cameras interleaves
// them.
std::string AsfClip(int camera, int i)
{
    static const std::string header = clipbytes::AsfHeader({clipbytes::AsfFileProperties(2'400'000'000, 0)});
    const std::time_t start = 1136073600 + static_cast<std::time_t>(i) * 300 + camera * 60;
    const std::time_t end = start + 240;
    struct tm a = {}, b = {};
    ::gmtime_r(&start, &a);
    ::gmtime_r(&end, &b);
    // Room for any year the format could give; the text is 35 bytes.
    char trailer[128] = {};
    std::snprintf(trailer, sizeof trailer, "NC%04d/%02d/%02d %02d:%02d,%04d/%02d/%02d %02d:%02d", a.tm_year + 1900,
                  a.tm_mon + 1, a.tm_mday, a.tm_hour, a.tm_min, b.tm_year + 1900, b.tm_mon + 1, b.tm_mday, b.tm_hour,
                  b.tm_min);
    return header + std::string(64, 'Z') + clipbytes::Trailer(trailer);
}

std::string ClipName(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "Sr%07d.asf", i);
    return name;
}

void WriteClip(const std::string& folder, int camera, int i)
{
    std::ofstream(folder + "/" + ClipName(i), std::ios::binary) << AsfClip(camera, i);
}

struct Store {
    QTemporaryDir dir;
    std::string root = dir.path().toStdString();
    CLoadUISetting settings;

    std::string Folder(int camera) const { return root + "/store/Cam" + std::to_string(camera) + "/Recording"; }

    Store(int clips, int folderClips)
    {
        std::ofstream(root + "/Viewdeck.ini") << "[Directory]\nRecording=" << root << "/store\n";
        for (int camera = 1; camera <= 4; ++camera) {
            std::filesystem::create_directories(Folder(camera));
            for (int i = 0; i < (camera == 4 ? folderClips : clips); ++i)
                WriteClip(Folder(camera), camera, i);
        }
        settings = CLoadUISetting::Locate(root + "/clipscout");
    }
    ~Store()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

MyListCtrl& ListOf(CDlg& page)
{
    return *qobject_cast<MyListCtrl*>(page.GetDlgItem(1018));
}

void RunEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

// Until no work of the window runs off its thread: a page shown, or searched
// a while after its last search, finds its calendar's days meanwhile, which
// would take cores from the search measured next.
void Quiesce()
{
    const Clock::time_point start = Clock::now();
    while (DetachedTask::LiveThreads() != 0 && MillisecondsSince(start) < 300000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

// The page's search from its request to its last row; firstRowMs the time
// until its first row was in the list.
double Search(CDlg& page, double& firstRowMs)
{
    MyListCtrl& list = ListOf(page);
    const Clock::time_point start = Clock::now();
    firstRowMs = -1;
    const QMetaObject::Connection shown = QObject::connect(list.model(), &QAbstractItemModel::rowsInserted, [&] {
        if (firstRowMs < 0)
            firstRowMs = MillisecondsSince(start);
    });
    page.OnSearch();
    while (page.IsSearching())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(shown);
    const double ms = MillisecondsSince(start);
    Quiesce();
    return ms;
}

std::unique_ptr<CDlg> ShownPage(const Store& store, const std::string& caption, std::vector<std::string> devices = {})
{
    auto page = std::make_unique<CDlg>(caption, store.settings, std::move(devices));
    page->show();
    QApplication::processEvents();
    while (page->IsSearching())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Quiesce();
    return page;
}

struct AllCameras {
    int nListed = 0;
    int nExpected = 0;
    double firstRowMs = 0;
    double allRowsMs = 0;
    double singleSumMs = 0;
};

AllCameras MeasureAllCameras(const Store& store, int clips, int runs)
{
    AllCameras figures;
    figures.nExpected = 3 * clips;
    std::vector<double> first, all, sums;
    auto merged = ShownPage(store, "All Cameras", {"Cam1", "Cam2", "Cam3"});
    std::vector<std::unique_ptr<CDlg>> singles;
    for (int camera = 1; camera <= 3; ++camera)
        singles.push_back(ShownPage(store, "Cam" + std::to_string(camera)));
    for (int run = 0; run < runs; ++run) {
        double firstRow = 0;
        all.push_back(Search(*merged, firstRow));
        first.push_back(firstRow);
        double sum = 0;
        for (auto& page : singles)
            sum += Search(*page, firstRow);
        sums.push_back(sum);
    }
    figures.nListed = ListOf(*merged).GetItemCount();
    figures.firstRowMs = Median(first);
    figures.allRowsMs = Median(all);
    figures.singleSumMs = Median(sums);
    return figures;
}

// From /proc/self/status, in kB.
long StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

struct Calendar {
    std::size_t nDays = 0;
    double ms = 0;
    long peakKb = -1;
};

Calendar MeasureCalendar(const Store& store)
{
    Calendar figures;
    // The peak so far forgotten, so that the peak after is this work's.
    std::ofstream("/proc/self/clear_refs") << "5\n";
    const long before = StatusKb("VmRSS:");
    const Clock::time_point start = Clock::now();
    const std::string folder = store.Folder(4);
    figures.nDays = RecordingDays::Of({&folder, 1}, "Scheduled Recording", nullptr).size();
    figures.ms = MillisecondsSince(start);
    const long peak = StatusKb("VmHWM:");
    figures.peakKb = before < 0 || peak < 0 ? -1 : peak - before;
    return figures;
}

struct LiveUpdate {
    bool bAdded = false;
    bool bDropped = false;
    double addedMs = 0;
    double droppedMs = 0;
    double longestPauseMs = 0;
    double longestWaitedMs = 0;
};

// Waits, the loop watched, for the page's rows to become count, up to a
// minute; the time it took, or -1.
double AwaitCount(CDlg& page, int count, LoopWatch& watch)
{
    const Clock::time_point start = Clock::now();
    watch.Start();
    while (ListOf(page).GetItemCount() != count && MillisecondsSince(start) < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    const double ms = MillisecondsSince(start);
    // What the change costs the window after its rows are in: painting.
    RunEventsFor(100);
    watch.Stop();
    return ListOf(page).GetItemCount() == count ? ms : -1;
}

LiveUpdate MeasureLiveUpdate(const Store& store, int folderClips, bool share, int listingMs, int next)
{
    LiveUpdate figures;
    auto page = std::make_unique<CDlg>("Cam4", store.settings);
    if (share)
        page->UseShareCheck([](const std::string&) { return true; }, listingMs);
    page->show();
    QApplication::processEvents();
    while (page->IsSearching())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The watch set up, and its first look done.
    RunEventsFor(share ? listingMs + 3000 : 3000);
    Quiesce();
    const int listed = page->m_nFiles;

    LoopWatch watch;
    WriteClip(store.Folder(4), 4, next);
    figures.addedMs = AwaitCount(*page, listed + 1, watch);
    figures.bAdded = figures.addedMs >= 0;
    figures.longestPauseMs = watch.LongestMs();
    figures.longestWaitedMs = watch.LongestWaitedMs();

    std::filesystem::remove(store.Folder(4) + "/" + ClipName(folderClips / 2));
    figures.droppedMs = AwaitCount(*page, listed, watch);
    figures.bDropped = figures.droppedMs >= 0;
    if (watch.LongestMs() > figures.longestPauseMs) {
        figures.longestPauseMs = watch.LongestMs();
        figures.longestWaitedMs = watch.LongestWaitedMs();
    }
    // The folder as it was, for the next measure.
    std::filesystem::remove(store.Folder(4) + "/" + ClipName(next));
    WriteClip(store.Folder(4), 4, folderClips / 2);
    return figures;
}

// A camera's folder of a few clips served by FUSE from a folder of its own.
struct FuseStore {
    std::string root;
    std::string source;
    pid_t server = -1;
    CLoadUISetting settings;

    std::string SourceFolder() const { return source + "/store/Cam5/Recording"; }

    // Before any thread of the process starts: the server is a fork.
    FuseStore()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/clipscout-glance-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            return;
        root = pattern;
        source = root + "/source";
        std::filesystem::create_directories(SourceFolder());
        std::filesystem::create_directories(root + "/mnt");
        for (int i = 0; i < 3; ++i)
            WriteClip(SourceFolder(), 5, i);
        std::ofstream(root + "/Viewdeck.ini") << "[Directory]\nRecording=" << root << "/mnt/store\n";
        g_delay = std::chrono::microseconds(0);
        server = Serve(source, root + "/mnt");
    }
    ~FuseStore()
    {
        if (server > 0)
            Unmount(root + "/mnt", server);
        std::error_code ignored;
        if (!root.empty())
            std::filesystem::remove_all(root, ignored);
    }
};

struct FuseCheck {
    bool bShare = false;
    double addedMs = -1;
    double droppedMs = -1;
};

FuseCheck CheckFuse(FuseStore& store)
{
    FuseCheck figures;
    figures.bShare = FileSystemKind::IsShare(store.root + "/mnt/store/Cam5/Recording");
    store.settings = CLoadUISetting::Locate(store.root + "/clipscout");
    auto page = std::make_unique<CDlg>("Cam5", store.settings);
    page->show();
    QApplication::processEvents();
    while (page->IsSearching())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    RunEventsFor(1000);
    const int listed = page->m_nFiles;
    LoopWatch watch;
    WriteClip(store.SourceFolder(), 5, 3);
    figures.addedMs = AwaitCount(*page, listed + 1, watch);
    std::filesystem::remove(store.SourceFolder() + "/" + ClipName(0));
    figures.droppedMs = AwaitCount(*page, listed, watch);
    return figures;
}

struct Look {
    double firstMs = 0;
    double nextMs = 0;
    std::size_t nRows = 0;
};

Look MeasureLook(const Store& store, int next)
{
    Look figures;
    SearchRequest request;
    request.strDevice = "Cam4";
    request.strCategory = std::string(kCategoryScheduled);
    request.tSearchStart = CTime(2005, 1, 1, 0, 0, 0);
    request.tSearchEnd = CTime::GetCurrentTime();
    RecordedFileTable shown;
    const CTime began = CTime::GetCurrentTime();
    RunSearchIn(store.root + "/store", request, [&shown](const RecordedFile& row) { return shown.Append(row); });
    LiveListing listing({{store.Folder(4)}, {}, std::string(kCategoryScheduled), request.tSearchStart, began});
    Clock::time_point start = Clock::now();
    listing.Look(shown, request.tSearchEnd, {});
    figures.firstMs = MillisecondsSince(start);
    WriteClip(store.Folder(4), 4, next);
    start = Clock::now();
    const LiveListing::Update update = listing.Look(shown, CTime::GetCurrentTime(), {});
    figures.nextMs = MillisecondsSince(start);
    figures.nRows = update.bChanged ? update.rows.GetCount() : 0;
    std::filesystem::remove(store.Folder(4) + "/" + ClipName(next));
    return figures;
}

int ArgAfter(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    return fallback;
}

} // namespace

int main(int argc, char** argv)
{
    bool fuse = false;
    for (int i = 1; i < argc; ++i)
        fuse = fuse || std::strcmp(argv[i], "--fuse") == 0;
    std::unique_ptr<FuseStore> fuseStore;
    if (fuse)
        fuseStore = std::make_unique<FuseStore>();
    QApplication app(argc, argv);
    if (fuseStore != nullptr) {
        if (fuseStore->server < 0) {
            std::printf("FUSE share: cannot be served (needs /dev/fuse and root)\n");
            return 1;
        }
        const FuseCheck check = CheckFuse(*fuseStore);
        std::printf("FUSE share: taken for a share: %s; a clip written by the server's side listed after %.0f ms, "
                    "one deleted there dropped after %.0f ms (listing every %d ms)\n",
                    check.bShare ? "yes" : "no", check.addedMs, check.droppedMs, FolderWatch::kListingMs);
        if (!check.bShare || check.addedMs < 0 || check.droppedMs < 0)
            return 1;
    }
    const int clips = ArgAfter(argc, argv, "--clips", 100'000);
    const int folderClips = ArgAfter(argc, argv, "--folder-clips", 200'000);
    const int runs = std::max(1, ArgAfter(argc, argv, "--runs", 3));
    const int listingMs = ArgAfter(argc, argv, "--listing-ms", 5000);
    bool countsOnly = false;
    for (int i = 1; i < argc; ++i)
        countsOnly = countsOnly || std::strcmp(argv[i], "--counts-only") == 0;

    const Clock::time_point made = Clock::now();
    const Store store(clips, folderClips);
    std::printf("store: 3 cameras of %d clips and one of %d, written in %.1f s\n", clips, folderClips,
                MillisecondsSince(made) / 1000);

    // First, while the process holds little: memory freed by the pages
    // after would be taken again unseen by the resident peak.
    const Calendar calendar = MeasureCalendar(store);
    std::printf("calendar: %zu days of %d clips in %.0f ms, peak resident memory +%ld kB (%.1f bytes a clip) "
                "(load %.2f)\n",
                calendar.nDays, folderClips, calendar.ms, calendar.peakKb,
                static_cast<double>(calendar.peakKb) * 1024.0 / std::max(folderClips, 1), LoadAverage());

    const AllCameras all = MeasureAllCameras(store, clips, runs);
    std::printf("all cameras: %d of %d rows; first row %.0f ms, all rows %.0f ms; the three searches one by one "
                "%.0f ms (load %.2f)\n",
                all.nListed, all.nExpected, all.firstRowMs, all.allRowsMs, all.singleSumMs, LoadAverage());

    bool listsRight = all.nListed == all.nExpected && calendar.nDays > 0;
    bool paused = false;
    int next = folderClips;
    const Look look = MeasureLook(store, next++);
    std::printf("a look at %d files: the first %.0f ms, the next after a clip was written %.0f ms, giving %zu rows "
                "(load %.2f)\n",
                folderClips, look.firstMs, look.nextMs, look.nRows, LoadAverage());
    listsRight = listsRight && look.nRows == static_cast<std::size_t>(folderClips) + 1;
    for (const bool share : {false, true}) {
        const LiveUpdate live = MeasureLiveUpdate(store, folderClips, share, listingMs, next++);
        std::printf("live update (%s) on %d rows: added in %.0f ms, dropped in %.0f ms; longest event-loop pause "
                    "%.1f ms (%.1f of them waiting for a core) (load %.2f)\n",
                    share ? "as on a share, the listing" : "local disk, change events", folderClips, live.addedMs,
                    live.droppedMs, live.longestPauseMs, live.longestWaitedMs, LoadAverage());
        listsRight = listsRight && live.bAdded && live.bDropped;
        paused = paused || live.longestPauseMs >= 50;
    }
    if (!listsRight)
        return 1;
    return !countsOnly && paused ? 2 : 0;
}
