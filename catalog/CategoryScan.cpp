#include "catalog/CategoryScan.h"

#include "catalog/ClipProbes.h"
#include "catalog/LocalTimeCache.h"
#include "catalog/RecordingNames.h"
#include "catalog/ScanControl.h"
#include "catalog/ScanSeam.h"
#include "platform/CFile.h"
#include "platform/CFileFind.h"

#include <algorithm>
#include <atomic>
#include <pthread.h>
#include <system_error>
#include <thread>

namespace {

std::string ResolvePiece(const std::string& parent, const std::string& name)
{
    if (!name.empty()) {
        std::string resolved = CFileFind::ResolveNoCase(parent, name);
        if (!resolved.empty())
            return resolved;
    }
    return parent + "/" + name;
}

enum class Pass { Snapshot, Asf, Avi };

// What one worker needs to examine files: its own probe buffers, time cache
// and path, so that a file costs no allocation and workers share nothing but
// the rows they fill, each its own.
class FileExaminer {
public:
    FileExaminer(const std::string& folder, std::string_view category, const CTime& searchStart, const CTime& searchEnd)
        : m_folder(folder), m_category(category), m_searchStart(searchStart), m_searchEnd(searchEnd)
    {
        m_path.reserve(m_folder.size() + 1 + 256);
    }

    // Fills row from the file called name; true when it is to be listed.
    bool Examine(Pass pass, std::string_view name, RecordedFile& row)
    {
        switch (pass) {
        case Pass::Snapshot:
            return Snapshot(name, row);
        case Pass::Asf:
            return Asf(name, row);
        case Pass::Avi:
            return Avi(name, row);
        }
        return false;
    }

private:
    bool Snapshot(std::string_view name, RecordedFile& row)
    {
        CFileStatus status;
        if (!CFile::GetStatus(PathOf(name), status))
            return false;
        const CTime taken = status.m_ctime;
        if (!IsInSearchRange(taken, m_searchStart, m_searchEnd))
            return false;
        CopyField(row.szFileName, name);
        row.szType[0] = '\0';
        FormatRecordTimeField(row.szStartTime, taken);
        CopyField(row.szEndTime, row.szStartTime);
        row.tStart = taken;
        row.tEnd = taken;
        row.szDuration[0] = '\0';
        return true;
    }

    bool Asf(std::string_view name, RecordedFile& row)
    {
        std::string_view startText, endText;
        std::int64_t seconds = 0;
        // Trailer first, then the header, whether or not the clip matches.
        if (m_prober.ProbeAsf(PathOf(name), startText, endText, seconds) != ClipProber::AsfResult::Ok)
            return false;
        CopyField(row.szFileName, name);
        CopyField(row.szType, name.substr(0, 2));
        CopyField(row.szStartTime, startText);
        CopyField(row.szEndTime, endText);
        FormatDurationField(row.szDuration, seconds);
        // The whole texts are read: the fields only keep what is shown.
        return Matches(name, startText, endText, row);
    }

    bool Avi(std::string_view name, RecordedFile& row)
    {
        if (!m_prober.ProbeAvi(PathOf(name), row) || row.szStartTime[0] == '\0')
            return false;
        CopyField(row.szFileName, name);
        CopyField(row.szType, name.substr(0, 2));
        return Matches(name, row.szStartTime, row.szEndTime, row);
    }

    const std::string& PathOf(std::string_view name)
    {
        m_path.assign(m_folder);
        m_path += '/';
        m_path += name;
        return m_path;
    }

    // ParseRecordTimes, then the range and the category, tested in the
    // cheapest order: a row is listed when its start parses and lies in range
    // and its category matches. A missing or unreadable end does not drop the
    // clip; tEnd then equals tStart.
    bool Matches(std::string_view name, std::string_view startText, std::string_view endText, RecordedFile& row)
    {
        if (CategoryFromTypeCode(name) != m_category)
            return false;
        const std::optional<CTime> start = m_times.ParseRecordTime(startText);
        if (!start || !IsInSearchRange(*start, m_searchStart, m_searchEnd))
            return false;
        row.tStart = *start;
        row.tEnd = m_times.ParseRecordTime(endText).value_or(*start);
        return true;
    }

    const std::string& m_folder;
    const std::string_view m_category;
    const CTime m_searchStart;
    const CTime m_searchEnd;
    ClipProber m_prober;
    LocalTimeCache m_times;
    std::string m_path;
};

// Lists mask in folder, appending the names (views into find) to names.
void List(CFileFind& find, const std::string& folder, std::string_view mask, const std::atomic<bool>* stop,
          std::vector<std::string_view>& names)
{
    bool more = find.FindFile(folder, mask, stop);
    while (more) {
        more = find.FindNextFile();
        names.push_back(find.GetFileName());
    }
}

} // namespace

