#include "tsingleinstance.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QDir>
#include <QtNetwork/QLocalServer>
#include <QtNetwork/QLocalSocket>

namespace {
const QByteArray kRestore = "restore\n";
}

QString TSingleInstance::ServerName(const QString &profileFolder)
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QDir::home().dirName();
    const QByteArray folder = QDir::cleanPath(QDir(profileFolder).absolutePath()).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("tarnel-%1-%2").arg(user, QString::fromLatin1(hash));
}

TSingleInstance::TSingleInstance(const QString &serverName, QObject *parent)
    : QObject(parent), m_name(serverName)
{
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::Claim()
{
    if (m_server)
        return true;
    {
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(500)) {
            probe.disconnectFromServer();
            return false;
        }
    }
    // Nobody answers: whatever socket file exists belongs to a dead instance.
    QLocalServer::removeServer(m_name);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_name)) {
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
    return true;
}

bool TSingleInstance::SendRestore(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kRestore);
    const bool ok = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return ok;
}

void TSingleInstance::Accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine())
                if (socket->readLine() == kRestore)
                    emit RestoreRequested();
        });
    }
}
