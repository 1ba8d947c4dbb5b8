// The data connection: the data-port step, incoming and outgoing transfers, and their end.
#include "tcustomftpcli.h"

#include "replytext.h"
#include "socketerrors.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QMetaObject>
#include <QtCore/QSignalBlocker>
#include <QtNetwork/QTcpServer>
#include <QtNetwork/QTcpSocket>

#include <sys/file.h>

#include <algorithm>

namespace {
QByteArray Text(const char *utf8) { return QByteArray(utf8); }

qint64 Tick()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.elapsed() + 1;  // never 0, which means "not started"
}

// Share modes as the file opener asks for them: 0x10 lets nobody else in, 0x20 lets others
// read only. Linux has no such modes; advisory locks keep our own workers apart.
bool LockForShareMode(QFile &file, quint16 mode)
{
    int operation = 0;
    if ((mode & 0x70) == 0x10)
        operation = LOCK_EX;
    else if ((mode & 0x70) == 0x20)
        operation = LOCK_SH;
    return operation == 0 || flock(file.handle(), operation | LOCK_NB) == 0;
}
}  // namespace

void TCustomFtpCli::FreeOwnStream()
{
    if (m_stream == m_ownFile.get())
        m_stream = nullptr;
    m_ownFile.reset();
}

void TCustomFtpCli::StartDataStep(TFtpStep step)
{
    switch (step) {
    case spPort: StartPort(); break;
    case spGet: StartGet(); break;
    case spDir: StartDir(); break;
    case spLs: StartLs(); break;
    case spPut: StartPut(); break;
    case spAppend: StartAppend(); break;
    default: break;
    }
}

void TCustomFtpCli::CloseData()
{
    if (m_listener) {
        m_listener->close();
        m_listener->deleteLater();
        m_listener = nullptr;
    }
    if (m_data) {
        QSignalBlocker block(m_data);
        m_data->abort();
        m_data->deleteLater();
        m_data = nullptr;
    }
    m_dataOpen = false;
    m_dataConnecting = false;
}

// ---- The data-port step ----

void TCustomFtpCli::StartPort()
{
    if (!m_connected)
        throw FtpException(QStringLiteral("FTP 组建未连接"));
    CloseData();
    m_direction = Direction::None;  // a server may connect back before the transfer command
    QByteArray command = "PASV";
    if (!Passive) {
        // Listen where the control connection runs, never on every address of the machine.
        bool ok = false;
        const quint32 local = m_ctrl->localAddress().toIPv4Address(&ok);
        if (!ok)
            throw FtpException(QStringLiteral("主动模式需要 IPv4 地址"));
        m_listener = new QTcpServer(this);
        if (!m_listener->listen(m_ctrl->localAddress(), 0)) {
            const QString error = m_listener->errorString();
            CloseData();
            throw FtpException(error);
        }
        connect(m_listener, &QTcpServer::newConnection, this, &TCustomFtpCli::DataAccepted);
        const quint16 port = m_listener->serverPort();
        const QByteArray p = QByteArray::number(port / 256) + ',' + QByteArray::number(port % 256);
        if (m_ctrl->peerAddress().toIPv4Address() == 0x7F000001) {
            command = "PORT 127,0,0,1," + p;
        } else {
            command = "PORT " + QByteArray::number(local >> 24) + ',' + QByteArray::number((local >> 16) & 0xFF) +
                      ',' + QByteArray::number((local >> 8) & 0xFF) + ',' + QByteArray::number(local & 0xFF) +
                      ',' + p;
        }
    }
    m_pasvReply.clear();  // a stale 227 must not steer this transfer
    m_bytesDone = 0;
    m_currentStep = spPort;
    IssueCommand(rkPort, spPort, command, {200, 227});
}

// Connects to the port of the last 227 reply, or fails the transfer with `failCode` when the
// reply names none. The data connection goes to the control connection's peer whatever
// address the reply names, so a server cannot aim the client elsewhere.
bool TCustomFtpCli::ConnectPassive(int failCode)
{
    quint16 port = 0;
    if (!ParsePasvReply(m_pasvReply, nullptr, &port) || port == 0) {
        FreeOwnStream();
        CloseData();
        FailLocally(QByteArray::number(failCode) + Text(" FtpException: 无法识别的 PASV 应答"), failCode, failCode);
        return false;
    }
    auto *socket = new QTcpSocket(this);
    const QHostAddress local(LocalAddress);
    if (!LocalAddress.isEmpty() && local != QHostAddress(QHostAddress::AnyIPv4))
        socket->bind(local, 0);
    AdoptData(socket);
    m_dataConnecting = true;
    connect(socket, &QTcpSocket::connected, this, [this] { DataConnected(0); });
    socket->connectToHost(m_ctrl->peerAddress(), port);
    return true;
}

