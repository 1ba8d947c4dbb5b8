// The thread manager's worker events, outcomes and queue commands.
#include "tthreadmanager.h"

#include "helpers.h"
#include "settingsrecords.h"

#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFile>

#include <cmath>

namespace {

QString Remote(const QByteArray &path) { return QString::fromUtf8(path); }

// States in which an item holds or waits for a worker; a search is stopped on removal too.
bool IsActive(qint32 state)
{
    return state == qsDownloading || state == qsUploading || state == qsWaiting ||
           state == qsRetryWait || state == qsSearching;
}

// Days since 1899-12-30 in local time.
QDateTime FromDays(double days)
{
    const QDateTime base(QDate(1899, 12, 30), QTime(0, 0));
    const double whole = std::floor(days);
    return base.addDays(qint64(whole)).addMSecs(qint64((days - whole) * 86400000.0 + 0.5));
}

}  // namespace

// An event of a worker that no longer carries the item (a newer attempt runs) is stale.
static bool Stale(const TItemInfo *item, QObject *sender)
{
    return item->Worker && sender && item->Worker != sender;
}

void TThreadManager::WorkerLoggedIn(qint32 itemNo)
{
    if (m_shuttingDown)
        return;
    TItemInfo *item = FindItem(itemNo);
    if (!item || Stale(item, sender()))
        return;
    emit OnWorkerLoggedIn(MakeInfo(item, 0));
}

void TThreadManager::WorkerResult(const TWorkerReport &report)
{
    if (m_shuttingDown)
        return;
    TItemInfo *item = FindItem(report.ItemNo);
    if (!item || Stale(item, sender()))
        return;
    item->LastError = report.LastError;
    item->BytesDone = report.BytesDone;
    item->Seconds += report.ElapsedSeconds;
    if (report.RemoteDate > 0)
        item->FtpInfo.RemoteDate = report.RemoteDate;
    const TTMInfo info = MakeInfo(item, item->BytesDone);
    HandleOutcome(item, report.Outcome);
    emit OnWorkerEnd(info);
}

void TThreadManager::WorkerFinished(qint32 itemNo)
{
    if (m_shuttingDown)
        return;
    TItemInfo *item = FindItem(itemNo);
    if (item && Stale(item, sender()))
        item = nullptr;
    if (item && item->State == qsRetryWait) {
        SetStatus(item, QStringLiteral("错误 - 正在等待重试..."));
        m_retry.push_back(item);  // keeps its slot while it waits
        return;
    }
    if (!m_pendingCompletions.empty()) {
        const TTMInfo info = m_pendingCompletions.front();
        m_pendingCompletions.pop_front();
        emit OnAfterEnd(info);
    }
    --m_runningCount;
    StatusChanged();
    PostDispatch();
}

void TThreadManager::WorkerClosed(qint32 itemNo, TThreadItem *)
{
    if (m_shuttingDown)
        return;
    TItemInfo *item = FindItem(itemNo);
    if (!item || item->State != qsRemoving)
        return;
    emit OnWorkerEnd(MakeInfo(item, item->BytesDone));
}

void TThreadManager::WorkerRemoteSize(qint32 itemNo, qint64 size)
{
    TItemInfo *item = m_shuttingDown ? nullptr : FindItem(itemNo);
    if (!item || Stale(item, sender()))
        return;
    item->FtpInfo.RemoteSize = size;
    const int row = RowOf(item);
    m_queueModel.CellChanged(row, TQueueListModel::colSize);
}

