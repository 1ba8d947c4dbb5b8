#include "tcustomftpcli.h"

#include "replytext.h"
#include "socketerrors.h"

#include <QtCore/QFile>
#include <QtCore/QMetaObject>
#include <QtCore/QPointer>
#include <QtCore/QSignalBlocker>
#include <QtNetwork/QTcpSocket>

#include <netdb.h>

namespace {
constexpr qsizetype kBufferSize = 4096;  // one byte stays free, as for a terminating zero

QByteArray Text(const char *utf8) { return QByteArray(utf8); }

QString NotReady() { return QStringLiteral("FTP 组建未准备好"); }
QString NotConnected() { return QStringLiteral("FTP 组建未连接"); }
QString AlreadyConnected() { return QStringLiteral("FTP 组件已连接"); }

// A command holding CR or LF would smuggle a second command onto the control connection.
bool HasLineBreak(const QByteArray &command)
{
    return command.contains('\r') || command.contains('\n');
}
QString LineBreakRefused() { return QStringLiteral("命令中含有回车或换行符"); }

QByteArray WinsockText(const QString &text, int n)
{
    return text.toUtf8() + Text(" (Winsock 错误 #") + QByteArray::number(n) + ')';
}

// "ftp" and other service names come from the local services table, never from the network.
int ParsePort(const QString &text)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (ok) {
        if (number < 1 || number > 65535)
            throw FtpException(QStringLiteral("端口号无效: %1").arg(text));
        return number;
    }
    const QByteArray name = text.trimmed().toUtf8();
    const servent *entry = name.isEmpty() ? nullptr : getservbyname(name.constData(), "tcp");
    if (!entry)
        throw FtpException(QStringLiteral("端口号无效: %1").arg(text));
    return ntohs(quint16(entry->s_port));
}

const QByteArray kAborted = QByteArray("426 操作中断。");
}  // namespace

TCustomFtpCli::TCustomFtpCli(QObject *parent)
    : QObject(parent), m_ctrl(new QTcpSocket(this))
{
    m_rbuf.reserve(kBufferSize);
    Resolver = [this](const QString &host, std::function<void(const QHostInfo &)> done) {
        QHostInfo::lookupHost(host, this, [done](const QHostInfo &info) { done(info); });
    };
    connect(m_ctrl, &QTcpSocket::connected, this, &TCustomFtpCli::CtrlConnected);
    connect(m_ctrl, &QTcpSocket::readyRead, this, &TCustomFtpCli::CtrlReadyRead);
    connect(m_ctrl, &QTcpSocket::errorOccurred, this, &TCustomFtpCli::CtrlError);
    connect(m_ctrl, &QTcpSocket::disconnected, this, &TCustomFtpCli::CtrlDisconnected);
}

TCustomFtpCli::~TCustomFtpCli()
{
    // No notification may reach an owner that is tearing the engine down.
    QSignalBlocker block(m_ctrl);
    m_ctrl->abort();
    CloseData();
    FreeOwnStream();
}

bool TCustomFtpCli::IsConnected() const
{
    return m_ctrl->state() != QAbstractSocket::UnconnectedState;
}

void TCustomFtpCli::SetState(TFtpEngineState state)
{
    m_state = state;
    if (IsReady())
        ReadyStateReached();
}

void TCustomFtpCli::Display(const QByteArray &line)
{
    if (OnDisplayLine) {
        QByteArray copy = line;
        OnDisplayLine(this, copy);
    }
}

void TCustomFtpCli::SetErrorText()
{
    if (m_errorText.isEmpty())
        m_errorText = m_lastReply;
}

void TCustomFtpCli::FailLocally(const QByteArray &reply, int code, int error)
{
    m_lastReply = reply;
    m_replyCode = code;
    m_resultCode = code;
    SetErrorText();
    Finish(error);
}

// ---- Opening the control connection ----

