#include "tsitemanager.h"

#include "programfolders.h"
#include "tmyfilestream.h"

#include <QtCore/QFileInfo>

QString TSiteManager::DefaultFileName()
{
    return ProgramFolders().ProfileFolder + QStringLiteral("FtpSites.SMF");
}

TSiteManager::TSiteManager(const QString &fileName) : m_fileName(fileName)
{
}

TSiteFileResult TSiteManager::LoadSites(const TOptions &options)
{
    if (m_fileName.isEmpty() || !QFileInfo::exists(m_fileName))
        return TSiteFileResult::NoFile;
    ClearSites();
    TMyFileStream stream(m_fileName, fmOpenRead);
    TSiteFileContents contents = ReadSiteFile(stream.Device(), options);
    m_version = contents.Version;
    for (auto &site : contents.Sites) {
        site->Tag.SiteId = site->Tag.IsFolder ? 0 : NewSiteId();
        m_sites.push_back(std::move(site));
    }
    if (contents.Result == TSiteFileResult::Loaded)
        RenumberSites();
    return contents.Result;
}

bool TSiteManager::SaveSites() const
{
    if (m_fileName.isEmpty())
        return true;
    TMyFileStream stream(m_fileName, fmCreate, TMyFileStream::Access::Private);
    return WriteSiteFile(stream.Device(), m_sites) && stream.Commit();
}

TFtpSiteInfo TSiteManager::GetSite(int index) const
{
    return *m_sites.at(size_t(index));
}

void TSiteManager::SetSite(int index, const TFtpSiteInfo &site)
{
    *m_sites.at(size_t(index)) = site;
}

void TSiteManager::AddSite(std::unique_ptr<TFtpSiteInfo> site)
{
    m_sites.push_back(std::move(site));
}

void TSiteManager::ClearSites()
{
    m_sites.clear();
}

int TSiteManager::IndexOfHost(const QString &host, bool caseSensitive) const
{
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (size_t i = 0; i < m_sites.size(); ++i) {
        if (m_sites[i]->Detail.Host.compare(host, cs) == 0)
            return int(i);
    }
    return -1;
}

TFtpSiteInfo *TSiteManager::FindByName(const QString &name, bool caseSensitive) const
{
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (const auto &site : m_sites) {
        if (site->Tag.Name.compare(name, cs) == 0)
            return site.get();
    }
    return nullptr;
}

TFtpSiteInfo *TSiteManager::FindByLogin(const QString &host, const QString &userName,
                                        const QString &password) const
{
    for (const auto &site : m_sites) {
        if (site->Detail.Host.compare(host, Qt::CaseInsensitive) == 0 && site->Detail.UserName == userName
            && site->Detail.Password == password)
            return site.get();
    }
    return nullptr;
}

TFtpSiteInfo *TSiteManager::FindById(qint32 siteId) const
{
    // 0 marks a site that has no number (an ad hoc connection), never a stored one.
    if (siteId == 0 || !m_idSet.contains(siteId))
        return nullptr;
    for (const auto &site : m_sites) {
        if (!site->Tag.IsFolder && site->Tag.SiteId == siteId)
            return site.get();
    }
    return nullptr;
}

void TSiteManager::UpdateByName(const TFtpSiteInfo &site, bool caseSensitive)
{
    if (TFtpSiteInfo *stored = FindByName(site.Tag.Name, caseSensitive))
        *stored = site;
}

qint32 TSiteManager::NewSiteId()
{
    do
        ++m_idCounter;
    while (m_idSet.contains(m_idCounter));
    m_idsInUse.append(m_idCounter);
    m_idSet.insert(m_idCounter);
    return m_idCounter;
}

int TSiteManager::IndexOfId(qint32 siteId) const
{
    return int(m_idsInUse.indexOf(siteId));
}

void TSiteManager::RenumberSites()
{
    m_idCounter = 0;
    for (const auto &site : m_sites)
        m_idCounter = std::max(m_idCounter, site->Tag.SiteId);
    for (const auto &site : m_sites) {
        if (!site->Tag.IsFolder && site->Tag.SiteId == 0)
            site->Tag.SiteId = NewSiteId();
    }
}

void TSiteManager::StatConnecting(const QString &siteName)
{
    if (TFtpSiteInfo *site = FindByName(siteName, false))
        ++site->ConnectTries;
}

void TSiteManager::StatConnected(const QString &siteName, double now)
{
    if (TFtpSiteInfo *site = FindByName(siteName, false)) {
        ++site->Connects;
        site->LastConnect = now;
    }
}

void TSiteManager::StatDisconnected(const QString &siteName, double connectedSeconds)
{
    TFtpSiteInfo *site = FindByName(siteName, false);
    if (site && site->Connects > 0)
        site->ConnectSeconds += connectedSeconds;
}

void TSiteManager::StatWorkerStarted(qint32 siteId)
{
    if (TFtpSiteInfo *site = FindById(siteId))
        ++site->ConnectTries;
}

void TSiteManager::StatWorkerLoggedIn(qint32 siteId, bool upload, quint32 tick)
{
    TFtpSiteInfo *site = FindById(siteId);
    if (!site)
        return;
    ++site->Connects;
    qint32 &active = upload ? site->UpActive : site->DownActive;
    if (active++ == 0) {
        (upload ? site->UpStartTick : site->DownStartTick) = tick;
        (upload ? site->UpRunBytes : site->DownRunBytes) = 0;
    }
}

void TSiteManager::StatTransferCompleted(const QString &siteName, bool upload, qint64 bytes)
{
    TFtpSiteInfo *site = FindByName(siteName, false);
    if (site && bytes > 0)
        ++(upload ? site->UpFiles : site->DownFiles);
}

void TSiteManager::StatWorkerEnded(qint32 siteId, bool upload, qint64 bytes, quint32 tick)
{
    TFtpSiteInfo *site = FindById(siteId);
    if (!site)
        return;
    qint32 &active = upload ? site->UpActive : site->DownActive;
    qint64 &runBytes = upload ? site->UpRunBytes : site->DownRunBytes;
    quint32 &startTick = upload ? site->UpStartTick : site->DownStartTick;
    --active;
    runBytes += bytes;
    (upload ? site->UpBytes : site->DownBytes) += bytes;
    if (active <= 0) {
        // Unsigned arithmetic keeps the span right across a wrap of the tick count.
        if (runBytes > 0)
            (upload ? site->UpSeconds : site->DownSeconds) += double(quint32(tick - startTick)) / 1000.0;
        startTick = 0;
        active = 0;
    }
}

double DateTimeToDays(const QDateTime &time)
{
    const QDateTime local = time.toLocalTime();
    const QDate epoch(1899, 12, 30);
    const double days = double(epoch.daysTo(local.date()));
    return days + double(local.time().msecsSinceStartOfDay()) / 86400000.0;
}
