#pragma once

#include "platform/FileDeleter.h"
#include "platform/ListedFile.h"
#include "platform/TrashedFile.h"
#include "platform/ui/ShellLauncher.h"
#include "search_page/DeleteReport.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class AsyncTask;
class QPushButton;
class QShortcut;
class QWidget;
class TrashCan;

// The page's actions on files: playing one back and exploring its folder
// through the desktop, moving files to the trash or deleting them for good
// off the window's thread, one delete at a time, the messages about the files
// they could not act on, and Undo of the last delete, offered through its
// button and Ctrl+Z until the next search or until the page is left.
class FileActions : public QObject {
    Q_OBJECT

public:
    // page: where the messages and Ctrl+Z belong; undo: the Undo button, shown
    // only while there is something to put back; launcher: what plays files
    // back and explores folders, outliving the launches; trash: where deletes
    // move files, the desktop's when null, outliving the deletes.
    FileActions(QWidget* page, QPushButton* undo, ShellLauncher& launcher, TrashCan* trash);

    void Play(const std::string& path);
    void Explore(const std::string& folder);

    // A delete or Undo runs.
    bool IsBusy() const;
    // The files of folder, the folder the last search read, or each of its
    // own (strFolder). Where there is no trash, asks once before deleting
    // those files for good.
    void MoveToTrash(std::vector<ListedFile> files, std::string folder);
    // Asks once first.
    void DeletePermanently(std::vector<ListedFile> files, std::string folder);
    void Undo();
    void ForgetUndo() { SetUndo({}); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A delete or an Undo began; Done follows it.
    void Started();
    // The files are acted on and the messages shown: the list is out of date.
    void Done();
    // Ctrl+Z or the Undo button, for the page to decide whether Undo may run.
    void UndoRequested();

private:
    // One file of a delete, as the worker leaves it; no result when the work
    // was stopped before it.
    struct FileOutcome {
        ListedFile file;
        TrashedFile trashed;
        std::optional<FileDeleter::Result> result;
        std::string strReason;
    };

    void Run(bool bToTrash, std::vector<ListedFile> files, std::string folder);
    void Finish(bool bToTrash, const std::vector<FileOutcome>& outcomes, std::string folder);
    void Launch(std::function<ShellLauncher::Result()> launch, const char* noAssociation);
    void EndDelete();
    void SetUndo(std::vector<TrashedFile> files);

    QWidget* m_pPage;
    QPushButton* m_wndUndo;
    ShellLauncher& m_launcher;
    TrashCan* m_pTrash;
    QShortcut* m_pUndoShortcut;
    AsyncTask* m_pTask;
    // What a delete has done so far, reported when it ends.
    std::vector<TrashedFile> m_aTrashed;
    DeleteReport m_failures{"These files were not deleted:"};
    // The files Undo puts back.
    std::vector<TrashedFile> m_aUndo;
};
