#include "search_page/LiveListing.h"

#include "catalog/CategoryScan.h"
#include "catalog/RecordingNames.h"
#include "catalog/ScanControl.h"
#include "platform/CFile.h"
#include "platform/CFileFind.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// The scan looks at these alone; any other name is no row.
bool MayBeRecording(std::string_view name)
{
    for (const std::string_view mask : {"*.asf", "*.avi", "*.jpg", "*.bmp"})
        if (CFileFind::MatchesMask(name, mask))
            return true;
    return false;
}

// A few files at a time: a look examines only what changed.
constexpr int kLookWorkers = 8;

} // namespace

LiveListing::LiveListing(Search search) : m_search(std::move(search)), m_aListed(m_search.aFolders.size())
{ }

LiveListing::Update LiveListing::Look(const RecordedFileTable& shown, const CTime& searchEnd,
                                      const std::stop_token& stop)
{
    ScanControl control;
    std::atomic<bool> stopped{false};
    const std::stop_callback cancel(stop, [&] {
        stopped.store(true, std::memory_order_relaxed);
        control.Cancel();
    });
    const std::int64_t since = m_search.tBegan.GetTime() - kClockSlackSeconds;
    const std::size_t folders = m_search.aFolders.size();

    // Before the first look of a folder, the files its rows were read from
    // are as the search found them: only others written since are examined.
    std::vector<std::unordered_set<std::string_view>> read(folders);
    for (std::size_t i = 0; i < shown.GetCount(); ++i)
        if (const std::size_t d = shown.GetSource(i); d < folders && !m_aListed[d])
            read[d].insert(shown.GetFileName(i));

    // Each folder's listing, in its order; null where it could not be listed.
    std::vector<std::unique_ptr<CFileFind>> finds(folders);
    std::vector<std::optional<Stamps>> listed(folders);
    std::vector<std::unordered_set<std::string, NameHash, std::equal_to<>>> examined(folders);
    std::vector<std::vector<RecordedFile>> added(folders);
    bool changed = false;
    for (std::size_t d = 0; d < folders; ++d) {
        finds[d] = std::make_unique<CFileFind>();
        CFileFind& find = *finds[d];
        find.FindFile(m_search.aFolders[d], "*", &stopped);
        if (stopped.load(std::memory_order_relaxed))
            return {};
        if (find.GetFolderDescriptor() < 0) {
            // Its rows stay as they are, and need the sizes they had.
            if (!m_aListed[d])
                return {};
            listed[d] = m_aListed[d];
            finds[d] = nullptr;
            continue;
        }
        Stamps& now = listed[d].emplace();
        now.reserve(find.GetCount());
        for (std::size_t i = 0; i < find.GetCount(); ++i) {
            // Each status call may wait on a share that stopped answering.
            if (stopped.load(std::memory_order_relaxed))
                return {};
            const std::string_view name = find.GetFileNameAt(i);
            if (!MayBeRecording(name))
                continue;
            const std::string path(name);
            CFileStatus status;
            FileIdentity identity;
            if (!CFile::GetStatusAt(find.GetFolderDescriptor(), path.c_str(), status, identity) || status.m_bDirectory)
                continue;
            const Stamp stamp{status.m_size, status.m_mtime.GetTime(), status.m_ctime.GetTime()};
            bool fresh = false;
            if (m_aListed[d]) {
                const auto before = m_aListed[d]->find(path);
                fresh = before == m_aListed[d]->end() || !(before->second == stamp);
            } else {
                fresh = std::max(stamp.nModified, stamp.nBorn) >= since && !read[d].contains(name);
            }
            if (fresh)
                examined[d].insert(path);
            now.emplace(path, stamp);
        }
        if (examined[d].empty())
            continue;
        CategoryScan::Options options;
        options.nWorkers = kLookWorkers;
        options.pControl = &control;
        options.fnOnly = [&names = examined[d]](std::string_view name) { return names.contains(name); };
        const bool complete = CategoryScan::Run(
            m_search.aFolders[d], m_search.strCategory, m_search.tSearchStart, searchEnd,
            [&rows = added[d]](const RecordedFile& row) {
                rows.push_back(row);
                return true;
            },
            options);
        if (!complete)
            return {};
        changed = changed || !added[d].empty();
    }

    // Rows whose files went, or were examined again, leave.
    std::vector<std::size_t> kept;
    kept.reserve(shown.GetCount());
    for (std::size_t i = 0; i < shown.GetCount(); ++i) {
        const std::size_t d = shown.GetSource(i);
        const std::string_view name = shown.GetFileName(i);
        if (d < folders && (!listed[d]->contains(name) || examined[d].contains(name)))
            changed = true;
        else
            kept.push_back(i);
    }
    m_aListed = std::move(listed);
    if (!changed)
        return {};

    // Every kept file is listed: the look that dropped it from a listing
    // dropped its row too.
    const auto sizeOf = [&](std::size_t i) -> std::uint64_t {
        const std::size_t d = shown.GetSource(i);
        if (d >= folders)
            return 0;
        const auto it = m_aListed[d]->find(shown.GetFileName(i));
        return it != m_aListed[d]->end() ? it->second.nSize : 0;
    };
    // In the search's order: by folder, each in its listing's order, the
    // names of the scan's first pass before those of its second.
    std::vector<RecordedFileTable> tables(std::max<std::size_t>(folders, 1));
    std::vector<std::unordered_map<std::string_view, std::size_t>> keptAt(folders);
    for (const std::size_t i : kept) {
        const std::size_t d = shown.GetSource(i);
        if (d < folders && finds[d] != nullptr)
            keptAt[d].emplace(shown.GetFileName(i), i);
        else // not listed this time: as they were
            tables[std::min(d, tables.size() - 1)].AppendRowOf(shown, i, sizeOf(i));
    }
    const bool snapshots = m_search.strCategory == kCategorySnapShot;
    for (std::size_t d = 0; d < folders; ++d) {
        if (finds[d] == nullptr)
            continue;
        std::unordered_map<std::string_view, const RecordedFile*> addedAt;
        for (const RecordedFile& row : added[d])
            addedAt.emplace(row.szFileName, &row);
        for (const std::string_view mask : {snapshots ? "*.jpg" : "*.asf", snapshots ? "*.bmp" : "*.avi"}) {
            for (std::size_t j = 0; j < finds[d]->GetCount(); ++j) {
                const std::string_view name = finds[d]->GetFileNameAt(j);
                if (!CFileFind::MatchesMask(name, mask))
                    continue;
                if (const auto it = keptAt[d].find(name); it != keptAt[d].end())
                    tables[d].AppendRowOf(shown, it->second, sizeOf(it->second));
                else if (const auto row = addedAt.find(name); row != addedAt.end())
                    tables[d].Append(*row->second);
            }
        }
    }
    Update update;
    update.bChanged = true;
    update.rows =
        m_search.aSources.empty() ? std::move(tables.front()) : RecordedFileTable::Merged(tables, m_search.aSources);
    return update;
}
