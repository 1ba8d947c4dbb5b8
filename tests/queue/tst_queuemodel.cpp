// The queue and completed-transfer models: columns, row texts, and the percentage and speed
// of the progress display, driven by a hand-set clock.
#include "helpers.h"
#include "tsitemanager.h"
#include "tthreadmanager.h"
#include "ttempprofile.h"

#include <QtTest/QAbstractItemModelTester>
#include <QtTest/QTest>

namespace {
TFtpInfo Item(bool upload, qint64 size, const QByteArray &remote = "/r/file")
{
    TFtpInfo f;
    f.Host = QStringLiteral("h.example");
    f.PortText = QStringLiteral("21");
    f.UserName = QStringLiteral("u");
    f.RemoteFile = remote;
    f.LocalFile = QStringLiteral("/l/file");
    f.LocalSize = upload ? size : 0;
    f.RemoteSize = upload ? 0 : size;
    return f;
}
}  // namespace

class TstQueueModel : public QObject {
    Q_OBJECT

private slots:
    void columnsAndRow()
    {
        TThreadManager m;
        QAbstractItemModelTester tester(m.QueueModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModel *q = m.QueueModel();
        QCOMPARE(q->columnCount(), 8);
        QStringList captions;
        for (int c = 0; c < 8; ++c)
            captions << q->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions.join(QLatin1Char('|')), QStringLiteral("本地文件名|大小|方向|进度|KB/s|远程文件名|主机|状态"));
        QCOMPARE(m.UploadedModel()->columnCount(), 5);
        QCOMPARE(m.DownloadedModel()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("主机"));

        TFtpInfo f = Item(false, 5000000000LL);
        f.MoveSource = true;
        m.QueueDownloadLater(TSiteTag(), f);
        m.QueueUploadLater(TSiteTag(), Item(true, 12));
        auto cell = [&](int row, int col) { return q->index(row, col).data().toString(); };
        QCOMPARE(cell(0, TQueueListModel::colLocal), QStringLiteral("/l/file"));
        QCOMPARE(cell(0, TQueueListModel::colSize), FormatSize(0, 5000000000LL));
        QVERIFY(cell(0, TQueueListModel::colSize).startsWith(QStringLiteral("5")));
        QCOMPARE(cell(0, TQueueListModel::colDirection), QStringLiteral("<<----"));
        QCOMPARE(cell(1, TQueueListModel::colDirection), QStringLiteral("---->"));
        QCOMPARE(cell(1, TQueueListModel::colSize), QStringLiteral("12"));
        QCOMPARE(cell(0, TQueueListModel::colHost), QStringLiteral("u@h.example:21"));
        QCOMPARE(cell(0, TQueueListModel::colStatus), QString());
        QCOMPARE(cell(0, TQueueListModel::colSpeed), QString());
        QCOMPARE(q->index(0, TQueueListModel::colSize).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                 int(Qt::AlignRight));
        m.RemoveItems(0);
        QCOMPARE(q->rowCount(), 1);
        QCOMPARE(cell(0, TQueueListModel::colDirection), QStringLiteral("---->"));
    }

