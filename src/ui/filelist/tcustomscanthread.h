#pragma once
#include "tscanitem.h"

#include <QtCore/QList>
#include <QtCore/QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

// The scanner of a file pane. It waits for a request, collects the entries of the path with
// their sort keys, sorts them and hands the rows to the pane in batches. Every batch and
// notice carries the request's number, so the pane drops what belongs to an older request;
// a new request or destruction abandons the pass at the next entry or batch.
class TCustomScanThread : public QThread {
    Q_OBJECT

public:
    struct TEntry {
        qint64 Key = 0;
        TScanItem Item;
    };

    static constexpr int BatchRows = 400;
    static constexpr int BatchMilliseconds = 16;
    static constexpr int BatchesInFlight = 2;

    explicit TCustomScanThread(QObject *parent = nullptr);
    ~TCustomScanThread() override;  // subclasses call Stop() in theirs

    // Main thread: scan `path` sorted by the column kind and direction given.
    void Scan(const QString &path, int sortKind, bool descending, quint64 request);
    // Main thread: the pane has taken a batch of `request`.
    void BatchTaken(quint64 request);
    // Main thread: rows the pane no longer shows, freed on the scanner's thread.
    void Discard(std::vector<TScanItem> rows);
    // Ends the thread and waits for it.
    void Stop();

signals:
    void ListErrors(quint64 request, const QList<QByteArray> &lines);
    void ScanBegun(quint64 request, qsizetype count);
    void RowsReady(quint64 request, const QList<TScanItem> &rows);
    void ScanDone(quint64 request);

protected:
    void run() override;
    // Scanner thread: fills `entries` (and `errors`); stops early, returning false, once
    // Abandoned() is true.
    virtual bool Collect(const QString &path, int sortKind, std::vector<TEntry> &entries, QList<QByteArray> &errors) = 0;
    bool Abandoned() const { return m_restart.load(std::memory_order_relaxed) || m_stop.load(std::memory_order_relaxed); }

private:
    bool HandOver(quint64 request, std::vector<TEntry> &entries, const std::vector<qsizetype> &order);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_restart{false};
    std::atomic<bool> m_stop{false};
    // Guarded by m_mutex.
    QString m_path;
    int m_sortKind = 0;
    bool m_descending = false;
    quint64 m_request = 0;
    quint64 m_passRequest = 0;
    int m_inFlight = 0;
    std::vector<std::vector<TScanItem>> m_discarded;
};
