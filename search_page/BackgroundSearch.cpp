#include "search_page/BackgroundSearch.h"

#include "catalog/DeviceSearches.h"
#include "platform/ThisThread.h"
#include "platform/ui/AsyncTask.h"

#include <algorithm>
#include <mutex>
#include <utility>

// Where the scan leaves its rows for the window's thread. The scan appends
// each row under the lock, and signals only when the rows were taken since
// its last signal, so that one queued call carries any number of rows.
struct BackgroundSearch::Channel {
    explicit Channel(BackgroundSearch* to) : pTo(to) { }

    std::mutex mutex;
    // Set by Stop, before the search that owns this goes: nothing is
    // signalled after that, so pTo lives whenever it is signalled.
    bool bClosed = false;
    bool bSignalled = false;
    std::optional<Result> start;
    RecordedFileTable rows;
    BackgroundSearch* const pTo;
};

BackgroundSearch::BackgroundSearch(QObject* parent)
    : QObject(parent),
      m_pControl(std::make_shared<ScanControl>()),
      m_pChannel(std::make_shared<Channel>(this)),
      m_pTask(new AsyncTask(this))
{
    connect(this, &BackgroundSearch::RowsWaiting, this, &BackgroundSearch::OnRowsWaiting, Qt::QueuedConnection);
    m_pace.setSingleShot(true);
    connect(&m_pace, &QTimer::timeout, this, &BackgroundSearch::HandOver);
}

BackgroundSearch::~BackgroundSearch()
{
    Stop();
}

bool BackgroundSearch::IsRunning() const
{
    return m_pTask->IsRunning();
}

void BackgroundSearch::Start(Request request)
{
    Stop();
    m_pControl = std::make_shared<ScanControl>();
    m_pChannel = std::make_shared<Channel>(this);
    m_sinceHandOver.invalidate();
    m_nHandOverMs = kHandOverMs;
    m_pTask->Run(
        [request = std::move(request), control = m_pControl, channel = m_pChannel](const std::stop_token&) mutable {
            ThisThread::SetName("clipscout-find");
            // With the scan's threads it starts: a scan of a large folder
            // keeps dozens of them busy, and the window waited for a core.
            ThisThread::RunInBackground();
            request.pControl = control.get();
            if (!request.aDevices.empty())
                return SearchDevices(std::move(request), *channel);
            Result result;
            static_cast<SearchResult&>(result) = RunSearch(
                request,
                [&channel](const RecordedFile& row) {
                    const std::lock_guard lock(channel->mutex);
                    if (channel->bClosed || !channel->rows.Append(row))
                        return false;
                    if (!std::exchange(channel->bSignalled, true))
                        emit channel->pTo->RowsWaiting();
                    return true;
                },
                [&channel, &request](const SearchResult& started) {
                    Result start;
                    static_cast<SearchResult&>(start) = started;
                    start.request = request;
                    const std::lock_guard lock(channel->mutex);
                    channel->start = std::move(start);
                });
            result.request = std::move(request);
            return result;
        },
        [this](Result result) {
            // The last rows were left before the scan returned.
            HandOver();
            m_result = std::move(result);
            emit Finished();
        });
}

BackgroundSearch::Result BackgroundSearch::SearchDevices(Request request, Channel& channel)
{
    // The scans stop through the request's control, so the rows need no lock
    // until they are merged.
    std::vector<RecordedFileTable> tables(request.aDevices.size());
    const std::vector<SearchResult> searched =
        DeviceSearches::Run(request, request.aDevices, [&tables](std::size_t device) -> RowSink {
            return [&table = tables[device]](const RecordedFile& row) { return table.Append(row); };
        });
    Result result;
    static_cast<SearchResult&>(result) = searched.front();
    // With no row current, the actions act in the recording directory.
    result.strDeviceFolderPath = result.strFolderPath = request.strRecordingDir;
    for (const SearchResult& device : searched) {
        result.aFolderPaths.push_back(device.strFolderPath);
        result.bComplete = result.bComplete && device.bComplete;
    }
    result.request = std::move(request);
    RecordedFileTable merged = RecordedFileTable::Merged(tables, result.request.aDevices);
    tables.clear();
    const std::lock_guard lock(channel.mutex);
    if (!channel.bClosed && merged.GetCount() != 0) {
        channel.start = result;
        channel.rows = std::move(merged);
        if (!std::exchange(channel.bSignalled, true))
            emit channel.pTo->RowsWaiting();
    }
    return result;
}

void BackgroundSearch::Stop()
{
    m_pControl->Cancel();
    m_pTask->Stop();
    m_pace.stop();
    // Freed here, after the lock: there may be many.
    RecordedFileTable late;
    {
        const std::lock_guard lock(m_pChannel->mutex);
        m_pChannel->bClosed = true;
        late = std::move(m_pChannel->rows);
    }
    m_arrival = {};
}

void BackgroundSearch::OnRowsWaiting()
{
    const qint64 since = m_sinceHandOver.isValid() ? m_sinceHandOver.elapsed() : m_nHandOverMs;
    if (since >= m_nHandOverMs)
        HandOver();
    else if (!m_pace.isActive())
        m_pace.start(static_cast<int>(m_nHandOverMs - since));
}

void BackgroundSearch::HandOver()
{
    m_pace.stop();
    Arrival taken;
    {
        const std::lock_guard lock(m_pChannel->mutex);
        // A signal of a search stopped meanwhile, or rows taken already.
        if (m_pChannel->bClosed || m_pChannel->rows.GetCount() == 0)
            return;
        m_pChannel->bSignalled = false;
        taken.rows = std::move(m_pChannel->rows);
        taken.start = std::exchange(m_pChannel->start, std::nullopt);
    }
    // Rows not yet taken by RowsArrived's handler are kept before these.
    if (m_arrival.rows.GetCount() == 0) {
        m_arrival = std::move(taken);
    } else {
        m_arrival.rows.Append(taken.rows);
        if (taken.start)
            m_arrival.start = std::move(taken.start);
    }
    m_sinceHandOver.start();
    emit RowsArrived();
    m_nHandOverMs = std::max<qint64>(kHandOverMs, kHandOverShare * m_sinceHandOver.elapsed());
}

BackgroundSearch::Arrival BackgroundSearch::TakeRows()
{
    return std::exchange(m_arrival, {});
}
