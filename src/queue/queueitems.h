#pragma once
#include "sitetypes.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <memory>
#include <vector>

class TThreadItem;

// What to transfer and how to reach the server; every item carries a complete copy.
// Remote paths are the bytes the server listed, so a name in any encoding transfers.
struct TFtpInfo {
    QString Host;
    QByteArray RemoteFile;  // a folder to search ends in "/"
    QByteArray RemoteBase;  // downloads: the folder the item was queued from
    QString UserName;
    QString Password;  // in clear; enciphered in the file
    QString PortText;
    qint32 ProxyType = 0;  // stored, not used by the worker
    QString ProxyHost;
    QString ProxyPortText;
    QString ProxyUser;
    QString ProxyPassword;
    bool NoProxy = false;  // false: the worker uses the default proxy options
    QString LocalFile;     // a folder search's target folder ends in "/"
    qint64 LocalSize = 0;
    bool Passive = false;
    bool Binary = false;  // stored, not used by the worker
    qint64 RemoteSize = 0;
    double RemoteDate = 0;  // days since 1899-12-30; 0 or below = unknown
    bool ServerResumes = false;
    quint8 ReplaceMode = 0;  // 0 skip, 1 overwrite, 3 resume
    bool IsDir = false;
    bool IsUpload = false;
    bool MoveSource = false;  // not stored
};

// The element numbers of an item's flag set; the set is a byte with bit n for element n.
enum TItemKind : quint8 { ikDownload = 1, ikUpload = 2, ikMove = 3 };

constexpr quint8 ItemFlag(TItemKind kind)
{
    return quint8(1u << kind);
}

constexpr bool HasItemFlag(quint8 flags, TItemKind kind)
{
    return (flags & ItemFlag(kind)) != 0;
}

enum TQueueState : qint32 {
    qsNew = 0,
    qsDownloading = 1,
    qsUploading = 2,
    qsDownloaded = 3,
    qsUploaded = 4,
    qsSearching = 5,
    qsSearched = 6,
    qsWaiting = 7,
    qsStopped = 8,
    qsRemoving = 9,
    qsError = 10,
    qsRetryWait = 11,
};

// One queue item.
struct TItemInfo {
    TSiteTag SiteTag;
    TFtpInfo FtpInfo;
    quint8 ItemFlags = 0;
    qint32 Progress = 0;  // percent of the current attempt
    qint64 BytesDone = 0;
    qint32 State = qsNew;
    qint32 ItemNo = 0;
    qint32 Tries = 0;       // attempts in this run
    qint32 StartCount = 0;  // attempts over the item's life
    qint32 Reserved1 = 0;   // the four reserved values are kept as read
    qint64 Reserved2 = 0;
    qint64 Reserved3 = 0;
    qint32 Reserved4 = 0;
    double Seconds = 0;  // data-transfer seconds over all attempts

    // Not stored.
    TThreadItem *Worker = nullptr;
    std::vector<TItemInfo> FoundFiles;
    qint32 MaxTries = 0;
    qint32 RetryWait = 0;
    qint32 TimeOut = 0;
    QString LastError;
    quint32 SpeedStartTick = 0;
    qint64 SpeedSecond = 0;
    QString StatusText;  // the queue list's status cell
    QString SpeedText;   // the queue list's "KB/s" cell
};

// A path whose source is deleted once everything below it was moved.
// Remote paths are server bytes, local paths are in the file system's encoding.
struct TMoveItem {
    QByteArray MoveName;  // a folder ends in its separator
    bool MoveIsFolder = false;
    std::vector<std::unique_ptr<TMoveItem>> MoveChildren;
    TMoveItem *MoveParent = nullptr;
    bool MoveIsLocal = false;
};

// What the thread manager tells its event handlers about one transfer.
struct TTMInfo {
    TSiteTag SiteTag;
    quint8 InfoFlags = 0;
    qint64 InfoBytes = 0;
    QString InfoFile;
    qint32 InfoResult = 0;
};