void TCustomFtpCli::StartOpen()
{
    if (m_connected)
        throw FtpException(AlreadyConnected());
    if (!IsReady())
        throw FtpException(NotReady());
    if (!m_chainRunning)
        m_requestKind = rkOpen;
    m_done = false;
    m_rbuf.clear();
    m_resultCode = 0;
    SetState(esResolving);
    const quint64 generation = ++m_lookupGeneration;
    QPointer<TCustomFtpCli> self(this);
    Resolver(Host, [self, generation](const QHostInfo &info) {
        if (!self)
            return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, info] {
                if (self && self->m_lookupGeneration == generation && self->m_state == esResolving)
                    self->LookupDone(info);
            },
            Qt::QueuedConnection);
    });
}

void TCustomFtpCli::LookupDone(const QHostInfo &info)
{
    QList<QHostAddress> addresses = info.addresses();
    if (info.error() != QHostInfo::NoError || addresses.isEmpty()) {
        const int n = info.error() == QHostInfo::NoError ? LookupErrorNumber(QHostInfo::HostNotFound)
                                                         : LookupErrorNumber(info.error());
        const QString text = info.errorString().isEmpty() ? QStringLiteral("Host not found") : info.errorString();
        FailLocally(Text("500 ") + WinsockText(text, n), 500, n);
        return;
    }
    QHostAddress address = addresses.first();
    for (const QHostAddress &a : addresses) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            address = a;
            break;
        }
    }
    try {
        const int port = ParsePort(Port);
        SetState(esWaitingGreeting);
        m_ctrlOpen = true;
        m_closingByUs = false;
        const QHostAddress local(LocalAddress);
        if (!LocalAddress.isEmpty() && local != QHostAddress(QHostAddress::AnyIPv4) && !m_ctrl->bind(local, 0))
            throw FtpException(m_ctrl->errorString());
        m_ctrl->connectToHost(address, quint16(port));
    } catch (const FtpException &e) {
        m_ctrlOpen = false;
        FailLocally(Text("500 FtpException: ") + e.Message().toUtf8(), 500, 500);
    }
}

void TCustomFtpCli::CtrlConnected()
{
    m_connected = true;
    if (OnControlConnected)
        OnControlConnected(this, 0);
}

void TCustomFtpCli::CtrlError(QAbstractSocket::SocketError error)
{
    if (!m_ctrlOpen)
        return;
    if (!m_connected && m_state == esWaitingGreeting) {
        // The connect itself failed.
        const int n = SocketErrorNumber(error);
        const QByteArray reply = Text("500 ") + WinsockText(m_ctrl->errorString(), n);
        m_continuation = false;
        m_ctrlOpen = false;
        ++m_ctrlGeneration;
        FailLocally(reply, 500, n);
        QSignalBlocker block(m_ctrl);
        m_ctrl->abort();
        SetState(esReady);
        return;
    }
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;  // the disconnected signal follows and reports a clean close
    ReadControl();
    if (!m_ctrlOpen)
        return;
    const int n = SocketErrorNumber(error);
    m_ctrlOpen = false;
    ++m_ctrlGeneration;
    {
        QSignalBlocker block(m_ctrl);
        m_ctrl->abort();
    }
    ControlClosed(n);
}

void TCustomFtpCli::CtrlDisconnected()
{
    if (!m_ctrlOpen)
        return;
    ReadControl();  // the server's last lines may come with its close
    if (!m_ctrlOpen)
        return;
    m_ctrlOpen = false;
    ++m_ctrlGeneration;
    ControlClosed(0);
}

// Our own close: the socket is closed at once and the close is handled right here.
void TCustomFtpCli::CloseControl(bool ourChoice)
{
    const bool wasOpen = m_ctrlOpen;
    m_ctrlOpen = false;
    ++m_ctrlGeneration;
    m_closingByUs = ourChoice;
    {
        QSignalBlocker block(m_ctrl);
        m_ctrl->abort();
    }
    m_rbuf.clear();
    if (wasOpen)
        ControlClosed(0);
    m_closingByUs = false;
}

