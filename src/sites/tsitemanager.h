#pragma once
#include "sitefile.h"

#include <QtCore/QDateTime>
#include <QtCore/QList>
#include <QtCore/QSet>
#include <QtCore/QString>

// The store of every site and site folder, a flat list in tree order (a folder is followed
// by its contents, one level deeper). It owns its entries; finders return pointers that stay
// valid until the list is cleared or rebuilt. Main thread only.
class TSiteManager {
public:
    static QString DefaultFileName();  // "FtpSites.SMF" in the profile folder

    explicit TSiteManager(const QString &fileName = DefaultFileName());

    TSiteManager(const TSiteManager &) = delete;
    TSiteManager &operator=(const TSiteManager &) = delete;

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString &fileName) { m_fileName = fileName; }
    quint16 Version() const { return m_version; }  // as read from the file

    // Replaces the entries by the file's. With no file the store stays as it is; BadMagic
    // and BadEnd want the error box SiteFileErrorText(). An existing file that cannot be
    // opened throws EFOpenError.
    TSiteFileResult LoadSites(const TOptions &options);
    // Writes every entry to a temporary file and renames it over the old one only when all
    // went well: false keeps the previous file. Throws EFCreateError when no file can be made.
    bool SaveSites() const;

    int SiteCount() const { return int(m_sites.size()); }
    TFtpSiteInfo GetSite(int index) const;
    void SetSite(int index, const TFtpSiteInfo &site);
    void AddSite(std::unique_ptr<TFtpSiteInfo> site);
    void ClearSites();

    int IndexOfHost(const QString &host, bool caseSensitive) const;
    TFtpSiteInfo *FindByName(const QString &name, bool caseSensitive) const;
    TFtpSiteInfo *FindByLogin(const QString &host, const QString &userName, const QString &password) const;
    TFtpSiteInfo *FindById(qint32 siteId) const;
    void UpdateByName(const TFtpSiteInfo &site, bool caseSensitive);

    // Site numbers: handed out once per run, never 0.
    qint32 NewSiteId();
    int IndexOfId(qint32 siteId) const;
    // Continues numbering after the highest number in the list and numbers every site without one.
    void RenumberSites();

    // The statistics rules, called on the events of the browsing session and the queue.
    // Ticks are the millisecond tick count; `now` is in days since 1899-12-30.
    void StatConnecting(const QString &siteName);
    void StatConnected(const QString &siteName, double now);
    void StatDisconnected(const QString &siteName, double connectedSeconds);
    void StatWorkerStarted(qint32 siteId);
    void StatWorkerLoggedIn(qint32 siteId, bool upload, quint32 tick);
    void StatTransferCompleted(const QString &siteName, bool upload, qint64 bytes);
    void StatWorkerEnded(qint32 siteId, bool upload, qint64 bytes, quint32 tick);

private:
    QString m_fileName;
    quint16 m_version = 0;
    TSiteList m_sites;
    QList<qint32> m_idsInUse{0};  // 0 is never handed out
    QSet<qint32> m_idSet{0};
    qint32 m_idCounter = 0;
};

// A time as the day count the site file stores: days since 1899-12-30 00:00 local time.
double DateTimeToDays(const QDateTime &time);
