#include "tcustomscanthread.h"
#include "sortkeys.h"

#include <QtCore/QElapsedTimer>

#include <algorithm>
#include <numeric>

TCustomScanThread::TCustomScanThread(QObject *parent) : QThread(parent)
{
    qRegisterMetaType<TScanItem>();
    qRegisterMetaType<QList<TScanItem>>();
    qRegisterMetaType<QList<QByteArray>>();
}

TCustomScanThread::~TCustomScanThread()
{
    Stop();
}

void TCustomScanThread::Scan(const QString &path, int sortKind, bool descending, quint64 request)
{
    {
        std::lock_guard lock(m_mutex);
        m_path = path;
        m_sortKind = sortKind;
        m_descending = descending;
        m_request = request;
        m_restart = true;
    }
    m_wake.notify_all();
}

void TCustomScanThread::BatchTaken(quint64 request)
{
    {
        std::lock_guard lock(m_mutex);
        if (request != m_passRequest || m_inFlight == 0)
            return;
        --m_inFlight;
    }
    m_wake.notify_all();
}

void TCustomScanThread::Discard(std::vector<TScanItem> rows)
{
    {
        std::lock_guard lock(m_mutex);
        m_discarded.push_back(std::move(rows));
    }
    m_wake.notify_all();
}

void TCustomScanThread::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    wait();
}

void TCustomScanThread::run()
{
    std::vector<TEntry> entries;
    QList<QByteArray> errors;
    for (;;) {
        QString path;
        int sortKind;
        bool descending;
        quint64 request;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_restart || m_stop || !m_discarded.empty(); });
            if (m_stop)
                return;
            if (!m_discarded.empty()) {
                std::vector<std::vector<TScanItem>> discarded;
                discarded.swap(m_discarded);
                lock.unlock();
                discarded.clear();
                continue;
            }
            m_restart = false;
            path = m_path;
            sortKind = m_sortKind;
            descending = m_descending;
            request = m_request;
            m_passRequest = request;
            m_inFlight = 0;
        }
        entries.clear();
        errors.clear();
        // An empty path only abandons the pass that was running.
        if (path.isEmpty() || !Collect(path, sortKind, entries, errors))
            continue;
        if (Abandoned())
            continue;

        std::vector<qsizetype> order(entries.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            const TEntry &ea = entries[size_t(a)];
            const TEntry &eb = entries[size_t(b)];
            return CompareRows(ea.Key, ea.Item.Name, eb.Key, eb.Item.Name, descending) < 0;
        });
        if (Abandoned())
            continue;

        if (!errors.isEmpty())
            emit ListErrors(request, errors);
        emit ScanBegun(request, qsizetype(entries.size()));
        const bool complete = HandOver(request, entries, order);
        // The rows now belong to the pane; keep no husks of 100,000 entries between passes.
        std::vector<TEntry>().swap(entries);
        if (complete)
            emit ScanDone(request);
    }
}

bool TCustomScanThread::HandOver(quint64 request, std::vector<TEntry> &entries, const std::vector<qsizetype> &order)
{
    size_t next = 0;
    while (next < order.size()) {
        std::vector<std::vector<TScanItem>> discarded;
        {
            // Wait until the pane has caught up, so the main thread never has a pile of
            // batches to work through in one go.
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_inFlight < BatchesInFlight || m_restart || m_stop; });
            if (m_restart || m_stop)
                return false;
            ++m_inFlight;
            discarded.swap(m_discarded);
        }
        discarded = {};
        QElapsedTimer clock;
        clock.start();
        QList<TScanItem> batch;
        batch.reserve(BatchRows);
        while (next < order.size() && batch.size() < BatchRows && clock.elapsed() < BatchMilliseconds)
            batch.append(std::move(entries[size_t(order[next++])].Item));
        emit RowsReady(request, batch);
    }
    return !Abandoned();
}
