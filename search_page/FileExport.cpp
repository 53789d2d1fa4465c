#include "search_page/FileExport.h"

#include "platform/FileCopier.h"
#include "platform/SystemErrorText.h"
#include "platform/ui/AsyncTask.h"
#include "platform/ui/MessageBoxSeam.h"
#include "platform/ui/QtDiagnosticLog.h"
#include "platform/ui/QtStrings.h"
#include "platform/ui/ShellLauncher.h"
#include "platform/ui/WindowPlacement.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSettings>

#include <algorithm>
#include <stop_token>
#include <string_view>

namespace {

using Result = FileCopier::Result;

constexpr auto kFolderKey = "Export/Folder";

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
    case Result::Same:
    case Result::Stopped:
        break;
    }
    return {};
}

std::string FileCount(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

// A state file that is there but no regular one (a FIFO no one writes, a
// device) would hold a worker for good.
bool Usable(const QString& file)
{
    const QFileInfo info(file);
    return !info.exists() || info.isFile();
}

// The camera whose files a category folder, recording/device/category,
// holds: a file of a page of several cameras comes with its own folder.
std::string CameraOfFolder(std::string_view folder)
{
    while (!folder.empty() && folder.back() == '/')
        folder.remove_suffix(1);
    const std::size_t category = folder.rfind('/');
    folder = folder.substr(0, category == std::string_view::npos ? 0 : category);
    return std::string(folder.substr(folder.rfind('/') + 1));
}

} // namespace

// Shared by the window's thread and the copying thread: the files, their
// names in the folder and the target are set before the copying starts and
// only read after; the progress is read while it runs.
struct FileExport::Job {
    std::vector<ListedFile> aFiles;
    // Empty for a file's own name.
    std::vector<std::string> aNames;
    // Of each file in the export's list.
    std::vector<std::size_t> aIndex;
    // The copies go beside other files of their names, named apart.
    bool bBeside = false;
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

// The window's thread's alone.
struct FileExport::Export {
    std::vector<ListedFile> aFiles;
    // The name each file has, or would have, in the folder, and the camera
    // it is named after beside another file of its name.
    std::vector<std::string> aNames;
    std::vector<std::string> aCameras;
    std::vector<FileCopier::Outcome> aOutcomes;
    std::string strTarget;
    int nOpenError = 0;
    bool bStopped = false;
};

FileExport::FileExport(QWidget* page, std::string camera, ShellLauncher& launcher)
    : QObject(page),
      m_pPage(page),
      m_launcher(launcher),
      m_strCamera(std::move(camera)),
      m_strStateFile(WindowPlacement::DefaultFile()),
      m_pTask(new AsyncTask(this)),
      m_pLoadFolder(new AsyncTask(this)),
      m_pSaveFolder(new AsyncTask(this))
{
    m_ticker.setInterval(100);
    connect(&m_ticker, &QTimer::timeout, this, &FileExport::OnTick);
}

FileExport::~FileExport() = default;

std::string FileExport::NameWithCamera(const std::string& name, const std::string& camera)
{
    // "Sr0001 (Cam1).asf", as file managers name a second file of a name; a
    // leading dot starts a hidden name, not an extension.
    const std::size_t dot = name.rfind('.');
    const std::size_t stem = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, stem) + " (" + camera + ")" + name.substr(stem);
}

void FileExport::Start(std::vector<ListedFile> files, const std::string& folder)
{
    if (m_bRunning) {
        if (m_pProgress != nullptr)
            m_pProgress->raise();
        return;
    }
    if (files.empty())
        return;
    m_bRunning = true;
    // The chooser opens where the last export went, in this run or an
    // earlier one, while that folder is there.
    m_pLoadFolder->Run(
        [file = m_strStateFile, last = m_strLastFolder](const std::stop_token&) {
            QString start;
            if (Usable(file))
                start = QSettings(file, QSettings::IniFormat).value(kFolderKey).toString();
            if (start.isEmpty() || !QFileInfo(start).isDir())
                start = ToQString(last);
            if (start.isEmpty() || !QFileInfo(start).isDir())
                start = QDir::homePath();
            return ToStdString(start);
        },
        [this, files = std::move(files), folder](const std::string& start) { Choose(files, folder, start); });
}

void FileExport::Choose(std::vector<ListedFile> files, const std::string& folder, const std::string& start)
{
    std::optional<std::string> target = m_chooseFolder(m_pPage, "Export to Folder", start);
    if (!target || target->empty()) {
        m_bRunning = false;
        return;
    }
    m_strLastFolder = *target;
    m_pSaveFolder->Run(
        [file = m_strStateFile, chosen = ToQString(*target)](const std::stop_token&) {
            if (Usable(file))
                QSettings(file, QSettings::IniFormat).setValue(kFolderKey, chosen);
            return true;
        },
        [](bool) {});

    m_export = std::make_unique<Export>();
    m_export->strTarget = *target;
    auto job = std::make_shared<Job>();
    for (ListedFile& file : files) {
        m_export->aCameras.push_back(file.strFolder.empty() ? m_strCamera : CameraOfFolder(file.strFolder));
        if (file.strFolder.empty())
            file.strFolder = folder;
        job->aIndex.push_back(job->aFiles.size());
        job->aFiles.push_back(file);
        job->aNames.emplace_back();
        m_export->aNames.push_back(file.strName);
    }
    m_export->aFiles = std::move(files);
    m_export->aOutcomes.assign(m_export->aFiles.size(), {Result::Stopped, 0});
    job->strTarget = std::move(*target);
    RunJob(job);
}

