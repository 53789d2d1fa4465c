#include "catalog/CategoryScan.h"

#include "catalog/ClipProbes.h"
#include "catalog/LocalZone.h"
#include "catalog/RecordingNames.h"
#include "catalog/ScanControl.h"
#include "catalog/ScanSeam.h"
#include "platform/AtomicWait.h"
#include "platform/CFile.h"
#include "platform/CFileFind.h"
#include "platform/DiagnosticLog.h"
#include "platform/FileHandle.h"
#include "platform/SystemErrorText.h"
#include "platform/ThisThread.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace {

enum class Pass { Snapshot, Asf, Avi };

// The folder's entries that the scan examines, in listing order: those of the
// first pass, then those of the second; kept as places in the listing, four
// bytes a file, rather than as copies or views of the names.
struct Listing {
    std::string folder;
    CFileFind find;
    std::vector<std::uint32_t> places;
    std::size_t nFirst = 0;
    Pass first = Pass::Asf;
    Pass second = Pass::Avi;

    std::size_t Count() const { return places.size(); }
    std::string_view Name(std::size_t i) const { return find.GetFileNameAt(places[i]); }
    // As the listing gave it (DT_*).
    unsigned char Type(std::size_t i) const { return find.GetFileTypeAt(places[i]); }
    Pass PassOf(std::size_t i) const { return i < nFirst ? first : second; }
};

// Lists the folder once for both passes.
void ListFolder(const std::string& folder, bool snapshots, const std::atomic<bool>* stop,
                const std::function<bool(std::string_view)>& only, Listing& listing)
{
    const std::string_view firstMask = snapshots ? "*.jpg" : "*.asf";
    const std::string_view secondMask = snapshots ? "*.bmp" : "*.avi";
    listing.folder = folder;
    listing.first = snapshots ? Pass::Snapshot : Pass::Asf;
    listing.second = snapshots ? Pass::Snapshot : Pass::Avi;
    errno = 0;
    listing.find.FindFile(folder, "*", stop);
    if (listing.find.GetFolderDescriptor() < 0 && errno != 0)
        DiagnosticLog::Write(DiagnosticLog::Topic::Search, "cannot list " + folder + ": " + SystemErrorText(errno));
    // Two looks at the names instead of a second list to append.
    const std::size_t count = listing.find.GetCount();
    listing.places.reserve(count);
    for (const std::string_view mask : {firstMask, secondMask}) {
        for (std::size_t i = 0; i < count; ++i)
            if (CFileFind::MatchesMask(listing.find.GetFileNameAt(i), mask) &&
                (!only || only(listing.find.GetFileNameAt(i))))
                listing.places.push_back(static_cast<std::uint32_t>(i));
        if (mask == firstMask)
            listing.nFirst = listing.places.size();
    }
    listing.places.shrink_to_fit();
}

// What one worker needs to examine files: its own probe buffers and file,
// so that a file costs no allocation and workers share nothing but the slots
// they fill, each its own. Files are opened and examined relative to the
// listed folder's descriptor, with one status call each.
class FileExaminer {
public:
    FileExaminer(const Listing& listing, const LocalZone& zone, std::string_view category, const CTime& searchStart,
                 const CTime& searchEnd)
        : m_listing(listing),
          m_zone(zone),
          m_nFolderFd(listing.find.GetFolderDescriptor()),
          m_category(category),
          m_searchStart(searchStart),
          m_searchEnd(searchEnd)
    { }

    // Fills row from the listing's file i; true when it is to be listed.
    bool Examine(std::size_t i, RecordedFile& row)
    {
        const std::string_view name = m_listing.Name(i);
        if (name.size() >= sizeof m_szName) {
            Skipped(name, "its name is too long");
            return false;
        }
        name.copy(m_szName, name.size());
        m_szName[name.size()] = '\0';
        bool keep = false;
        switch (m_listing.PassOf(i)) {
        case Pass::Snapshot:
            keep = Snapshot(name, row);
            break;
        case Pass::Asf:
            keep = Asf(name, m_listing.Type(i), row);
            break;
        case Pass::Avi:
            keep = Avi(name, m_listing.Type(i), row);
            break;
        }
        if (keep)
            row.idFolder = m_listing.find.GetFolderIdentity();
        return keep;
    }

private:
    bool Snapshot(std::string_view name, RecordedFile& row)
    {
        CFileStatus status;
        errno = 0;
        if (!CFile::GetStatusAt(m_nFolderFd, m_szName, status, row.idFile)) {
            Unreadable(name);
            return false;
        }
        const CTime taken = status.m_ctime;
        if (!IsInSearchRange(taken, m_searchStart, m_searchEnd))
            return false;
        CopyField(row.szFileName, name);
        row.szType[0] = '\0';
        m_zone.FormatRecordTimeField(row.szStartTime, taken);
        CopyField(row.szEndTime, row.szStartTime);
        row.tStart = taken;
        row.tEnd = taken;
        row.szDuration[0] = '\0';
        row.tRecorded = taken;
        row.nDurationSeconds = -1;
        row.nSize = status.m_size;
        return true;
    }