void TThreadManager::ShowProgress(qint32 itemNo, qint64 position, qint64 bytesDone)
{
    TItemInfo *item = m_shuttingDown ? nullptr : FindItem(itemNo);
    if (!item || Stale(item, qobject_cast<TThreadItem *>(sender())))
        return;
    const quint32 now = TickSource();
    if (item->SpeedStartTick == 0) {
        item->SpeedStartTick = now ? now : 1;
        item->SpeedSecond = 0;
    }
    const int row = RowOf(item);
    const TFtpInfo &f = item->FtpInfo;
    const qint64 size = f.IsUpload ? f.LocalSize : f.RemoteSize;
    const qint32 percent = size > 0 ? qint32(position * 100 / size) : 0;
    if (percent != item->Progress) {
        item->Progress = percent;
        m_queueModel.CellChanged(row, TQueueListModel::colProgress);
    }
    const qint64 elapsed = qint64(quint32(now - item->SpeedStartTick) / 1000);
    if (elapsed != item->SpeedSecond) {
        double speed = elapsed == 0 ? 0.0 : double(bytesDone) / double(elapsed);
        const int limit = f.IsUpload ? m_uploadLimit : m_downloadLimit;
        if (limit != -1 && speed > 1.2 * limit)
            speed = 1.2 * limit;
        item->SpeedText = QString::asprintf("%0.2f", speed / 1024.0);
        item->SpeedSecond = elapsed;
        m_queueModel.CellChanged(row, TQueueListModel::colSpeed);
    }
}

// The local place of a found remote path: below the search's local folder at the path's
// place relative to the remote base. A path that would lead elsewhere gives ok = false.
QString TThreadManager::LocalPathFor(const TItemInfo &search, const QByteArray &remotePath, bool *ok) const
{
    const QByteArray &base = search.FtpInfo.RemoteBase;
    *ok = remotePath.startsWith(base);
    const QList<QByteArray> parts = remotePath.mid(base.size()).split('/');
    QString path = IncludeTrailingChar(search.FtpInfo.LocalFile, QLatin1Char('/'));
    bool first = true;
    for (const QByteArray &part : parts) {
        if (part.isEmpty())
            continue;
        if (!TThreadItem::SafeName(part))
            *ok = false;
        if (!first)
            path += QLatin1Char('/');
        path += QFile::decodeName(part);
        first = false;
    }
    if (remotePath.endsWith('/') && !first)
        path += QLatin1Char('/');
    return path;
}

void TThreadManager::WorkerFolderFound(qint32 itemNo, const QByteArray &path)
{
    TItemInfo *item = m_shuttingDown ? nullptr : FindItem(itemNo);
    if (!item || Stale(item, sender()))
        return;
    if (HasItemFlag(item->ItemFlags, ikMove))
        AddMove(m_remoteMoves, path, true, false);
    bool ok = false;
    const QString local = LocalPathFor(*item, path, &ok);
    if (ok)
        QDir().mkpath(local);
}

void TThreadManager::WorkerFileFound(qint32 itemNo, const QByteArray &path, qint64 size)
{
    TItemInfo *item = m_shuttingDown ? nullptr : FindItem(itemNo);
    if (!item || Stale(item, sender()))
        return;
    bool ok = false;
    const QString local = LocalPathFor(*item, path, &ok);
    if (!ok)
        return;
    TItemInfo found;
    found.SiteTag = item->SiteTag;
    found.FtpInfo = item->FtpInfo;
    found.FtpInfo.IsDir = false;
    found.FtpInfo.RemoteFile = path;
    found.FtpInfo.RemoteSize = size;
    found.FtpInfo.LocalFile = local;
    found.FtpInfo.LocalSize = 0;
    found.ItemFlags = item->ItemFlags;
    found.ItemNo = m_itemCounter++;
    item->FoundFiles.push_back(std::move(found));
}

void TThreadManager::SetLocalDates(const TItemInfo *item)
{
    const bool wanted = Options ? Options->SetDownloadedDate == 1 : true;
    if (!wanted || item->FtpInfo.RemoteDate <= 0)
        return;
    QFile file(item->FtpInfo.LocalFile);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return;
    const QDateTime when = FromDays(item->FtpInfo.RemoteDate);
    file.setFileTime(when, QFileDevice::FileModificationTime);
    file.setFileTime(when, QFileDevice::FileBirthTime);
    file.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileAccessTime);
}

