// The remote pane: rows from listing text, rejected lines, the listing cache and its lifetime
// on a hand-set clock, the owner's callback, Clear, folder navigation.
#include "sortkeys.h"
#include "tcustomscanthread.h"
#include "tvirtualfilelistview.h"

#include <QtTest/QAbstractItemModelTester>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kListing =
    "total 12\r\n"
    "drwxr-xr-x   2 u g     4096 Jan 02  2020 .\r\n"
    "drwxr-xr-x   2 u g     4096 Jan 02  2020 ..\r\n"
    "-rw-r--r--   1 u g  6442450944 Mar 05  2021 disk.IMG\r\n"
    "drwxr-xr-x   2 u g     4096 Feb 03  2019 src\r\n"
    "lrwxrwxrwx   1 u g        7 Feb 03  2019 latest -> src\r\n"
    "-rw-r--r--   1 u g      120 Dec 31  2019 readme\r\n"
    "\r\n"
    "this is no entry\r\n";

QStringList Names(const TCustomFileListView &view)
{
    QStringList names;
    for (int r = 0; r < view.RowCount(); ++r)
        names << view.Item(r)->Name;
    return names;
}

struct TPane {
    TVirtualFileListView View;
    QSignalSpy Listed{&View, &TCustomFileListView::OnDirListed};
    qint64 Now = 1'700'000'000'000;
    int Calls = 0;
    std::optional<QByteArray> Given;

    TPane()
    {
        new QAbstractItemModelTester(View.model(), QAbstractItemModelTester::FailureReportingMode::QtTest, &View);
        View.setObjectName(QStringLiteral("lvRemote"));
        for (int kind = 0; kind < 4; ++kind)
            View.AddColumn(kind, ColumnWidth(kind, true));
        View.BuildColumns();
        View.SetClock([this] { return Now; });
        View.SetListingCallback([this] {
            ++Calls;
            return Given;
        });
    }

    bool WaitListed()
    {
        const qsizetype before = Listed.count();
        return Listed.count() > before || Listed.wait(5000);
    }
};
}  // namespace

class TstVirtualFileListView : public QObject {
    Q_OBJECT

private slots:
    void rowsAndErrors()
    {
        TPane p;
        QSignalSpy errors(&p.View, &TVirtualFileListView::OnListError);
        p.View.LoadListing(QStringLiteral("/pub"), kListing);
        QVERIFY(p.WaitListed());
        QCOMPARE(p.View.GetPath(), QStringLiteral("/pub/"));
        QCOMPARE(Names(p.View).join(QLatin1Char('|')), QStringLiteral("..|latest|src|disk.IMG|readme"));
        QStringList rejected;
        for (const QList<QVariant> &e : errors) {
            QCOMPARE(e.at(0).value<TCustomFileListView *>(), &p.View);
            rejected << QString::fromUtf8(e.at(1).toByteArray());
        }
        QCOMPARE(rejected, (QStringList{QStringLiteral("total 12"), QStringLiteral("this is no entry")}));

        const TScanItem parent = p.View.GetItem(0);
        QCOMPARE(parent.Size, -1);
        QCOMPARE(parent.TypeName, QStringLiteral("父文件夹"));
        const TScanItem link = p.View.GetItem(1);
        QVERIFY(link.IsLink && link.IsDir);
        const TScanItem disk = p.View.GetItem(3);
        QCOMPARE(disk.Size, 6442450944);
        QCOMPARE(disk.DateText, QStringLiteral("2021/03/05 00:00"));
        QCOMPARE(disk.Attributes, QStringLiteral("-rw-r--r--"));
        QCOMPARE(disk.TypeName.isEmpty(), false);
        QCOMPARE(disk.FileDate, PackDosDateTime(QDate(2021, 3, 5), QTime(0, 0)));
        QCOMPARE(p.View.GetItem(4).TypeName, QStringLiteral("未知类型"));
        QCOMPARE(p.View.GetItem(99).Name, QString());

        QAbstractItemModel *m = p.View.model();
        QCOMPARE(m->index(2, 1).data().toString(), QStringLiteral(" "));  // folder: no size
        QCOMPARE(m->index(3, 1).data().toString(), QStringLiteral("6 GB"));
        QCOMPARE(m->index(3, 3).data().toString(), QStringLiteral("-rw-r--r--"));
        QCOMPARE(m->index(2, 2).data().toString(), QStringLiteral("2019/02/03 00:00"));
    }