std::string CategoryFolderPath(const std::string& recordingDir, const std::string& deviceFolder,
                               const std::string& categoryFolder)
{
    const std::string device = ResolvePiece(recordingDir, deviceFolder);
    if (categoryFolder.empty())
        return device;
    return ResolvePiece(device, categoryFolder);
}

bool CategoryScan::Run(const std::string& recordingDir, const std::string& deviceFolder, const std::string& category,
                       std::string& categoryFolder, const CTime& searchStart, const CTime& searchEnd,
                       std::vector<RecordedFile>& rows, const Options& options)
{
    const std::string_view mapped = CategoryFolder(category);
    if (!mapped.empty())
        categoryFolder.assign(mapped);
    if ((searchEnd - searchStart).GetTotalSeconds() < 0)
        return false;

    ScanControl* const control = options.pControl;
    const std::atomic<bool>* const stop = control != nullptr ? &control->CancelFlag() : nullptr;
    const auto stopped = [stop] { return stop != nullptr && stop->load(std::memory_order_relaxed); };

    // Both listings first, so that the progress knows every file; the rows
    // keep their order: every .asf row before every .avi row, every .jpg row
    // before every .bmp row.
    const std::string folder = CategoryFolderPath(recordingDir, deviceFolder, categoryFolder);
    const bool snapshots = category == kCategorySnapShot;
    const Pass firstPass = snapshots ? Pass::Snapshot : Pass::Asf;
    const Pass secondPass = snapshots ? Pass::Snapshot : Pass::Avi;
    CFileFind firstFind, secondFind;
    std::vector<std::string_view> names;
    List(firstFind, folder, snapshots ? "*.jpg" : "*.asf", stop, names);
    const std::size_t firstCount = names.size();
    List(secondFind, folder, snapshots ? "*.bmp" : "*.avi", stop, names);
    const std::size_t count = names.size();
    if (stopped())
        return true;
    if (control != nullptr)
        control->SetListed(count);

    // Each file gets its own slot, filled by whichever worker takes it; the
    // slots of files not listed are dropped afterwards, keeping the order.
    const std::size_t base = rows.size();
    rows.resize(base + count);
    std::vector<unsigned char> keep(count);

    // Chunks of consecutive files, about four per worker so that a slow file
    // holds nobody up for long, and at most 64 so that a worker stays within
    // a few hours of clips (its time cache) and near its neighbours on disk.
    const std::size_t workers = static_cast<std::size_t>(std::max(options.nWorkers, 1));
    const std::size_t chunk = std::clamp<std::size_t>(count / (workers * 4), 1, 64);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        FileExaminer examiner(folder, category, searchStart, searchEnd);
        for (;;) {
            const std::size_t first = next.fetch_add(chunk, std::memory_order_relaxed);
            if (first >= count)
                return;
            const std::size_t last = std::min(first + chunk, count);
            for (std::size_t i = first; i < last; ++i) {
                ScanSeam::BeforeFile(control);
                if (stopped())
                    return;
                keep[i] = examiner.Examine(i < firstCount ? firstPass : secondPass, names[i], rows[base + i]);
                if (keep[i]) {
                    const CFileFind& find = i < firstCount ? firstFind : secondFind;
                    rows[base + i].idFolder = find.GetFolderIdentity();
                    rows[base + i].idFile = find.IdentityOf(names[i], &rows[base + i].nSize);
                }
                if (control != nullptr)
                    control->AddExamined(1);
            }
        }
    };

    std::vector<std::thread> helpers;
    const std::size_t helperCount = std::min(workers, (count + chunk - 1) / chunk) - (count > 0 ? 1 : 0);
    helpers.reserve(helperCount);
    for (std::size_t i = 0; i < helperCount; ++i) {
        try {
            helpers.emplace_back([&work] {
                // Named, so that a debugger or a test can tell the scan's threads.
                ::pthread_setname_np(::pthread_self(), "clipscout-scan");
                work();
            });
        } catch (const std::system_error&) {
            break; // no more threads to be had: those running share the files
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();

    if (stopped()) {
        rows.resize(base);
        return true;
    }
    std::size_t kept = base;
    for (std::size_t i = 0; i < count; ++i) {
        if (!keep[i])
            continue;
        if (kept != base + i)
            rows[kept] = rows[base + i];
        ++kept;
    }
    rows.resize(kept);
    return true;
}

bool CategoryScan::Run(const std::string& recordingDir, const std::string& deviceFolder, const std::string& category,
                       std::string& categoryFolder, const CTime& searchStart, const CTime& searchEnd,
                       std::vector<RecordedFile>& rows)
{
    return Run(recordingDir, deviceFolder, category, categoryFolder, searchStart, searchEnd, rows, Options{});
}