void TCustomFtpCli::ControlClosed(int error)
{
    const bool requestRunning = !m_done;
    if (m_state == esAborting && m_startTick != 0)
        TransferStatistics();
    if (m_connected) {
        m_connected = false;
        if (m_state != esAborting)
            SetState(esNotConnected);
        if (OnControlClosed)
            OnControlClosed(this, error);
    }
    if (m_state != esAborting)
        SetState(esStepReady);
    if (error != 0) {
        m_lastReply = Text("500 控制连接已关闭。") + WinsockText(m_ctrl->errorString(), error);
        m_replyCode = m_resultCode = 500;
        SetErrorText();
    } else if (requestRunning && !m_closingByUs && m_state != esAborting && m_resultCode == 0) {
        // The server went away before answering: that is no success.
        m_lastReply = Text("500 控制连接已关闭。");
        m_replyCode = m_resultCode = 500;
        SetErrorText();
    }
    Finish(m_resultCode);
}

// ---- Reading the control connection ----

void TCustomFtpCli::CtrlReadyRead()
{
    DataActivity();
    ReadControl();
}

void TCustomFtpCli::ReadControl()
{
    const quint64 generation = m_ctrlGeneration;
    for (;;) {
        while (m_rbuf.contains('\n')) {
            if (!HandleLine() || generation != m_ctrlGeneration)
                return;
        }
        if (m_ctrl->bytesAvailable() <= 0)
            return;
        const qsizetype room = kBufferSize - 1 - m_rbuf.size();
        if (room <= 0) {
            // A line longer than the buffer can never end: give the connection up.
            CloseControl(false);
            return;
        }
        const QByteArray chunk = m_ctrl->read(room);
        if (chunk.isEmpty())
            return;
        m_rbuf += chunk;
    }
}

// Takes one line off the buffer and routes it; false when the rest must not be handled.
bool TCustomFtpCli::HandleLine()
{
    const qsizetype lf = m_rbuf.indexOf('\n');
    qsizetype end = lf;
    while (end > 0 && (m_rbuf[end - 1] == '\r' || m_rbuf[end - 1] == '\n'))
        --end;
    m_lastReply = m_rbuf.left(end);
    m_rbuf.remove(0, lf + 1);
    int code = 0;
    m_lineFinal = IsFinalReply(m_lastReply, &code);
    if (m_lineFinal)
        m_replyCode = code;

    const quint64 generation = m_ctrlGeneration;
    if (OnReplyLine)
        OnReplyLine(this);
    if (generation != m_ctrlGeneration)
        return false;

    if (m_state == esWaitingGreeting) {
        Display(Text("< ") + m_lastReply);
        if (!m_lineFinal)
            return true;
        if (m_replyCode != 220) {
            SetErrorText();
            m_resultCode = m_replyCode;
            CloseControl(true);
            return false;
        }
        SetState(esConnected);
        Finish(0);
        return true;
    }
    if (m_state == esWaitingReply && m_lineFinal && m_replyStep) {
        (this->*m_replyStep)();
        return true;
    }
    Display(Text("< ") + m_lastReply);
    return true;
}

// ---- Commands and replies ----

void TCustomFtpCli::IssueCommand(TFtpRequestKind kind, TFtpStep step, const QByteArray &command,
                                 QList<int> accepted, Routine stepDone)
{
    if (command != "ABOR" && command != "STAT" && command != "QUIT") {
        if (!IsReady())
            throw FtpException(NotReady());
        if (!m_connected)
            throw FtpException(NotConnected());
    }
    RefuseLineBreaks(command);
    if (!m_chainRunning)
        m_requestKind = kind;
    if (step != spNone)
        m_currentStep = step;
    if (accepted.size() > 15)
        accepted.resize(15);
    m_accepted = accepted;
    m_done = false;
    m_replyStep = &TCustomFtpCli::GenericReplyStep;
    m_stepDone = stepDone;
    m_errorText.clear();
    SetState(esWaitingReply);
    SendCommand(command);
}

