#include "tfakeftpserver.h"

#include <QtCore/QMetaObject>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtNetwork/QHostAddress>
#include <QtNetwork/QTcpServer>
#include <QtNetwork/QTcpSocket>

// One control connection with its data connection; lives on the server's thread.
class TFakeFtpSession : public QObject {
public:
    TFakeFtpSession(TFakeFtpServer *owner, QTcpSocket *ctrl) : m_owner(owner), m_ctrl(ctrl)
    {
        m_ctrl->setParent(this);
        connect(m_ctrl, &QTcpSocket::readyRead, this, [this] { ReadCommands(); });
        connect(m_ctrl, &QTcpSocket::disconnected, this, [this] { deleteLater(); });
        QByteArray greeting;
        bool close;
        {
            QMutexLocker lock(&m_owner->m_mutex);
            greeting = m_owner->m_greeting;
            close = m_owner->m_greetingClose;
        }
        m_ctrl->write(greeting);
        if (close)
            m_ctrl->disconnectFromHost();
    }

private:
    void ReadCommands()
    {
        const QByteArray bytes = m_ctrl->readAll();
        {
            QMutexLocker lock(&m_owner->m_mutex);
            m_owner->m_received += bytes;
        }
        m_in += bytes;
        qsizetype lf;
        while ((lf = m_in.indexOf('\n')) >= 0) {
            QByteArray line = m_in.left(lf);
            m_in.remove(0, lf + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            Handle(line);
            if (m_ctrl->state() != QAbstractSocket::ConnectedState)
                return;
        }
    }

    void Handle(const QByteArray &line)
    {
        const QByteArray verb = line.split(' ').first().toUpper();
        bool scripted = false;
        TFakeReply reply;
        bool refuse;
        {
            QMutexLocker lock(&m_owner->m_mutex);
            m_owner->m_commands.append(line);
            reply = m_owner->Take(verb, &scripted);
            refuse = m_owner->m_refuseData;
        }
        if (!scripted && verb == "PASV") {
            StartPassive(refuse);
            return;
        }
        if (!scripted && verb == "PORT") {
            RememberPort(line.mid(5));
            return;
        }
        if (!scripted) {
            m_ctrl->write("502 not scripted\r\n");
            return;
        }
        if (reply.Data != TFakeReply::NoData && refuse) {
            // Passive: still waiting for a connection that cannot come. Active: give up.
            if (m_activeHost.isEmpty())
                return;
            m_ctrl->write("425 no data connection\r\n");
            return;
        }
        if (reply.LineDelayMs > 0) {
            Drip(reply.Text, reply.LineDelayMs);
            return;
        }
        m_ctrl->write(reply.Text);
        if (reply.CloseAfter) {
            m_ctrl->disconnectFromHost();
            return;
        }
        if (reply.Data != TFakeReply::NoData) {
            m_transfer = reply;
            OpenData();
        }
    }

    void Drip(const QByteArray &text, int delayMs)
    {
        int i = 0;
        for (qsizetype start = 0; start < text.size(); ++i) {
            qsizetype end = text.indexOf('\n', start);
            end = end < 0 ? text.size() : end + 1;
            const QByteArray line = text.mid(start, end - start);
            QTimer::singleShot(delayMs * i, this, [this, line] { m_ctrl->write(line); });
            start = end;
        }
    }

    void StartPassive(bool refuse)
    {
        delete m_listener;
        m_listener = new QTcpServer(this);
        m_listener->listen(QHostAddress::LocalHost, 0);
        const quint16 port = m_listener->serverPort();
        QByteArray address;
        {
            QMutexLocker lock(&m_owner->m_mutex);
            address = m_owner->m_pasvAddress;
        }
        m_ctrl->write("227 Entering Passive Mode (" + address + ',' + QByteArray::number(port / 256) + ',' +
                      QByteArray::number(port % 256) + ").\r\n");
        if (refuse) {
            delete m_listener;
            m_listener = nullptr;
        }
        m_activeHost.clear();
    }

    void RememberPort(const QByteArray &operand)
    {
        const QList<QByteArray> parts = operand.trimmed().split(',');
        if (parts.size() != 6) {
            m_ctrl->write("501 bad PORT\r\n");
            return;
        }
        m_activeHost = parts[0] + '.' + parts[1] + '.' + parts[2] + '.' + parts[3];
        m_activePort = quint16(parts[4].toInt() * 256 + parts[5].toInt());
        {
            QMutexLocker lock(&m_owner->m_mutex);
            m_owner->m_activePort = m_activePort;
        }
        delete m_listener;
        m_listener = nullptr;
        m_ctrl->write("200 PORT ok\r\n");
    }

    void OpenData()
    {
        if (m_listener) {
            if (m_listener->hasPendingConnections()) {
                Adopt(m_listener->nextPendingConnection());
                return;
            }
            connect(m_listener, &QTcpServer::newConnection, this, [this] {
                if (m_listener && !m_data)
                    Adopt(m_listener->nextPendingConnection());
            });
            return;
        }
        if (m_activeHost.isEmpty()) {
            m_ctrl->write("425 no data port\r\n");
            return;
        }
        auto *socket = new QTcpSocket(this);
        connect(socket, &QTcpSocket::connected, this, [this, socket] { Adopt(socket); });
        socket->connectToHost(QHostAddress(QString::fromLatin1(m_activeHost)), m_activePort);
    }

    void Adopt(QTcpSocket *socket)
    {
        m_data = socket;
        m_data->setParent(this);
        if (m_listener) {
            m_listener->close();
            m_listener->deleteLater();
            m_listener = nullptr;
        }
        connect(m_data, &QTcpSocket::disconnected, this, [this] { DataClosed(); });
        if (m_transfer.Data == TFakeReply::ReceiveData) {
            m_upload.clear();
            connect(m_data, &QTcpSocket::readyRead, this, [this] {
                m_upload += m_data->readAll();
                if (m_transfer.CloseDataAfter >= 0 && m_upload.size() >= m_transfer.CloseDataAfter)
                    m_data->abort();
            });
            return;
        }
        const QByteArray &payload = m_transfer.Payload;
        switch (m_transfer.Order) {
        case TFakeReply::FinalBeforeData:
            m_ctrl->write(m_transfer.Final);
            m_ctrl->flush();
            SendAndClose(payload);
            break;
        case TFakeReply::FinalDuringData: {
            const qsizetype half = payload.size() / 2;
            m_data->write(payload.left(half));
            m_data->flush();
            QTimer::singleShot(30, this, [this, half] {
                m_ctrl->write(m_transfer.Final);
                m_ctrl->flush();
                QTimer::singleShot(30, this, [this, half] { SendAndClose(m_transfer.Payload.mid(half)); });
            });
            break;
        }
        default:
            SendAndClose(payload);
            break;
        }
    }

    void SendAndClose(const QByteArray &bytes)
    {
        if (!m_data)
            return;
        m_data->write(bytes);
        if (!m_transfer.HoldDataOpen)
            m_data->disconnectFromHost();
    }

    void DataClosed()
    {
        if (m_transfer.Data == TFakeReply::ReceiveData) {
            m_upload += m_data->readAll();
            QMutexLocker lock(&m_owner->m_mutex);
            m_owner->m_uploaded = m_upload;
        }
        if (m_transfer.Order == TFakeReply::FinalAfterClose || m_transfer.Data == TFakeReply::ReceiveData)
            m_ctrl->write(m_transfer.Final);
        m_data->deleteLater();
        m_data = nullptr;
        m_transfer = TFakeReply();
    }

    TFakeFtpServer *m_owner;
    QTcpSocket *m_ctrl;
    QByteArray m_in;
    QTcpServer *m_listener = nullptr;
    QByteArray m_activeHost;
    quint16 m_activePort = 0;
    QTcpSocket *m_data = nullptr;
    TFakeReply m_transfer;
    QByteArray m_upload;
};

class TFakeFtpCore : public QObject {
public:
    explicit TFakeFtpCore(TFakeFtpServer *owner) : m_owner(owner), m_server(this)
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                {
                    QMutexLocker lock(&m_owner->m_mutex);
                    ++m_owner->m_connections;
                }
                auto *session = new TFakeFtpSession(m_owner, socket);
                session->setParent(this);
            }
        });
    }
    quint16 Listen()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        return m_server.serverPort();
    }

