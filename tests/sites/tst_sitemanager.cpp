#include "tsitemanager.h"

#include <QtTest/QTest>

namespace {
std::unique_ptr<TFtpSiteInfo> Site(const QString &name, const QString &host, bool folder = false)
{
    auto site = std::make_unique<TFtpSiteInfo>();
    site->Tag.Name = name;
    site->Tag.IsFolder = folder;
    site->Detail.Host = host;
    site->Detail.UserName = QStringLiteral("bob");
    site->Detail.Password = QStringLiteral("pw");
    return site;
}
}  // namespace

class TestSiteManager : public QObject {
    Q_OBJECT

private slots:
    void findersCompareAsDocumented()
    {
        TSiteManager store{QString()};
        store.AddSite(Site(QStringLiteral("Folder"), QString(), true));
        store.AddSite(Site(QStringLiteral("Work"), QStringLiteral("FTP.Example.com")));
        store.AddSite(Site(QStringLiteral("work"), QStringLiteral("ftp.example.com")));

        QCOMPARE(store.IndexOfHost(QStringLiteral("ftp.example.com"), false), 1);
        QCOMPARE(store.IndexOfHost(QStringLiteral("ftp.example.com"), true), 2);
        QCOMPARE(store.IndexOfHost(QString(), true), 0);  // folders take part with their empty host
        QCOMPARE(store.IndexOfHost(QStringLiteral("other"), false), -1);

        QCOMPARE(store.FindByName(QStringLiteral("WORK"), false), store.FindByName(QStringLiteral("Work"), true));
        QCOMPARE(store.FindByName(QStringLiteral("WORK"), true), nullptr);
        QCOMPARE(store.FindByName(QStringLiteral("work"), true)->Detail.Host, QStringLiteral("ftp.example.com"));

        QCOMPARE(store.FindByLogin(QStringLiteral("ftp.EXAMPLE.com"), QStringLiteral("bob"), QStringLiteral("pw")),
                 store.FindByName(QStringLiteral("Work"), true));
        QCOMPARE(store.FindByLogin(QStringLiteral("ftp.example.com"), QStringLiteral("Bob"), QStringLiteral("pw")),
                 nullptr);

        TFtpSiteInfo changed = store.GetSite(2);
        changed.Detail.Port = 990;
        store.UpdateByName(changed, true);
        QCOMPARE(store.GetSite(2).Detail.Port, 990);
        QCOMPARE(store.GetSite(1).Detail.Port, 21);
        changed.Tag.Name = QStringLiteral("nobody");
        store.UpdateByName(changed, false);  // no such entry: nothing happens
        QCOMPARE(store.SiteCount(), 3);

        store.SetSite(0, changed);
        QCOMPARE(store.GetSite(0).Tag.Name, QStringLiteral("nobody"));
        store.ClearSites();
        QCOMPARE(store.SiteCount(), 0);
    }

    void siteNumbers()
    {
        TSiteManager store{QString()};
        store.AddSite(Site(QStringLiteral("folder"), QString(), true));
        auto numbered = Site(QStringLiteral("a"), QStringLiteral("h"));
        numbered->Tag.SiteId = 5;
        store.AddSite(std::move(numbered));
        store.AddSite(Site(QStringLiteral("b"), QStringLiteral("h")));
        store.RenumberSites();  // continues after the highest number
        QCOMPARE(store.GetSite(0).Tag.SiteId, 0);
        QCOMPARE(store.GetSite(2).Tag.SiteId, 6);
        QCOMPARE(store.IndexOfId(6), 1);
        QCOMPARE(store.IndexOfId(0), 0);

        QCOMPARE(store.FindById(6)->Tag.Name, QStringLiteral("b"));
        QCOMPARE(store.FindById(5), nullptr);  // never handed out in this run
        QCOMPARE(store.FindById(0), nullptr);  // not even for an unnumbered site
        store.AddSite(Site(QStringLiteral("unnumbered"), QStringLiteral("h")));
        QCOMPARE(store.FindById(0), nullptr);

        QCOMPARE(store.NewSiteId(), 7);
        QCOMPARE(store.IndexOfId(7), 2);
    }

