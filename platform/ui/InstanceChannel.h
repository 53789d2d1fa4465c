#pragma once

#include <QObject>

#include <functional>
#include <string>

class InstanceListener;
class QLocalSocket;

// The line protocol by which a new copy of the program talks to the running
// one over a local socket (a named pipe on Windows) that only this user can reach:
//   new copy:     "Q <message>"       running copy: "<answer>"
//   new copy:     "F <token name> <token>"   (come to the front; token optional)
// The listening side is an object of this class; the asking side is QueryAndRaise.
class InstanceChannel : public QObject {
    Q_OBJECT

public:
    using QueryHandler = std::function<long(unsigned message)>;
    using ForegroundHandler = std::function<void(const std::string& tokenName, const std::string& token)>;

    // Connections served at once; more are closed as they arrive, so a flood
    // cannot use up the process's descriptors.
    static constexpr int kMaxConnections = 8;
    // A peer that has not finished its exchange by then is cut off; a real
    // new copy gives up after a fraction of it.
    static constexpr int kConnectionTimeoutMs = 1000;

    InstanceChannel(QueryHandler onQuery, ForegroundHandler onForeground, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Listens at path, readable and writable by this user only. A socket left
    // at path by a copy that crashed is removed first, so only call this while
    // holding the marker that says no other copy runs.
    bool Listen(const std::string& path);
    // Stops listening and removes the socket.
    void Close();
    bool IsListening() const;

    // Connects to path and sends message within timeoutMs in all. When the
    // answer equals message, asks the other side to come to the front, passing
    // tokenName and token when they are not empty. Returns whether it answered so.
    static bool QueryAndRaise(const std::string& path, unsigned message, int timeoutMs, const std::string& tokenName,
                              const std::string& token);

private:
    void Serve(QLocalSocket* socket);
    void OnReadyRead(QLocalSocket* socket);
    void HandleLine(QLocalSocket* socket, const QByteArray& line);

    QueryHandler m_onQuery;
    ForegroundHandler m_onForeground;
    InstanceListener* m_pListener = nullptr;
};