private:
    TFakeFtpServer *m_owner;
    QTcpServer m_server;
};

TFakeFtpServer::TFakeFtpServer()
{
    m_thread.setObjectName(QStringLiteral("fake ftp server"));
    m_thread.start();
    m_core = new TFakeFtpCore(this);
    m_core->moveToThread(&m_thread);
    QMetaObject::invokeMethod(m_core, [this] { m_port = m_core->Listen(); }, Qt::BlockingQueuedConnection);
}

TFakeFtpServer::~TFakeFtpServer()
{
    QMetaObject::invokeMethod(m_core, [this] { delete m_core; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void TFakeFtpServer::SetGreeting(const QByteArray &text, bool closeAfter)
{
    QMutexLocker lock(&m_mutex);
    m_greeting = text;
    m_greetingClose = closeAfter;
}

void TFakeFtpServer::Script(const QByteArray &verb, const TFakeReply &reply)
{
    QMutexLocker lock(&m_mutex);
    m_script[verb.toUpper()].append(reply);
}

void TFakeFtpServer::SetRefuseData(bool refuse)
{
    QMutexLocker lock(&m_mutex);
    m_refuseData = refuse;
}

void TFakeFtpServer::SetPasvAddress(const QByteArray &commaAddress)
{
    QMutexLocker lock(&m_mutex);
    m_pasvAddress = commaAddress;
}

TFakeReply TFakeFtpServer::Take(const QByteArray &verb, bool *scripted)
{
    auto it = m_script.find(verb);
    *scripted = it != m_script.end() && !it->isEmpty();
    if (!*scripted)
        return {};
    return it->size() > 1 ? it->takeFirst() : it->first();
}

QList<QByteArray> TFakeFtpServer::Commands() const
{
    QMutexLocker lock(&m_mutex);
    return m_commands;
}

QByteArray TFakeFtpServer::Received() const
{
    QMutexLocker lock(&m_mutex);
    return m_received;
}

QByteArray TFakeFtpServer::Uploaded() const
{
    QMutexLocker lock(&m_mutex);
    return m_uploaded;
}

int TFakeFtpServer::ConnectionCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_connections;
}

quint16 TFakeFtpServer::ActivePort() const
{
    QMutexLocker lock(&m_mutex);
    return m_activePort;
}
