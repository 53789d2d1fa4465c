// The result list benchmark. For each size it builds a store of that many ASF
// clips in a temporary folder, opens a search page on it and times, warm:
//   search  the Search button's whole request (scan, list fill, first paint);
//   scan    the category scan alone, for comparison;
//   fill    the list alone emptied, given the same rows and painted;
//   scroll  the list scrolled from the top to the bottom a page at a time,
//           painting every page.
// Each should grow in proportion to the row count. The per-row costs of the
// largest size are compared with those of the smallest.
//
// Then, on a store of --memory-rows clips (200,000; 0 leaves it out), what the
// window holds: the heap in use per row once a search has listed them all,
// its peak per row while a second search replaces them, the memory resident
// per row after each of three searches (steady when a search's table takes
// the room of the one before), the time each search took to show its first
// row, and the longest pause of the window's event loop during the searches
// (a timer ticking every 2 ms, from the search request to the rows laid out
// and painted).
//
//     clipscout-list-bench [--rows N,N,...] [--runs N] [--memory-rows N] [--counts-only]
//
// Exit status 1 when the list does not hold every clip or the scroll does not
// reach the last row; 2 when a per-row cost at the largest size is more than
// twice that at the smallest, or when the window holds more than 200 bytes a
// row, peaks above 1.2 times that or pauses for 50 ms or more (not judged with
// --counts-only).

