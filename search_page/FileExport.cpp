#include "search_page/FileExport.h"

#include "platform/FileCopier.h"
#include "platform/SystemErrorText.h"
#include "platform/ui/AsyncTask.h"
#include "platform/ui/FolderChooserSeam.h"
#include "platform/ui/MessageBoxSeam.h"
#include "platform/ui/QtDiagnosticLog.h"
#include "platform/ui/QtStrings.h"

#include <QDir>
#include <QProgressDialog>

#include <stop_token>

namespace {

using Result = FileCopier::Result;

std::string Reason(const FileCopier::Outcome& outcome)
{
    switch (outcome.result) {
    case Result::Exists:
        return "a file of that name is already in the folder";
    case Result::Changed:
        return "the file has changed since the search";
    case Result::Short:
        return "the copy came out short and was removed";
    case Result::NoSafeName:
        return "the folder's file system cannot name the copy without the risk of replacing a file";
    case Result::Failed:
        return SystemErrorText(outcome.nError);
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

// Shared by the window's thread and the copying thread: the files and the
// target are set before the copying starts and only read after; the progress
// is read while it runs.
struct FileExport::Job {
    std::vector<ListedFile> aFiles;
    std::string strTarget;
    // Cancel's: unlike the task's own stop, the report still comes.
    std::stop_source stop;
    FileCopier copier;
    std::atomic<std::uint64_t> nTotalBytes{0};
    std::atomic<std::size_t> nCurrent{0};
};

struct FileExport::Copied {
    int nOpenError = 0;
    std::vector<FileCopier::Outcome> aOutcomes;
};

FileExport::FileExport(QWidget* page) : QObject(page), m_pPage(page), m_pTask(new AsyncTask(this))
{
    m_ticker.setInterval(100);
    connect(&m_ticker, &QTimer::timeout, this, &FileExport::OnTick);
}

FileExport::~FileExport() = default;

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
    m_job = job;

    // The page going stops the task, and with it the copy in hand.
    m_pTask->Run(
        [job](const std::stop_token& taskStop) {
            const std::stop_callback stopCopying(taskStop, [job] { job->stop.request_stop(); });
            const std::stop_token stop = job->stop.get_token();
            std::uint64_t total = 0;
            for (const ListedFile& file : job->aFiles)
                total += FileCopier::SizeOf(file);
            job->nTotalBytes.store(total, std::memory_order_relaxed);
            Copied copied;
            copied.aOutcomes.assign(job->aFiles.size(), {Result::Stopped, 0});
            copied.nOpenError = job->copier.Open(job->strTarget);
            for (std::size_t i = 0; copied.nOpenError == 0 && i < job->aFiles.size() && !stop.stop_requested(); ++i) {
                job->nCurrent.store(i, std::memory_order_relaxed);
                copied.aOutcomes[i] = job->copier.Copy(job->aFiles[i], stop);
            }
            return copied;
        },
        [this](const Copied& copied) { OnCopied(copied); });

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

void FileExport::OnCopied(const Copied& copied)
{
    const std::shared_ptr<Job> job = std::move(m_job);
    m_ticker.stop();
    if (m_pProgress != nullptr) {
        m_pProgress->deleteLater();
        m_pProgress = nullptr;
    }
    Report(*job, copied.aOutcomes, copied.nOpenError);
    emit Finished();
}

void FileExport::Report(const Job& job, const std::vector<FileCopier::Outcome>& outcomes, int openError)
{
    if (openError != 0) {
        qCDebug(lcExport, "nothing copied to %s: %s", job.strTarget.c_str(), SystemErrorText(openError).c_str());
        MessageBoxSeam::Show(m_pPage, "Nothing was copied to " + job.strTarget + ": " + SystemErrorText(openError));
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