void TCustomFtpCli::AdoptData(QTcpSocket *socket)
{
    m_data = socket;
    m_dataOpen = true;
    connect(socket, &QTcpSocket::readyRead, this, &TCustomFtpCli::DataReadyRead);
    connect(socket, &QTcpSocket::errorOccurred, this, &TCustomFtpCli::DataError);
    connect(socket, &QTcpSocket::disconnected, this, &TCustomFtpCli::DataDisconnected);
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        DataActivity();
        if (m_data && m_data->bytesToWrite() < BlockSize)
            SendNextBlock();
    });
}

// ---- Local stream ----

bool TCustomFtpCli::OpenLocalStream(bool forWriting)
{
    FreeOwnStream();
    m_stream = LocalStream;
    if (!LocalStream) {
        auto file = std::make_unique<QFile>(LocalFile);
        QIODevice::OpenMode mode = QIODevice::ReadOnly;
        if (forWriting)
            mode = ResumePos > 0 ? QIODevice::ReadWrite | QIODevice::ExistingOnly
                                 : QIODevice::WriteOnly | QIODevice::Truncate;
        if (!file->open(mode | QIODevice::Unbuffered) || !LockForShareMode(*file, FileShareMode))
            return false;
        m_ownFile = std::move(file);
        m_stream = m_ownFile.get();
    }
    if (ResumePos > 0 && !m_stream->seek(ResumePos))
        return false;
    return true;
}

// ---- Incoming transfers ----

void TCustomFtpCli::StartGet() { StartIncoming("RETR", rkGet, spGet); }
void TCustomFtpCli::StartDir() { StartIncoming("LIST", rkDir, spDir); }
void TCustomFtpCli::StartLs() { StartIncoming("NLST", rkLs, spLs); }

void TCustomFtpCli::StartIncoming(const QByteArray &command, TFtpRequestKind kind, TFtpStep step)
{
    if (!m_connected)
        throw FtpException(QString::fromUtf8(command) + QStringLiteral(": 未连接"));
    if (LocalFile.isEmpty() && !LocalStream)
        throw FtpException(QStringLiteral("本地文件名为空"));
    const QByteArray text = RemoteFile.isEmpty() ? command : command + ' ' + RemoteFile;
    RefuseLineBreaks(text);
    if (!m_chainRunning)
        m_requestKind = kind;
    m_currentStep = step;
    m_dataCommand = command;
    m_direction = Direction::In;
    m_finalReplySeen = m_dataClosed = false;
    m_done = false;
    m_bytesDone = 0;
    m_dataCloseError = 0;
    m_fault = 0;
    m_startTick = 0;

    if (!OpenLocalStream(true)) {
        FreeOwnStream();
        CloseData();
        FailLocally(Text("无法打开本地文件 ") + LocalFile.toUtf8(), 550, 550);
        return;
    }
    if (Passive) {
        if (!ConnectPassive(550))
            return;
    } else if (m_data) {
        // Connected back already, right after PORT: take up what it may hold.
        m_startTick = Tick();
        QMetaObject::invokeMethod(this, &TCustomFtpCli::DataDisconnected, Qt::QueuedConnection);
    }
    SetState(esWaitingReply);
    m_replyStep = &TCustomFtpCli::IncomingFirstReply;
    SendCommand(text);
}

void TCustomFtpCli::IncomingFirstReply()
{
    Display(Text("< ") + m_lastReply);
    const int code = m_replyCode;
    if (code == 125 || (code >= 150 && code <= 159)) {
        m_replyStep = &TCustomFtpCli::IncomingFinalReply;
        return;
    }
    TransferRefused(code);
}

void TCustomFtpCli::IncomingFinalReply()
{
    Display(Text("< ") + m_lastReply);
    const int code = m_replyCode;
    if (code == 125 || code == 226 || code == 250) {
        m_finalReplySeen = true;
        m_replyStep = nullptr;
        EndCheck();
        return;
    }
    SetErrorText();
    FreeOwnStream();
    CloseData();
    Display("! " + m_dataCommand + Text(" 失败"));
    m_resultCode = code;
    Finish(code);
}

// ---- Outgoing transfers ----

void TCustomFtpCli::StartPut() { StartOutgoing("STOR", rkPut, spPut); }
void TCustomFtpCli::StartAppend() { StartOutgoing("APPE", rkAppend, spAppend); }

