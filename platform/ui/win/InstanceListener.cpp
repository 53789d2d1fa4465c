#include "platform/ui/InstanceListener.h"

#include <QLocalServer>
#include <QLocalSocket>

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
    if (path.empty())
        return false;
    m_pServer = new QLocalServer(this);
    // Only this user may open the pipe; Qt sets its security descriptor so.
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_pServer->listen(AddressOf(path))) {
        delete m_pServer;
        m_pServer = nullptr;
        return false;
    }
    connect(m_pServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
            socket->setParent(nullptr);
            if (m_hasRoom()) {
                m_onConnection(socket);
            } else {
                socket->abort();
                delete socket;
            }
        }
    });
    return true;
}

// A pipe's name may hold any character but a backslash; the path still
// carries the user's own folder, so two users' names differ.
QString InstanceListener::AddressOf(const std::string& path)
{
    QString name = QString::fromStdString(path);
    name.replace(u'\\', u'-').replace(u'/', u'-').replace(u':', u'-');
    return QStringLiteral("Clipscout-") + name;
}

void InstanceListener::Close()
{
    delete m_pServer;
    m_pServer = nullptr;
}

bool InstanceListener::IsListening() const
{
    return m_pServer != nullptr && m_pServer->isListening();
}
