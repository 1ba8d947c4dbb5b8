#include "tthreadmanager.h"

#include "helpers.h"
#include "settingsrecords.h"
#include "tsitemanager.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

QString Remote(const QByteArray &path) { return QString::fromUtf8(path); }

}  // namespace

TThreadManager::TThreadManager(QObject *parent, int retryTickMs)
    : QObject(parent),
      m_queueModel(TQueueListModel::QueueLayout, m_queue),
      m_uploadedModel(TQueueListModel::DoneLayout, m_uploaded),
      m_downloadedModel(TQueueListModel::DoneLayout, m_downloaded)
{
    qRegisterMetaType<TTMInfo>();
    qRegisterMetaType<TWorkerReport>();
    m_clock.start();
    TickSource = [this] { return quint32(m_clock.elapsed()); };
    m_retryTimer.setInterval(retryTickMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &TThreadManager::RetryTick);
    m_retryTimer.start();
}

TThreadManager::~TThreadManager()
{
    m_remoteMoves.clear();
    m_localMoves.clear();
    ShutDownWorkers();
}

// Abort, unblock, quit, wait while handling events, delete. A worker may sit in a blocking
// hand-over to this thread, so the wait must keep delivering events; the handlers ignore
// them from here on.
void TThreadManager::ShutDownWorkers()
{
    m_shuttingDown = true;
    m_retryTimer.stop();
    for (TThreadItem *worker : m_workers) {
        worker->requestInterruption();
        worker->AbortTransfer();
    }
    for (TThreadItem *worker : m_workers) {
        while (!worker->wait(QDeadlineTimer(5)))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        delete worker;
    }
    m_workers.clear();
}

// ---- Adding ----

bool TThreadManager::FindDuplicate(const TFtpInfo &info, bool upload) const
{
    return std::any_of(m_queue.begin(), m_queue.end(), [&](const auto &item) {
        const TFtpInfo &f = item->FtpInfo;
        return f.IsUpload == upload && f.PortText == info.PortText && f.UserName == info.UserName &&
               f.Password == info.Password && f.RemoteFile.compare(info.RemoteFile, Qt::CaseInsensitive) == 0 &&
               f.LocalFile.compare(info.LocalFile, Qt::CaseInsensitive) == 0 &&
               f.Host.compare(info.Host, Qt::CaseInsensitive) == 0;
    });
}

TItemInfo *TThreadManager::Append(std::unique_ptr<TItemInfo> item)
{
    TItemInfo *raw = item.get();
    m_queueModel.BeginAppend(int(m_queue.size()));
    m_queue.push_back(std::move(item));
    m_queueModel.EndAppend();
    emit OnCountChange(int(m_queue.size()));
    return raw;
}

void TThreadManager::Add(const TSiteTag &tag, const TFtpInfo &info, bool upload, bool dispatch)
{
    if (FindDuplicate(info, upload))
        return;
    auto item = std::make_unique<TItemInfo>();
    item->SiteTag = tag;
    item->FtpInfo = info;
    item->FtpInfo.IsUpload = upload;
    item->ItemFlags = ItemFlag(upload ? ikUpload : ikDownload);
    if (info.MoveSource)
        item->ItemFlags |= ItemFlag(ikMove);
    item->ItemNo = m_itemCounter++;
    const TTransferSettings s = TransferSettings(tag.Name);
    item->MaxTries = s.MaxTries;
    item->RetryWait = s.RetryWait;
    item->TimeOut = s.TimeOut;
    TItemInfo *raw = Append(std::move(item));
    if (HasItemFlag(raw->ItemFlags, ikMove)) {
        if (upload)
            AddMove(m_localMoves, QFile::encodeName(info.LocalFile), false, true);
        else if (!info.IsDir)
            AddMove(m_remoteMoves, info.RemoteFile, false, false);
    }
    if (dispatch)
        DispatchItem(raw, false);
}