void TCustomFtpCli::RefuseLineBreaks(const QByteArray &command)
{
    if (HasLineBreak(command))
        throw FtpException(LineBreakRefused());
}

void TCustomFtpCli::SendCommand(const QByteArray &command)
{
    QByteArray text = command;
    if (OnBeforeCommand)
        OnBeforeCommand(this, text);
    if (HasLineBreak(text)) {
        FailLocally(Text("500 ") + LineBreakRefused().toUtf8(), 500, 500);
        return;
    }
    Display(Text("> ") + text);
    if (m_ctrl->state() == QAbstractSocket::ConnectedState)
        m_ctrl->write(text + "\r\n");
}

void TCustomFtpCli::GenericReplyStep()
{
    Display(Text("< ") + m_lastReply);
    const int code = m_replyCode;
    const bool ok = m_accepted.isEmpty() ? code < 500 : m_accepted.contains(code);
    if (ok) {
        m_resultCode = 0;
    } else {
        m_resultCode = code;
        SetErrorText();
    }
    if (Passive && code == 227)
        m_pasvReply = m_lastReply;
    if (m_resultCode == 0)
        ExtractResults();
    if (m_stepDone)
        (this->*m_stepDone)();
    else
        Finish(m_resultCode);
}

void TCustomFtpCli::ExtractResults()
{
    qsizetype pos = 0;
    switch (m_currentStep) {
    case spSize:
        ReadNumber32(m_lastReply, pos);
        m_remoteSize = ReadNumber64(m_lastReply, pos);
        break;
    case spCwd:
    case spMkd:
    case spPwd:
    case spCDup:
        ReadNumber32(m_lastReply, pos);
        m_replyPath = ReadQuoted(m_lastReply, pos);
        break;
    default:
        break;
    }
}

// ---- Finishing and cancelling ----

void TCustomFtpCli::Finish(int error)
{
    if (m_done)
        return;
    m_done = true;
    if (error == 0 && m_chainRunning && m_continuation) {
        if (m_state != esAborting)
            SetState(esStepReady);
        ChainStep(false);
        return;
    }
    m_chainRunning = false;
    m_continuation = false;
    SetState(esReady);
    CloseData();
    PostCompletion(error);
}

void TCustomFtpCli::PostCompletion(int error)
{
    QMetaObject::invokeMethod(
        this,
        [this, error] {
            if (!OnRequestFinished)
                return;
            try {
                OnRequestFinished(this, m_requestKind, error);
            } catch (...) {
                // A failing handler must not take the event loop down with it.
            }
        },
        Qt::QueuedConnection);
}

void TCustomFtpCli::Cancel()
{
    const TFtpEngineState old = m_state;
    SetState(esAborting);
    FreeOwnStream();
    if (old == esResolving)
        ++m_lookupGeneration;  // a late answer of the lookup is dropped
    if (!m_done && !m_chainRunning) {
        // A cancelled request has failed, whatever the last reply said.
        if (m_resultCode == 0)
            m_resultCode = 426;
        if (m_errorText.isEmpty())
            m_errorText = kAborted;
    }
    if (m_ctrlOpen || m_ctrl->state() != QAbstractSocket::UnconnectedState)
        CloseControl(true);
    CloseData();
    if (!m_done)
        Finish(m_resultCode);  // nothing was open to close, as while resolving
    FreeOwnStream();
    m_connected = false;
    SetState(esReady);
}

// ---- Single-command requests ----

void TCustomFtpCli::StartUser()
{
    if (LoginUser.isEmpty())
        throw FtpException(QStringLiteral("用户名为空"));
    IssueCommand(rkUser, spUser, "USER " + LoginUser, {331, 230});
}

