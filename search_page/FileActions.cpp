#include "search_page/FileActions.h"

#include "platform/ui/AsyncTask.h"
#include "platform/ui/MessageBoxSeam.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

namespace {

// "name" for one file, "these n files" for several.
std::string NameOrCount(const std::vector<ListedFile>& files, const char* several)
{
    if (files.size() == 1)
        return files.front().strName;
    return std::string(several) + std::to_string(files.size()) + " files";
}

bool AskToDeletePermanently(QWidget* page, std::string question)
{
    return MessageBoxSeam::Ask(page, {std::move(question), "Delete Permanently", "Cancel"});
}

} // namespace

FileActions::FileActions(QWidget* page, QPushButton* undo, ShellLauncher& launcher, TrashCan* trash)
    : QObject(page), m_pPage(page), m_wndUndo(undo), m_launcher(launcher), m_pTrash(trash), m_pTask(new AsyncTask(this))
{
    // Shown only while there is something to undo.
    m_wndUndo->hide();
    connect(m_wndUndo, &QPushButton::clicked, this, &FileActions::UndoRequested);
    m_pUndoShortcut = new QShortcut(QKeySequence::Undo, page);
    m_pUndoShortcut->setContext(Qt::WindowShortcut);
    m_pUndoShortcut->setEnabled(false);
    connect(m_pUndoShortcut, &QShortcut::activated, this, &FileActions::UndoRequested);
}

void FileActions::Play(const std::string& path)
{
    Launch([path, &launcher = m_launcher] { return launcher.Open(path); }, "Unable to play ASF file");
}

void FileActions::Explore(const std::string& folder)
{
    Launch([folder, &launcher = m_launcher] { return launcher.Explore(folder); }, "Unable to open the document");
}

void FileActions::Launch(std::function<ShellLauncher::Result()> launch, const char* noAssociation)
{
    // A task of its own, so that each launch reports its own outcome.
    auto* task = new AsyncTask(this);
    task->Run([launch = std::move(launch)](const std::stop_token&) { return launch(); },
              [this, task, noAssociation](ShellLauncher::Result result) {
                  task->deleteLater();
                  if (result == ShellLauncher::Result::NoAssociation)
                      MessageBoxSeam::Show(m_pPage, noAssociation);
              });
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
    if (!AskToDeletePermanently(m_pPage, "Delete " + NameOrCount(files, "these ") + " permanently?"))
        return;
    m_aTrashed.clear();
    m_failures.Clear();
    Run(false, std::move(files), std::move(folder));
}

void FileActions::Run(bool bToTrash, std::vector<ListedFile> files, std::string folder)
{
    std::vector<FileOutcome> outcomes;
    outcomes.reserve(files.size());
    for (ListedFile& file : files)
        outcomes.push_back({std::move(file), {}, std::nullopt, {}});
    emit Started();
    // Made first: the callback below takes folder over.
    const FileDeleter::Seams seams{m_pTrash, nullptr};
    auto work = [outcomes = std::move(outcomes), bToTrash, folder, seams](const std::stop_token& stop) mutable {
        for (FileOutcome& outcome : outcomes) {
            if (stop.stop_requested())
                break;
            // A file of a page of several devices comes with its own folder.
            if (outcome.file.strFolder.empty())
                outcome.file.strFolder = folder;
            outcome.result = bToTrash
                                 ? FileDeleter::MoveToTrash(outcome.file, outcome.trashed, outcome.strReason, seams)
                                 : FileDeleter::DeletePermanently(outcome.file, outcome.strReason, seams);
        }
        return std::move(outcomes);
    };
    m_pTask->Run(std::move(work), [this, bToTrash, folder = std::move(folder)](
                                      const std::vector<FileOutcome>& results) { Finish(bToTrash, results, folder); });
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
        if (AskToDeletePermanently(m_pPage, question)) {
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
    // Only then, so that the keys undo typing elsewhere the rest of the time.
    m_pUndoShortcut->setEnabled(!m_aUndo.empty());
    // A text field of the window (the category box's, a date or time
    // picker's) claims Ctrl+Z for its own undo before any shortcut is
    // looked at; while a delete can be undone, the key is the window's.
    if (m_aUndo.empty())
        qApp->removeEventFilter(this);
    else
        qApp->installEventFilter(this);
}

bool FileActions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo) &&
        watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == m_pPage->window()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
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
    std::vector<Restore> restores;
    for (TrashedFile& file : m_aUndo)
        restores.push_back({std::move(file), std::nullopt, {}});
    SetUndo({});
    emit Started();
    m_pTask->Run(
        [restores = std::move(restores)](const std::stop_token& stop) mutable {
            for (Restore& restore : restores) {
                if (stop.stop_requested())
                    break;
                restore.result = FileDeleter::Restore(restore.file, restore.strReason);
            }
            return std::move(restores);
        },
        [this](const std::vector<Restore>& results) {
            DeleteReport failures("These files were not put back:");
            for (const Restore& restore : results)
                if (restore.result)
                    failures.AddRestore(restore.file.strOriginalName, *restore.result, restore.strReason);
            if (!failures.IsEmpty())
                MessageBoxSeam::Show(m_pPage, failures.Text());
            emit Done();
        });
}
