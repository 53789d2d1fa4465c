#include "platform/ui/InstanceChannel.h"

#include "platform/ui/InstanceListener.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QTimer>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// A peer is the same user, but a confused one must not make the program hold
// an ever-growing buffer.
constexpr qsizetype kMaxLine = 1024;

bool IsTokenText(const std::string& text)
{
    for (const char c : text)
        if (const auto byte = static_cast<unsigned char>(c); byte <= ' ' || byte >= 0x7f)
            return false;
    return text.size() < kMaxLine / 2;
}

} // namespace

InstanceChannel::InstanceChannel(QueryHandler onQuery, ForegroundHandler onForeground, QObject* parent)
    : QObject(parent), m_onQuery(std::move(onQuery)), m_onForeground(std::move(onForeground))
{ }

InstanceChannel::~InstanceChannel()
{
    Close();
}

bool InstanceChannel::Listen(const std::string& path)
{
    Close();
    m_pListener = new InstanceListener(
        [this] { return findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly).size() < kMaxConnections; },
        [this](QLocalSocket* socket) { Serve(socket); }, this);
    if (m_pListener->Listen(path))
        return true;
    Close();
    return false;
}

void InstanceChannel::Close()
{
    delete m_pListener;
    m_pListener = nullptr;
    qDeleteAll(findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly));
}

bool InstanceChannel::IsListening() const
{
    return m_pListener != nullptr && m_pListener->IsListening();
}

void InstanceChannel::Serve(QLocalSocket* socket)
{
    socket->setParent(this);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
    QTimer::singleShot(kConnectionTimeoutMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    OnReadyRead(socket);
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
        m_onForeground(tokenName, token);
    }
}

bool InstanceChannel::QueryAndRaise(const std::string& path, unsigned message, int timeoutMs,
                                    const std::string& tokenName, const std::string& token)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(InstanceListener::AddressOf(path));
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

#ifdef _WIN32
    // Windows lets a process take the foreground only when the one in it
    // allows: this copy, just started by the user, allows the running one.
    ::AllowSetForegroundWindow(ASFW_ANY);
#endif
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