void TCustomFtpCli::StartPass()
{
    if (LoginPassword.isEmpty())
        throw FtpException(QStringLiteral("密码为空"));
    IssueCommand(rkPass, spPass, "PASS " + LoginPassword, {230});
}

void TCustomFtpCli::StartCwd()
{
    if (RemoteDir.isEmpty())
        throw FtpException(QStringLiteral("主机目录名为空"));
    IssueCommand(rkCwd, spCwd, "CWD " + RemoteDir, {200, 250, 257});
}

void TCustomFtpCli::StartPwd() { IssueCommand(rkPwd, spPwd, "PWD", {250, 257}); }
void TCustomFtpCli::StartCDup() { IssueCommand(rkCDup, spCDup, "CDUP", {250, 257}); }

void TCustomFtpCli::StartTypeSet()
{
    IssueCommand(rkTypeSet, spTypeSet, QByteArray("TYPE ") + TransferType, {200});
}

void TCustomFtpCli::StartTypeBinary()
{
    TransferType = 'I';
    StartTypeSet();
}

void TCustomFtpCli::StartTypeAscii()
{
    TransferType = 'A';
    StartTypeSet();
}

void TCustomFtpCli::StartSyst() { IssueCommand(rkSyst, spSyst, "SYST", {215}); }

void TCustomFtpCli::StartSize()
{
    m_remoteSize = 0;
    IssueCommand(rkSize, spSize, "SIZE " + RemoteFile, {213});
}

void TCustomFtpCli::StartMkd() { IssueCommand(rkMkd, spMkd, "MKD " + RemoteFile, {250, 257}); }
void TCustomFtpCli::StartRmd() { IssueCommand(rkRmd, spRmd, "RMD " + RemoteFile, {250, 257}); }
void TCustomFtpCli::StartDele() { IssueCommand(rkDele, spDele, "DELE " + RemoteFile, {250, 257}); }
void TCustomFtpCli::StartRenFrom() { IssueCommand(rkRenFrom, spRenFrom, "RNFR " + RemoteFile, {350}); }

void TCustomFtpCli::StartRenTo()
{
    IssueCommand(rkRenTo, spRenTo, "RNTO " + LocalFile.toUtf8(), {200, 250, 257});
}

void TCustomFtpCli::StartAbor() { IssueCommand(rkAbor, spAbor, "ABOR", {}); }
void TCustomFtpCli::StartQuote() { IssueCommand(rkQuote, spQuote, LocalFile.toUtf8(), {}); }

void TCustomFtpCli::StartQuit()
{
    FreeOwnStream();
    IssueCommand(rkQuit, spQuit, "QUIT", {221}, &TCustomFtpCli::QuitDone);
}

void TCustomFtpCli::QuitDone() { CloseControl(true); }

void TCustomFtpCli::StartRest()
{
    if (ResumePos >= 0) {
        IssueCommand(rkRest, spRest, "REST " + QByteArray::number(ResumePos), {});
        return;
    }
    if (!IsReady())
        throw FtpException(NotReady());
    if (!m_connected)
        throw FtpException(NotConnected());
    if (!m_chainRunning)
        m_requestKind = rkRest;
    m_currentStep = spRest;
    m_errorText.clear();
    m_resultCode = 0;
    m_done = false;
    Finish(0);
}

// ---- Chains ----

void TCustomFtpCli::RequestConnect() { StartChain(rkConnect, StepBit(spOpen) | StepBit(spUser) | StepBit(spPass)); }
void TCustomFtpCli::RequestRename() { StartChain(rkRename, StepBit(spRenFrom) | StepBit(spRenTo)); }
void TCustomFtpCli::RequestDir() { StartChain(rkDir, StepBit(spPort) | StepBit(spDir)); }
void TCustomFtpCli::RequestLs() { StartChain(rkLs, StepBit(spPort) | StepBit(spLs)); }
void TCustomFtpCli::RequestGet() { StartChain(rkGet, StepBit(spPort) | StepBit(spGet)); }
void TCustomFtpCli::RequestRestGet() { StartChain(rkRestGet, StepBit(spPort) | StepBit(spRest) | StepBit(spGet)); }
void TCustomFtpCli::RequestPut() { StartChain(rkPut, StepBit(spPort) | StepBit(spPut)); }
void TCustomFtpCli::RequestRestPut() { StartChain(rkRestPut, StepBit(spPort) | StepBit(spRest) | StepBit(spPut)); }
void TCustomFtpCli::RequestAppend() { StartChain(rkAppend, StepBit(spPort) | StepBit(spAppend)); }