TThreadManager::TTransferSettings TThreadManager::TransferSettings(const QString &siteName) const
{
    const TFtpSiteInfo *site = Sites ? Sites->FindByName(siteName, false) : nullptr;
    if (site && site->UseOwnTrans == 1)
        return {site->TransRetries, site->TransDelay, site->TransTimeout};
    if (site && Options)
        return {Options->TransRetry, Options->TransDelay, Options->TransTimeout};
    return {DefaultTries, DefaultDelay, DefaultTimeOut};
}

bool TThreadManager::ChooseBinary(const QString &name) const
{
    QString n = name;
    n.replace(QLatin1Char('/'), QLatin1Char('\\'));
    switch (TransferType) {
    case 0: {
        const int dot = n.lastIndexOf(QLatin1Char('.'));
        const int sep = n.lastIndexOf(QLatin1Char('\\'));
        const QString ext = dot > sep ? n.mid(dot) : QString();
        return !ExtInList(ext, AsciiExtensions, QLatin1Char(';'));
    }
    case 1:
        return false;
    case 2:
        return true;
    }
    return !(n.isEmpty() || n.endsWith(QLatin1Char('\\')));
}

// ---- Dispatching ----

void TThreadManager::StatusChanged()
{
    emit OnStatusText(QStringLiteral("执行 %1，共 %2").arg(m_runningCount).arg(MaxThread));
}

void TThreadManager::SetStatus(TItemInfo *item, const QString &text)
{
    item->StatusText = text;
    const int row = RowOf(item);
    if (row >= 0)
        m_queueModel.CellChanged(row, TQueueListModel::colStatus);
}

void TThreadManager::DispatchItem(TItemInfo *item, bool holdsSlot)
{
    if (holdsSlot)
        --m_runningCount;
    if (m_runningCount >= MaxThread) {
        m_waiting.push_back(item);
        item->State = qsWaiting;
        SetStatus(item, QStringLiteral("正在等待.."));
        return;
    }
    ++m_runningCount;
    StatusChanged();

    const TFtpInfo &f = item->FtpInfo;
    auto *w = new TThreadItem;
    w->Host = f.Host;
    w->UserName = f.UserName;
    if (!f.Password.isEmpty())
        w->Password = f.Password;
    w->PortText = f.PortText;
    w->RemoteFile = f.RemoteFile;
    w->LocalFile = f.LocalFile;
    w->Passive = f.Passive;
    w->ItemNo = item->ItemNo;
    w->ReplaceMode = f.ReplaceMode;
    if (!f.NoProxy && OnGetProxy) {
        TProxyRecord proxy;
        OnGetProxy(proxy);
        w->ProxyType = proxy.ProxyType;
        w->ProxyHost = proxy.ProxyHost;
        w->ProxyPortText = proxy.ProxyPortText;
        w->ProxyUser = proxy.ProxyUser;
        w->ProxyPassword = proxy.ProxyPassword;
    }
    const TTransferSettings s = TransferSettings(item->SiteTag.Name);
    item->MaxTries = s.MaxTries;
    item->RetryWait = s.RetryWait;
    item->TimeOut = s.TimeOut;
    w->TimeOut = item->TimeOut;
    w->TimeOutMs = WorkerTimeOutMs;
    w->SpeedLimit = f.IsUpload ? m_uploadLimit : m_downloadLimit;
    item->Worker = w;

    m_workers.push_back(w);
    connect(w, &TThreadItem::LoggedIn, this, &TThreadManager::WorkerLoggedIn, Qt::BlockingQueuedConnection);
    connect(w, &TThreadItem::Result, this, &TThreadManager::WorkerResult, Qt::BlockingQueuedConnection);
    connect(w, &TThreadItem::Finished, this, &TThreadManager::WorkerFinished, Qt::BlockingQueuedConnection);
    connect(w, &TThreadItem::Progress, this, &TThreadManager::ShowProgress, Qt::QueuedConnection);
    connect(w, &TThreadItem::ConnectionClosed, this, [this, w](qint32 no) { WorkerClosed(no, w); },
            Qt::QueuedConnection);
    connect(w, &QThread::finished, this, [this, w] { WorkerGone(w); }, Qt::QueuedConnection);

    emit OnWorkerStart(MakeInfo(item));
    item->Progress = 0;
    item->SpeedText.clear();
    if (f.IsUpload) {
        w->Binary = ChooseBinary(f.LocalFile);
        m_kindsRun |= 4;
        SetStatus(item, QStringLiteral("正在上传..."));
        item->State = qsUploading;
        ++item->Tries;
        ++item->StartCount;
        item->SpeedStartTick = 0;
        w->StartUpload();
        return;
    }
    w->Binary = ChooseBinary(Remote(f.RemoteFile));
    m_kindsRun |= 2;
    connect(w, &TThreadItem::FolderFound, this, &TThreadManager::WorkerFolderFound, Qt::QueuedConnection);
    connect(w, &TThreadItem::FileFound, this, &TThreadManager::WorkerFileFound, Qt::QueuedConnection);
    connect(w, &TThreadItem::RemoteSizeKnown, this, &TThreadManager::WorkerRemoteSize, Qt::QueuedConnection);
    ++item->Tries;
    ++item->StartCount;
    if (f.IsDir) {
        item->State = qsSearching;
        SetStatus(item, QStringLiteral("正在查找目录..."));
        w->StartSearch();
        return;
    }
    item->State = qsDownloading;
    SetStatus(item, QStringLiteral("正在下载..."));
    item->SpeedStartTick = 0;
    if (HasItemFlag(item->ItemFlags, ikMove))
        w->StartDownloadMove();
    else
        w->StartDownload();
}

