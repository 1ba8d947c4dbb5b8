#include "tthreaditem.h"

#include "listparser.h"
#include "tftpcli.h"

#include <QtCore/QBuffer>
#include <QtCore/QFile>
#include <QtCore/QMutexLocker>

#include <deque>
#include <memory>

TThreadItem::TThreadItem(QObject *parent) : QThread(parent)
{
    static const int registered = [] {
        qRegisterMetaType<TWorkerReport>();
        return 0;
    }();
    Q_UNUSED(registered);
}

TThreadItem::~TThreadItem() = default;

void TThreadItem::StartKind(qint32 kind)
{
    m_kind = kind;
    start();
}

void TThreadItem::AbortTransfer()
{
    m_abort = true;
    m_throttle.Wake();
    QMutexLocker lock(&m_engineMutex);
    if (m_engine) {
        // The engine belongs to the worker's thread: the cancel runs there, inside the wait.
        TFtpCli *engine = m_engine;
        QMetaObject::invokeMethod(
            engine, [engine] { static_cast<TCustomFtpCli *>(engine)->Cancel(); }, Qt::QueuedConnection);
    }
}

bool TThreadItem::SafeName(const QByteArray &name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') &&
           !name.contains('\\') && !name.contains('\0');
}

void TThreadItem::Note(TFtpCli &engine)
{
    m_lastError = QString::fromUtf8(engine.LastReply());
    if (m_lastError.isEmpty())
        m_lastError = QString::fromUtf8(engine.ErrorText());
}

void TThreadItem::EmitProgress(bool force)
{
    const qint64 now = m_progressClock.elapsed();
    if (!force && m_lastProgressAt >= 0 && now - m_lastProgressAt < ProgressIntervalMs)
        return;
    m_lastProgressAt = now;
    emit Progress(ItemNo, m_position, m_bytesDone);
}

void TThreadItem::run()
{
    auto engine = std::make_unique<TFtpCli>();
    engine->OwnMessagePump = true;
    engine->RemoteDir = "/";
    engine->Passive = Passive;
    engine->LocalFile = LocalFile;
    engine->RemoteFile = RemoteFile;
    if (TimeOutMs > 0)
        engine->SetWaitTimeoutMs(TimeOutMs);
    else
        engine->SetWaitTimeout(TimeOut);
    engine->OnControlClosed = [this](TCustomFtpCli *, int) { emit ConnectionClosed(ItemNo); };
    engine->OnTransferProgress = [this](TFtpCli *e, bool &abort, qint64 position) {
        if (!m_inTransfer)
            return;
        m_bytesDone = e->BytesDone();
        m_position = position;
        const int limit = SpeedLimit.load(std::memory_order_relaxed);
        e->BlockSize = TCustomFtpCli::BlockSizeForLimit(limit);
        m_throttle.Throttle(m_bytesDone, limit, false);
        EmitProgress(false);
        if (m_abort)
            abort = true;
    };
    {
        QMutexLocker lock(&m_engineMutex);
        m_engine = engine.get();
    }
    m_progressClock.start();

    if (m_kind == kUpload || m_kind == kDownload || m_kind == kDownloadMove) {
        QFile local(LocalFile);
        m_localSize = !LocalFile.isEmpty() && local.open(QIODevice::ReadOnly) ? local.size() : 0;
    }

    qint32 outcome = woFailed;
    if (!m_abort && LogIn(*engine) && !m_abort) {
        emit LoggedIn(ItemNo);
        if (m_kind == kUpload)
            outcome = Upload(*engine);
        else if (m_kind == kSearch)
            outcome = Search(*engine);
        else if (m_kind == kDownload || m_kind == kDownloadMove)
            outcome = Download(*engine);
    } else {
        Note(*engine);
    }
    if (outcome == woFailed || outcome == woSkipped)
        engine->Cancel();
    else if (engine->IsConnected())
        engine->Quit();

    TWorkerReport report;
    report.ItemNo = ItemNo;
    report.Outcome = outcome;
    report.LastError = m_lastError;
    report.BytesDone = m_bytesDone;
    report.ElapsedSeconds = engine->ElapsedSeconds();
    report.RemoteSize = m_remoteSize;
    report.RemoteDate = m_remoteDate;
    emit Result(report);

    {
        QMutexLocker lock(&m_engineMutex);
        m_engine = nullptr;
    }
    engine.reset();
    emit Finished(ItemNo);
}

bool TThreadItem::LogIn(TFtpCli &e)
{
    const QByteArray user = UserName.toUtf8();
    const QByteArray pass = Password.toUtf8();
    const QByteArray host = Host.toUtf8();
    const QByteArray port = PortText.toUtf8();
    const QByteArray pUser = ProxyUser.toUtf8();
    const QByteArray pPass = ProxyPassword.toUtf8();
    auto u = [&](const QByteArray &text) {
        e.LoginUser = text;
        return !m_abort && e.User();
    };
    auto p = [&](const QByteArray &text) {
        e.LoginPassword = text;
        return !m_abort && e.Pass();
    };
    auto c = [&](const QByteArray &text, const QList<int> &ok) { return !m_abort && e.Command(text, ok); };

    if (ProxyType == 0 || ProxyType == 9 || ProxyType == 10) {
        e.Host = Host;
        e.Port = PortText;
        e.LoginUser = user;
        e.LoginPassword = pass;
        return e.Connect();
    }
    if (ProxyType < 0 || ProxyType > 10)
        return false;
    e.Host = ProxyHost;
    e.Port = ProxyPortText;
    if (!e.Open())
        return false;
    switch (ProxyType) {
    case 1:
        return u(pUser) && p(pPass) && u(user + '@' + host) && p(pass);
    case 2:
        return u(pUser) && p(pPass) && c("SITE " + host + ':' + port, {200, 220}) && u(user) && p(pass);
    case 3:
        return c("OPEN " + host + ':' + port, {200, 220}) && u(user) && p(pass);
    case 4:
        return u(pUser) && p(pPass) && u(user) && p(pass);
    case 5:
        return u(user + '@' + host) && p(pass);
    case 6:
        return u(pUser + '@' + host) && p(pPass) && u(user) && p(pass);
    case 7:
        return u(user + '@' + pUser + '@' + host) && p(pass + '@' + pPass) && p(pass);
    case 8:
        return u(user + '@' + host + ' ' + pUser) && p(pass) && c("ACCT " + pPass, {200, 230});
    }
    return false;
}