void TCustomFtpCli::StartChain(TFtpRequestKind kind, TFtpStepSet steps)
{
    if (m_connected && (steps & StepBit(spOpen)))
        throw FtpException(AlreadyConnected());
    if (!IsReady())
        throw FtpException(NotReady());
    m_requestKind = kind;
    m_resultCode = 0;
    m_stepSet = steps;
    m_currentStep = spNone;
    m_chainResult = 0;
    m_chainRunning = true;
    m_lastReply.clear();
    m_errorText.clear();
    m_continuation = false;
    ChainStep(true);
}

void TCustomFtpCli::ChainStep(bool first)
{
    if (m_state == esAborting) {
        m_stepSet = 0;
        m_chainResult = 426;
        m_errorText = kAborted;
    }
    m_continuation = true;
    if (m_resultCode == 0)
        ExtractResults();
    try {
        RunNextStep();
    } catch (const FtpException &e) {
        m_stepSet = 0;
        m_continuation = false;
        if (first) {
            // Refused before anything was sent: the caller gets the refusal itself.
            m_chainRunning = false;
            m_done = true;
            SetState(esReady);
            throw;
        }
        m_done = false;
        FailLocally(Text("500 ") + e.Message().toUtf8(), 500, 500);
    }
}

void TCustomFtpCli::RunNextStep()
{
    const TFtpStep previous = m_currentStep;
    const int previousCode = m_replyCode;
    static const TFtpStep order[] = {
        spOpen, spUser, spPass, spCwd, spCDup, spTypeSet, spPort, spRest, spGet, spPut,
        spAppend, spDir, spLs, spSyst, spMkd, spRmd, spRenFrom, spRenTo, spSize, spDele,
        spPwd, spAbor, spQuote, spQuit,
    };
    for (TFtpStep step : order) {
        if (!(m_stepSet & StepBit(step)))
            continue;
        m_stepSet &= ~StepBit(step);
        if (step == spPass && previous == spUser && previousCode != 331)
            continue;
        if (step == spCwd && RemoteDir.isEmpty())
            continue;
        m_currentStep = step;
        switch (step) {
        case spOpen: StartOpen(); break;
        case spUser: StartUser(); break;
        case spPass: StartPass(); break;
        case spCwd: StartCwd(); break;
        case spCDup: StartCDup(); break;
        case spTypeSet: StartTypeSet(); break;
        case spRest: StartRest(); break;
        case spSyst: StartSyst(); break;
        case spMkd: StartMkd(); break;
        case spRmd: StartRmd(); break;
        case spRenFrom: StartRenFrom(); break;
        case spRenTo: StartRenTo(); break;
        case spSize: StartSize(); break;
        case spDele: StartDele(); break;
        case spPwd: StartPwd(); break;
        case spAbor: StartAbor(); break;
        case spQuote: StartQuote(); break;
        case spQuit: StartQuit(); break;
        default:
            if (step == spGet && !(previous == spRest && ResumePos >= 0 && previousCode == 350))
                ResumePos = 0;
            // An upload after a refused REST must send the whole file, not its tail.
            if (step == spPut && previous == spRest && (ResumePos < 0 || previousCode != 350))
                ResumePos = 0;
            StartDataStep(step);
            break;
        }
        return;
    }
    m_stepSet = 0;
    m_continuation = false;
    m_done = false;
    Finish(m_chainResult);
}

