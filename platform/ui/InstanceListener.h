#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QLocalSocket;
class QSocketNotifier;
class QLocalServer;

// Takes the connections made to a local address that only this user can
// reach, and hands each over as a socket without a parent. A Unix socket on
// Linux, a named pipe on Windows.
class InstanceListener : public QObject {
    Q_OBJECT

public:
    // Asked before each connection is taken; a connection beyond the room is
    // closed at once, so a flood cannot use up the process's handles.
    using HasRoom = std::function<bool()>;
    using OnConnection = std::function<void(QLocalSocket* socket)>;

    InstanceListener(HasRoom hasRoom, OnConnection onConnection, QObject* parent = nullptr);
    ~InstanceListener() override;

    // Listens at path. What a copy that crashed left at path is cleared
    // first, so only call this while holding the marker that says no other
    // copy runs.
    bool Listen(const std::string& path);
    void Close();
    bool IsListening() const;

    // The address a peer connects to for path.
    static QString AddressOf(const std::string& path);

private:
    HasRoom m_hasRoom;
    OnConnection m_onConnection;
#ifdef _WIN32
    QLocalServer* m_pServer = nullptr;
#else
    void OnAcceptable();
    bool ShedOneConnection();
    void Take(int fd);

    int m_nListenFd = -1;
    // Held in reserve: when the process runs out of descriptors it is given up
    // for a moment to take a waiting connection off the queue and close it.
    int m_nSpareFd = -1;
    QSocketNotifier* m_pNotifier = nullptr;
    std::string m_strPath;
#endif
};