    void connectionStatistics()
    {
        TSiteManager store{QString()};
        store.AddSite(Site(QStringLiteral("Work"), QStringLiteral("h")));
        store.StatConnecting(QStringLiteral("work"));
        store.StatDisconnected(QStringLiteral("work"), 50);  // never connected: no time counted
        store.StatConnected(QStringLiteral("WORK"), 46001.25);
        store.StatDisconnected(QStringLiteral("Work"), 12.5);
        store.StatConnecting(QStringLiteral("unknown"));
        const TFtpSiteInfo site = store.GetSite(0);
        QCOMPARE(site.ConnectTries, 1);
        QCOMPARE(site.Connects, 1);
        QCOMPARE(site.LastConnect, 46001.25);
        QCOMPARE(site.ConnectSeconds, 12.5);

        TFtpSiteInfo reset = site;
        ResetConnectStats(reset);
        QCOMPARE(reset.Connects, 0);
        QCOMPARE(reset.ConnectTries, 0);
        QCOMPARE(reset.ConnectSeconds, 0.0);
        QCOMPARE(reset.LastConnect, -1.0);
    }

    void transferStatisticsCountWallTime()
    {
        TSiteManager store{QString()};
        store.AddSite(Site(QStringLiteral("Work"), QStringLiteral("h")));
        store.RenumberSites();
        const qint32 id = store.GetSite(0).Tag.SiteId;

        // Two overlapping uploads from tick 0xFFFFF060 (the tick count wraps) to 0x00000FA0:
        // 8 s of wall time, however long each one ran.
        store.StatWorkerStarted(id);
        store.StatWorkerStarted(id);
        store.StatWorkerLoggedIn(id, true, 0xFFFFF060);
        store.StatWorkerLoggedIn(id, true, 0xFFFFF800);
        store.StatTransferCompleted(QStringLiteral("work"), true, 100);
        store.StatWorkerEnded(id, true, 100, 0x00000100);
        QCOMPARE(store.GetSite(0).UpActive, 1);
        QCOMPARE(store.GetSite(0).UpSeconds, 0.0);
        store.StatTransferCompleted(QStringLiteral("work"), true, 0);  // nothing moved: not counted
        store.StatWorkerEnded(id, true, 50, 0x00000FA0);

        TFtpSiteInfo site = store.GetSite(0);
        QCOMPARE(site.ConnectTries, 2);
        QCOMPARE(site.Connects, 2);
        QCOMPARE(site.UpFiles, 1);
        QCOMPARE(site.UpBytes, 150);
        QCOMPARE(site.UpActive, 0);
        QCOMPARE(site.UpStartTick, 0u);
        QCOMPARE(site.UpSeconds, 8.0);
        QCOMPARE(site.DownBytes, 0);

        // A download that moved nothing adds no time.
        store.StatWorkerLoggedIn(id, false, 1000);
        store.StatWorkerEnded(id, false, 0, 9000);
        site = store.GetSite(0);
        QCOMPARE(site.DownSeconds, 0.0);
        QCOMPARE(site.DownActive, 0);

        ResetTransferStats(site);
        QCOMPARE(site.UpFiles, 0);
        QCOMPARE(site.UpBytes, 0);
        QCOMPARE(site.UpSeconds, 0.0);
        QCOMPARE(site.Connects, 3);  // connection statistics stay
    }

    void daysSince1899()
    {
        QCOMPARE(DateTimeToDays(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
        QCOMPARE(DateTimeToDays(QDateTime(QDate(2000, 1, 1), QTime(18, 0))), 36526.75);
    }
};

QTEST_GUILESS_MAIN(TestSiteManager)
#include "tst_sitemanager.moc"