void TThreadManager::HandleOutcome(TItemInfo *item, qint32 outcome)
{
    item->Worker = nullptr;
    const TFtpInfo &f = item->FtpInfo;
    switch (outcome) {
    case woDownloaded:
    case woUploaded: {
        const bool up = outcome == woUploaded;
        std::unique_ptr<TItemInfo> done = TakeFromQueue(item);
        if (!done)
            return;
        TItemList &list = up ? m_uploaded : m_downloaded;
        TQueueListModel &model = up ? m_uploadedModel : m_downloadedModel;
        item->State = up ? qsUploaded : qsDownloaded;
        item->Progress = 100;
        model.BeginAppend(int(list.size()));
        list.push_back(std::move(done));
        model.EndAppend();
        if (up)
            emit OnMessage(QStringLiteral("已完成向 %1 中上传 %2").arg(f.Host, Remote(f.RemoteFile)));
        else
            emit OnMessage(QStringLiteral("已完成从 %1 中下载 %2").arg(f.Host, Remote(f.RemoteFile)));
        TTMInfo info = MakeInfo(item, item->BytesDone);
        info.InfoFile = up ? f.LocalFile : Remote(f.RemoteFile);
        info.InfoResult = outcome;
        if (f.MoveSource)
            info.InfoFlags |= ItemFlag(ikMove);
        m_pendingCompletions.push_back(info);
        if (f.MoveSource) {
            if (up)
                MoveDone(true, QFile::encodeName(f.LocalFile));
            else
                MoveDone(false, f.RemoteFile);
        }
        if (up) {
            emit OnUploadDone(2, f.LocalFile);
        } else {
            SetLocalDates(item);
            emit OnDownloadDone(1, f.LocalFile);
        }
        emit OnTransferDone(info);
        return;
    }
    case woSearched: {
        std::vector<TItemInfo> found = std::move(item->FoundFiles);
        item->FoundFiles.clear();
        const QString text = QStringLiteral("搜索 %1 在 %2 中已完成").arg(Remote(f.RemoteFile), f.Host);
        std::unique_ptr<TItemInfo> gone = TakeFromQueue(item);
        if (gone)
            gone->State = qsSearched;
        for (const TItemInfo &file : found)
            QueueDownload(file.SiteTag, file.FtpInfo);
        emit OnMessage(text);
        return;
    }
    case woSkipped: {
        const QString text = f.IsUpload
                                 ? QStringLiteral("已跳过向 %1 中上传 %2").arg(f.Host, Remote(f.RemoteFile))
                                 : QStringLiteral("已跳过下载 %1").arg(f.LocalFile);
        TakeFromQueue(item);
        emit OnMessage(text);
        return;
    }
    case woIncomplete:
        if (item->State == qsRemoving || item->State == qsStopped) {
            if (item->State == qsRemoving)
                emit OnError(QStringLiteral("向 %1 中上传 %2 失败。(操作超时或被中断)").arg(f.Host, Remote(f.RemoteFile)));
            else
                SetStatus(item, QStringLiteral("已停止."));
            if (!f.IsUpload)
                SetLocalDates(item);
            return;
        }
        // Neither paused nor removed: a transfer that did not end with 226 failed, and the
        // item must stay restartable, so it takes the failure path.
        break;
    default:
        break;
    }
    const qint32 old = item->State;
    item->State = qsError;
    const bool interrupted = old == qsStopped || old == qsRemoving;
    SetStatus(item, interrupted ? QStringLiteral("错误: 已中断。") : QStringLiteral("错误: ") + item->LastError);
    emit OnItemError(MakeInfo(item));
    if (f.IsUpload)
        emit OnError(QStringLiteral("向 %1 中上传 %2 失败").arg(f.Host, Remote(f.RemoteFile)));
    else if (f.IsDir)
        emit OnError(QStringLiteral("无法搜索 %1 在 %2 中").arg(Remote(f.RemoteFile), f.Host));
    else
        emit OnError(QStringLiteral("从 %1 中下载 %2 失败").arg(f.Host, Remote(f.RemoteFile)));
    if (!interrupted && (item->MaxTries == 0 || item->MaxTries >= item->Tries + 1))
        item->State = qsRetryWait;
}

