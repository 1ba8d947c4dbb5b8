#include "tftpmainthread.h"

#include "tsessionengine.h"

#include <QtCore/QMetaObject>
#include <QtCore/QRandomGenerator>

TFtpMainThread::TFtpMainThread(QObject *parent, int tickMs)
    : QObject(parent), m_engine(new TSessionEngine(this))
{
    m_monotonic.start();
    m_clock = [this] { return m_monotonic.elapsed(); };
    m_ticker.setInterval(tickMs);
    connect(&m_ticker, &QTimer::timeout, this, &TFtpMainThread::Tick);
    m_ticker.start();
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &TFtpMainThread::WatchdogFired);
    m_retrySlot.Run = &TFtpMainThread::Retry;
    m_idleSlot.Run = &TFtpMainThread::IdleTick;

    TSessionEngine &e = *m_engine;
    e.OnBeforeCommand = [this](TCustomFtpCli *, QByteArray &command) { BeforeCommand(command); };
    e.OnReplyLine = [this](TCustomFtpCli *) { ReplyLine(); };
    e.OnControlConnected = [this](TCustomFtpCli *, int) { ControlConnected(); };
    e.OnControlClosed = [this](TCustomFtpCli *, int) { ControlClosed(); };
    e.OnRequestFinished = [this](TCustomFtpCli *, TFtpRequestKind kind, int error) { RequestFinished(kind, error); };
    e.OnTransferProgress = [this](TFtpCli *, bool &abort, qint64 position) {
        if (m_watchdog.isActive())
            m_watchdog.start(m_waitTimeoutMs);
        if (OnListProgress)
            OnListProgress(this, abort, position);
    };
    e.OnActivity = [this] {
        if (m_watchdog.isActive())
            m_watchdog.start(m_waitTimeoutMs);
    };
}

TFtpMainThread::~TFtpMainThread()
{
    // The engine goes down with us; nothing of it may call back into a half-destroyed session.
    m_engine->OnBeforeCommand = nullptr;
    m_engine->OnReplyLine = nullptr;
    m_engine->OnControlConnected = nullptr;
    m_engine->OnControlClosed = nullptr;
    m_engine->OnRequestFinished = nullptr;
    m_engine->OnTransferProgress = nullptr;
    m_engine->OnActivity = nullptr;
    delete m_engine;
    m_engine = nullptr;
}

TFtpCli *TFtpMainThread::Engine() { return m_engine; }

QByteArray TFtpMainThread::ListingText() const
{
    return m_listing ? m_listing->data() : QByteArray();
}

int TFtpMainThread::ConnectedSeconds() const
{
    if (m_connectedStart < 0)
        return 0;
    const qint64 stop = m_connectedStop >= 0 ? m_connectedStop : m_clock();
    return int((stop - m_connectedStart) / 1000);
}

void TFtpMainThread::NewListingStream(bool attach)
{
    auto stream = std::make_unique<QBuffer>();
    stream->open(QIODevice::ReadWrite);
    if (attach)
        m_engine->LocalStream = stream.get();
    else if (m_engine->LocalStream == m_listing.get())
        m_engine->LocalStream = nullptr;
    m_listing = std::move(stream);
}

QByteArray TFtpMainThread::DirWithSlash() const
{
    return m_currentDir.endsWith('/') ? m_currentDir : m_currentDir + '/';
}

// ---- The queue ----

void TFtpMainThread::Queue(std::initializer_list<TFtpCommand> commands, bool post)
{
    m_queue.Append(commands);
    if (post)
        PostRun();
}

void TFtpMainThread::QueueFront(TFtpCommand command) { m_queue.Insert(0, {command}); }
void TFtpMainThread::ClearQueue() { m_queue.SetCount(0); }
bool TFtpMainThread::QueueFirstIs(TFtpCommand command) { return m_queue.Count() > 0 && m_queue.Item(0) == command; }