    bool Asf(std::string_view name, unsigned char type, RecordedFile& row)
    {
        CFileStatus status;
        errno = 0;
        if (!m_file.OpenAt(m_nFolderFd, m_szName, type, &status, &row.idFile)) {
            Unreadable(name);
            return false;
        }
        std::string_view startText, endText;
        std::int64_t seconds = 0;
        // Trailer first, then the header, whether or not the clip matches.
        const ClipProber::AsfResult probed = m_prober.ProbeAsf(m_file, startText, endText, seconds);
        m_file.Close();
        if (probed != ClipProber::AsfResult::Ok) {
            Skipped(name, probed == ClipProber::AsfResult::NoTrailer ? "no recorder's trailer with a start time"
                                                                     : "no File Properties Object in its header");
            return false;
        }
        CopyField(row.szFileName, name);
        CopyField(row.szType, name.substr(0, 2));
        CopyField(row.szStartTime, startText);
        CopyField(row.szEndTime, endText);
        FormatDurationField(row.szDuration, seconds);
        // The whole texts are read: the fields only keep what is shown.
        if (!Matches(name, startText, endText, row))
            return false;
        row.tRecorded = row.tStart + CTimeSpan(RecordTimeSeconds(startText));
        row.nDurationSeconds = seconds;
        row.nSize = status.m_size;
        return true;
    }

    bool Avi(std::string_view name, unsigned char type, RecordedFile& row)
    {
        CFileStatus status;
        errno = 0;
        if (!m_file.OpenAt(m_nFolderFd, m_szName, type, &status, &row.idFile)) {
            Unreadable(name);
            return false;
        }
        std::int64_t seconds = 0;
        const bool probed = m_prober.ProbeAvi(m_file, status.m_ctime, m_zone, row, seconds);
        m_file.Close();
        if (!probed || row.szStartTime[0] == '\0') {
            Skipped(name, probed ? "no start time in its header" : "no video stream in its header");
            return false;
        }
        CopyField(row.szFileName, name);
        CopyField(row.szType, name.substr(0, 2));
        if (!Matches(name, row.szStartTime, row.szEndTime, row))
            return false;
        row.tRecorded = status.m_ctime;
        row.nDurationSeconds = seconds;
        row.nSize = status.m_size;
        return true;
    }

    // The category first, as it costs least; then the row's times.
    bool Matches(std::string_view name, std::string_view startText, std::string_view endText, RecordedFile& row)
    {
        if (CategoryFromTypeCode(name) != m_category)
            return false;
        return m_zone.RecordTimes(startText, endText, row.tStart, row.tEnd) &&
               IsInSearchRange(row.tStart, m_searchStart, m_searchEnd);
    }

    void Skipped(std::string_view name, std::string_view reason) const
    {
        if (DiagnosticLog::IsOn(DiagnosticLog::Topic::Search))
            DiagnosticLog::Write(DiagnosticLog::Topic::Search,
                                 "skipped " + m_listing.folder + "/" + std::string(name) + ": " + std::string(reason));
    }

    // After a failed open or status call; errno is 0 when the entry was
    // refused for what it is rather than by the system.
    void Unreadable(std::string_view name) const
    {
        Skipped(name, errno != 0 ? SystemErrorText(errno) : "not a regular file");
    }

    const Listing& m_listing;
    const LocalZone& m_zone;
    const int m_nFolderFd;
    const std::string_view m_category;
    const CTime m_searchStart;
    const CTime m_searchEnd;
    ClipProber m_prober;
    FileHandle m_file;
    char m_szName[256];
};

// The stop request of the scan's control, and the sink's.
class StopFlags {
public:
    explicit StopFlags(ScanControl* control) : m_pControl(control) { }

    bool Stopped() const
    {
        return m_bSinkStopped.load(std::memory_order_relaxed) || (m_pControl != nullptr && m_pControl->IsCancelled());
    }
    void StopBySink() { m_bSinkStopped.store(true, std::memory_order_relaxed); }
    ScanControl* Control() const { return m_pControl; }

private:
    ScanControl* const m_pControl;
    std::atomic<bool> m_bSinkStopped{false};
};

