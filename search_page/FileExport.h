#pragma once

#include "platform/FileCopier.h"
#include "platform/ListedFile.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class AsyncTask;
class QProgressDialog;
class QWidget;

// Export to a folder: the files of a page's selected rows copied into a folder
// the user chooses, on a thread of their own, with progress and Cancel once
// the copying takes a moment, and one message at the end that says how many
// were copied and which were not, and why. The window's thread never waits
// for the copying: Cancel, and the page going, only ask it to stop; the copy
// in hand is then removed, the whole ones are kept.
class FileExport : public QObject {
    Q_OBJECT

public:
    // Time an export runs before its progress shows.
    static constexpr int kProgressDelayMs = 300;
    // Files a message names at most.
    static constexpr std::size_t kListedFailures = 20;

    explicit FileExport(QWidget* page);
    ~FileExport() override;

    bool IsRunning() const { return m_job != nullptr; }
    // Asks for the folder, then copies the files, which lie in folder, into
    // it. Ignored while an export runs and without files.
    void Start(std::vector<ListedFile> files, const std::string& folder);
    void Cancel();

signals:
    // An export ended and its message was shown.
    void Finished();

private:
    struct Job;
    struct Copied;

    void OnCopied(const Copied& copied);
    void OnTick();
    void Report(const Job& job, const std::vector<FileCopier::Outcome>& outcomes, int openError);

    QWidget* m_pPage;
    std::shared_ptr<Job> m_job;
    AsyncTask* m_pTask;
    QProgressDialog* m_pProgress = nullptr;
    QTimer m_ticker;
    QElapsedTimer m_clock;
    // Where the chooser opens: the last folder chosen in this run.
    std::string m_strLastFolder;
};