#include "LoopWatch.h"
#include "catalog/SearchRequest.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "settings/CLoadUISetting.h"
#include "support/ClipBytes.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A header with its File Properties Object, a little data and the trailer.
std::string AsfClip(int index)
{
    static const std::string header = clipbytes::AsfHeader({clipbytes::AsfFileProperties(1'230'000'000, 0)});
    char trailer[50] = {};
    std::snprintf(trailer, sizeof trailer, "NC2006/%02d/%02d %02d:%02d,2006/%02d/%02d %02d:%02d", 1 + index % 12,
                  1 + index % 28, index % 24, index % 60, 1 + index % 12, 1 + index % 28, index % 24, index % 60);
    return header + std::string(64, 'Z') + clipbytes::Trailer(trailer);
}

struct Figures {
    int nRows = 0;
    int nListed = 0;
    bool bReachedBottom = false;
    double search = 1e300;
    double scan = 1e300;
    double fill = 1e300;
    double scroll = 1e300;
    long nPaintedRows = 0;
};

// Camera Cam1's empty Recording folder in dir, and the settings that name
// the store, read from now on.
std::string MakeStore(const QTemporaryDir& dir)
{
    const std::string root = dir.path().toStdString();
    std::string folder = root + "/store/Cam1/Recording";
    std::filesystem::create_directories(folder);
    std::ofstream(root + "/Viewdeck.ini") << "[Directory]\nRecording=" << root << "/store\n";
    return folder;
}

// The settings the store's page reads, its recording directory read.
CLoadUISetting StoreSettings(const QTemporaryDir& dir)
{
    CLoadUISetting settings = CLoadUISetting::Locate(dir.path().toStdString() + "/clipscout");
    return settings;
}

void WriteClips(const std::string& folder, int rows)
{
    for (int i = 0; i < rows; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Sr%06d.asf", i);
        std::ofstream(folder + "/" + name, std::ios::binary) << AsfClip(i);
    }
}

Figures Measure(int rows, int runs)
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string folder = MakeStore(dir);
    WriteClips(folder, rows);

    Figures figures;
    figures.nRows = rows;
    const CLoadUISetting uiSetting = StoreSettings(dir);
    CDlg page("Cam1", uiSetting);
    page.show();
    QApplication::processEvents();
    auto* list = qobject_cast<MyListCtrl*>(page.GetDlgItem(1018));
    long painted = 0;
    QObject::connect(list, &MyListCtrl::DrawItem, [&painted](QPainter*, int) { ++painted; });

    for (int run = 0; run < runs; ++run) {
        const Clock::time_point start = Clock::now();
        page.OnSearch();
        while (page.IsSearching())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        list->viewport()->repaint();
        figures.search = std::min(figures.search, MillisecondsSince(start));

        SearchRequest request;
        request.strDevice = "Cam1";
        request.strCategory = "Scheduled Recording";
        request.tSearchStart = CTime(2005, 1, 1, 0, 0, 0);
        request.tSearchEnd = CTime::GetCurrentTime();
        const Clock::time_point scanStart = Clock::now();
        const SearchResult found = RunSearchIn(root + "/store", request);
        figures.scan = std::min(figures.scan, MillisecondsSince(scanStart));

        const Clock::time_point fillStart = Clock::now();
        list->DeleteAllItems();
        list->SetItems(page.m_aFiles);
        // The view lays its rows out (and sizes its scroll bar) from the event
        // loop, as it does in the window.
        QApplication::processEvents();
        list->viewport()->repaint();
        figures.fill = std::min(figures.fill, MillisecondsSince(fillStart));

        QScrollBar* bar = list->verticalScrollBar();
        painted = 0;
        const Clock::time_point scrollStart = Clock::now();
        for (int value = 0;; value += bar->pageStep()) {
            bar->setValue(std::min(value, bar->maximum()));
            list->viewport()->repaint();
            if (value >= bar->maximum())
                break;
        }
        figures.scroll = std::min(figures.scroll, MillisecondsSince(scrollStart));
        figures.nPaintedRows = painted;
        const int lastTop = list->rowViewportPosition(list->GetItemCount() - 1);
        figures.bReachedBottom = lastTop >= 0 && lastTop + list->RowHeight() <= list->viewport()->height();
        bar->setValue(0);
    }
    figures.nListed = list->GetItemCount();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return figures;
}

// The process's resident memory, in bytes.
double Resident()
{
    std::ifstream statm("/proc/self/statm");
    double size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// Runs the window's event loop until the page's search has ended, its rows
// are laid out and a moment has passed for painting.
// Returns the time until the search ended, in milliseconds, and in firstRowMs
// the time until its first row was in the list.
double SearchAndSettle(CDlg& page, MyListCtrl& list, double* firstRowMs = nullptr)
{
    const Clock::time_point start = Clock::now();
    const QMetaObject::Connection shown =
        QObject::connect(list.model(), &QAbstractItemModel::rowsInserted, [&start, firstRowMs] {
            if (firstRowMs != nullptr && *firstRowMs < 0)
                *firstRowMs = MillisecondsSince(start);
        });
    if (firstRowMs != nullptr)
        *firstRowMs = -1;
    page.OnSearch();
    while (page.IsSearching())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double searched = MillisecondsSince(start);
    QObject::disconnect(shown);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    list.viewport()->repaint();
    return searched;
}

struct MemoryFigures {
    int nRows = 0;
    int nListed = 0;
    double steadyPerRow = 0;
    double peakPerRow = 0;
    double longestPauseMs = 0;
    double longestEndMs = 0;
    double longestWaitedMs = 0;
    double longestOwnMs = 0;
    double searchMs[3] = {};
    double firstRowMs[3] = {};
    double residentPerRow[3] = {};
};

MemoryFigures MeasureMemory(int rows)
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string folder = MakeStore(dir);

    // The page is opened on the empty folder, so that what it holds before
    // the first search (its controls, the window's backing store) is not
    // counted against the rows.
    MemoryFigures figures;
    figures.nRows = rows;
    const CLoadUISetting uiSetting = StoreSettings(dir);
    CDlg page("Cam1", uiSetting);
    page.show();
    auto* list = qobject_cast<MyListCtrl*>(page.GetDlgItem(1018));
    SearchAndSettle(page, *list);
    WriteClips(folder, rows);

    LoopWatch watch;
    const double before = HeapInUse();
    const double residentBefore = Resident();
    watch.Start();
    figures.searchMs[0] = SearchAndSettle(page, *list, &figures.firstRowMs[0]);
    watch.Stop();
    figures.residentPerRow[0] = (Resident() - residentBefore) / rows;
    figures.steadyPerRow = (HeapInUse() - before) / rows;
    figures.longestPauseMs = watch.LongestMs();
    figures.longestEndMs = watch.LongestEndMs();
    figures.longestWaitedMs = watch.LongestWaitedMs();
    figures.longestOwnMs = watch.LongestOwnMs();

    for (int again = 1; again < 3; ++again) {
        watch.Start();
        figures.searchMs[again] = SearchAndSettle(page, *list, &figures.firstRowMs[again]);
        watch.Stop();
        figures.residentPerRow[again] = (Resident() - residentBefore) / rows;
        figures.peakPerRow = std::max(figures.peakPerRow, (watch.PeakBytes() - before) / rows);
        if (watch.LongestMs() > figures.longestPauseMs) {
            figures.longestPauseMs = watch.LongestMs();
            figures.longestEndMs = watch.LongestEndMs();
            figures.longestWaitedMs = watch.LongestWaitedMs();
        }
        figures.longestOwnMs = std::max(figures.longestOwnMs, watch.LongestOwnMs());
    }
    figures.nListed = list->GetItemCount();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return figures;
}

std::vector<int> ParseSizes(const char* text)
{
    std::vector<int> sizes;
    for (const char* p = text; *p != '\0';) {
        sizes.push_back(std::atoi(p));
        p = std::strchr(p, ',');
        if (p == nullptr)
            break;
        ++p;
    }
    return sizes;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes = {5000, 10000, 20000};
    int runs = 3;
    int memoryRows = 200000;
    bool countsOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc)
            sizes = ParseSizes(argv[++i]);
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--memory-rows") == 0 && i + 1 < argc)
            memoryRows = std::max(0, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--counts-only") == 0)
            countsOnly = true;
        else {
            std::fprintf(stderr, "usage: %s [--rows N,N,...] [--runs N] [--memory-rows N] [--counts-only]\n", argv[0]);
            return 64;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::printf("%8s %10s %9s %9s %10s %12s %14s %14s\n", "rows", "search ms", "scan ms", "fill ms", "scroll ms",
                "rows painted", "fill us/row", "scroll us/row");
    std::vector<Figures> all;
    int status = 0;
    for (int rows : sizes) {
        const Figures f = Measure(rows, runs);
        all.push_back(f);
        std::printf("%8d %10.1f %9.1f %9.1f %10.1f %12ld %14.3f %14.3f\n", f.nRows, f.search, f.scan, f.fill, f.scroll,
                    f.nPaintedRows, 1000.0 * f.fill / f.nRows, 1000.0 * f.scroll / f.nRows);
        if (f.nListed != f.nRows || !f.bReachedBottom) {
            std::printf("  listed %d of %d rows, bottom %s\n", f.nListed, f.nRows,
                        f.bReachedBottom ? "reached" : "not reached");
            status = 1;
        }
    }

    bool memoryOver = false;
    if (memoryRows > 0) {
        const MemoryFigures m = MeasureMemory(memoryRows);
        std::printf("%d rows: the window holds %.0f bytes a row, %.0f at its peak while another search replaces "
                    "them (x%.2f)\n  resident bytes a row after each of three searches: %.0f, %.0f, %.0f\n"
                    "  first row shown after %.0f, %.0f and %.0f ms of searches of %.0f, %.0f and %.0f ms\n"
                    "  longest event-loop pause %.1f ms (%.1f of them waiting for a core), ending %.0f ms "
                    "after its search began; longest without the waits %.1f ms\n",
                    m.nRows, m.steadyPerRow, m.peakPerRow, m.peakPerRow / m.steadyPerRow, m.residentPerRow[0],
                    m.residentPerRow[1], m.residentPerRow[2], m.firstRowMs[0], m.firstRowMs[1], m.firstRowMs[2],
                    m.searchMs[0], m.searchMs[1], m.searchMs[2], m.longestPauseMs, m.longestWaitedMs, m.longestEndMs,
                    m.longestOwnMs);
        if (m.nListed != m.nRows) {
            std::printf("  listed %d of %d rows\n", m.nListed, m.nRows);
            status = 1;
        }
        memoryOver = m.steadyPerRow > 200 || m.peakPerRow > 1.2 * 200 || m.longestPauseMs >= 50;
    }
    if (countsOnly || status != 0)
        return status;
    if (all.size() < 2)
        return memoryOver ? 2 : 0;

    const Figures& small = all.front();
    const Figures& large = all.back();
    auto perRow = [](double ms, int rows) { return ms / rows; };
    const double searchGrowth = perRow(large.search, large.nRows) / perRow(small.search, small.nRows);
    const double fillGrowth = perRow(large.fill, large.nRows) / perRow(small.fill, small.nRows);
    const double scrollGrowth = perRow(large.scroll, large.nRows) / perRow(small.scroll, small.nRows);
    std::printf("per-row cost at %d rows over %d rows: search x%.2f, fill x%.2f, scroll x%.2f (linear: about 1)\n",
                large.nRows, small.nRows, searchGrowth, fillGrowth, scrollGrowth);
    return searchGrowth > 2.0 || fillGrowth > 2.0 || scrollGrowth > 2.0 || memoryOver ? 2 : 0;
}