    void progressDisplay_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("limit");
        QTest::addColumn<qint64>("resumedAt");
        QTest::addColumn<int>("firstPercent");
        QTest::addColumn<QString>("speed");
        // 20 KiB measured over the first second.
        QTest::newRow("no limit") << true << qint64(1024000) << -1 << qint64(0) << 0 << QStringLiteral("20.00");
        QTest::newRow("capped at 1.2 x limit") << true << qint64(1024000) << 10240 << qint64(0) << 0 << QStringLiteral("12.00");
        QTest::newRow("resumed at half") << true << qint64(1024000) << -1 << qint64(512000) << 50 << QStringLiteral("20.00");
        QTest::newRow("unknown size") << false << qint64(-1) << -1 << qint64(0) << 0 << QStringLiteral("20.00");
        QTest::newRow("size 0") << false << qint64(0) << -1 << qint64(0) << 0 << QStringLiteral("20.00");
    }
    void progressDisplay()
    {
        QFETCH(bool, upload);
        QFETCH(qint64, size);
        QFETCH(int, limit);
        QFETCH(qint64, resumedAt);
        QFETCH(int, firstPercent);
        QFETCH(QString, speed);
        TThreadManager m;
        QAbstractItemModelTester tester(m.QueueModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        quint32 now = 5000;
        m.TickSource = [&] { return now; };
        upload ? m.SetUploadLimit(limit) : m.SetDownloadLimit(limit);
        upload ? m.QueueUploadLater(TSiteTag(), Item(true, size)) : m.QueueDownloadLater(TSiteTag(), Item(false, size));
        const qint32 no = m.Queue().at(0)->ItemNo;
        QAbstractItemModel *q = m.QueueModel();
        m.ShowProgress(no, resumedAt + 1024, 1024);
        QCOMPARE(q->index(0, TQueueListModel::colProgress).data(TQueueListModel::ProgressRole).toInt(), firstPercent);
        QCOMPARE(q->index(0, TQueueListModel::colSpeed).data().toString(), QString());
        now += 999;
        m.ShowProgress(no, resumedAt + 10240, 10240);
        QCOMPARE(q->index(0, TQueueListModel::colSpeed).data().toString(), QString());
        now += 1;
        m.ShowProgress(no, resumedAt + 20480, 20480);
        QCOMPARE(q->index(0, TQueueListModel::colSpeed).data().toString(), speed);
        if (size > 0)
            QCOMPARE(m.Queue().at(0)->Progress, int((resumedAt + 20480) * 100 / size));
        else
            QCOMPARE(q->index(0, TQueueListModel::colProgress).data(TQueueListModel::ProgressRole).toInt(), 0);
    }

    void chooseBinary_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("binary");
        QTest::newRow("auto, listed extension") << 0 << QStringLiteral("/a/readme.TXT") << false;
        QTest::newRow("auto, other extension") << 0 << QStringLiteral("/a/b.zip") << true;
        QTest::newRow("auto, dot in folder only") << 0 << QStringLiteral("/a.txt/b") << true;
        QTest::newRow("ascii") << 1 << QStringLiteral("b.zip") << false;
        QTest::newRow("binary") << 2 << QStringLiteral("b.txt") << true;
        QTest::newRow("other, folder") << 7 << QStringLiteral("/a/") << false;
        QTest::newRow("other, file") << 7 << QStringLiteral("/a") << true;
    }
    void chooseBinary()
    {
        QFETCH(int, type);
        QFETCH(QString, name);
        QFETCH(bool, binary);
        TThreadManager m;
        m.TransferType = type;
        QCOMPARE(m.ChooseBinary(name), binary);
    }

    // A site with its own transfer settings, a site without, and no site.
    void transferSettings()
    {
        TTempProfile profile;
        TSiteManager sites(profile.Path() + QStringLiteral("/sites"));
        auto own = std::make_unique<TFtpSiteInfo>();
        own->Tag.Name = QStringLiteral("Own");
        own->UseOwnTrans = 1;
        own->TransRetries = 7;
        own->TransDelay = 8;
        own->TransTimeout = 9;
        sites.AddSite(std::move(own));
        auto plain = std::make_unique<TFtpSiteInfo>();
        plain->Tag.Name = QStringLiteral("Plain");
        sites.AddSite(std::move(plain));
        TOptions options;
        options.TransRetry = 4;
        options.TransDelay = 5;
        options.TransTimeout = 6;
        TThreadManager m;
        m.Sites = &sites;
        m.Options = &options;
        auto s = m.TransferSettings(QStringLiteral("own"));
        QCOMPARE((QList<int>{s.MaxTries, s.RetryWait, s.TimeOut}), (QList<int>{7, 8, 9}));
        s = m.TransferSettings(QStringLiteral("Plain"));
        QCOMPARE((QList<int>{s.MaxTries, s.RetryWait, s.TimeOut}), (QList<int>{4, 5, 6}));
        s = m.TransferSettings(QStringLiteral("none"));
        QCOMPARE((QList<int>{s.MaxTries, s.RetryWait, s.TimeOut}), (QList<int>{1, 5, 30}));
    }

    // Sizes beyond 32 bits give the right percentage.
    void largeSizes()
    {
        TThreadManager m;
        m.QueueDownloadLater(TSiteTag(), Item(false, 6LL << 30));
        m.ShowProgress(m.Queue().at(0)->ItemNo, 3LL << 30, 3LL << 30);
        QCOMPARE(m.Queue().at(0)->Progress, 50);
    }
};

QTEST_GUILESS_MAIN(TstQueueModel)
#include "tst_queuemodel.moc"
