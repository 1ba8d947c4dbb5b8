#include "helpers.h"
#include "programfolders.h"
#include "ttempprofile.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtTest/QTest>

#include <limits>

namespace {
void Touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}
}  // namespace

class TestHelpers : public QObject {
    Q_OBJECT

private slots:
    void trailingChars()
    {
        QCOMPARE(IncludeTrailingChar(QString(), u'/'), QStringLiteral("/"));
        QCOMPARE(IncludeTrailingChar(QStringLiteral("/pub"), u'/'), QStringLiteral("/pub/"));
        QCOMPARE(IncludeTrailingChar(QStringLiteral("/pub/"), u'/'), QStringLiteral("/pub/"));
        QCOMPARE(ExcludeTrailingChar(QStringLiteral("/pub//"), u'/'), QStringLiteral("/pub"));
        QCOMPARE(ExcludeTrailingChar(QStringLiteral("/"), u'/'), QString());
    }

    void formatSize_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("text");
        QTest::newRow("bytes") << 0 << qint64(1234567) << QStringLiteral("1,234,567");
        QTest::newRow("1 byte in KB") << 1 << qint64(1) << QStringLiteral("1 KB");
        QTest::newRow("0 in KB") << 1 << qint64(0) << QStringLiteral("0 KB");
        QTest::newRow("2048 in KB") << 1 << qint64(2048) << QStringLiteral("2 KB");
        QTest::newRow("truncated MB") << 2 << qint64(1048575) << QStringLiteral("0 MB");
        QTest::newRow("unit above 3 is GB") << 7 << (qint64(5) << 30) << QStringLiteral("5 GB");
        QTest::newRow("auto 1024 stays bytes") << -1 << qint64(1024) << QStringLiteral("1,024");
        QTest::newRow("auto 1025") << -1 << qint64(1025) << QStringLiteral("1 KB");
        QTest::newRow("auto half does not round") << -1 << qint64(1536) << QStringLiteral("1 KB");
        QTest::newRow("auto 1537 rounds") << -1 << qint64(1537) << QStringLiteral("2 KB");
        QTest::newRow("auto terabytes in GB") << -1 << (qint64(3) << 40) << QStringLiteral("3,072 GB");
        QTest::newRow("max int64") << -1 << std::numeric_limits<qint64>::max() << QStringLiteral("8,589,934,592 GB");
        QTest::newRow("negative bytes") << 0 << qint64(-1234) << QStringLiteral("-1,234");
        QTest::newRow("negative KB rounds like positive") << 1 << qint64(-1) << QStringLiteral("-1 KB");
        QTest::newRow("min int64 bytes") << 0 << std::numeric_limits<qint64>::min()
                                         << QStringLiteral("-9,223,372,036,854,775,808");
    }

    void formatSize()
    {
        QFETCH(int, unit);
        QFETCH(qint64, size);
        QFETCH(QString, text);
        QCOMPARE(FormatSize(unit, size, u','), text);
    }

    void insertThousands()
    {
        QCOMPARE(InsertThousands(QStringLiteral("1234567"), u','), QStringLiteral("1,234,567"));
        QCOMPARE(InsertThousands(QStringLiteral("123"), u','), QStringLiteral("123"));
        QCOMPARE(InsertThousands(QString(), u','), QString());
        QCOMPARE(InsertThousands(QStringLiteral("-1000"), u'.'), QStringLiteral("-1.000"));
    }

    void extInList_data()
    {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("sep");
        QTest::addColumn<bool>("found");
        const QString ascii = QStringLiteral("txt;htm;html;nfo;diz");
        QTest::newRow("upper with dot") << QStringLiteral(".TXT") << ascii << QStringLiteral(";") << true;
        QTest::newRow("plain") << QStringLiteral("html") << ascii << QStringLiteral(";") << true;
        QTest::newRow("longer ext") << QStringLiteral(".htmx") << ascii << QStringLiteral(";") << false;
        QTest::newRow("prefix only") << QStringLiteral("ht") << ascii << QStringLiteral(";") << false;
        QTest::newRow("blanks removed") << QStringLiteral(".TXT") << QStringLiteral("txt; htm") << QStringLiteral(";") << true;
        QTest::newRow("empty ext") << QString() << QStringLiteral("txt") << QStringLiteral(";") << false;
        QTest::newRow("blank separator") << QStringLiteral("exe") << QStringLiteral("com   exe  bat") << QStringLiteral(" ") << true;
        QTest::newRow("many dots") << QStringLiteral("..diz") << ascii << QStringLiteral(";") << true;
    }

    void extInList()
    {
        QFETCH(QString, ext);
        QFETCH(QString, list);
        QFETCH(QString, sep);
        QFETCH(bool, found);
        QCOMPARE(ExtInList(ext, list, sep[0]), found);
    }

    void deleteFolderRemovesReadOnlyTree()
    {
        TTempProfile profile;
        const QString root = profile.FilePath(QStringLiteral("tree"));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/sub/deeper")));
        Touch(root + QStringLiteral("/.hidden"));
        Touch(root + QStringLiteral("/sub/deeper/locked.txt"));
        QFile::setPermissions(root + QStringLiteral("/sub/deeper/locked.txt"), QFileDevice::ReadOwner);
        QFile::setPermissions(root + QStringLiteral("/sub/deeper"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);

        QVERIFY(DeleteFolder(root, true));
        QVERIFY(!QFileInfo::exists(root));
    }

    void deleteFolderKeepsWhatItMayNotTouch()
    {
        TTempProfile profile;
        const QString root = profile.FilePath(QStringLiteral("tree"));
        const QString outside = profile.FilePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/sub")));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/.git")));
        QVERIFY(QDir().mkpath(outside));
        Touch(outside + QStringLiteral("/keep.txt"));
        QVERIFY(QFile::link(outside, root + QStringLiteral("/link")));

        // Not recursive: the sub-folder stays, so the folder itself cannot go.
        QVERIFY(!DeleteFolder(root, false));
        QVERIFY(QFileInfo::exists(root + QStringLiteral("/sub")));
        // A folder named ".*" is never entered, so the result is still failure.
        QVERIFY(!DeleteFolder(root, true));
        QVERIFY(QFileInfo::exists(root + QStringLiteral("/.git")));
        QVERIFY(!QFileInfo::exists(root + QStringLiteral("/sub")));
        // The link went; what it pointed at did not.
        QVERIFY(!QFileInfo(root + QStringLiteral("/link")).isSymLink());
        QVERIFY(QFileInfo::exists(outside + QStringLiteral("/keep.txt")));
    }

    void hintsBelongToTheirOwner()
    {
        const QString tagged = TagText(QStringLiteral("连接到服务器"), 4711);
        QCOMPARE(UntagHint(tagged, 4711), QStringLiteral("连接到服务器"));
        QCOMPARE(UntagHint(tagged, 4712), QString());
        QCOMPARE(UntagHint(QStringLiteral("no tag"), 4711), QString());
        QCOMPARE(TagText(QString(), 4711), QString());
        const QString path = TagText(QStringLiteral("C:\\\\temp"), 9);
        QCOMPARE(UntagHint(path, 9), QStringLiteral("C:\\\\temp"));
    }

    void proxyTypesOfferNineSchemes()
    {
        QCOMPARE(ProxyNames().size(), 11);
        TProxyTypeList list{{QStringLiteral("stale"), 99}};
        FillProxyTypes(list);
        QCOMPARE(list.size(), 9);
        QCOMPARE(list.first(), qMakePair(QStringLiteral("无"), 0));
        QCOMPARE(list.last(), qMakePair(QStringLiteral("USER RemoteId@RemoteHost FirewallId"), 8));
    }

    void programFoldersFollowTheProfile()
    {
        TTempProfile profile;
        QVERIFY(StartProgramFolders());
        const TProgramFolders &f = ProgramFolders();
        QCOMPARE(f.ProfileFolder, profile.Path() + u'/');
        QCOMPARE(f.DefaultLogFolder, profile.Path() + QStringLiteral("/Logs"));
        QVERIFY(f.TempFolder.endsWith(QStringLiteral("/tmp/Tarnel/")));
        QVERIFY(f.ProgramFolder.endsWith(u'/'));
        QCOMPARE(f.ProgramFileName, QStringLiteral("tst_helpers"));
        QVERIFY(f.DocumentsFolder.endsWith(u'/'));
        QVERIFY(QFileInfo(f.DefaultLogFolder).isDir());
        QVERIFY(QFileInfo(f.TempFolder).isDir());

        Touch(f.TempFolder + QStringLiteral("edited.txt"));
        QVERIFY(RemoveTempFolder());
        QVERIFY(!QFileInfo::exists(f.TempFolder));
    }
};

QTEST_GUILESS_MAIN(TestHelpers)
#include "tst_helpers.moc"
