#include "search_page/FileActions.h"

#include "platform/ui/MessageBoxSeam.h"
#include "platform/ui/ShellLauncher.h"
#include "search_page/BackgroundTask.h"

#include <QPushButton>
#include <QShortcut>

#include <memory>

namespace {

// "name" for one file, "these n files" for several.
std::string NameOrCount(const std::vector<ListedFile>& files, const char* several)
{
    if (files.size() == 1)
        return files.front().strName;
    return std::string(several) + std::to_string(files.size()) + " files";
}

} // namespace

FileActions::FileActions(QWidget* page, QPushButton* undo)
    : QObject(page), m_pPage(page), m_wndUndo(undo), m_pTask(new BackgroundTask(this))
{
    // Shown only while there is something to undo.
    m_wndUndo->hide();
    connect(m_wndUndo, &QPushButton::clicked, this, &FileActions::UndoRequested);
    auto* shortcut = new QShortcut(QKeySequence::Undo, page);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, &FileActions::UndoRequested);
}

void FileActions::Play(const std::string& path)
{
    if (ShellLauncher::Instance().Open(path) == ShellLauncher::Result::NoAssociation)
        MessageBoxSeam::Show(m_pPage, "Unable to play ASF file");
}

void FileActions::Explore(const std::string& folder)
{
    if (ShellLauncher::Instance().Explore(folder) == ShellLauncher::Result::NoAssociation)
        MessageBoxSeam::Show(m_pPage, "Unable to open the document");
}

bool FileActions::IsBusy() const
{
    return m_pTask->IsRunning();
}

void FileActions::MoveToTrash(std::vector<ListedFile> files, std::string folder)
{
    if (IsBusy() || files.empty())
        return;
    m_aTrashed.clear();
    m_failures.Clear();
    Run(true, std::move(files), std::move(folder));
}

void FileActions::DeletePermanently(std::vector<ListedFile> files, std::string folder)
{
    if (IsBusy() || files.empty())
        return;
    if (!MessageBoxSeam::Ask(m_pPage, "Delete " + NameOrCount(files, "these ") + " permanently?"))
        return;
    m_aTrashed.clear();
    m_failures.Clear();
    Run(false, std::move(files), std::move(folder));
}

void FileActions::Run(bool bToTrash, std::vector<ListedFile> files, std::string folder)
{
    auto outcomes = std::make_shared<std::vector<FileOutcome>>();
    for (ListedFile& file : files)
        outcomes->push_back({std::move(file), {}, std::nullopt, {}});
    emit Started();
    m_pTask->Start(
        [outcomes, bToTrash, folder](std::stop_token stop) {
            for (FileOutcome& outcome : *outcomes) {
                if (stop.stop_requested())
                    return;
                outcome.file.strFolder = folder;
                outcome.result = bToTrash ? FileDeleter::MoveToTrash(outcome.file, outcome.trashed, outcome.strReason)
                                          : FileDeleter::DeletePermanently(outcome.file, outcome.strReason);
            }
        },
        [this, outcomes, bToTrash, folder] { Finish(bToTrash, *outcomes, folder); });
}

void FileActions::Finish(bool bToTrash, const std::vector<FileOutcome>& outcomes, std::string folder)
{
    std::vector<ListedFile> noTrash;
    for (const FileOutcome& outcome : outcomes) {
        if (!outcome.result)
            continue;
        if (*outcome.result == FileDeleter::Result::Done && bToTrash)
            m_aTrashed.push_back(outcome.trashed);
        else if (*outcome.result == FileDeleter::Result::NoTrash)
            noTrash.push_back(outcome.file);
        m_failures.AddDelete(outcome.file.strName, *outcome.result, bToTrash, outcome.strReason);
    }
    if (!noTrash.empty()) {
        const std::string question =
            noTrash.size() == 1
                ? noTrash.front().strName + " cannot be moved to the trash. Delete it permanently?"
                : std::to_string(noTrash.size()) + " files cannot be moved to the trash. Delete them permanently?";
        if (MessageBoxSeam::Ask(m_pPage, question)) {
            Run(false, std::move(noTrash), std::move(folder));
            return;
        }
    }
    EndDelete();
}

void FileActions::EndDelete()
{
    if (!m_failures.IsEmpty())
        MessageBoxSeam::Show(m_pPage, m_failures.Text());
    std::vector<TrashedFile> trashed = std::move(m_aTrashed);
    m_aTrashed.clear();
    m_failures.Clear();
    emit Done();
    // After Done: the search it starts would otherwise withdraw the offer.
    SetUndo(std::move(trashed));
}

void FileActions::SetUndo(std::vector<TrashedFile> files)
{
    m_aUndo = std::move(files);
    m_wndUndo->setVisible(!m_aUndo.empty());
}

void FileActions::Undo()
{
    if (m_aUndo.empty() || IsBusy())
        return;
    struct Restore {
        TrashedFile file;
        std::optional<FileDeleter::RestoreResult> result;
        std::string strReason;
    };
    auto restores = std::make_shared<std::vector<Restore>>();
    for (TrashedFile& file : m_aUndo)
        restores->push_back({std::move(file), std::nullopt, {}});
    SetUndo({});
    emit Started();
    m_pTask->Start(
        [restores](std::stop_token stop) {
            for (Restore& restore : *restores) {
                if (stop.stop_requested())
                    return;
                restore.result = FileDeleter::Restore(restore.file, restore.strReason);
            }
        },
        [this, restores] {
            DeleteReport failures("These files were not put back:");
            for (const Restore& restore : *restores) {
                const std::string& path = restore.file.strOriginalPath;
                if (restore.result)
                    failures.AddRestore(path.substr(path.rfind('/') + 1), *restore.result, restore.strReason);
            }
            if (!failures.IsEmpty())
                MessageBoxSeam::Show(m_pPage, failures.Text());
            emit Done();
        });
}