void TFtpMainThread::PostRun()
{
    QMetaObject::invokeMethod(this, &TFtpMainThread::RunQueue, Qt::QueuedConnection);
}

void TFtpMainThread::Defer(std::function<void()> op)
{
    if (!m_busy && m_queue.Count() == 0)
        op();
    else
        m_pending.append(std::move(op));
}

void TFtpMainThread::PostStep(Routine step)
{
    QMetaObject::invokeMethod(
        this, [this, step] { Defer([this, step] { (this->*step)(); }); }, Qt::QueuedConnection);
}

namespace {
TFtpRequestKind KindOf(TFtpCommand command, int resumeSupport)
{
    switch (command) {
    case fcOpen: return rkOpen;
    case fcUser: return rkUser;
    case fcPass: return rkPass;
    case fcCwd: return rkCwd;
    case fcSize: return rkSize;
    case fcMkd: return rkMkd;
    case fcRmd: return rkRmd;
    case fcRenFrom: return rkRenFrom;
    case fcRenTo: return rkRenTo;
    case fcRename: return rkRename;
    case fcGet: return rkGet;
    case fcDir: return rkDir;
    case fcQuit: return rkQuit;
    case fcSyst: return rkSyst;
    case fcDele: return rkDele;
    case fcPwd: return rkPwd;
    case fcQuote: return rkQuote;
    case fcPut: return rkPut;
    case fcTypeSet: return rkTypeSet;
    case fcRest: return rkRest;
    case fcCDup: return rkCDup;
    case fcLs: return rkLs;
    case fcAppend: return rkAppend;
    case fcAbortXfer: return rkAbor;
    case fcRest0: return rkRest;
    case fcRestGet: return resumeSupport == 1 ? rkRestGet : rkGet;
    case fcChMod: return rkChMod;
    case fcNoop: return rkNoop;
    case fcManualCmd: return rkCommand;
    case fcNone: case fcCheck: case fcPort: case fcSite: break;
    }
    return rkNone;
}
}  // namespace

// The *run* message: starts the first queued command once the engine is free. A run that
// arrives while a request is under way does nothing; that request's completion runs the
// queue on.
void TFtpMainThread::RunQueue()
{
    if (m_busy || m_queue.Count() == 0)
        return;
    m_errorCodes = {500, 501, 502, 503, 504, 530};
    m_idleSlot.Enabled = false;
    m_idleSeconds = 0;
    m_currentCommand = m_queue.Item(0);
    m_queue.Delete(0, 1);
    if (m_cancelled) {
        m_engine->TCustomFtpCli::Cancel();
        ClearQueue();
        m_currentCommand = fcNone;
        return;
    }
    switch (m_currentCommand) {
    case fcCwd: case fcMkd: case fcDele: case fcPut: case fcChMod: m_errorCodes.append(550); break;
    case fcDir: m_errorCodes.append(500); break;
    default: break;
    }
    const TFtpRequestKind kind = KindOf(m_currentCommand, m_resumeSupport);
    if (kind == rkNone) {
        AfterCompletion();  // a marker: nothing to send
        return;
    }
    m_commandLines.clear();
    m_busy = true;
    try {
        StartRequest(m_currentCommand);
    } catch (const FtpException &e) {
        m_busy = false;
        RequestRefused(kind, e.Message());
        return;
    }
    if (m_waitTimeoutMs > 0)
        m_watchdog.start(m_waitTimeoutMs);
}

