#pragma once

#include "catalog/ScanControl.h"
#include "catalog/SearchRequest.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>

// A search page's category scan on a thread of its own, so that the window
// keeps painting and answering while the store is read. The result comes
// back on the window's thread through Finished; a search that is stopped
// never sends it.
class BackgroundSearch : public QObject {
    Q_OBJECT

public:
    // Start gives each search a control of its own (pControl).
    using Request = SearchRequest;
    struct Result : SearchResult {
        Request request;
    };

    explicit BackgroundSearch(QObject* parent = nullptr);
    // Stops a running search.
    ~BackgroundSearch() override;
    BackgroundSearch(const BackgroundSearch&) = delete;
    BackgroundSearch& operator=(const BackgroundSearch&) = delete;

    // Starts a search; one still running is stopped first.
    void Start(Request request);
    // Stops a running search and waits for its threads, which end within one
    // file's reads; its Finished never comes.
    void Stop();
    bool IsRunning() const { return m_bRunning; }

    std::size_t FilesListed() const;
    std::size_t FilesExamined() const;

    // The result of the search that just finished, for Finished's handler.
    Result TakeResult() { return std::move(m_result); }

signals:
    void Finished();

private:
    Q_INVOKABLE void OnThreadDone();

    std::unique_ptr<ScanControl> m_pControl; // a fresh one per search
    std::thread m_thread;
    // Written by the search's thread, read after joining it.
    Result m_result;
    // Tells a search's completion from that of one stopped before it: the
    // thread of search m_nGeneration sets m_nDoneGeneration when it is done.
    unsigned m_nGeneration = 0;
    std::atomic<unsigned> m_nDoneGeneration{0};
    bool m_bRunning = false;
};
