#pragma once
#include "tsmthrottle.h"

#include <QtCore/QByteArray>
#include <QtCore/QElapsedTimer>
#include <QtCore/QMetaType>
#include <QtCore/QMutex>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QThread>

#include <atomic>
#include <cstdint>

class TFtpCli;

enum TWorkerOutcome : qint32 {
    woDownloaded = 0,
    woUploaded = 1,
    woSearched = 2,
    woSkipped = 10,
    woIncomplete = 11,
    woFailed = 12,
};

// What a worker hands over with its outcome; a value, so it may cross threads.
struct TWorkerReport {
    qint32 ItemNo = 0;
    qint32 Outcome = woFailed;
    QString LastError;
    qint64 BytesDone = 0;
    double ElapsedSeconds = 0;
    qint64 RemoteSize = -1;
    double RemoteDate = -1.0;
};
Q_DECLARE_METATYPE(TWorkerReport)

// Carries out one queue item on a connection of its own, on its own thread: log-in
// (directly or by a proxy scheme), the size check, overwrite/resume/skip, the transfer or a
// breadth-first folder search, and one outcome. The engine is made and used inside run().
//
// LoggedIn, Result and Finished are meant for Qt::BlockingQueuedConnection (the worker waits
// until the main thread has handled them); the others for queued connections, which keep
// their order. Progress is emitted at most every ProgressIntervalMs, the latest position
// winning, plus once at the end of a transfer.
class TThreadItem : public QThread {
    Q_OBJECT

public:
    enum Kind : qint32 { kDownload = 1, kUpload = 2, kSearch = 4, kDownloadMove = 9 };

    explicit TThreadItem(QObject *parent = nullptr);
    ~TThreadItem() override;

    // Written by the main thread before the start, never while the worker runs.
    qint32 ItemNo = 0;
    QString Host;
    QString PortText = QStringLiteral("21");
    QString UserName = QStringLiteral("anonymous");
    QString Password = QStringLiteral("guest@example.com");
    QString LocalFile;
    QByteArray RemoteFile;
    quint8 ReplaceMode = 3;
    bool Passive = false;
    bool Binary = false;
    qint32 TimeOut = 60;    // seconds
    qint32 TimeOutMs = 0;   // when above 0, replaces TimeOut (tests)
    qint32 ProxyType = 0;
    QString ProxyHost;
    QString ProxyPortText;
    QString ProxyUser;
    QString ProxyPassword;
    int ProgressIntervalMs = 50;

    // The one value the main thread writes while the worker runs; bytes per second, -1 none.
    std::atomic<int32_t> SpeedLimit{-1};

    qint32 KindToRun() const { return m_kind; }
    void StartUpload() { StartKind(kUpload); }
    void StartDownload() { StartKind(kDownload); }
    void StartDownloadMove() { StartKind(kDownloadMove); }
    void StartSearch() { StartKind(kSearch); }
    // Safe from any thread at any moment: the blocking request in progress fails, a pause of
    // the speed limiter ends, and the run ends without starting anything new.
    void AbortTransfer();

    // True for a listed name that may become part of a local path.
    static bool SafeName(const QByteArray &name);

signals:
    void LoggedIn(qint32 itemNo);
    void Result(const TWorkerReport &report);
    void Finished(qint32 itemNo);
    void Progress(qint32 itemNo, qint64 position, qint64 bytesDone);
    void ConnectionClosed(qint32 itemNo);
    void RemoteSizeKnown(qint32 itemNo, qint64 size);
    void FolderFound(qint32 itemNo, const QByteArray &path);
    void FileFound(qint32 itemNo, const QByteArray &path, qint64 size);

protected:
    void run() override;

private:
    void StartKind(qint32 kind);
    bool LogIn(TFtpCli &engine);
    qint32 Upload(TFtpCli &engine);
    qint32 Download(TFtpCli &engine);
    qint32 Search(TFtpCli &engine);
    bool ListTarget(TFtpCli &engine);  // Dir of RemoteFile; fills RemoteSize/RemoteDate
    void Note(TFtpCli &engine);
    void EmitProgress(bool force);

    qint32 m_kind = 0;
    qint64 m_localSize = 0;
    qint64 m_remoteSize = -1;
    double m_remoteDate = -1.0;
    bool m_listParsed = false;
    QString m_lastError;
    qint64 m_bytesDone = 0;
    qint64 m_position = 0;
    qint64 m_resumePos = 0;
    bool m_inTransfer = false;
    QElapsedTimer m_progressClock;
    qint64 m_lastProgressAt = -1;

    std::atomic<bool> m_abort{false};
    QMutex m_engineMutex;
    TFtpCli *m_engine = nullptr;  // published under the mutex while run() holds one
    TSMThrottle m_throttle;
};
