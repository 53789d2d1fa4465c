#include "platform/ui/InstanceChannel.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

// A peer is the same user, but a confused one must not make the program hold
// an ever-growing buffer.
constexpr qsizetype kMaxLine = 1024;

bool IsTokenText(const std::string& text)
{
    for (unsigned char c : text)
        if (c <= ' ' || c >= 0x7f)
            return false;
    return text.size() < kMaxLine / 2;
}

// Tests of the real program see through this file that a request to come
// forward arrived; nothing else in the program writes outside its own data.
void NoteForegroundRequest(const std::string& token)
{
    const QByteArray notePath = qgetenv("CLIPSCOUT_FOREGROUND_NOTE");
    if (notePath.isEmpty())
        return;
    QFile note(QString::fromLocal8Bit(notePath));
    if (note.open(QIODevice::Append))
        note.write("foreground " + QByteArray::fromStdString(token) + "\n");
}

} // namespace

InstanceChannel::InstanceChannel(QueryHandler onQuery, ForegroundHandler onForeground, QObject* parent)
    : QObject(parent), m_onQuery(std::move(onQuery)), m_onForeground(std::move(onForeground))
{
}

InstanceChannel::~InstanceChannel()
{
    Close();
}

bool InstanceChannel::Listen(const std::string& path)
{
    Close();
    const QString name = QString::fromStdString(path);
    QLocalServer::removeServer(name);
    m_pServer = new QLocalServer(this);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_pServer, &QLocalServer::newConnection, this, &InstanceChannel::OnNewConnection);
    if (!m_pServer->listen(name)) {
        delete m_pServer;
        m_pServer = nullptr;
        return false;
    }
    return true;
}

void InstanceChannel::Close()
{
    if (!m_pServer)
        return;
    m_pServer->close();
    delete m_pServer;
    m_pServer = nullptr;
}

bool InstanceChannel::IsListening() const
{
    return m_pServer && m_pServer->isListening();
}

void InstanceChannel::OnNewConnection()
{
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        OnReadyRead(socket);
    }
}

void InstanceChannel::OnReadyRead(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(kMaxLine).trimmed();
        HandleLine(socket, line);
    }
    if (socket->bytesAvailable() > kMaxLine)
        socket->abort();
}

void InstanceChannel::HandleLine(QLocalSocket* socket, const QByteArray& line)
{
    const QList<QByteArray> words = line.split(' ');
    if (words.size() == 2 && words[0] == "Q") {
        bool ok = false;
        const unsigned message = words[1].toUInt(&ok);
        if (!ok)
            return;
        socket->write(QByteArray::number(static_cast<qlonglong>(m_onQuery(message))) + "\n");
        socket->flush();
    } else if (words[0] == "F" && (words.size() == 1 || words.size() == 3)) {
        std::string tokenName;
        std::string token;
        if (words.size() == 3) {
            tokenName = words[1].toStdString();
            token = words[2].toStdString();
            if ((tokenName != "XDG_ACTIVATION_TOKEN" && tokenName != "DESKTOP_STARTUP_ID") || !IsTokenText(token)) {
                tokenName.clear();
                token.clear();
            }
        }
        NoteForegroundRequest(token);
        m_onForeground(tokenName, token);
    }
}

bool InstanceChannel::QueryAndRaise(const std::string& path, unsigned message, int timeoutMs,
                                    const std::string& tokenName, const std::string& token)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path));
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return false;
    socket.write("Q " + QByteArray::number(message) + "\n");
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || socket.bytesAvailable() > kMaxLine ||
            !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    bool ok = false;
    const unsigned answer = socket.readLine(kMaxLine).trimmed().toUInt(&ok);
    if (!ok || answer != message)
        return false;

    QByteArray request = "F";
    if (!tokenName.empty() && IsTokenText(tokenName) && IsTokenText(token) && !token.empty())
        request += " " + QByteArray::fromStdString(tokenName) + " " + QByteArray::fromStdString(token);
    socket.write(request + "\n");
    // The running copy has answered; the request is delivered once written,
    // so this wait is short and its failure changes nothing for this copy.
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return true;
}
