#include "search_page/BackgroundSearch.h"

#include "platform/ui/AsyncTask.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The search's threads, and the scan's that it starts (they inherit it), run
// below the window's priority: a scan of a large folder keeps dozens of them
// busy, and without this the window waited that long for a core.
constexpr int kSearchNice = 10;

} // namespace

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
        [request = std::move(request), control = m_pControl](std::stop_token) mutable {
            ::pthread_setname_np(::pthread_self(), "clipscout-find");
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kSearchNice);
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