// ---- Retries ----

void TThreadManager::RetryTick()
{
    const std::list<TItemInfo *> items = m_retry;
    for (TItemInfo *item : items) {
        --item->RetryWait;
        SetStatus(item, QStringLiteral("%1 - %2 (%3)")
                            .arg(QStringLiteral("错误"), QStringLiteral("正在等待重试..."))
                            .arg(item->RetryWait));
        if (item->RetryWait > 0)
            continue;
        m_retry.remove(item);
        DispatchItem(item, true);
    }
}

// Between its outcome and its end a failed item is in state 11 but its worker still holds
// the slot, which the end then frees; only an item already counting down gives its slot back.
void TThreadManager::LeaveRetry(TItemInfo *item)
{
    if (m_retry.remove(item) == 0)
        return;
    --m_runningCount;
    StatusChanged();
}

void TThreadManager::LeaveWaiting(TItemInfo *item) { m_waiting.remove(item); }

// ---- Queue commands ----

void TThreadManager::ForAffected(int row, const std::function<void(TItemInfo *)> &action)
{
    std::vector<TItemInfo *> items;
    if (row < 0) {
        for (const auto &item : m_queue)
            items.push_back(item.get());
    } else if (row < int(m_queue.size())) {
        items.push_back(m_queue[size_t(row)].get());
    }
    for (TItemInfo *item : items)
        action(item);
}

void TThreadManager::ProcessQueue()
{
    ForAffected(-1, [this](TItemInfo *item) {
        if (item->State == qsNew || item->State == qsStopped || item->State == qsError)
            DispatchItem(item, false);
    });
}

void TThreadManager::ResumeItems(int row)
{
    ForAffected(row, [this](TItemInfo *item) {
        if (item->State == qsNew || item->State == qsStopped || item->State == qsError) {
            item->FtpInfo.ReplaceMode = 3;
            DispatchItem(item, false);
        }
    });
}

void TThreadManager::PauseItems(int row)
{
    ForAffected(row, [this, row](TItemInfo *item) {
        const qint32 s = item->State;
        if (s == qsDownloading || s == qsUploading || s == qsRetryWait) {
            if (s == qsRetryWait)
                LeaveRetry(item);
            item->State = qsStopped;
            if (item->Worker) {
                item->Worker->AbortTransfer();
                if (row >= 0)
                    item->Worker = nullptr;
            }
            SetStatus(item, QStringLiteral("已暂停."));
        } else if (s == qsWaiting) {
            LeaveWaiting(item);
            item->State = qsStopped;
            SetStatus(item, QStringLiteral("已暂停."));
        }
    });
    if (row >= 0)
        PostDispatch();
}

// Stops an active item and takes it out of the queue, raising the abort line.
void TThreadManager::AbortItem(TItemInfo *item)
{
    if (item->State == qsRetryWait)
        LeaveRetry(item);
    if (item->State == qsWaiting)
        LeaveWaiting(item);
    item->State = qsRemoving;
    if (item->Worker)
        item->Worker->AbortTransfer();
    item->Worker = nullptr;
    std::unique_ptr<TItemInfo> gone = TakeFromQueue(item);
    HandleOutcome(item, woIncomplete);
}

void TThreadManager::AbortItems(int row)
{
    ForAffected(row, [this](TItemInfo *item) {
        if (IsActive(item->State))
            AbortItem(item);
    });
    if (row >= 0)
        PostDispatch();
}

