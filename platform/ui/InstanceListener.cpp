#include "platform/ui/InstanceListener.h"

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

// Connections the system queues for us; a flood beyond it waits in the peers.
constexpr int kBacklog = 64;
// After an accept that failed for want of descriptors, with none in reserve,
// the queue waits this long rather than wake the loop again at once.
constexpr int kRetryMs = 100;

int OpenSpare()
{
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

} // namespace

InstanceListener::InstanceListener(HasRoom hasRoom, OnConnection onConnection, QObject* parent)
    : QObject(parent), m_hasRoom(std::move(hasRoom)), m_onConnection(std::move(onConnection))
{ }

InstanceListener::~InstanceListener()
{
    Close();
}

bool InstanceListener::Listen(const std::string& path)
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
    connect(m_pNotifier, &QSocketNotifier::activated, this, &InstanceListener::OnAcceptable);
    return true;
}

void InstanceListener::Close()
{
    delete m_pNotifier;
    m_pNotifier = nullptr;
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

QString InstanceListener::AddressOf(const std::string& path)
{
    return QString::fromStdString(path);
}

bool InstanceListener::IsListening() const
{
    return m_nListenFd >= 0;
}

void InstanceListener::OnAcceptable()
{
    // Bounded, so a steady flood cannot keep the window's thread here.
    for (int i = 0; i < kBacklog; ++i) {
        const int fd = ::accept4(m_nListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            Take(fd);
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

bool InstanceListener::ShedOneConnection()
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

void InstanceListener::Take(int fd)
{
    if (!m_hasRoom()) {
        ::close(fd);
        return;
    }
    auto* socket = new QLocalSocket;
    if (!socket->setSocketDescriptor(fd)) {
        ::close(fd);
        delete socket;
        return;
    }
    m_onConnection(socket);
}