void TFtpMainThread::StartRequest(TFtpCommand command)
{
    TSessionEngine &e = *m_engine;
    switch (command) {
    case fcOpen: e.StartOpen(); break;
    case fcUser: e.StartUser(); break;
    case fcPass: e.StartPass(); break;
    case fcCwd: e.StartCwd(); break;
    case fcSize: e.StartSize(); break;
    case fcMkd: e.StartMkd(); break;
    case fcRmd: e.StartRmd(); break;
    case fcRenFrom: e.StartRenFrom(); break;
    case fcRenTo: e.StartRenTo(); break;
    case fcRename: e.RequestRename(); break;
    case fcQuit: e.StartQuit(); break;
    case fcSyst: e.StartSyst(); break;
    case fcDele: e.StartDele(); break;
    case fcPwd: e.StartPwd(); break;
    case fcQuote: e.StartQuote(); break;
    case fcTypeSet: e.StartTypeSet(); break;
    case fcRest: e.StartRest(); break;
    case fcCDup: e.StartCDup(); break;
    case fcAbortXfer: e.StartAbor(); break;
    case fcRest0:
        e.ResumePos = 0;
        e.StartRest();
        break;
    case fcChMod: e.StartChMod(); break;
    case fcNoop: e.StartNoop(); break;
    case fcManualCmd: e.StartCommand(m_manualText, {}); break;
    case fcGet: case fcRestGet: case fcDir: case fcLs: case fcPut: case fcAppend:
        StartTransfer(command);
        break;
    case fcNone: case fcCheck: case fcPort: case fcSite: break;
    }
}

// A request the engine refused before sending anything has no completion of its own; it is
// handled as a failed one, so a log-in never hangs and the window always hears of it.
void TFtpMainThread::RequestRefused(TFtpRequestKind kind, const QString &message)
{
    // Nothing was sent, so no reply will restart the idle count.
    m_idleSlot.Enabled = m_engine->Connected();
    Error(message, 500);
    m_lastReply = QByteArray("500 ") + message.toUtf8();
    HandleCompletion(kind, 500, true);
}

void TFtpMainThread::RequestFinished(TFtpRequestKind kind, int error)
{
    m_busy = false;
    m_watchdog.stop();
    if (m_discardCompletion) {
        // The end of a request that a disconnect cancelled: nothing is left to decide.
        m_discardCompletion = false;
        m_timedOut = false;
        if (m_queue.Count() > 0)
            PostRun();
        return;
    }
    HandleCompletion(kind, error, false);
}

void TFtpMainThread::HandleCompletion(TFtpRequestKind kind, int error, bool refused)
{
    m_lastError = error;
    if (refused) {
        m_lastCode = 500;
    } else if (m_timedOut) {
        m_lastCode = 1426;
        m_lastReply = QByteArray("426 超时");
    } else {
        m_lastCode = m_engine->ReplyCode();
        m_lastReply = m_engine->LastReply();
    }
    m_timedOut = false;
    if (m_logReplies)
        FlushReplies();
    if (OnCommandDone)
        OnCommandDone(this, m_currentCommand, m_lastCode, error);
    switch (kind) {
    case rkOpen: OpenFinished(); break;
    case rkUser: UserFinished(); break;
    case rkPass: PassFinished(); break;
    case rkRest: RestFinished(); break;
    case rkCwd: CwdFinished(); break;
    case rkDir: DirFinished(); break;
    case rkMkd: MkdFinished(); break;
    case rkRename: RenameFinished(); break;
    case rkChMod: ChmodFinished(); break;
    case rkPwd: PwdFinished(); break;
    case rkGet: case rkRestGet: Notify(OnEditDownloaded); break;
    case rkPut: Notify(OnEditUploaded); break;
    case rkTypeSet:
        // The editor waits for the end of its transfer even when the TYPE before it failed.
        if (m_lastError != 0 && QueueFirstIs(fcGet))
            Notify(OnEditDownloaded);
        else if (m_lastError != 0 && QueueFirstIs(fcPut))
            Notify(OnEditUploaded);
        break;
    default: break;
    }
    if (m_lastError != 0) {
        ClearQueue();
        m_lastError = 0;
    }
    AfterCompletion();
}

void TFtpMainThread::AfterCompletion()
{
    // Operations that waited for the engine go before the continuation of the work in hand.
    while (m_queue.Count() == 0 && !m_pending.isEmpty())
        m_pending.takeFirst()();
    if (m_queue.Count() > 0)
        PostRun();
    else if (m_continuation)
        (this->*m_continuation)();
    else
        Notify(OnReady);
}