bool TThreadItem::ListTarget(TFtpCli &e)
{
    QBuffer listing;
    listing.open(QIODevice::ReadWrite);
    e.LocalStream = &listing;
    e.RemoteFile = RemoteFile;
    const bool ok = e.Dir();
    Note(e);
    e.LocalStream = nullptr;
    e.LocalFile = LocalFile;
    m_listParsed = false;
    if (ok && e.ReplyCode() == 226) {
        m_listParsed = true;
        m_remoteSize = -1;
        m_remoteDate = -1.0;
        QByteArray text = listing.data();
        const qsizetype end = text.indexOf('\n');
        QByteArray first = end < 0 ? text : text.left(end);
        if (first.endsWith('\r'))
            first.chop(1);
        TFtpDirInfo info;
        if (!first.isEmpty() && ParseDirLine(first, info)) {
            m_remoteSize = info.Size;
            m_remoteDate = info.ModTime;
        }
    }
    return ok;
}

qint32 TThreadItem::Upload(TFtpCli &e)
{
    bool exists;
    m_remoteSize = -1;
    if (ListTarget(e) && m_listParsed)
        exists = m_remoteSize != -1;
    else
        exists = !m_abort && e.Size();
    if (exists && !m_listParsed)
        m_remoteSize = e.RemoteSize();
    if (m_abort)
        return woFailed;
    Binary ? e.TypeBinary() : e.TypeAscii();

    if (exists && ReplaceMode == 0)
        return woSkipped;
    bool ok;
    m_inTransfer = true;
    if (exists && ReplaceMode == 3) {
        e.ResumePos = m_resumePos = m_remoteSize;
        ok = !m_abort && e.RestPut();
    } else {
        e.ResumePos = m_resumePos = 0;
        ok = !m_abort && e.Put();
    }
    m_inTransfer = false;
    Note(e);
    m_bytesDone = e.BytesDone();
    m_position = m_bytesDone + m_resumePos;
    EmitProgress(true);
    if (!ok || m_abort)
        return woFailed;
    return e.ReplyCode() == 226 ? woUploaded : woIncomplete;
}

qint32 TThreadItem::Download(TFtpCli &e)
{
    m_remoteDate = -1.0;
    m_remoteSize = -1;
    if (!ListTarget(e) || !m_listParsed) {
        if (!m_abort && e.Size())
            m_remoteSize = e.RemoteSize();
    }
    if (m_abort)
        return woFailed;
    emit RemoteSizeKnown(ItemNo, m_remoteSize);
    Binary ? e.TypeBinary() : e.TypeAscii();

    if (m_localSize > 0 && ReplaceMode == 0)
        return woSkipped;
    bool ok;
    m_inTransfer = true;
    if (m_localSize > 0 && ReplaceMode == 3) {
        e.ResumePos = m_resumePos = m_localSize;
        ok = !m_abort && e.RestGet();
    } else {
        e.ResumePos = m_resumePos = 0;
        ok = !m_abort && e.Get();
    }
    m_inTransfer = false;
    Note(e);
    m_bytesDone = e.BytesDone();
    m_position = m_bytesDone + m_resumePos;
    EmitProgress(true);
    if (!ok || m_abort)
        return woFailed;
    if (e.ReplyCode() != 226)
        return woIncomplete;
    if (m_kind == kDownloadMove) {
        e.RemoteFile = RemoteFile;
        e.Dele();
    }
    return woDownloaded;
}

qint32 TThreadItem::Search(TFtpCli &e)
{
    std::deque<QByteArray> folders{RemoteFile};
    e.RemoteFile.clear();
    e.LocalFile.clear();
    QByteArray start = RemoteFile;
    if (!start.endsWith('/'))
        start += '/';
    emit FolderFound(ItemNo, start);
    e.Pwd();
    e.TypeAscii();
    while (!folders.empty()) {
        if (m_abort)
            return woFailed;
        const QByteArray folder = folders.front();
        folders.pop_front();
        QByteArray prefix = folder;
        if (!prefix.endsWith('/'))
            prefix += '/';
        QBuffer listing;
        listing.open(QIODevice::ReadWrite);
        e.LocalStream = &listing;
        e.RemoteDir = folder;
        const bool ok = e.Cwd() && e.Dir();
        Note(e);
        e.LocalStream = nullptr;
        if (!ok || m_abort)
            return woFailed;
        if (e.ReplyCode() != 226)
            continue;
        const QList<QByteArray> lines = listing.data().split('\n');
        for (QByteArray line : lines) {
            if (line.endsWith('\r'))
                line.chop(1);
            TFtpDirInfo info;
            // A name that is not a plain file name would place a file outside its folder.
            if (line.isEmpty() || !ParseDirLine(line, info) || !SafeName(info.Name))
                continue;
            if (info.IsDir) {
                folders.push_back(prefix + info.Name);
                emit FolderFound(ItemNo, prefix + info.Name + '/');
            } else {
                emit FileFound(ItemNo, prefix + info.Name, info.Size);
            }
        }
    }
    return woSearched;
}
