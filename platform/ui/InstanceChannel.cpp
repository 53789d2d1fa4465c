#include "platform/ui/InstanceChannel.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A peer is the same user, but a confused one must not make the program hold
// an ever-growing buffer.
constexpr qsizetype kMaxLine = 1024;
// Connections the system queues for us; a flood beyond it waits in the peers.
constexpr int kBacklog = 64;
// After an accept that failed for want of descriptors, with none in reserve,
// the queue waits this long rather than wake the loop again at once.
constexpr int kRetryMs = 100;

bool IsTokenText(const std::string& text)
{
    for (const char c : text)
        if (const auto byte = static_cast<unsigned char>(c); byte <= ' ' || byte >= 0x7f)
            return false;
    return text.size() < kMaxLine / 2;
}

int OpenSpare()
{
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
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
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    // Qt's local server closes itself, and removes its socket, the first time
    // an accept fails; this one must go on answering after a flood.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    if (::chmod(path.c_str(), 0600) != 0 || ::listen(fd, kBacklog) != 0) {
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    m_nListenFd = fd;
    m_strPath = path;
    m_nSpareFd = OpenSpare();
    m_pNotifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &InstanceChannel::OnAcceptable);
    return true;
}

void InstanceChannel::Close()
{
    delete m_pNotifier;
    m_pNotifier = nullptr;
    qDeleteAll(findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly));
    if (m_nListenFd >= 0) {
        ::close(m_nListenFd);
        ::unlink(m_strPath.c_str());
    }
    m_nListenFd = -1;
    m_strPath.clear();
    if (m_nSpareFd >= 0)
        ::close(m_nSpareFd);
    m_nSpareFd = -1;
}

void InstanceChannel::OnAcceptable()
{
    // Bounded, so a steady flood cannot keep the window's thread here.
    for (int i = 0; i < kBacklog; ++i) {
        const int fd = ::accept4(m_nListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            Serve(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if ((errno == EMFILE || errno == ENFILE) && ShedOneConnection())
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            m_pNotifier->setEnabled(false);
            QTimer::singleShot(kRetryMs, this, [this] {
                if (m_pNotifier)
                    m_pNotifier->setEnabled(true);
            });
        }
        return;
    }
}

bool InstanceChannel::ShedOneConnection()
{
    if (m_nSpareFd < 0) {
        m_nSpareFd = OpenSpare();
        return false;
    }
    ::close(m_nSpareFd);
    const int fd = ::accept4(m_nListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    m_nSpareFd = OpenSpare();
    return fd >= 0;
}

void InstanceChannel::Serve(int fd)
{
    if (findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly).size() >= kMaxConnections) {
        ::close(fd);
        return;
    }
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd)) {
        ::close(fd);
        delete socket;
        return;
    }
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
