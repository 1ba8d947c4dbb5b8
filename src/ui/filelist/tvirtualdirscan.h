#pragma once
#include "tcustomscanthread.h"
#include "typenames.h"

#include <QtCore/QHash>

#include <functional>
#include <optional>

// Scans a remote folder from listing text: the cached listing of the path or, with the cache
// off, the single last listing. The cache is shared with the main thread under a mutex.
class TVirtualDirScan : public TCustomScanThread {
    Q_OBJECT

public:
    using TListingCallback = std::function<std::optional<QByteArray>()>;
    using TClock = std::function<qint64()>;  // milliseconds since the epoch

    explicit TVirtualDirScan(QObject *parent = nullptr);
    ~TVirtualDirScan() override;

    // Main thread. Paths are the pane's, with their trailing "/".
    void Store(const QString &path, const QByteArray &listing);
    bool IsCached(const QString &path) const;
    // Makes sure there is a listing to show for `path`: a fresh cache entry, else the owner's
    // callback's listing; false when there is none to show.
    bool Prepare(const QString &path);
    void Forget();  // every cached listing and the last listing

    void SetCacheEnabled(bool on);
    void SetCacheLifetime(int seconds);  // 0 also turns the cache off
    bool CacheEnabled() const;
    void SetListingCallback(TListingCallback callback) { m_callback = std::move(callback); }
    void SetClock(TClock clock) { m_clock = std::move(clock); }

    // The row record of one parsed listing line.
    static TScanItem RemoteItem(const struct TFtpDirInfo &info, TTypeNames &types);

protected:
    bool Collect(const QString &path, int sortKind, std::vector<TEntry> &entries, QList<QByteArray> &errors) override;

private:
    struct TDirCache {
        qint64 Stored = 0;
        QByteArray Text;
    };
    bool FreshLocked(const QString &path) const;

    mutable std::mutex m_cacheMutex;
    QHash<QString, TDirCache> m_cache;  // guarded by m_cacheMutex, as are the next three
    QByteArray m_last;
    bool m_cacheOn = true;
    int m_lifetime = 60;
    TListingCallback m_callback;  // main thread only
    TClock m_clock;
    TTypeNames m_types;  // scanner thread only
};
