#include "search_page/FileExport.h"

#include "platform/FileCopier.h"
#include "platform/ui/FolderChooserSeam.h"
#include "platform/ui/MessageBoxSeam.h"
#include "platform/ui/QtDiagnosticLog.h"
#include "platform/ui/QtStrings.h"

#include <QDir>
#include <QProgressDialog>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <stop_token>
#include <thread>

namespace {

using Result = FileCopier::Result;

// The copying threads still running. The window's thread never waits for
// them; only the process's end gives them a moment to remove a partial copy,
// so that closing the window mid-copy leaves only whole files.
class RunningCopies {
public:
    static RunningCopies& Get()
    {
        // Never destroyed: a thread that outlives the wait at exit may still
        // come to say it ended.
        static RunningCopies* const running = [] {
            auto* made = new RunningCopies;
            std::atexit([] { Get().WaitAtExit(); });
            return made;
        }();
        return *running;
    }

    void Add()
    {
        const std::lock_guard lock(m_mutex);
        ++m_nRunning;
    }
    void Remove()
    {
        const std::lock_guard lock(m_mutex);
        --m_nRunning;
        m_ended.notify_all();
    }

private:
    void WaitAtExit()
    {
        std::unique_lock lock(m_mutex);
        m_ended.wait_for(lock, std::chrono::seconds(2), [this] { return m_nRunning == 0; });
    }

    std::mutex m_mutex;
    std::condition_variable m_ended;
    int m_nRunning = 0;
};

std::string Reason(const FileCopier::Outcome& outcome)
{
    switch (outcome.result) {
    case Result::Exists:
        return "a file of that name is already in the folder";
    case Result::Changed:
        return "the file has changed since the search";
    case Result::Short:
        return "the copy came out short and was removed";
    case Result::Failed:
        return std::strerror(outcome.nError);
    case Result::Copied:
    case Result::Stopped:
        break;
    }
    return {};
}

std::string FileCount(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

} // namespace

// Shared by the window's thread and the copying thread. The files and the
// target are set before the thread starts and only read after; the outcomes
// are handed over under the mutex.
struct FileExport::Job {
    std::vector<ListedFile> aFiles;
    std::string strTarget;
    std::stop_source stop;
    FileCopier copier;
    std::atomic<std::uint64_t> nTotalBytes{0};
    std::atomic<std::size_t> nCurrent{0};

