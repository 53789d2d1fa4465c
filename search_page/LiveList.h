#pragma once

#include "catalog/RecordedFileTable.h"
#include "platform/CTime.h"
#include "search_page/LiveListing.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class AsyncTask;

// A search page's live list off the window's thread: looks at the page's
// folders again when told (LiveListing), one look at a time, and hands back
// through Changed the rows that are to take the list's place when something
// came or went. A stopped look is let go of, never waited for, and what it
// knew goes with it: the next one starts afresh from the search.
class LiveList : public QObject {
    Q_OBJECT

public:
    // shown gives what the list shows as a look starts.
    LiveList(QObject* parent, std::function<std::shared_ptr<const RecordedFileTable>()> shown);

    // Follows the folders of the search whose rows the list now shows.
    void Follow(LiveListing::Search search);
    // Looks again at once, or when the look under way is done, up to the
    // range's end searchEnd.
    void Look(const CTime& searchEnd);
    // Stops the look under way; the next look compares with the last one
    // that ended (a page shown again sees what came while it was hidden).
    void Stop();

    // For Changed's handler: the rows to show, and the range's end they were
    // looked for up to.
    RecordedFileTable TakeRows() { return std::exchange(m_rows, {}); }
    const CTime& SearchEnd() const { return m_tSearchEnd; }

signals:
    void Changed();

private:
    std::function<std::shared_ptr<const RecordedFileTable>()> m_fnShown;
    AsyncTask* m_pTask;
    LiveListing::Search m_search;
    // What the looks know between them; with the look under way while it
    // runs, and lost with a look that is stopped.
    std::shared_ptr<LiveListing> m_pListing;
    // A look asked for while one runs.
    std::optional<CTime> m_tPendingEnd;
    RecordedFileTable m_rows;
    CTime m_tSearchEnd;
};
