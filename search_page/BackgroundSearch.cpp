#include "search_page/BackgroundSearch.h"

#include "platform/ThisThread.h"
#include "platform/ui/AsyncTask.h"

BackgroundSearch::BackgroundSearch(QObject* parent)
    : QObject(parent), m_pControl(std::make_shared<ScanControl>()), m_pTask(new AsyncTask(this))
{ }

bool BackgroundSearch::IsRunning() const
{
    return m_pTask->IsRunning();
}

void BackgroundSearch::Start(Request request)
{
    Stop();
    m_pControl = std::make_shared<ScanControl>();
    m_pTask->Run(
        [request = std::move(request), control = m_pControl](const std::stop_token&) mutable {
            ThisThread::SetName("clipscout-find");
            // With the scan's threads it starts: a scan of a large folder
            // keeps dozens of them busy, and the window waited for a core.
            ThisThread::RunInBackground();
            request.pControl = control.get();
            Result result;
            result.request = request;
            auto files = std::make_shared<RecordedFileTable>();
            static_cast<SearchResult&>(result) =
                RunSearch(request, [&files](const RecordedFile& row) { return files->Append(row); });
            result.pFiles = std::move(files);
            return result;
        },
        [this](Result result) {
            m_result = std::move(result);
            emit Finished();
        });
}

void BackgroundSearch::Stop()
{
    m_pControl->Cancel();
    m_pTask->Stop();
}
