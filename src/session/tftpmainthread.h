#pragma once
#include "ftptypes.h"
#include "tcommandsequence.h"
#include "tremotetreemodel.h"
#include "tsessionsettings.h"

#include <QtCore/QBuffer>
#include <QtCore/QByteArray>
#include <QtCore/QElapsedTimer>
#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QTimer>

#include <functional>
#include <memory>

class TFtpCli;
class TSessionEngine;

enum TConnState { csIdle, csConnecting, csConnected, csDisconnecting, csWaitingRetry };

// The browsing session behind the remote pane: one engine driven through a queue of
// commands. Every operation returns at once; the session starts one engine request at a
// time and takes each decision when that request's completion arrives, so nothing here
// waits in a nested event loop. A command queued while a request runs waits its turn.
class TFtpMainThread : public QObject {
    Q_OBJECT

public:
    // `tickMs` is the period of the timer behind retries and the idle count (one second in
    // the program); tests pass a few milliseconds.
    explicit TFtpMainThread(QObject *parent = nullptr, int tickMs = 1000);
    ~TFtpMainThread() override;

    TSessionSettings Settings;

    // Notifications; an unset one is skipped.
    std::function<void(TFtpMainThread *, const QString &text)> OnCommand;
    std::function<void(TFtpMainThread *, const QString &text, bool isError)> OnResponse;
    std::function<void(TFtpMainThread *, const QString &text)> OnInfo;
    std::function<void(TFtpMainThread *, const QString &text, int code)> OnError;
    std::function<void(TFtpMainThread *)> OnConnecting;
    std::function<void(TFtpMainThread *)> OnConnected;
    std::function<void(TFtpMainThread *)> OnDisconnected;
    std::function<void(TFtpMainThread *, const QString &user, QString &password)> OnPasswordNeeded;
    std::function<void(TFtpMainThread *, int seconds)> OnIdleTime;
    std::function<void(TFtpMainThread *)> OnReady;
    std::function<void(TFtpMainThread *)> OnListReceived;
    std::function<void(TFtpMainThread *, bool &abort, qint64 bytes)> OnListProgress;
    std::function<void(TFtpMainThread *, const QByteArray &path)> OnDirCreated;
    std::function<void(TFtpMainThread *, const QByteArray &path)> OnTreeSelect;
    std::function<void(TFtpMainThread *)> OnEditDownloaded;
    std::function<void(TFtpMainThread *)> OnEditUploaded;
    // Every completion, after its replies were flushed: the command, the reply code and the
    // error value (0 for success). Front ends without a window judge their operations by it.
    std::function<void(TFtpMainThread *, TFtpCommand command, int code, int error)> OnCommandDone;

    // Connecting.
    void Connect();
    void Disconnect();
    void Stop();
    void CloseConnection();

    // Browsing (remote paths and names are the server's bytes).
    void ChangeDir(const QByteArray &path, bool log);
    void SetCurrentDir(const QByteArray &path);
    void MakeDir(const QByteArray &name, bool log);
    void Rename(const QByteArray &oldName, const QByteArray &newName);
    void DeleteList(const QList<QByteArray> &paths, bool log);
    void SetAttributes(const QList<QByteArray> &names, const QByteArray &mode, bool log);
    void SendCommand(const QByteArray &text);
    void DownloadForEdit(const QByteArray &remoteName, const QString &localFile);
    void UploadEdited(const QString &localFile, const QByteArray &remoteName);

    // The folder tree. Detached, listings leave it alone.
    TRemoteTreeModel *TreeModel() { return &m_tree; }
    void AttachTree(bool attached);
    // The window reports the node the user selected in its view.
    void TreeSelectionChanged(const QModelIndex &index);

    // State.
    TConnState ConnState() const { return m_connState; }
    bool LoggedIn() const { return m_loggedIn; }
    bool LogInDone() const { return m_logInDone; }
    int Attempts() const { return m_attempts; }
    const QByteArray &HomeDir() const { return m_homeDir; }
    const QByteArray &CurrentDir() const { return m_currentDir; }
    const QByteArray &LastCreatedDir() const { return m_lastCreatedDir; }
    int ResumeSupport() const { return m_resumeSupport; }
    bool ResumeSupported() const { return m_resumeSupport == 1; }
    int ConnectedSeconds() const;
    const QBuffer *ListingStream() const { return m_listing.get(); }
    QByteArray ListingText() const;
    TFtpCommand CurrentCommand() const { return m_currentCommand; }
    bool Busy() const { return m_busy; }
    int QueuedCount() const { return m_queue.Count(); }
    TFtpCli *Engine();