void FileExport::RunJob(const std::shared_ptr<Job>& job)
{
    m_job = job;
    job->copier.SetBeforeChunk(m_beforeChunk);
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
                copied.aOutcomes[i] = job->copier.Copy(job->aFiles[i], stop, job->aNames[i]);
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
    m_export->bStopped = m_export->bStopped || job->stop.stop_requested();
    if (m_export->nOpenError == 0)
        m_export->nOpenError = copied.nOpenError;
    std::vector<std::size_t> clashes;
    for (std::size_t i = 0; i < job->aIndex.size(); ++i) {
        m_export->aOutcomes[job->aIndex[i]] = copied.aOutcomes[i];
        if (copied.aOutcomes[i].result == Result::Exists)
            clashes.push_back(job->aIndex[i]);
    }
    if (!job->bBeside && !clashes.empty() && !m_export->bStopped) {
        AskToKeepBoth(clashes);
        return;
    }
    Report();
}

void FileExport::AskToKeepBoth(const std::vector<std::size_t>& clashes)
{
    const std::string& first = m_export->aNames[clashes.front()];
    const std::string& camera = m_export->aCameras[clashes.front()];
    const std::string renamed = NameWithCamera(first, camera);
    const bool oneCamera = std::ranges::all_of(clashes, [&](std::size_t i) { return m_export->aCameras[i] == camera; });
    const std::string cameras = oneCamera ? "\"" + camera + "\"" : std::string("each copy's camera");
    const std::string question = clashes.size() == 1
                                     ? "Another file named " + first + " is already in " + m_export->strTarget +
                                           ".\nKeep both, naming the copy " + renamed + "?"
                                     : std::to_string(clashes.size()) + " other files of the same names, such as " +
                                           first + ", are already in " + m_export->strTarget + ".\nKeep both, adding " +
                                           cameras + " to the names of the copies (" + renamed + ")?";
    if (!MessageBoxSeam::Ask(m_pPage, {question, "Keep Both", "Skip"})) {
        Report();
        return;
    }
    auto job = std::make_shared<Job>();
    for (const std::size_t i : clashes) {
        job->aIndex.push_back(i);
        job->aFiles.push_back(m_export->aFiles[i]);
        m_export->aNames[i] = NameWithCamera(m_export->aNames[i], m_export->aCameras[i]);
        job->aNames.push_back(m_export->aNames[i]);
    }
    job->strTarget = m_export->strTarget;
    job->bBeside = true;
    RunJob(job);
}

void FileExport::Report()
{
    const std::unique_ptr<Export> done = std::move(m_export);
    m_bRunning = false;
    const std::string& target = done->strTarget;
    if (done->nOpenError != 0) {
        qCDebug(lcExport, "nothing copied to %s: %s", target.c_str(), SystemErrorText(done->nOpenError).c_str());
        MessageBoxSeam::Show(m_pPage, "Nothing was copied to " + target + ": " + SystemErrorText(done->nOpenError));
        emit Finished();
        return;
    }
    std::size_t copied = 0;
    std::size_t there = 0;
    std::size_t failed = 0;
    std::string failures;
    for (std::size_t i = 0; i < done->aOutcomes.size(); ++i) {
        const FileCopier::Outcome& outcome = done->aOutcomes[i];
        if (outcome.result == Result::Copied)
            ++copied;
        else if (outcome.result == Result::Same)
            ++there;
        if (outcome.result == Result::Copied || outcome.result == Result::Same || outcome.result == Result::Stopped)
            continue;
        qCDebug(lcExport, "not copied %s/%s to %s/%s: %s", done->aFiles[i].strFolder.c_str(),
                done->aFiles[i].strName.c_str(), target.c_str(), done->aNames[i].c_str(), Reason(outcome).c_str());
        if (++failed <= kListedFailures)
            failures += "\n" + done->aNames[i] + ": " + Reason(outcome);
    }
    std::string text = done->bStopped ? "The export was stopped. " : "";
    text += FileCount(copied) + (copied == 1 ? " was" : " were") + " copied to " + target + ".";
    if (there > 0)
        text += there == 1 ? " 1 file was there already." : " " + std::to_string(there) + " files were there already.";
    if (failed == 0 && !done->bStopped) {
        if (MessageBoxSeam::Notify(m_pPage, {text, "Open Folder"}))
            OpenFolder(target);
        emit Finished();
        return;
    }
    if (failed > 0) {
        text += failed == 1 ? "\nThis file was not copied:" : "\nThese files were not copied:";
        text += failures;
        if (failed > kListedFailures)
            text += "\nand " + std::to_string(failed - kListedFailures) + " more";
    }
    MessageBoxSeam::Show(m_pPage, text);
    emit Finished();
}

void FileExport::OpenFolder(const std::string& folder)
{
    // A task of its own: the next export may start while the desktop opens
    // the folder.
    auto* task = new AsyncTask(this);
    task->Run([folder, &launcher = m_launcher](const std::stop_token&) { return launcher.Explore(folder); },
              [this, task](ShellLauncher::Result result) {
                  task->deleteLater();
                  if (result == ShellLauncher::Result::NoAssociation)
                      MessageBoxSeam::Show(m_pPage, "Unable to open the document");
              });
}
