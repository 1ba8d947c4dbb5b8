#pragma once
#include "queuefile.h"
#include "queueitems.h"
#include "tqueuelistmodel.h"
#include "tthreaditem.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>

#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <vector>

class TSiteManager;
struct TOptions;

Q_DECLARE_METATYPE(TTMInfo)

// The default proxy a worker uses for an item that does not connect directly.
struct TProxyRecord {
    qint32 ProxyType = 0;
    QString ProxyHost;
    QString ProxyPortText;
    QString ProxyUser;
    QString ProxyPassword;
};

// The transfer queue: every item not yet completed, up to MaxThread workers, the waiting
// and retry lists, the queue commands, the completed lists and the move bookkeeping.
// Main thread only; workers reach it through their queued and blocking signals.
class TThreadManager : public QObject {
    Q_OBJECT

public:
    // retryTickMs is the retry countdown's step (a second in the program; short in tests).
    explicit TThreadManager(QObject *parent = nullptr, int retryTickMs = 1000);
    ~TThreadManager() override;

    // Settings.
    int MaxThread = 4;
    int TransferType = 0;  // 0 by extension, 1 ASCII, 2 binary
    QString AsciiExtensions = QStringLiteral("txt;htm;html;nfo;diz");
    int DefaultTries = 1, DefaultDelay = 5, DefaultTimeOut = 30;
    const TSiteManager *Sites = nullptr;   // for TransferSettings; may stay unset
    const TOptions *Options = nullptr;     // TransRetry, TransDelay, TransTimeout, SetDownloadedDate
    int WorkerTimeOutMs = 0;               // when above 0, replaces every worker's time-out (tests)
    std::function<void(TProxyRecord &)> OnGetProxy;
    // Tick count in ms for the speed display; the steady clock unless replaced (tests).
    std::function<quint32()> TickSource;

    void QueueUpload(const TSiteTag &tag, const TFtpInfo &info) { Add(tag, info, true, true); }
    void QueueUploadLater(const TSiteTag &tag, const TFtpInfo &info) { Add(tag, info, true, false); }
    void QueueDownload(const TSiteTag &tag, const TFtpInfo &info) { Add(tag, info, false, true); }
    void QueueDownloadLater(const TSiteTag &tag, const TFtpInfo &info) { Add(tag, info, false, false); }
    void ProcessQueue();
    void ResumeItems(int row);
    void PauseItems(int row);
    void AbortItems(int row);
    void RemoveItems(int row);
    void SetUploadLimit(int limit);
    void SetDownloadLimit(int limit);
    int UploadLimit() const { return m_uploadLimit; }
    int DownloadLimit() const { return m_downloadLimit; }
    TQueueFileResult LoadQueue(const QString &fileName);
    bool SaveQueue(const QString &fileName) const;

    struct TTransferSettings {
        int MaxTries, RetryWait, TimeOut;
    };
    TTransferSettings TransferSettings(const QString &siteName) const;
    bool ChooseBinary(const QString &name) const;

    const TItemList &Queue() const { return m_queue; }
    const TItemList &Uploaded() const { return m_uploaded; }
    const TItemList &Downloaded() const { return m_downloaded; }
    TQueueListModel *QueueModel() { return &m_queueModel; }
    TQueueListModel *UploadedModel() { return &m_uploadedModel; }
    TQueueListModel *DownloadedModel() { return &m_downloadedModel; }
    int RunningCount() const { return m_runningCount; }
    int WaitingCount() const { return int(m_waiting.size()); }
    int RetryCount() const { return int(m_retry.size()); }
    // A worker's progress: position in the file and bytes of this attempt. Sets the item's
    // percentage, and its speed text once a whole second has passed.
    void ShowProgress(qint32 itemNo, qint64 position, qint64 bytesDone);
    bool MoveTreeEmpty(bool local) const { return (local ? m_localMoves : m_remoteMoves).empty(); }

signals:
    void OnMessage(const QString &text);
    void OnError(const QString &text);
    void OnStatusText(const QString &text);
    void OnQueueIdle(int kindsRun);
    void OnCountChange(int count);
    void OnWorkerStart(const TTMInfo &info);
    void OnWorkerLoggedIn(const TTMInfo &info);
    void OnTransferDone(const TTMInfo &info);
    void OnWorkerEnd(const TTMInfo &info);
    void OnAfterEnd(const TTMInfo &info);
    void OnItemError(const TTMInfo &info);
    void OnUploadDone(int kind, const QString &localFile);
    void OnDownloadDone(int kind, const QString &localFile);
    void OnMoveListEmpty(int side);  // 1 remote, 2 local

private:
    using TMoveList = std::vector<std::unique_ptr<TMoveItem>>;

    void Add(const TSiteTag &tag, const TFtpInfo &info, bool upload, bool dispatch);
    TItemInfo *Append(std::unique_ptr<TItemInfo> item);
    bool FindDuplicate(const TFtpInfo &info, bool upload) const;
    void DispatchItem(TItemInfo *item, bool holdsSlot);
    void PostDispatch();
    void DispatchNext();
    void StartNextWaiting();
    void HandleOutcome(TItemInfo *item, qint32 outcome);
    void SetStatus(TItemInfo *item, const QString &text);
    void StatusChanged();
    void RetryTick();
    void LeaveRetry(TItemInfo *item);
    void LeaveWaiting(TItemInfo *item);
    void AbortItem(TItemInfo *item);
    std::unique_ptr<TItemInfo> TakeFromQueue(TItemInfo *item);
    int RowOf(const TItemInfo *item) const;
    TItemInfo *FindItem(qint32 itemNo) const;
    void ForAffected(int row, const std::function<void(TItemInfo *)> &action);
    void SetLocalDates(const TItemInfo *item);
    QString LocalPathFor(const TItemInfo &search, const QByteArray &remotePath, bool *ok) const;
    TTMInfo MakeInfo(const TItemInfo *item, qint64 bytes = 0) const;
    void AddMove(TMoveList &tree, const QByteArray &name, bool folder, bool local);
    void MoveDone(bool local, const QByteArray &path, bool nested = false);
    void WorkerGone(TThreadItem *worker);
    void ShutDownWorkers();

    // Worker events.
    void WorkerLoggedIn(qint32 itemNo);
    void WorkerResult(const TWorkerReport &report);
    void WorkerFinished(qint32 itemNo);
    void WorkerClosed(qint32 itemNo, TThreadItem *worker);
    void WorkerRemoteSize(qint32 itemNo, qint64 size);
    void WorkerFolderFound(qint32 itemNo, const QByteArray &path);
    void WorkerFileFound(qint32 itemNo, const QByteArray &path, qint64 size);

    TItemList m_queue, m_uploaded, m_downloaded;
    TQueueListModel m_queueModel, m_uploadedModel, m_downloadedModel;
    std::list<TItemInfo *> m_waiting;
    std::list<TItemInfo *> m_retry;
    std::vector<TThreadItem *> m_workers;  // every worker whose thread has not been reaped
    int m_runningCount = 0;
    qint32 m_itemCounter = 0;
    int m_kindsRun = 0;
    int m_uploadLimit = -1, m_downloadLimit = -1;
    std::deque<TTMInfo> m_pendingCompletions;
    TMoveList m_remoteMoves, m_localMoves;
    QTimer m_retryTimer;
    QElapsedTimer m_clock;
    bool m_dispatchPosted = false;
    int m_dispatchPending = 0;
    bool m_shuttingDown = false;
};