    // The inactivity limit of every request, 60 seconds unless a test shortens it.
    void SetWaitTimeoutMs(int ms) { m_waitTimeoutMs = ms; }
    // The millisecond clock behind ConnectedSeconds; a monotonic clock unless replaced.
    void SetClock(std::function<qint64()> ms) { m_clock = std::move(ms); }

private:
    using Routine = void (TFtpMainThread::*)();
    struct TimerSlot {
        bool Enabled = false;
        Routine Run = nullptr;
        int Interval = 1;
        int Counter = 0;
    };

    // Queue and dispatch (tftpmainthread.cpp).
    void Queue(std::initializer_list<TFtpCommand> commands, bool post = true);
    void QueueFront(TFtpCommand command);
    void ClearQueue();
    bool QueueFirstIs(TFtpCommand command);
    void PostRun();
    void RunQueue();
    void StartRequest(TFtpCommand command);
    void RequestFinished(TFtpRequestKind kind, int error);
    void RequestRefused(TFtpRequestKind kind, const QString &message);
    void HandleCompletion(TFtpRequestKind kind, int error, bool refused);
    void AfterCompletion();
    bool FatalReplyCheck();
    void BeforeCommand(QByteArray &command);
    void ReplyLine();
    void FlushReplies();
    void Tick();
    void IdleTick();
    void WatchdogFired();
    void Notify(const std::function<void(TFtpMainThread *)> &fn) { if (fn) fn(this); }
    void Info(const QString &text) { if (OnInfo) OnInfo(this, text); }
    void Error(const QString &text, int code) { if (OnError) OnError(this, text, code); }
    void NewListingStream(bool attach);
    QByteArray DirWithSlash() const;

    // Connecting and log-in (tftpmainthread_login.cpp).
    QString HostForm() const;
    QString EngineHostForm() const;
    void Connecting();
    void ControlConnected();
    void ControlClosed();
    void OpenFinished();
    void OpenCommandFinished();
    void UserFinished();
    void PassFinished();
    void SiteFinished();
    void AcctFinished();
    void PasswordMissing();
    void LogInFailed();
    void RetryOrGiveUp();
    void Retry();
    void LogInComplete();
    void RestFinished();
    void Disconnecting();
    void ManualCommand(const QByteArray &text, Routine next);

    // Browsing (tftpmainthread_browse.cpp).
    void StartTransfer(TFtpCommand command);
    void ListCurrentFolder(bool post);
    void CwdFinished();
    void PwdFinished();
    void DirFinished();
    void MkdFinished();
    void RenameFinished();
    void ChmodFinished();
    void ScanNextFolder();
    void ScanFolder();
    void ScanListed();
    void DeleteStep();
    void ChmodStep();
    void TreeUpdate();
    void SelectNode(const QModelIndex &index);
    void TreeSelection(const QModelIndex &index);
    void PostStep(Routine step);
    // Runs `op` now when the engine is idle and nothing is queued, else after the work in
    // hand: operations set engine fields that a running request still reads.
    void Defer(std::function<void()> op);

    TSessionEngine *m_engine = nullptr;
    TCommandSequence m_queue;
    std::unique_ptr<QBuffer> m_listing;
    QTimer m_ticker;
    QTimer m_watchdog;
    int m_waitTimeoutMs = 60000;
    TimerSlot m_retrySlot;
    TimerSlot m_idleSlot;
    TRemoteTreeModel m_tree;
    bool m_treeAttached = false;

    TConnState m_connState = csIdle;
    bool m_loggedIn = false;
    bool m_logInDone = false;
    int m_attempts = 0;
    QByteArray m_homeDir;
    QByteArray m_currentDir;
    int m_resumeSupport = -1;
    int m_lastError = 0;
    int m_lastCode = 0;
    QByteArray m_lastReply;
    QByteArray m_replyLines;
    bool m_logReplies = true;
    Routine m_continuation = nullptr;
    bool m_cancelled = false;
    bool m_closedByUser = false;
    bool m_triedPassive = false;
    bool m_triedActive = false;
    int m_idleSeconds = 0;
    TFtpCommand m_currentCommand = fcNone;
    QList<int> m_errorCodes;
    bool m_initialConnect = false;
    bool m_busy = false;             // a request was started and its completion has not come
    bool m_discardCompletion = false;  // the running request was cancelled by a disconnect
    bool m_timedOut = false;
    QElapsedTimer m_monotonic;
    std::function<qint64()> m_clock;
    qint64 m_connectedStart = -1;    // clock readings; -1: not taken
    qint64 m_connectedStop = -1;

    QByteArray m_targetPath;
    QByteArray m_lastCreatedDir;
    QByteArray m_manualText;
    QList<QByteArray> m_scanList;
    QList<QByteArray> m_removeList;
    QList<QByteArray> m_deleteFiles;
    QByteArray m_scanDir;
    QList<QByteArray> m_chmodList;
    QByteArray m_chmodText;
    bool m_chmodOk = false;
    QByteArray m_commandLines;       // every reply line since the last dispatch
    QList<std::function<void()>> m_pending;
};
