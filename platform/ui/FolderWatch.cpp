#include "platform/ui/FolderWatch.h"

#include "platform/FileSystemKind.h"
#include "platform/ui/AsyncTask.h"

#include <QFileSystemWatcher>
#include <QStringList>

#include <mutex>
#include <utility>

// What the watch's thread shares with the window's: the folders to watch,
// and the watch to tell, until it goes.
struct FolderWatch::Folders {
    std::mutex mutex;
    QStringList folders;
    FolderWatch* pOwner = nullptr;

    // From the watch's thread. Posted under the lock, so that the owner lives
    // as it is posted; the owner's going drops what is still queued for it.
    void Tell()
    {
        const std::scoped_lock lock(mutex);
        if (pOwner != nullptr)
            QMetaObject::invokeMethod(pOwner, "OnEvent", Qt::QueuedConnection);
    }
};

FolderWatch::FolderWatch(QObject* parent, ShareCheck isShare, int listingMs)
    : QObject(parent),
      m_fnIsShare(isShare ? std::move(isShare) : ShareCheck(&FileSystemKind::IsShare)),
      m_pFolders(std::make_shared<Folders>()),
      m_pKinds(new AsyncTask(this)),
      m_pThread(new QThread),
      m_pAgent(new QObject)
{
    m_pFolders->pOwner = this;
    m_pAgent->moveToThread(m_pThread);
    connect(this, &FolderWatch::FoldersChanged, m_pAgent, [agent = m_pAgent, pending = m_pFolders] {
        // Made here, so that its events come to this thread.
        auto* watcher = agent->findChild<QFileSystemWatcher*>();
        if (watcher == nullptr) {
            watcher = new QFileSystemWatcher(agent);
            connect(watcher, &QFileSystemWatcher::directoryChanged, watcher, [pending] { pending->Tell(); });
        }
        QStringList folders;
        {
            const std::scoped_lock lock(pending->mutex);
            folders = pending->folders;
        }
        const QStringList watched = watcher->directories();
        if (!watched.isEmpty())
            watcher->removePaths(watched);
        if (folders.isEmpty())
            return;
        watcher->addPaths(folders);
        // What changed between the search and the watch sent no event.
        pending->Tell();
    });
    connect(m_pThread, &QThread::finished, m_pAgent, &QObject::deleteLater);
    connect(m_pThread, &QThread::finished, m_pThread, &QObject::deleteLater);
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &FolderWatch::Changed);
    m_listing.setInterval(listingMs);
    connect(&m_listing, &QTimer::timeout, this, &FolderWatch::Changed);
    m_pThread->start();
}

FolderWatch::~FolderWatch()
{
    {
        const std::scoped_lock lock(m_pFolders->mutex);
        m_pFolders->pOwner = nullptr;
    }
    m_pThread->quit();
}

void FolderWatch::OnEvent()
{
    if (m_bWatching)
        m_settle.start();
}

void FolderWatch::Watch(std::vector<std::string> folders)
{
    Stop();
    m_pKinds->Run(
        [folders = std::move(folders), isShare = m_fnIsShare](const std::stop_token& stop) {
            QStringList local;
            for (const std::string& folder : folders) {
                if (stop.stop_requested())
                    break;
                if (!isShare(folder))
                    local.push_back(QString::fromStdString(folder));
            }
            return local;
        },
        [this](QStringList local) {
            m_listing.start();
            if (!local.isEmpty()) {
                m_bWatching = true;
                SetFolders(std::move(local));
            }
        });
}

void FolderWatch::Stop()
{
    m_pKinds->Stop();
    m_bWatching = false;
    m_settle.stop();
    m_listing.stop();
    SetFolders({});
}

void FolderWatch::SetFolders(QStringList folders)
{
    {
        const std::scoped_lock lock(m_pFolders->mutex);
        m_pFolders->folders = std::move(folders);
    }
    emit FoldersChanged();
}
