#pragma once

#include "platform/FileCopier.h"
#include "platform/ListedFile.h"
#include "platform/ui/FolderChooserSeam.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class AsyncTask;
class QProgressDialog;
class QWidget;
class ShellLauncher;

// Export to a folder: the files of a page's selected rows copied into a folder
// the user chooses, on a thread of their own, with progress and Cancel once
// the copying takes a moment, and one message at the end that says how many
// were copied and which were not, and why. The window's thread never waits
// for the copying: Cancel, and the page going, only ask it to stop; the copy
// in hand is then removed, the whole ones are kept. Where another file (say
// another camera's clip) has a file's name in the folder, the user may keep
// both, the copy named with the camera's name added.
class FileExport : public QObject {
    Q_OBJECT

public:
    // Time an export runs before its progress shows.
    static constexpr int kProgressDelayMs = 300;
    // Files a message names at most.
    static constexpr std::size_t kListedFailures = 20;

    // camera: the device folder whose files the page exports. The folder
    // the chooser opens in is kept in the program's state file from one run
    // to the next.
    FileExport(QWidget* page, std::string camera, ShellLauncher& launcher);
    ~FileExport() override;

    // Where the folder is asked for: the desktop's folder chooser unless
    // another is handed in.
    void UseFolderChooser(FolderChooserSeam::Chooser chooser) { m_chooseFolder = std::move(chooser); }
    // Handed to the copying of each export that starts after, which calls it
    // on its thread before each chunk; none by default.
    void UseBeforeChunk(FileCopier::ChunkHook hook) { m_beforeChunk = std::move(hook); }

    // From the folder's choice until the message at the end is answered.
    bool IsRunning() const { return m_bRunning; }
    // Asks for the folder, then copies the files, which lie in folder or
    // each in its own (strFolder), into it. Ignored while an export runs and
    // without files.
    void Start(std::vector<ListedFile> files, const std::string& folder);
    void Cancel();

    // The name a file is copied under beside another file of its own name.
    static std::string NameWithCamera(const std::string& name, const std::string& camera);

signals:
    // An export ended and its message was shown.
    void Finished();

private:
    struct Job;
    struct Copied;
    struct Export;

    void Choose(std::vector<ListedFile> files, const std::string& folder, const std::string& start);
    void RunJob(const std::shared_ptr<Job>& job);
    void OnCopied(const Copied& copied);
    void OnTick();
    void AskToKeepBoth(const std::vector<std::size_t>& clashes);
    void Report();
    void OpenFolder(const std::string& folder);

    QWidget* m_pPage;
    ShellLauncher& m_launcher;
    FolderChooserSeam::Chooser m_chooseFolder = &FolderChooserSeam::Choose;
    FileCopier::ChunkHook m_beforeChunk;
    const std::string m_strCamera;
    const QString m_strStateFile;
    bool m_bRunning = false;
    // The export under way, across its copying and the copying of the files
    // kept beside others.
    std::unique_ptr<Export> m_export;
    std::shared_ptr<Job> m_job;
    AsyncTask* m_pTask;
    AsyncTask* m_pLoadFolder;
    AsyncTask* m_pSaveFolder;
    QProgressDialog* m_pProgress = nullptr;
    QTimer m_ticker;
    QElapsedTimer m_clock;
    // The last folder chosen in this run, for when the state file has none.
    std::string m_strLastFolder;
};
