#pragma once

#include <QObject>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class AsyncTask;

// Tells when the files of some folders may have changed: from the system's
// change events on a local disk, a moment after the last of a burst, and
// every kListingMs for every folder, since a network share's other clients
// write without sending events and a local watch can miss them (the system's
// watches run out, the folder is replaced). Which kind a folder is comes
// from its file system, asked off the window's thread; the events' watch is
// set up on a thread of its own, since adding a folder to it reads the folder.
class FolderWatch : public QObject {
    Q_OBJECT

public:
    // A recorder writes a clip in several pieces: one look after they settle.
    static constexpr int kSettleMs = 1000;
    static constexpr int kListingMs = 30000;

    // Whether a folder lies on a share, off the window's thread.
    using ShareCheck = std::function<bool(const std::string& folder)>;

    // isShare tells the kinds of folder apart (FileSystemKind::IsShare when
    // empty); the listing comes every listingMs.
    explicit FolderWatch(QObject* parent, ShareCheck isShare = {}, int listingMs = kListingMs);
    ~FolderWatch() override;
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches folders in place of those watched before.
    void Watch(std::vector<std::string> folders);
    void Stop();

signals:
    void Changed();
    // The folders to watch have changed: queued to the watch's thread by a
    // connection made here, carrying nothing, so that what crosses over is
    // handed under our own lock.
    void FoldersChanged();

private slots:
    void OnEvent();

private:
    struct Folders;

    void SetFolders(QStringList folders);

    ShareCheck m_fnIsShare;
    std::shared_ptr<Folders> m_pFolders;
    AsyncTask* m_pKinds;
    // Let go of, not waited for, when this goes: it ends and is deleted on
    // its own.
    QThread* m_pThread;
    // Lives on m_pThread, which deletes it as it ends, and the system's
    // watch with it.
    QObject* m_pAgent;
    // Events of folders no longer watched may still be on their way.
    bool m_bWatching = false;
    QTimer m_settle;
    QTimer m_listing;
};