    void parentShownAtRoot()
    {
        TPane p;
        p.View.LoadListing(QStringLiteral("/"), "-rw-r--r-- 1 u g 1 Jan 01 2020 a\n");
        QVERIFY(p.WaitListed());
        QCOMPARE(Names(p.View), (QStringList{QStringLiteral(".."), QStringLiteral("a")}));
    }

    void sortedByFlagsAndRescannedWithoutConnection()
    {
        TPane p;
        p.View.LoadListing(QStringLiteral("/"),
                           "-rwxr-xr-x 1 u g 1 Jan 01 2020 b\n"
                           "drwx------ 1 u g 1 Jan 01 2020 z\n"
                           "-rw-r--r-- 1 u g 9 Jan 01 2020 c\n"
                           "-rw-r--r-- 1 u g 1 Jan 01 2020 a\n");
        QVERIFY(p.WaitListed());
        p.View.ColumnClick(3);
        QVERIFY(p.WaitListed());
        QCOMPARE(Names(p.View).join(QLatin1Char('|')), QStringLiteral("..|z|a|c|b"));
        p.View.ColumnClick(3);
        QVERIFY(p.WaitListed());
        QCOMPARE(Names(p.View).join(QLatin1Char('|')), QStringLiteral("..|b|c|a|z"));
        QCOMPARE(p.Calls, 0);
    }

    void cacheLifetime()
    {
        TPane p;
        p.View.SetCacheLifetime(60);
        p.View.LoadListing(QStringLiteral("/a"), "-rw-r--r-- 1 u g 1 Jan 01 2020 old\n");
        QVERIFY(p.WaitListed());
        p.View.LoadListing(QStringLiteral("/b/"), "-rw-r--r-- 1 u g 1 Jan 01 2020 bee\n");
        QVERIFY(p.WaitListed());
        QVERIFY(p.View.IsCached(QStringLiteral("/a")));

        p.Now += 59'000;  // inside the lifetime: the stored listing, no callback
        p.Given = QByteArray("-rw-r--r-- 1 u g 1 Jan 01 2020 new\n");
        p.View.ShowPath(QStringLiteral("/a"));
        QVERIFY(p.WaitListed());
        QCOMPARE(p.Calls, 0);
        QCOMPARE(Names(p.View).last(), QStringLiteral("old"));

        p.View.ShowPath(QStringLiteral("/a/"));  // the same path again: nothing
        p.Now += 2'000;  // past the minute: the callback's listing replaces the entry
        QVERIFY(!p.View.IsCached(QStringLiteral("/a/")));
        p.View.ShowPath(QStringLiteral("/b"));
        QVERIFY(p.WaitListed());
        QCOMPARE(p.Calls, 1);
        QCOMPARE(Names(p.View).last(), QStringLiteral("new"));
        QVERIFY(p.View.IsCached(QStringLiteral("/b/")));

        // A callback with nothing to give leaves the rows as they are.
        p.Given.reset();
        p.Now += 61'000;
        p.View.ShowPath(QStringLiteral("/a"));
        QTest::qWait(50);
        QCOMPARE(p.Calls, 2);
        QCOMPARE(p.View.GetPath(), QStringLiteral("/a/"));
        QCOMPARE(Names(p.View).last(), QStringLiteral("new"));
    }

    void cacheOff_data()
    {
        QTest::addColumn<bool>("byLifetime");
        QTest::newRow("switched off") << false;
        QTest::newRow("lifetime 0") << true;
    }

    void cacheOff()
    {
        QFETCH(bool, byLifetime);
        TPane p;
        if (byLifetime)
            p.View.SetCacheLifetime(0);
        else
            p.View.SetCacheEnabled(false);
        p.View.LoadListing(QStringLiteral("/a"), "-rw-r--r-- 1 u g 1 Jan 01 2020 one\n");
        QVERIFY(p.WaitListed());
        QVERIFY(!p.View.IsCached(QStringLiteral("/a")));
        p.Given = QByteArray("-rw-r--r-- 1 u g 1 Jan 01 2020 two\n");
        p.View.ShowPath(QStringLiteral("/b"));
        QVERIFY(p.WaitListed());
        p.View.ShowPath(QStringLiteral("/a"));
        QVERIFY(p.WaitListed());
        QCOMPARE(p.Calls, 2);
        QCOMPARE(Names(p.View).last(), QStringLiteral("two"));
    }