void TCustomFtpCli::StartOutgoing(const QByteArray &command, TFtpRequestKind kind, TFtpStep step)
{
    m_requestKind = kind;
    if (!m_connected)
        throw FtpException(QStringLiteral("STOR/APPE: 未连接"));
    if (LocalFile.isEmpty() && !LocalStream)
        throw FtpException(QStringLiteral("本地文件名为空"));
    const QByteArray text = command + ' ' + RemoteFile;
    RefuseLineBreaks(text);
    m_currentStep = step;
    m_dataCommand = command;
    m_direction = Direction::Out;
    m_finalReplySeen = m_dataClosed = false;
    m_done = false;
    m_uploadConnReady = m_uploadReplySeen = false;
    m_startTick = 0;
    m_bytesDone = 0;
    m_dataCloseError = 0;
    m_fault = 0;
    m_uploadEof = false;

    if (!OpenLocalStream(false)) {
        FreeOwnStream();
        m_errorText = Text("426 无法打开本地文件 ") + LocalFile.toUtf8();
        m_replyCode = 426;
        Display("! " + m_errorText);
        CloseData();
        m_resultCode = 426;
        Finish(426);
        return;
    }
    if (Passive) {
        if (!ConnectPassive(426))
            return;
        // STOR goes out once the data connection is up
        SetState(esWaitingReply);
        m_replyStep = nullptr;
        return;
    }
    m_uploadConnReady = m_data && m_dataOpen;  // connected back right after PORT
    SetState(esWaitingReply);
    m_replyStep = &TCustomFtpCli::OutgoingFirstReply;
    SendCommand(text);
}

void TCustomFtpCli::OutgoingFirstReply()
{
    Display(Text("< ") + m_lastReply);
    const int code = m_replyCode;
    if (code == 150 || code == 125) {
        m_uploadReplySeen = true;
        m_replyStep = &TCustomFtpCli::OutgoingFinalReply;
        if (Passive)
            SendNextBlock();
        else if (m_uploadConnReady && m_startTick == 0)
            QMetaObject::invokeMethod(this, &TCustomFtpCli::StartSending, Qt::QueuedConnection);
        return;
    }
    TransferRefused(code);
}

void TCustomFtpCli::OutgoingFinalReply()
{
    Display(Text("< ") + m_lastReply);
    const int code = m_replyCode;
    if (code == 226 || code == 250) {
        m_finalReplySeen = true;
        m_replyStep = nullptr;
        EndCheck();
        return;
    }
    SetErrorText();
    FreeOwnStream();
    CloseData();
    Display(Text("! STOR 失败"));
    m_resultCode = code;
    Finish(code);
}

void TCustomFtpCli::StartSending()
{
    if (m_done || m_direction != Direction::Out || !m_data)
        return;
    m_startTick = Tick();
    SendNextBlock();
}

// The next block goes out when the socket's queue holds less than a block, so the engine
// keeps at most two blocks queued and the network never waits for a file read.
void TCustomFtpCli::SendNextBlock()
{
    if (m_direction != Direction::Out || !m_stream || !m_data || m_uploadEof || !m_dataOpen)
        return;
    if (!m_uploadReplySeen || !m_uploadConnReady)
        return;
    if (TransferProgress()) {
        Display(Text("! 已请求中断"));
        SetFault(426, Text("426 操作中断。"));
        ShutDownData(0);
        return;
    }
    // A fresh block each time: the socket keeps it as it is instead of copying it.
    QByteArray block(BlockSize, Qt::Uninitialized);
    const qint64 count = m_stream->read(block.data(), BlockSize);
    if (count < 0) {
        Display(Text("! 读取文件错误"));
        SetFault(426, Text("426 读取文件错误"));
        ShutDownData(0);
        return;
    }
    if (count == 0) {
        m_uploadEof = true;
        m_data->disconnectFromHost();  // after the data already queued
        return;
    }
    m_bytesDone += count;
    block.truncate(count);
    m_data->write(block);
}

// ---- Both directions ----

void TCustomFtpCli::DataAccepted()
{
    if (!m_listener)
        return;
    QTcpSocket *socket = m_listener->nextPendingConnection();
    if (!socket || m_data)
        return;
    m_listener->close();
    m_listener->deleteLater();
    m_listener = nullptr;
    socket->setParent(this);
    AdoptData(socket);
    if (m_direction == Direction::None)
        return;  // before the transfer command; its start takes the connection up
    m_startTick = Tick();
    if (m_direction == Direction::Out) {
        m_startTick = 0;
        m_uploadConnReady = true;
        if (m_uploadReplySeen)
            QMetaObject::invokeMethod(this, &TCustomFtpCli::StartSending, Qt::QueuedConnection);
    }
    DataReadyRead();  // the server may have sent and closed before we adopted it
}

void TCustomFtpCli::DataConnected(int error)
{
    m_dataConnecting = false;
    m_startTick = Tick();
    if (error != 0) {
        m_lastReply = Text("无法建立数据连接，错误 #") + QByteArray::number(error);
        m_replyCode = 550;
        SetErrorText();
        CloseData();
        FreeOwnStream();
        m_resultCode = 550;
        Finish(550);
        return;
    }
    if (m_direction == Direction::Out) {
        m_uploadConnReady = true;
        SetState(esWaitingReply);
        m_replyStep = &TCustomFtpCli::OutgoingFirstReply;
        SendCommand(m_dataCommand + ' ' + RemoteFile);
    }
}