bool TFtpMainThread::FatalReplyCheck()
{
    if (m_lastCode != 421 && m_lastCode != 530 && m_lastCode != 426 && m_lastCode != 1426)
        return false;
    m_replyLines = m_lastReply;
    ClearQueue();
    m_lastError = m_lastCode + 30000;
    Error(QString::fromUtf8(m_replyLines), m_lastError);
    m_replyLines.clear();
    return true;
}

// ---- Logging ----

void TFtpMainThread::BeforeCommand(QByteArray &command)
{
    if (!m_logReplies)
        return;
    const QByteArray &extra = Settings.ListExtraCmd;
    if (command.left(4).toUpper() == "LIST" && !extra.isEmpty() && m_currentCommand != fcManualCmd) {
        const qsizetype blank = command.indexOf(' ');
        if (blank < 0)
            command += ' ' + extra;
        else
            command.insert(blank, ' ' + extra);
    }
    const QByteArray shown = command.startsWith("PASS") ? QByteArray("PASS ********") : command;
    if (OnCommand)
        OnCommand(this, QString::fromUtf8(shown));
}

void TFtpMainThread::ReplyLine()
{
    m_idleSlot.Enabled = true;
    const QByteArray &line = m_engine->LastReply();
    m_commandLines += '\r' + line;
    m_replyLines += '\r' + line;
    if (!m_logReplies) {
        m_replyLines.clear();
        return;
    }
    switch (m_currentCommand) {
    case fcOpen: case fcPass: case fcGet: case fcDir: case fcPut: case fcManualCmd:
        if (m_engine->CurrentStep() == spPort && m_engine->ReplyCode() != 0) {
            // The answer to PORT or PASV goes to the log before the transfer, marked by its
            // own code rather than by the last completion's.
            m_lastCode = m_engine->ReplyCode();
            FlushReplies();
        }
        break;
    default:
        break;
    }
}

void TFtpMainThread::FlushReplies()
{
    const bool isError = m_errorCodes.contains(m_lastCode);
    const QList<QByteArray> pieces = m_replyLines.split('\r');
    m_replyLines.clear();
    for (const QByteArray &piece : pieces)
        if (!piece.isEmpty() && OnResponse)
            OnResponse(this, QString::fromUtf8(piece), isError);
}

// ---- Timer ----

void TFtpMainThread::Tick()
{
    for (TimerSlot *slot : {&m_retrySlot, &m_idleSlot}) {
        if (!slot->Enabled)
            continue;
        if (++slot->Counter >= slot->Interval) {
            slot->Counter = 0;
            (this->*slot->Run)();
        }
    }
}

void TFtpMainThread::IdleTick()
{
    ++m_idleSeconds;
    const int interval = Settings.KeepAliveInterval;
    if (interval <= 0 || m_idleSeconds != interval) {
        if (OnIdleTime)
            OnIdleTime(this, m_idleSeconds);
        return;
    }
    if (OnIdleTime)
        OnIdleTime(this, 0);
    Defer([this] {
        if (Settings.UseNoop) {
            Queue({fcNoop});
            return;
        }
        switch (QRandomGenerator::global()->bounded(4)) {
        case 0:
            Queue({fcPwd});
            break;
        case 1:
            m_engine->TransferType = 'I';
            Queue({fcTypeSet});
            break;
        case 2:
            m_engine->TransferType = 'A';
            Queue({fcTypeSet});
            break;
        default:
            m_engine->ResumePos = 0;
            Queue({fcRest});
            break;
        }
    });
}

// Nothing has moved on either connection for the whole limit: give the request up as the
// blocking engine operations do, with 1426 "426 超时".
void TFtpMainThread::WatchdogFired()
{
    if (!m_busy)
        return;
    m_timedOut = true;
    m_engine->TCustomFtpCli::Cancel();
}