void TThreadManager::PostDispatch()
{
    QMetaObject::invokeMethod(this, &TThreadManager::DispatchNext, Qt::QueuedConnection);
}

void TThreadManager::DispatchNext()
{
    if (!m_waiting.empty() && m_runningCount < MaxThread) {
        QMetaObject::invokeMethod(this, &TThreadManager::StartNextWaiting, Qt::QueuedConnection);
    } else if (m_runningCount == 0) {
        emit OnQueueIdle(m_kindsRun);
        m_kindsRun = 0;
    }
}

void TThreadManager::StartNextWaiting()
{
    if (m_waiting.empty())
        return;
    TItemInfo *item = m_waiting.front();
    m_waiting.pop_front();
    if (item->State != qsRemoving)
        DispatchItem(item, false);
}

void TThreadManager::WorkerGone(TThreadItem *worker)
{
    if (m_shuttingDown)  // ShutDownWorkers deletes them
        return;
    const auto it = std::find(m_workers.begin(), m_workers.end(), worker);
    if (it == m_workers.end())
        return;
    m_workers.erase(it);
    for (const auto &item : m_queue)
        if (item->Worker == worker)
            item->Worker = nullptr;
    worker->wait();
    delete worker;
}

// ---- Finding ----

int TThreadManager::RowOf(const TItemInfo *item) const
{
    for (size_t i = 0; i < m_queue.size(); ++i)
        if (m_queue[i].get() == item)
            return int(i);
    return -1;
}

TItemInfo *TThreadManager::FindItem(qint32 itemNo) const
{
    for (const auto &item : m_queue)
        if (item->ItemNo == itemNo)
            return item.get();
    return nullptr;
}

std::unique_ptr<TItemInfo> TThreadManager::TakeFromQueue(TItemInfo *item)
{
    const int row = RowOf(item);
    if (row < 0)
        return {};
    m_queueModel.BeginRemove(row);
    std::unique_ptr<TItemInfo> taken = std::move(m_queue[size_t(row)]);
    m_queue.erase(m_queue.begin() + row);
    m_queueModel.EndRemove();
    emit OnCountChange(int(m_queue.size()));
    return taken;
}

TTMInfo TThreadManager::MakeInfo(const TItemInfo *item, qint64 bytes) const
{
    TTMInfo info;
    info.SiteTag = item->SiteTag;
    info.InfoFlags = item->ItemFlags;
    info.InfoBytes = bytes;
    return info;
}