    std::mutex mutex;
    // The export to tell when done; null once it is gone.
    FileExport* pOwner = nullptr;
    int nOpenError = 0;
    std::vector<FileCopier::Outcome> aOutcomes;
};

FileExport::FileExport(QWidget* page) : QObject(page), m_pPage(page)
{
    m_ticker.setInterval(100);
    connect(&m_ticker, &QTimer::timeout, this, &FileExport::OnTick);
}

FileExport::~FileExport()
{
    if (!m_job)
        return;
    m_job->stop.request_stop();
    const std::lock_guard lock(m_job->mutex);
    m_job->pOwner = nullptr;
}

void FileExport::Start(std::vector<ListedFile> files, const std::string& folder)
{
    if (m_job) {
        if (m_pProgress != nullptr)
            m_pProgress->raise();
        return;
    }
    if (files.empty())
        return;
    const std::string start = m_strLastFolder.empty() ? ToStdString(QDir::homePath()) : m_strLastFolder;
    std::optional<std::string> target = FolderChooserSeam::Choose(m_pPage, "Export to Folder", start);
    // The chooser's own events may have started another.
    if (!target || target->empty() || m_job)
        return;
    m_strLastFolder = *target;

    auto job = std::make_shared<Job>();
    job->aFiles = std::move(files);
    for (ListedFile& file : job->aFiles)
        file.strFolder = folder;
    job->strTarget = std::move(*target);
    job->pOwner = this;
    m_job = job;

    RunningCopies::Get().Add();
    std::thread([job] {
        ::pthread_setname_np(::pthread_self(), "clipscout-copy");
        const std::stop_token stop = job->stop.get_token();
        std::uint64_t total = 0;
        for (const ListedFile& file : job->aFiles)
            total += FileCopier::SizeOf(file);
        job->nTotalBytes.store(total, std::memory_order_relaxed);
        std::vector<FileCopier::Outcome> outcomes(job->aFiles.size(), {Result::Stopped, 0});
        const int openError = job->copier.Open(job->strTarget);
        for (std::size_t i = 0; openError == 0 && i < job->aFiles.size() && !stop.stop_requested(); ++i) {
            job->nCurrent.store(i, std::memory_order_relaxed);
            outcomes[i] = job->copier.Copy(job->aFiles[i], stop);
        }
        {
            const std::lock_guard lock(job->mutex);
            job->aOutcomes = std::move(outcomes);
            job->nOpenError = openError;
            // Under the lock: the export cannot go while this is posted to it,
            // and a post to an object that goes later is dropped unseen.
            if (job->pOwner != nullptr)
                QMetaObject::invokeMethod(job->pOwner, "OnCopied", Qt::QueuedConnection);
        }
        RunningCopies::Get().Remove();
    }).detach();

    m_clock.start();
    m_ticker.start();
}

void FileExport::Cancel()
{
    if (!m_job)
        return;
    m_job->stop.request_stop();
    if (m_pProgress != nullptr)
        m_pProgress->setLabelText(QStringLiteral("Stopping..."));
}

void FileExport::OnTick()
{
    if (!m_job || m_clock.elapsed() < kProgressDelayMs)
        return;
    if (m_pProgress == nullptr) {
        m_pProgress = new QProgressDialog(m_pPage);
        m_pProgress->setObjectName(QStringLiteral("exportProgress"));
        m_pProgress->setWindowTitle(QStringLiteral("Export to Folder"));
        m_pProgress->setAutoClose(false);
        m_pProgress->setAutoReset(false);
        m_pProgress->setRange(0, 1000);
        m_pProgress->setMinimumDuration(0);
        // The list keeps the keyboard: the page goes on while files copy.
        m_pProgress->setAttribute(Qt::WA_ShowWithoutActivating);
        connect(m_pProgress, &QProgressDialog::canceled, this, &FileExport::Cancel);
        m_pProgress->show();
    }
    if (m_job->stop.stop_requested())
        return;
    const std::size_t current = m_job->nCurrent.load(std::memory_order_relaxed);
    const std::size_t count = m_job->aFiles.size();
    m_pProgress->setLabelText(
        QStringLiteral("Copying %1 of %2 files to %3").arg(current + 1).arg(count).arg(ToQString(m_job->strTarget)));
    const std::uint64_t total = m_job->nTotalBytes.load(std::memory_order_relaxed);
    if (total > 0)
        m_pProgress->setValue(
            static_cast<int>(std::min<std::uint64_t>(m_job->copier.BytesCopied(), total) * 1000 / total));
}

void FileExport::OnCopied()
{
    const std::shared_ptr<Job> job = std::move(m_job);
    m_ticker.stop();
    if (m_pProgress != nullptr) {
        m_pProgress->deleteLater();
        m_pProgress = nullptr;
    }
    std::vector<FileCopier::Outcome> outcomes;
    int openError = 0;
    {
        // Taken after the thread has let go of it: what it left is ours now.
        const std::lock_guard lock(job->mutex);
        outcomes = std::move(job->aOutcomes);
        openError = job->nOpenError;
    }
    Report(*job, outcomes, openError);
    emit Finished();
}

void FileExport::Report(const Job& job, const std::vector<FileCopier::Outcome>& outcomes, int openError)
{
    if (openError != 0) {
        qCDebug(lcExport, "nothing copied to %s: %s", job.strTarget.c_str(), std::strerror(openError));
        MessageBoxSeam::Show(m_pPage, "Nothing was copied to " + job.strTarget + ": " + std::strerror(openError));
        return;
    }
    std::size_t copied = 0;
    std::size_t failed = 0;
    std::string failures;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const FileCopier::Outcome& outcome = outcomes[i];
        if (outcome.result == Result::Copied) {
            ++copied;
            continue;
        }
        if (outcome.result == Result::Stopped)
            continue;
        qCDebug(lcExport, "not copied %s/%s to %s: %s", job.aFiles[i].strFolder.c_str(), job.aFiles[i].strName.c_str(),
                job.strTarget.c_str(), Reason(outcome).c_str());
        if (++failed <= kListedFailures)
            failures += "\n" + job.aFiles[i].strName + ": " + Reason(outcome);
    }
    std::string text = job.stop.stop_requested() ? "The export was stopped. " : "";
    text += FileCount(copied) + (copied == 1 ? " was" : " were") + " copied to " + job.strTarget + ".";
    if (failed > 0) {
        text += failed == 1 ? "\nThis file was not copied:" : "\nThese files were not copied:";
        text += failures;
        if (failed > kListedFailures)
            text += "\nand " + std::to_string(failed - kListedFailures) + " more";
    }
    MessageBoxSeam::Show(m_pPage, text);
}
