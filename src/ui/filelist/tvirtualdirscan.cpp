#include "tvirtualdirscan.h"
#include "listparser.h"
#include "sortkeys.h"

#include <QtCore/QDateTime>

#include <cmath>

TVirtualDirScan::TVirtualDirScan(QObject *parent)
    : TCustomScanThread(parent), m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
}

TVirtualDirScan::~TVirtualDirScan()
{
    Stop();
}

void TVirtualDirScan::SetCacheEnabled(bool on)
{
    std::lock_guard lock(m_cacheMutex);
    m_cacheOn = on;
}

void TVirtualDirScan::SetCacheLifetime(int seconds)
{
    std::lock_guard lock(m_cacheMutex);
    m_lifetime = seconds;
    if (seconds <= 0)
        m_cacheOn = false;
}

bool TVirtualDirScan::CacheEnabled() const
{
    std::lock_guard lock(m_cacheMutex);
    return m_cacheOn;
}

bool TVirtualDirScan::FreshLocked(const QString &path) const
{
    if (!m_cacheOn)
        return false;
    const auto it = m_cache.constFind(path);
    if (it == m_cache.constEnd())
        return false;
    const qint64 age = std::llround(double(m_clock() - it->Stored) / 1000.0);
    return age < m_lifetime;
}

bool TVirtualDirScan::IsCached(const QString &path) const
{
    std::lock_guard lock(m_cacheMutex);
    return FreshLocked(path);
}

void TVirtualDirScan::Store(const QString &path, const QByteArray &listing)
{
    std::lock_guard lock(m_cacheMutex);
    if (m_cacheOn)
        m_cache.insert(path, {m_clock(), listing});
    else
        m_last = listing;
}

bool TVirtualDirScan::Prepare(const QString &path)
{
    bool cacheOn;
    {
        std::lock_guard lock(m_cacheMutex);
        if (FreshLocked(path))
            return true;
        cacheOn = m_cacheOn;
    }
    const std::optional<QByteArray> listing = m_callback ? m_callback() : std::nullopt;
    if (!listing)
        return false;
    std::lock_guard lock(m_cacheMutex);
    if (cacheOn)
        m_cache.insert(path, {m_clock(), *listing});
    else
        m_last = *listing;
    return true;
}

void TVirtualDirScan::Forget()
{
    std::lock_guard lock(m_cacheMutex);
    m_cache.clear();
    m_last.clear();
}

TScanItem TVirtualDirScan::RemoteItem(const TFtpDirInfo &info, TTypeNames &types)
{
    TScanItem item;
    item.IsDir = info.IsDir ? 1 : 0;
    item.IsLink = info.IsLink ? 1 : 0;
    item.Name = QString::fromUtf8(info.Name);
    if (!QByteArrayView(info.Name).isValidUtf8())
        item.RawName = info.Name;
    item.Size = info.Size;
    item.Attributes = types.Shared(info.Attributes);
    if (info.ModTime >= 0) {
        const double whole = std::floor(info.ModTime);
        const QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
        const int minutes = std::min(int(std::lround((info.ModTime - whole) * 1440.0)), 1439);
        const QTime time(minutes / 60, minutes % 60);
        item.DateText = DateTimeText(date, time, false);
        item.FileDate = PackDosDateTime(date, time);
    }
    item.TypeName = types.For(item.Name, item.IsDir);
    return item;
}

bool TVirtualDirScan::Collect(const QString &path, int sortKind, std::vector<TEntry> &entries, QList<QByteArray> &errors)
{
    QByteArray text;
    {
        std::lock_guard lock(m_cacheMutex);
        if (m_cacheOn) {
            const auto it = m_cache.constFind(path);
            if (it != m_cache.constEnd())
                text = it->Text;
        } else {
            text = m_last;
        }
    }

    TEntry parent;
    parent.Item.Name = QStringLiteral("..");
    parent.Item.IsDir = 1;
    parent.Item.Size = -1;
    parent.Item.TypeName = m_types.For(parent.Item.Name, true);
    parent.Key = ParentKey;
    entries.push_back(std::move(parent));

    const QDate today = ListToday();
    const char *p = text.constData();
    const char *end = p + text.size();
    TFtpDirInfo info;
    while (p < end) {
        if (Abandoned())
            return false;
        const char *eol = static_cast<const char *>(memchr(p, '\n', size_t(end - p)));
        const char *lineEnd = eol ? eol : end;
        const char *next = eol ? eol + 1 : end;
        if (lineEnd > p && lineEnd[-1] == '\r')
            --lineEnd;
        const qsizetype len = lineEnd - p;
        if (len > 0) {
            if (ParseDirLine(p, len, info, today)) {
                TEntry e;
                e.Item = RemoteItem(info, m_types);
                e.Key = SortKey(e.Item, sortKind, true);
                entries.push_back(std::move(e));
            } else if (!info.Name.startsWith('.')) {
                errors.append(QByteArray(p, len));
            }
        }
        p = next;
    }
    return true;
}
