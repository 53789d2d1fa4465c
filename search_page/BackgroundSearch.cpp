#include "search_page/BackgroundSearch.h"

#include <pthread.h>

BackgroundSearch::BackgroundSearch(QObject* parent) : QObject(parent), m_pControl(std::make_unique<ScanControl>())
{ }

BackgroundSearch::~BackgroundSearch()
{
    Stop();
}

void BackgroundSearch::Start(Request request)
{
    Stop();
    m_pControl = std::make_unique<ScanControl>();
    m_bRunning = true;
    const unsigned generation = ++m_nGeneration;
    m_thread = std::thread([this, request = std::move(request), control = m_pControl.get(), generation] {
        ::pthread_setname_np(::pthread_self(), "clipscout-find");
        Result result;
        result.request = request;
        result.request.pControl = control;
        static_cast<SearchResult&>(result) = RunSearch(result.request);
        if (control->IsCancelled())
            return;
        m_result = std::move(result);
        // The call carries nothing: what it needs goes through our own
        // atomic, which a thread checker sees, not through Qt's event queue.
        m_nDoneGeneration.store(generation, std::memory_order_release);
        QMetaObject::invokeMethod(this, "OnThreadDone", Qt::QueuedConnection);
    });
}

void BackgroundSearch::Stop()
{
    m_pControl->Cancel();
    if (m_thread.joinable())
        m_thread.join();
    m_bRunning = false;
}

std::size_t BackgroundSearch::FilesListed() const
{
    return m_pControl->FilesListed();
}

std::size_t BackgroundSearch::FilesExamined() const
{
    return m_pControl->FilesExamined();
}

void BackgroundSearch::OnThreadDone()
{
    // A search stopped, or followed by another, may still have posted this.
    if (!m_bRunning || m_nDoneGeneration.load(std::memory_order_acquire) != m_nGeneration)
        return;
    m_thread.join();
    m_bRunning = false;
    emit Finished();
}
