// A real browse against pyftpdlib: log in, list, create, rename, chmod, delete a real tree,
// and a file downloaded and uploaded for the editor.
#include "sessiontest.h"
#include "tpyftpdserver.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>

namespace {
void Write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray Read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class TestSessionReal : public QObject {
    Q_OBJECT

private slots:
    void browse_data()
    {
        QTest::addColumn<bool>("passive");
        QTest::newRow("passive") << true;
        QTest::newRow("active") << false;
    }

    void browse()
    {
        QFETCH(bool, passive);
        TPyFtpdServer server;
        QVERIFY2(server.IsRunning(), qPrintable(server.ErrorText()));
        const QString home = server.Home();
        Write(home + QStringLiteral("/top.txt"), "top\n");
        Write(home + QStringLiteral("/tree/a.txt"), "a\n");
        Write(home + QStringLiteral("/tree/sub/b.txt"), "b\n");
        Write(home + QStringLiteral("/tree/sub/deeper/c.txt"), "c\n");

        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        s.Settings.Host = QStringLiteral("127.0.0.1");
        s.Settings.Port = server.PortText();
        s.Settings.UserName = QString::fromUtf8(server.User());
        s.Settings.Password = QString::fromUtf8(server.Password());
        s.Settings.Passive = passive;
        s.SetWaitTimeoutMs(5000);
        auto idle = [&] { return !s.Busy() && s.QueuedCount() == 0; };

        s.Connect();
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("list")));
        QVERIFY(s.LoggedIn());
        QCOMPARE(s.HomeDir(), QByteArray("/"));
        QCOMPARE(s.CurrentDir(), QByteArray("/"));
        QVERIFY(s.ListingText().contains(" top.txt"));
        QVERIFY(s.ListingText().contains(" tree"));
        QTRY_VERIFY(idle());

        log.Lines.clear();
        s.MakeDir("made", true);
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("created:/made")));
        QVERIFY(QFileInfo(home + QStringLiteral("/made")).isDir());

        log.Lines.clear();
        s.Rename("top.txt", "renamed.txt");
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("list")));
        QVERIFY(QFile::exists(home + QStringLiteral("/renamed.txt")));
        QVERIFY(s.ListingText().contains(" renamed.txt"));
        QVERIFY(!s.ListingText().contains(" top.txt"));

        log.Lines.clear();
        s.SetAttributes({"renamed.txt"}, "600", true);
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("ready")));
        // User, group and other bits: rw- --- ---.
        QCOMPARE(int(QFile::permissions(home + QStringLiteral("/renamed.txt")) & 0x0777), 0x0600);

        log.Lines.clear();
        s.DeleteList({"/tree/", "/renamed.txt"}, true);
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(home + QStringLiteral("/tree")), 10000);
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("ready")));
        QVERIFY(!QFile::exists(home + QStringLiteral("/renamed.txt")));
        QVERIFY(log.Of(QStringLiteral("error:")).isEmpty());
        // The walk left the server in a folder it removed; the window lists its folder again.
        log.Lines.clear();
        s.ChangeDir("/", true);
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("list")));
        QVERIFY(!s.ListingText().contains(" tree"));

        // Line ends survive the round trip: the editor's transfers are binary.
        const QByteArray text = "one\ntwo\r\nthree\n";
        Write(home + QStringLiteral("/edit.txt"), text);
        QTemporaryDir local;
        const QString file = local.filePath(QStringLiteral("edit.txt"));
        log.Lines.clear();
        s.DownloadForEdit("edit.txt", file);
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("downloaded")));
        QCOMPARE(Read(file), text);
        Write(file, text + "four\n");
        s.UploadEdited(file, "/edit.txt");
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("uploaded")));
        QCOMPARE(Read(home + QStringLiteral("/edit.txt")), text + "four\n");
        QVERIFY(log.Of(QStringLiteral("error:")).isEmpty());

        s.Disconnect();
        QVERIFY(!s.LoggedIn());
        QCOMPARE(s.ConnState(), csIdle);
    }

    // Every completion is reported with its command and result, also where the session
    // logs nothing (the delete walk) or ends without a ready notice.
    void completionsReported()
    {
        TPyFtpdServer server;
        QVERIFY2(server.IsRunning(), qPrintable(server.ErrorText()));
        Write(server.Home() + QStringLiteral("/f.txt"), "f");
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        s.Settings.Host = QStringLiteral("127.0.0.1");
        s.Settings.Port = server.PortText();
        s.Settings.UserName = QString::fromUtf8(server.User());
        s.Settings.Password = QString::fromUtf8(server.Password());
        s.Settings.Passive = true;
        s.Connect();
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("ready")));
        QVERIFY(log.Done.contains(QStringLiteral("%1:226:0").arg(int(fcDir))));

        log.Lines.clear();
        log.Done.clear();
        s.DeleteList({"/f.txt", "/none.txt"}, true);
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("ready")));
        QCOMPARE(log.Done, (QStringList{QStringLiteral("%1:250:0").arg(int(fcDele)),
                                        QStringLiteral("%1:550:1").arg(int(fcDele))}));

        log.Done.clear();
        s.SetAttributes({"none.txt"}, "600", true);
        QTRY_COMPARE(log.Done, QStringList{QStringLiteral("%1:550:1").arg(int(fcChMod))});
    }

    void wrongPassword()
    {
        TPyFtpdServer server;
        QVERIFY2(server.IsRunning(), qPrintable(server.ErrorText()));
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        s.Settings.Host = QStringLiteral("127.0.0.1");
        s.Settings.Port = server.PortText();
        s.Settings.UserName = QString::fromUtf8(server.User());
        s.Settings.Password = QStringLiteral("wrong");
        s.Connect();
        QTRY_VERIFY_WITH_TIMEOUT(s.ConnState() == csIdle, 10000);
        QVERIFY(!s.LoggedIn());
        QVERIFY(log.Lines.contains(QStringLiteral("error:无法登录到 127.0.0.1:%1:0").arg(server.Port())));
        QVERIFY(log.Lines.contains(QStringLiteral("error:所有登录尝试均已失败。:0")));
    }
};

QTEST_GUILESS_MAIN(TestSessionReal)
#include "tst_sessionreal.moc"
