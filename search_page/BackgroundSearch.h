#pragma once

#include "catalog/RecordedFileTable.h"
#include "catalog/ScanControl.h"
#include "catalog/SearchRequest.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class AsyncTask;

// A search page's category scan off the window's thread, so that the window
// keeps painting and answering while the store is read. Its rows come back
// on the window's thread while it runs, in its order, through RowsArrived,
// and its end through Finished; a search that is stopped, or superseded by a
// newer one, sends neither again, not even for rows already on their way.
// Nothing waits for a stopped scan: one stuck in a call of a silent share
// ends on its own later.
class BackgroundSearch : public QObject {
    Q_OBJECT

public:
    // Start gives each search a control of its own (pControl).
    struct Request : SearchRequest {
        // Searched at once instead of strDevice, their rows merged by
        // recorded time and handed on together when all are searched
        // (DeviceSearches); each row's device is its table's source.
        std::vector<std::string> aDevices;
    };
    // The search as it ends, or as it was known before its first row; its
    // rows come apart (Arrival).
    struct Result : SearchResult {
        Request request;
        // Of a search of aDevices: the folder each device's rows lie in.
        std::vector<std::string> aFolderPaths;
    };
    // Rows that came since the last TakeRows, in the search's order: a
    // compact table built off the window's thread, only copied here. start
    // comes with the search's first rows only.
    struct Arrival {
        std::optional<Result> start;
        RecordedFileTable rows;
    };

    // Rows are handed on at most this often, so that the rows of a large
    // store cost the window a short pause now and then rather than one per
    // row; the first rows go at once. Rows that take the window long to
    // show (merged into a long sorted list) wait longer, so that showing
    // them takes at most a fifth of its time.
    static constexpr int kHandOverMs = 25;
    static constexpr int kHandOverShare = 5;

    explicit BackgroundSearch(QObject* parent = nullptr);
    ~BackgroundSearch() override;

    // Starts a search; one still running is stopped first.
    void Start(Request request);
    void Stop();
    bool IsRunning() const;

    std::size_t FilesListed() const { return m_pControl->FilesListed(); }
    std::size_t FilesExamined() const { return m_pControl->FilesExamined(); }

    // For RowsArrived's handler.
    Arrival TakeRows();
    // The result of the search that just finished, for Finished's handler;
    // every row came before it.
    Result TakeResult() { return std::move(m_result); }

signals:
    void RowsArrived();
    void Finished();
    // From the scan's thread: rows wait in the channel. Queued to
    // OnRowsWaiting by a connection made here.
    void RowsWaiting();

private:
    struct Channel;

    // The work of a search of request.aDevices.
    static Result SearchDevices(Request request, Channel& channel);
    void OnRowsWaiting();
    // Takes the rows waiting in the channel and hands them on.
    void HandOver();

    // A fresh one per search, shared with its scan, which may outlive us.
    std::shared_ptr<ScanControl> m_pControl;
    std::shared_ptr<Channel> m_pChannel;
    AsyncTask* m_pTask;
    Result m_result;
    Arrival m_arrival;
    QTimer m_pace;
    QElapsedTimer m_sinceHandOver;
    // The least time from one hand-over to the next.
    qint64 m_nHandOverMs = kHandOverMs;
};