void TCustomFtpCli::DataReadyRead()
{
    if (!m_data || m_direction == Direction::None)
        return;
    DataActivity();
    if (m_direction != Direction::In) {
        m_data->readAll();  // nothing is expected from the server while uploading
        return;
    }
    while (m_data && m_dataOpen && m_data->bytesAvailable() > 0) {
        if (TransferProgress()) {
            Display(Text("! 已请求中断"));
            SetFault(426, Text("426 操作中断。"));
            ShutDownData(0);
            return;
        }
        // A whole chunk of the socket's buffer is handed over without a copy.
        const QByteArray block = m_data->read(BlockSize);
        const qint64 count = block.size();
        if (count <= 0)
            return;
        m_bytesDone += count;
        if (!m_stream || m_stream->write(block.constData(), count) != count) {
            Display(Text("! 写入本地文件错误"));
            SetFault(550, Text("550 写入本地文件错误"));
            ShutDownData(0);
            return;
        }
    }
}

void TCustomFtpCli::DataError(QAbstractSocket::SocketError error)
{
    if (!m_dataOpen)
        return;
    if (m_dataConnecting) {
        DataConnected(SocketErrorNumber(error));  // the passive connect failed
        return;
    }
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;  // a clean close; the disconnected signal follows
    const int n = SocketErrorNumber(error);
    if (m_direction == Direction::In) {
        DataReadyRead();
        Display(Text("! 数据: 接收错误 ") + QByteArray::number(n));
    } else {
        Display(Text("! 错误 #") + QByteArray::number(n) + Text(" 正在发送数据"));
        SetFault(426, Text("426 错误 #") + QByteArray::number(n) + Text(" 正在发送数据"));
    }
    ShutDownData(n);
}

void TCustomFtpCli::DataDisconnected()
{
    if (!m_dataOpen || m_direction == Direction::None)
        return;
    DataReadyRead();  // the last bytes may come with the close
    if (m_dataOpen && m_data && m_data->state() == QAbstractSocket::UnconnectedState)
        ShutDownData(0);
}

// Our close of the data connection, or the end of the server's: handled here at once.
void TCustomFtpCli::ShutDownData(int error)
{
    if (!m_dataOpen)
        return;
    m_dataOpen = false;
    if (m_data) {
        QSignalBlocker block(m_data);
        m_data->abort();
        m_data->deleteLater();
        m_data = nullptr;
    }
    DataClosed(error);
}

void TCustomFtpCli::DataClosed(int error)
{
    if (m_direction == Direction::Out && !m_uploadEof && m_fault == 0)
        SetFault(426, Text("426 数据连接在发送完成前关闭"));
    if (m_ownFile && m_direction == Direction::In && !m_ownFile->flush())
        SetFault(550, Text("550 写入本地文件错误"));
    FreeOwnStream();
    m_dataClosed = true;
    m_dataCloseError = error;
    EndCheck();
}

void TCustomFtpCli::SetFault(int code, const QByteArray &text)
{
    if (m_fault != 0)
        return;
    m_fault = code;
    m_faultText = text;
}

// The server did not start the transfer: its reply ends the request.
void TCustomFtpCli::TransferRefused(int code)
{
    SetErrorText();
    m_replyStep = nullptr;
    CloseData();
    FreeOwnStream();
    ResumePos = 0;
    m_resultCode = code;
    Finish(code);
}

// The request ends at the second of the two: the final reply and the data connection's close.
void TCustomFtpCli::EndCheck()
{
    if (!m_finalReplySeen || !m_dataClosed || m_done)
        return;
    TransferStatistics();
    ResumePos = 0;
    m_direction = Direction::None;
    if (m_fault != 0) {
        // A broken transfer is never reported as complete, whatever the server said.
        m_lastReply = m_faultText;
        m_replyCode = m_resultCode = m_fault;
        SetErrorText();
        Finish(m_fault);
        return;
    }
    m_resultCode = m_dataCloseError;
    Finish(m_dataCloseError);
}

void TCustomFtpCli::TransferStatistics()
{
    m_stopTick = Tick();
    if (m_startTick != 0)
        m_elapsedSeconds = double(m_stopTick - m_startTick) / 1000.0;
}

qint64 TCustomFtpCli::BlockSizeForLimit(int bytesPerSecond)
{
    if (bytesPerSecond <= 0)
        return TransferBlockSize;
    return std::clamp<qint64>(bytesPerSecond / 20, 4096, TransferBlockSize);
}