    void clearForgetsEverything()
    {
        TPane p;
        p.View.LoadListing(QStringLiteral("/a"), kListing);
        QVERIFY(p.WaitListed());
        p.View.Clear();
        QCOMPARE(p.View.RowCount(), 0);
        QCOMPARE(p.View.GetPath(), QString());
        QVERIFY(!p.View.IsCached(QStringLiteral("/a")));
        QTest::qWait(50);
        QCOMPARE(p.View.RowCount(), 0);
        QCOMPARE(p.View.GetItem(0).Name, QString());
    }

    void doubleClick_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("expected");
        QTest::newRow("into a folder") << u"/pub"_s << 2 << u"/pub/src/"_s;
        QTest::newRow("into a link") << u"/pub"_s << 1 << u"/pub/latest/"_s;
        QTest::newRow("parent") << u"/pub/x/"_s << 0 << u"/pub/"_s;
        QTest::newRow("parent of a top folder") << u"/pub"_s << 0 << u"/"_s;
        QTest::newRow("parent at the root") << u"/"_s << 0 << u"/"_s;
        QTest::newRow("a file") << u"/pub"_s << 3 << u""_s;
    }

    void doubleClick()
    {
        QFETCH(QString, path);
        QFETCH(int, row);
        QFETCH(QString, expected);
        TPane p;
        QSignalSpy paths(&p.View, &TCustomFileListView::OnPathChange);
        p.View.LoadListing(path, kListing);
        QVERIFY(p.WaitListed());
        emit p.View.doubleClicked(p.View.model()->index(row, 0));
        QCOMPARE(paths.isEmpty() ? QString() : paths.at(0).at(1).toString(), expected);
        QCOMPARE(p.View.GetPath(), path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'));
    }

    void nameBytesKept()
    {
        TPane p;
        const QByteArray gbk = "\xd6\xd0\xce\xc4.txt";  // not UTF-8
        p.View.LoadListing(QStringLiteral("/"), "-rw-r--r-- 1 u g 1 Jan 01 2020 " + gbk + "\nd--------- 1 u g 1 Jan 01 2020 \xe4\xb8\xad\n");
        QVERIFY(p.WaitListed());
        QCOMPARE(p.View.GetItem(1).Name, QStringLiteral("中"));
        QCOMPARE(p.View.GetItem(1).RemoteName(), QByteArray("\xe4\xb8\xad"));
        QCOMPARE(p.View.GetItem(2).RemoteName(), gbk);
    }

    // Listings handed over in quick succession: only the last one shows, once.
    void lastListingWins()
    {
        TPane p;
        QByteArray big;
        for (int i = 0; i < 5000; ++i)
            big += "-rw-r--r-- 1 u g " + QByteArray::number(i) + " Jan 01 2020 f" + QByteArray::number(i) + '\n';
        p.View.LoadListing(QStringLiteral("/big"), big);
        p.View.LoadListing(QStringLiteral("/small"), "-rw-r--r-- 1 u g 1 Jan 01 2020 s\n");
        QVERIFY(p.WaitListed());
        QTest::qWait(100);
        QCOMPARE(p.Listed.count(), 1);
        QCOMPARE(Names(p.View), (QStringList{QStringLiteral(".."), QStringLiteral("s")}));
        QSignalSpy inserted(p.View.model(), &QAbstractItemModel::rowsInserted);
        p.View.LoadListing(QStringLiteral("/big"), big);
        QVERIFY(p.WaitListed());
        QCOMPARE(p.View.RowCount(), 5001);
        // Handed over in batches, none larger than the limit.
        QVERIFY(inserted.count() >= 5001 / TCustomScanThread::BatchRows);
        for (const QList<QVariant> &batch : inserted)
            QVERIFY(batch.at(2).toInt() - batch.at(1).toInt() < TCustomScanThread::BatchRows);
        QCOMPARE(p.View.GetItem(5000).Name, QStringLiteral("f999"));  // name order
    }
};

QTEST_MAIN(TstVirtualFileListView)
#include "tst_virtualfilelistview.moc"