void TThreadManager::RemoveItems(int row)
{
    std::vector<TItemInfo *> items;
    ForAffected(row, [&items](TItemInfo *item) { items.push_back(item); });
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        if (IsActive((*it)->State))
            AbortItem(*it);
        else
            TakeFromQueue(*it);
    }
    if (row >= 0)
        PostDispatch();
}

void TThreadManager::SetUploadLimit(int limit)
{
    if (limit == m_uploadLimit)
        return;
    m_uploadLimit = limit;
    for (const auto &item : m_queue)
        if (item->Worker && item->FtpInfo.IsUpload)
            item->Worker->SpeedLimit = limit;
}

void TThreadManager::SetDownloadLimit(int limit)
{
    if (limit == m_downloadLimit)
        return;
    m_downloadLimit = limit;
    for (const auto &item : m_queue)
        if (item->Worker && !item->FtpInfo.IsUpload)
            item->Worker->SpeedLimit = limit;
}

// ---- Move bookkeeping ----

namespace {

TMoveItem *FindMove(const std::vector<std::unique_ptr<TMoveItem>> &list, const QByteArray &name)
{
    for (const auto &entry : list) {
        if (entry->MoveName == name)
            return entry.get();
        if (TMoveItem *inner = FindMove(entry->MoveChildren, name))
            return inner;
    }
    return nullptr;
}

}  // namespace

void TThreadManager::AddMove(TMoveList &tree, const QByteArray &name, bool folder, bool local)
{
    auto entry = std::make_unique<TMoveItem>();
    entry->MoveName = name;
    entry->MoveIsFolder = folder;
    entry->MoveIsLocal = local;
    const QByteArray trimmed = folder && name.endsWith('/') ? name.left(name.size() - 1) : name;
    const qsizetype sep = trimmed.lastIndexOf('/');
    TMoveItem *parent = sep >= 0 ? FindMove(tree, trimmed.left(sep + 1)) : nullptr;
    if (parent && parent->MoveIsFolder) {
        entry->MoveParent = parent;
        parent->MoveChildren.push_back(std::move(entry));
    } else {
        tree.push_back(std::move(entry));
    }
}

void TThreadManager::MoveDone(bool local, const QByteArray &path, bool nested)
{
    TMoveList &tree = local ? m_localMoves : m_remoteMoves;
    if (tree.empty())
        return;
    TMoveItem *entry = FindMove(tree, path);
    if (entry) {
        if (TMoveItem *parent = entry->MoveParent) {
            auto &kids = parent->MoveChildren;
            kids.erase(std::find_if(kids.begin(), kids.end(), [&](const auto &k) { return k.get() == entry; }));
            if (kids.empty())
                MoveDone(local, parent->MoveName, true);
        } else {
            tree.erase(std::find_if(tree.begin(), tree.end(), [&](const auto &k) { return k.get() == entry; }));
            if (local)
                QFile::remove(QFile::decodeName(path));
        }
    }
    if (!nested && tree.empty())
        emit OnMoveListEmpty(local ? 2 : 1);
}

// ---- Queue file ----

TQueueFileResult TThreadManager::LoadQueue(const QString &fileName)
{
    TQueueFileContents contents = LoadQueueFile(fileName);
    for (auto &item : contents.Items) {
        item->ItemNo = m_itemCounter++;
        item->StatusText = QueueLoadedStatusText(item->State);
        const TTransferSettings s = TransferSettings(item->SiteTag.Name);
        item->MaxTries = s.MaxTries;
        item->RetryWait = s.RetryWait;
        item->TimeOut = s.TimeOut;
        Append(std::move(item));
    }
    return contents.Result;
}

bool TThreadManager::SaveQueue(const QString &fileName) const
{
    std::vector<const TItemInfo *> items;
    for (const auto &item : m_queue)
        items.push_back(item.get());
    return SaveQueueFile(fileName, items);
}
