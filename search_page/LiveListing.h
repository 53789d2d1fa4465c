#pragma once

#include "catalog/RecordedFileTable.h"
#include "platform/CTime.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Keeps a search's rows current between searches at the cost of a listing:
// each look lists the searched folders with a status per file, examines only
// the files that are new or whose size or times changed since the last look,
// and drops the rows of files that went. Before its first look it knows no
// sizes or times, only when the search that made the rows began: it examines
// the files written since (and a little before, for a share's clock that is
// behind ours) other than those the rows were read from.
//
// Used by one thread at a time; it reads the disk, so never the window's.
class LiveListing {
public:
    // What the rows were searched for.
    struct Search {
        // Folder d holds the rows of source d (a table that is not merged
        // has only source 0).
        std::vector<std::string> aFolders;
        // The sources' names in a merged table; empty for one that is not.
        std::vector<std::string> aSources;
        // One of the four categories, as the search resolved it.
        std::string strCategory;
        CTime tSearchStart;
        // When the search began, by this machine's clock.
        CTime tBegan;
    };
    // Files written this long before the search began are examined at the
    // first look: a share's clock may be behind ours.
    static constexpr std::int64_t kClockSlackSeconds = 600;

    explicit LiveListing(Search search);

    struct Update {
        // False when nothing came or went: rows is then empty.
        bool bChanged = false;
        RecordedFileTable rows;
    };
    // Lists the folders again. shown is what the list shows (the search's
    // rows or a look's), searchEnd the range's end now. A folder that cannot
    // be listed keeps its rows: a share that stops answering does not empty
    // the list. A stopped look returns no change.
    Update Look(const RecordedFileTable& shown, const CTime& searchEnd, const std::stop_token& stop);

private:
    struct Stamp {
        std::uint64_t nSize = 0;
        std::int64_t nModified = 0;
        std::int64_t nBorn = 0;
        bool operator==(const Stamp&) const = default;
    };
    // Names looked up by view, without a copy per lookup.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };
    using Stamps = std::unordered_map<std::string, Stamp, NameHash, std::equal_to<>>;

    Search m_search;
    // Each folder's files as its last look listed them, once it has had one.
    std::vector<std::optional<Stamps>> m_aListed;
};
