#pragma once

#include "catalog/RecordedFileTable.h"
#include "catalog/ScanControl.h"
#include "catalog/SearchRequest.h"

#include <QObject>

#include <memory>

class AsyncTask;

// A search page's category scan off the window's thread, so that the window
// keeps painting and answering while the store is read. The result comes
// back on the window's thread through Finished; a search that is stopped, or
// superseded by a newer one, never sends it. Nothing waits for a stopped
// scan: one stuck in a call of a silent share ends on its own later.
class BackgroundSearch : public QObject {
    Q_OBJECT

public:
    // Start gives each search a control of its own (pControl).
    using Request = SearchRequest;
    // The rows come in a compact table, built off the window's thread.
    struct Result : SearchResult {
        Request request;
        std::shared_ptr<const RecordedFileTable> pFiles = std::make_shared<const RecordedFileTable>();
    };

    explicit BackgroundSearch(QObject* parent = nullptr);

    // Starts a search; one still running is stopped first.
    void Start(Request request);
    void Stop();
    bool IsRunning() const;

    std::size_t FilesListed() const { return m_pControl->FilesListed(); }
    std::size_t FilesExamined() const { return m_pControl->FilesExamined(); }

    // The result of the search that just finished, for Finished's handler.
    Result TakeResult() { return std::move(m_result); }

signals:
    void Finished();

private:
    // A fresh one per search, shared with its scan, which may outlive us.
    std::shared_ptr<ScanControl> m_pControl;
    AsyncTask* m_pTask;
    Result m_result;
};