// Examined files on their way from the workers, who finish them in any
// order, to the sink, which takes them in listing order. Every file's place
// is known from the listing, so a worker fills its own slot of a ring and
// marks it ready without a lock; the sink follows the slots in order and
// sleeps only on the very slot it needs, which the worker filling it then
// wakes. The ring bounds the memory: a worker does not start on a file a
// ring's length ahead of the next one the sink takes.
class OrderedRows {
public:
    explicit OrderedRows(std::size_t ring)
        : m_slots(ring), m_states(std::make_unique<std::atomic<std::uint32_t>[]>(ring)), m_nRing(ring), m_nLimit(ring)
    { }

    // Worker side: waits until file i has a slot, then returns it; null when
    // the scan stops meanwhile.
    RecordedFile* SlotFor(std::size_t i)
    {
        std::size_t limit = m_nLimit.load();
        if (limit != kStopped && i >= limit) {
            // Counted before looking again, so that the sink, which moves
            // the limit before it looks at the count, wakes this.
            m_nRoomWaiters.fetch_add(1);
            while ((limit = m_nLimit.load()) != kStopped && i >= limit)
                AtomicWait::Wait(m_nLimit, limit);
            m_nRoomWaiters.fetch_sub(1);
        }
        return limit == kStopped ? nullptr : &m_slots[i % m_nRing];
    }

    // Worker side: file i is examined; keep tells whether its slot holds a row.
    void Done(std::size_t i, bool keep)
    {
        std::atomic<std::uint32_t>& state = m_states[i % m_nRing];
        if (state.exchange(keep ? kKept : kDropped) == kAwaited)
            AtomicWait::WakeOne(state);
    }

    // Worker side: this worker takes no more files. The sink may be asleep
    // on a file that no worker is going to fill now, so it is woken to look.
    void WorkerLeaves()
    {
        m_nLeft.fetch_add(1);
        const std::size_t limit = m_nLimit.load();
        if (limit == kStopped)
            return;
        std::atomic<std::uint32_t>& state = m_states[(limit - m_nRing) % m_nRing];
        std::uint32_t awaited = kAwaited;
        if (state.compare_exchange_strong(awaited, kPending))
            AtomicWait::WakeOne(state);
    }

    // Sink side: hands files from the first on to sink, in order, up to
    // count, calling pause (if any) before it waits for a file; returns false
    // when the sink stops the scan or when every worker has left before the
    // files were done (a stopped scan).
    bool Deliver(std::size_t count, std::size_t workers, const RowSink& sink, const std::function<void()>& pause,
                 StopFlags& stop)
    {
        bool givenSincePause = false;
        for (std::size_t i = 0; i < count; ++i) {
            if (stop.Stopped())
                return false;
            std::atomic<std::uint32_t>& state = m_states[i % m_nRing];
            std::uint32_t s = state.load();
            if (s == kPending && pause && givenSincePause) {
                pause();
                givenSincePause = false;
            }
            while (s == kPending || s == kAwaited) {
                if (s == kPending && !state.compare_exchange_strong(s, kAwaited))
                    continue;
                // Announced before looking at who is left, so that a worker
                // leaving after this look wakes the sleep below.
                if (m_nLeft.load() >= workers || stop.Stopped()) {
                    s = kAwaited;
                    if (state.compare_exchange_strong(s, kPending))
                        return false;
                    continue;
                }
                AtomicWait::Wait(state, kAwaited);
                s = state.load();
            }
            if (s == kKept) {
                if (!sink(m_slots[i % m_nRing])) {
                    stop.StopBySink();
                    return false;
                }
                givenSincePause = true;
            }
            state.store(kPending, std::memory_order_relaxed);
            // The slot is free again once the limit has moved past it.
            m_nLimit.store(i + 1 + m_nRing);
            if (m_nRoomWaiters.load() > 0)
                AtomicWait::WakeAll(m_nLimit);
        }
        return true;
    }

    // Wakes the workers waiting for room, for a scan that ends.
    void Abandon()
    {
        m_nLimit.store(kStopped);
        AtomicWait::WakeAll(m_nLimit);
    }

private:
    // A slot's state: empty, empty with the sink asleep on it, or filled.
    static constexpr std::uint32_t kPending = 0, kAwaited = 1, kKept = 2, kDropped = 3;
    // No file is below this limit.
    static constexpr std::size_t kStopped = 0;

    std::vector<RecordedFile> m_slots;
    std::unique_ptr<std::atomic<std::uint32_t>[]> m_states;
    const std::size_t m_nRing;
    // One past the last file that has a slot: the sink's next file plus the
    // ring's length. Both sides store, then look at the other's (the limit,
    // the waiters; a state, who is left): sequentially consistent, so that a
    // wake-up is never lost.
    std::atomic<std::size_t> m_nLimit;
    std::atomic<std::size_t> m_nRoomWaiters{0};
    std::atomic<std::size_t> m_nLeft{0};
};

// What every way of scanning needs.
struct ScanJob {
    const Listing& listing;
    const LocalZone& zone;
    std::string_view category;
    CTime searchStart;
    CTime searchEnd;
    StopFlags& stop;
    const std::function<void()>& pause;

    FileExaminer Examiner() const { return FileExaminer(listing, zone, category, searchStart, searchEnd); }
};

bool ScanSerially(const ScanJob& job, const RowSink& sink)
{
    FileExaminer examiner = job.Examiner();
    ScanControl* const control = job.stop.Control();
    RecordedFile row{};
    bool givenSincePause = false;
    for (std::size_t i = 0; i < job.listing.Count(); ++i) {
        // Each file is a wait for the sink here.
        if (givenSincePause && job.pause) {
            job.pause();
            givenSincePause = false;
        }
        ScanSeam::BeforeFile(control, i);
        if (job.stop.Stopped())
            return false;
        const bool keep = examiner.Examine(i, row);
        if (control != nullptr)
            control->AddExamined(1);
        if (keep) {
            if (!sink(row))
                return false;
            givenSincePause = true;
        }
    }
    return true;
}

// Starts up to count threads running work; returns those it could start.
std::vector<std::thread> StartWorkers(std::size_t count, const std::function<void()>& work)
{
    std::vector<std::thread> workers;
    workers.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        try {
            workers.emplace_back([&work] {
                // Named, so that a debugger or a test can tell the scan's threads.
                ThisThread::SetName("clipscout-scan");
                work();
            });
        } catch (const std::system_error&) {
            break; // no more threads to be had: those running share the files
        }
    }
    return workers;
}

// Workers take chunks of consecutive files; the calling thread hands the
// rows to the sink in order.
bool ScanInParallel(const ScanJob& job, std::size_t threads, std::size_t chunk, const RowSink& sink)
{
    const std::size_t count = job.listing.Count();
    ScanControl* const control = job.stop.Control();
    // Room for every worker's chunk twice over, so that a slow file seldom
    // holds the others up; each slot is a whole row, so no more than that.
    OrderedRows rows(2 * threads * chunk);
    std::atomic<std::size_t> next{0};
    const std::function<void()> work = [&] {
        FileExaminer examiner = job.Examiner();
        for (;;) {
            const std::size_t first = next.fetch_add(chunk, std::memory_order_relaxed);
            for (std::size_t i = first; i < std::min(first + chunk, count); ++i) {
                ScanSeam::BeforeFile(control, i);
                RecordedFile* const slot = job.stop.Stopped() ? nullptr : rows.SlotFor(i);
                if (slot == nullptr) {
                    rows.WorkerLeaves();
                    return;
                }
                rows.Done(i, examiner.Examine(i, *slot));
                if (control != nullptr)
                    control->AddExamined(1);
            }
            if (first + chunk >= count) {
                rows.WorkerLeaves();
                return;
            }
        }
    };
    std::vector<std::thread> workers = StartWorkers(threads, work);
    if (workers.empty())
        return ScanSerially(job, sink);
    const bool complete = rows.Deliver(count, workers.size(), sink, job.pause, job.stop) && !job.stop.Stopped();
    rows.Abandon();
    for (std::thread& worker : workers)
        worker.join();
    return complete;
}

} // namespace

bool CategoryScan::Run(const std::string& folder, std::string_view category, const CTime& searchStart,
                       const CTime& searchEnd, const RowSink& sink, const Options& options)
{
    StopFlags stop(options.pControl);
    ScanControl* const control = options.pControl;

    // The whole listing first, so that the progress knows every file.
    Listing listing;
    ListFolder(folder, category == kCategorySnapShot, control != nullptr ? &control->CancelFlag() : nullptr,
               options.fnOnly, listing);
    if (stop.Stopped())
        return false;
    const std::size_t count = listing.Count();
    if (control != nullptr)
        control->SetListed(count);

    // Chunks of consecutive files, about four per worker so that a slow file
    // holds nobody up for long, and at most 16 so that a worker stays near
    // its neighbours on disk while the rows waiting for their turn (two
    // chunks a worker) take little memory.
    const std::size_t wanted = static_cast<std::size_t>(std::max(options.nWorkers, 1));
    const std::size_t chunk = std::clamp<std::size_t>(count / (wanted * 4), 1, 16);
    const std::size_t threads = std::min(wanted, (count + chunk - 1) / chunk);
    // The zone's rules once for the whole scan, read while no worker runs.
    const LocalZone zone(searchStart, searchEnd);
    const ScanJob job{listing, zone, category, searchStart, searchEnd, stop, options.fnPause};
    return threads <= 1 ? ScanSerially(job, sink) : ScanInParallel(job, threads, chunk, sink);
}
