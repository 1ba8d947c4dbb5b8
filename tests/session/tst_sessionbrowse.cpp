// Browsing against the scripted server: folders and listings, the PORT/PASV fallback,
// creating, renaming, permissions, recursive delete, files for the editor, the folder tree.
#include "sessiontest.h"

#include <QtTest/QAbstractItemModelTester>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>

using Bytes = QList<QByteArray>;

namespace {
QByteArray UnixDir(const char *name) { return QByteArray("drwxr-xr-x 2 u g 0 Jan 01 2020 ") + name + "\r\n"; }
QByteArray UnixFile(const char *name) { return QByteArray("-rw-r--r-- 1 u g 5 Jan 01 2020 ") + name + "\r\n"; }
TFakeReply Listing(const QByteArray &text, const char *final = "226 done\r\n")
{
    return TFakeReply::Send("150 listing\r\n", text, final);
}

// A logged-in session whose first listing has ended.
struct TBrowse {
    TFakeFtpServer Server;
    TFtpMainThread Session{nullptr, 5};
    TSessionLog Log;

    bool LogIn()
    {
        Log.Attach(Session);
        AimAt(Session, Server);
        Session.Connect();
        return QTest::qWaitFor([&] { return Idle() && Session.LoggedIn(); }, 5000);
    }
    bool Idle()
    {
        return Server.Commands().contains("LIST") && !Session.Busy() && Session.QueuedCount() == 0;
    }
    // Commands sent since `mark` commands had been received.
    Bytes Since(qsizetype mark) const { return Server.Commands().mid(mark); }
};
}  // namespace

class TestSessionBrowse : public QObject {
    Q_OBJECT

private slots:
    void changeDirLists()
    {
        TBrowse b;
        ScriptLogIn(b.Server, {{"PWD", "257 \"/home/u\"\r\n"}, {"LIST", Listing(QByteArray())}});
        b.Server.Script("PWD", "257 \"/pub\" is current\r\n");
        b.Server.Script("LIST", Listing(UnixFile("a.txt")));
        QVERIFY(b.LogIn());
        const qsizetype mark = b.Server.Commands().size();
        b.Log.Lines.clear();
        b.Session.ChangeDir("/pub", true);
        QTRY_VERIFY(b.Log.Lines.contains(QStringLiteral("list")));
        const Bytes sent = b.Since(mark);
        QCOMPARE(sent.mid(0, 4), (Bytes{"TYPE A", "CWD /pub/", "PWD", sent.value(3)}));
        QVERIFY(sent[3].startsWith("PORT 127,0,0,1,"));
        QCOMPARE(sent.value(4), QByteArray("LIST"));
        QCOMPARE(b.Session.CurrentDir(), QByteArray("/pub/"));
        QCOMPARE(b.Session.ListingText(), UnixFile("a.txt"));
        QTRY_COMPARE(b.Log.Lines.last(), QStringLiteral("ready"));
    }

    // A refused CWD: no listing, the asked-for path stays, the reply is logged as an error.
    void changeDirRefused()
    {
        TBrowse b;
        ScriptLogIn(b.Server, {{"CWD", "250 ok\r\n"}});
        b.Server.Script("CWD", "550 no such folder\r\n");
        QVERIFY(b.LogIn());
        const qsizetype mark = b.Server.Commands().size();
        b.Log.Lines.clear();
        b.Session.ChangeDir("/nope", true);
        QTRY_VERIFY(b.Log.Lines.contains(QStringLiteral("ready")));
        QCOMPARE(b.Since(mark), (Bytes{"TYPE A", "CWD /nope/"}));
        QCOMPARE(b.Session.CurrentDir(), QByteArray("/nope/"));
        QVERIFY(b.Log.Lines.contains(QStringLiteral("ERR:550 no such folder")));
        QVERIFY(b.Log.Of(QStringLiteral("error:")).isEmpty());
    }

    void initialFolder_data()
    {
        QTest::addColumn<QByteArray>("initial");
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QByteArray>("cwd");
        QTest::newRow("none") << QByteArray() << QByteArray("/home/u") << QByteArray("CWD /home/u");
        QTest::newRow("relative") << QByteArray("sub") << QByteArray("/home/u") << QByteArray("CWD /home/u/sub");
        QTest::newRow("relative at root") << QByteArray("sub") << QByteArray("/") << QByteArray("CWD /sub");
        QTest::newRow("absolute") << QByteArray("/abs") << QByteArray("/home/u") << QByteArray("CWD /abs");
    }

    void initialFolder()
    {
        QFETCH(QByteArray, initial);
        QFETCH(QByteArray, home);
        QFETCH(QByteArray, cwd);
        TBrowse b;
        ScriptLogIn(b.Server, {{"PWD", "257 \"" + home + "\"\r\n"}});
        b.Session.Settings.InitialDir = initial;
        QVERIFY(b.LogIn());
        QCOMPARE(CommandsFrom(b.Server, "REST 100").mid(0, 4), (Bytes{"REST 100", "PWD", "TYPE A", cwd}));
        QCOMPARE(b.Session.HomeDir(), home);
    }

    // The log-in's CWD into a folder the server refuses lists the home folder instead.
    void initialFolderRefused()
    {
        TBrowse b;
        ScriptLogIn(b.Server, {{"CWD", "550 gone\r\n"}});
        b.Session.Settings.InitialDir = "/gone";
        QVERIFY(b.LogIn());
        const Bytes sent = CommandsFrom(b.Server, "CWD /gone");
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent.last(), QByteArray("LIST"));
        QCOMPARE(b.Session.CurrentDir(), QByteArray("/home/u/"));
        QVERIFY(b.Log.Lines.contains(QStringLiteral("list")));
    }

    // PORT refused: the listing is tried again in passive mode, once per connection.
    void listFallsBackOnce_data()
    {
        QTest::addColumn<bool>("passive");
        QTest::newRow("active first") << false;
        QTest::newRow("passive first") << true;
    }

    void listFallsBackOnce()
    {
        QFETCH(bool, passive);
        TBrowse b;
        const QByteArray refused = passive ? "PASV" : "PORT";
        ScriptLogIn(b.Server, {{refused, "500 not here\r\n"}});
        b.Session.Settings.Passive = passive;
        QVERIFY(b.LogIn());
        const Bytes sent = CommandsFrom(b.Server, refused);
        QCOMPARE(sent.size(), 3);
        QVERIFY(sent[0].startsWith(refused));
        QVERIFY(sent[1].startsWith(passive ? "PORT" : "PASV"));
        QCOMPARE(sent[2], QByteArray("LIST"));
        QVERIFY(b.Log.Lines.contains(QStringLiteral("list")));
        QVERIFY(b.Log.Of(QStringLiteral("error:")).isEmpty());
        QCOMPARE(b.Session.Engine()->Passive, !passive);

        // The other mode refused too: no second switch in this connection.
        b.Server.Script(passive ? "PORT" : "PASV", "500 nor this\r\n");
        const qsizetype mark = b.Server.Commands().size();
        b.Log.Lines.clear();
        b.Session.ChangeDir("/home/u", true);
        QTRY_VERIFY(b.Log.Lines.contains(QStringLiteral("error:接收目录列表错误。:500")));
        const Bytes again = b.Since(mark);
        QCOMPARE(again.size(), 4);
        QVERIFY(again[3].startsWith(passive ? "PORT" : "PASV"));
        QVERIFY(!b.Log.Lines.contains(QStringLiteral("list")));
    }

    void listEndedWith250()
    {
        TBrowse b;
        ScriptLogIn(b.Server, {{"LIST", Listing(UnixFile("x"), "250 odd\r\n")}});
        QVERIFY(b.LogIn());
        QTRY_COMPARE(b.Log.Of(QStringLiteral("error:接收目录列表错误。")).size(), 1);
        QVERIFY(!b.Log.Lines.contains(QStringLiteral("list")));
    }

    void makeDir_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("outcome");
        const QString denied = QStringLiteral("error:没有创建目录 /home/u/a/b 在 127.0.0.1 上的权限:%1");
        QTest::newRow("257") << QByteArray("257 \"/home/u/a/b\" created\r\n") << QStringLiteral("created:/home/u/a/b");
        QTest::newRow("250") << QByteArray("250 made\r\n") << QStringLiteral("created:/home/u/a/b");
        QTest::newRow("550") << QByteArray("550 exists\r\n") << denied.arg(550);
        QTest::newRow("denied") << QByteArray("521 Permission DENIED\r\n") << denied.arg(521);
        QTest::newRow("other refusal") << QByteArray("553 bad name\r\n") << QStringLiteral("error:553 bad name:553");
        QTest::newRow("fatal") << QByteArray("421 closing\r\n") << QStringLiteral("error:421 closing:30421");
    }

    void makeDir()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, outcome);
        TBrowse b;
        ScriptLogIn(b.Server, {{"MKD", reply}});
        QVERIFY(b.LogIn());
        b.Log.Lines.clear();
        b.Session.MakeDir("a\\b", true);
        QTRY_VERIFY(b.Server.Commands().contains("MKD /home/u/a/b"));
        QTRY_VERIFY(b.Log.Lines.contains(outcome));
        QCOMPARE(b.Log.Of(QStringLiteral("created:")).size() + b.Log.Of(QStringLiteral("error:")).size(), 1);
    }

    void renameLists()
    {
        TBrowse b;
        ScriptLogIn(b.Server, {{"RNFR", "350 ready\r\n"}, {"RNTO", "250 renamed\r\n"}});
        QVERIFY(b.LogIn());
        const qsizetype mark = b.Server.Commands().size();
        b.Session.Rename("old", "new");
        QTRY_VERIFY(b.Since(mark).contains("LIST"));
        const Bytes sent = b.Since(mark);
        QCOMPARE(sent.mid(0, 5), (Bytes{"RNFR old", "RNTO new", "TYPE A", "CWD /home/u/", "PWD"}));
    }

    void renameFatal()
    {
        TBrowse b;
        ScriptLogIn(b.Server, {{"RNFR", "350 ready\r\n"}, {"RNTO", "530 not logged in\r\n"}});
        QVERIFY(b.LogIn());
        const qsizetype mark = b.Server.Commands().size();
        b.Session.Rename("old", "new");
        QTRY_VERIFY(b.Log.Lines.contains(QStringLiteral("error:530 not logged in:30530")));
        QTest::qWait(30);
        QCOMPARE(b.Since(mark), (Bytes{"RNFR old", "RNTO new"}));
    }

    void setAttributes_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("ready");
        QTest::newRow("accepted") << QByteArray("200 ok\r\n") << 1;
        QTest::newRow("refused") << QByteArray("500 no chmod\r\n") << 0;
    }

    void setAttributes()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, ready);
        TBrowse b;
        ScriptLogIn(b.Server, {{"SITE", reply}});
        QVERIFY(b.LogIn());
        const qsizetype mark = b.Server.Commands().size();
        b.Log.Lines.clear();
        b.Session.SetAttributes({"a", "b c"}, "644", true);
        QTRY_COMPARE(b.Since(mark).size(), 2);
        QTest::qWait(50);
        QCOMPARE(b.Since(mark), (Bytes{"SITE CHMOD 644 /home/u/a", "SITE CHMOD 644 /home/u/b c"}));
        QCOMPARE(b.Log.Count(QStringLiteral("ready")), ready);
    }

    // Files first in the order found, then folders from the last found to the first; links
    // are removed as links, names with "/" are never used.
    void recursiveDelete()
    {
        TBrowse b;
        ScriptLogIn(b.Server);
        b.Server.Script("LIST", Listing(UnixDir("sub") + UnixFile("inner.txt") +
                                        "lrwxrwxrwx 1 u g 4 Jan 01 2020 link -> /etc\r\n" +
                                        "01-01-20  10:00AM       <DIR>          up/../x\r\n"));
        b.Server.Script("LIST", Listing(UnixFile("deep.txt")));
        b.Server.Script("DELE", "250 deleted\r\n");
        b.Server.Script("RMD", "250 removed\r\n");
        QVERIFY(b.LogIn());
        const qsizetype mark = b.Server.Commands().size();
        b.Log.Lines.clear();
        b.Session.DeleteList({"/home/u/file.txt", "/home/u/dir/"}, true);
        QTRY_VERIFY(b.Server.Commands().contains("RMD /home/u/dir"));
        Bytes sent;
        for (const QByteArray &c : b.Since(mark))
            if (c.startsWith("DELE") || c.startsWith("RMD") || c.startsWith("CWD"))
                sent << c;
        QCOMPARE(sent, (Bytes{"CWD /home/u/dir/", "CWD /home/u/dir/sub", "DELE /home/u/file.txt",
                              "DELE /home/u/dir/inner.txt", "DELE /home/u/dir/link", "DELE /home/u/dir/sub/deep.txt",
                              "RMD /home/u/dir/sub", "RMD /home/u/dir"}));
        QTRY_COMPARE(b.Log.Lines.last(), QStringLiteral("ready"));
    }

    // A folder that cannot be entered adds nothing, even right after log-in: the home
    // folder is never listed in its place.
    void deleteUnenterableFolder()
    {
        TBrowse b;
        ScriptLogIn(b.Server, {{"CWD", "250 ok\r\n"}, {"LIST", Listing(UnixFile("precious"))}});
        b.Server.Script("CWD", "550 locked\r\n");
        b.Server.Script("RMD", "550 not empty\r\n");
        QVERIFY(b.LogIn());
        const qsizetype mark = b.Server.Commands().size();
        b.Session.DeleteList({"/home/u/locked/"}, true);
        QTRY_VERIFY(b.Server.Commands().contains("RMD /home/u/locked"));
        QTest::qWait(30);
        QCOMPARE(b.Since(mark), (Bytes{"CWD /home/u/locked/", "RMD /home/u/locked"}));
    }

    void commandWithLineBreakIsRefused()
    {
        TBrowse b;
        ScriptLogIn(b.Server);
        QVERIFY(b.LogIn());
        const qsizetype mark = b.Server.Commands().size();
        b.Log.Lines.clear();
        b.Session.SendCommand("NOOP\r\nDELE x");
        QTRY_VERIFY(!b.Log.Of(QStringLiteral("error:")).isEmpty());
        QTest::qWait(30);
        QCOMPARE(b.Since(mark), Bytes{});
        // The queue goes on afterwards.
        b.Server.Script("SYST", "215 UNIX\r\n");
        b.Session.SendCommand("SYST");
        QTRY_VERIFY(b.Server.Commands().contains("SYST"));
    }

    void editFiles()
    {
        TBrowse b;
        const QByteArray text = "line one\nline two\n";
        ScriptLogIn(b.Server);
        b.Server.Script("RETR", TFakeReply::Send("150 sending\r\n", text, "226 sent\r\n"));
        b.Server.Script("STOR", TFakeReply::Receive("150 send it\r\n", "226 stored\r\n"));
        QVERIFY(b.LogIn());
        QTemporaryDir dir;
        const QString local = dir.filePath(QStringLiteral("edit.txt"));
        const qsizetype mark = b.Server.Commands().size();
        qint64 progress = -1;
        b.Session.OnListProgress = [&](TFtpMainThread *, bool &, qint64 bytes) { progress = qMax(progress, bytes); };
        b.Session.DownloadForEdit("notes.txt", local);
        QTRY_VERIFY(b.Log.Lines.contains(QStringLiteral("downloaded")));
        QVERIFY(progress >= 0);
        QFile f(local);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), text);
        f.close();
        const Bytes got = b.Since(mark);
        QCOMPARE(got.first(), QByteArray("TYPE I"));
        QCOMPARE(got.last(), QByteArray("RETR notes.txt"));

        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Append));
        f.write("line three\n");
        f.close();
        b.Session.UploadEdited(local, "/home/u/notes.txt");
        QTRY_VERIFY(b.Log.Lines.contains(QStringLiteral("uploaded")));
        QCOMPARE(b.Server.Uploaded(), text + "line three\n");
        QVERIFY(b.Server.Commands().contains("STOR /home/u/notes.txt"));
        // The session lists again in ASCII afterwards.
        const qsizetype mark2 = b.Server.Commands().size();
        b.Session.ChangeDir("/home/u", true);
        QTRY_VERIFY(b.Since(mark2).contains("LIST"));
        QCOMPARE(b.Since(mark2).first(), QByteArray("TYPE A"));
    }

    // A user action while a listing is under way waits for it, and leaves the listing and
    // the engine's settings of the listing alone.
    void actionDuringListing()
    {
        TBrowse b;
        ScriptLogIn(b.Server, {{"LIST", Listing(QByteArray())},
                               {"LIST", Listing(UnixFile("a"))},
                               {"MKD", "257 \"/home/u/new\"\r\n"}});
        QVERIFY(b.LogIn());
        b.Log.Lines.clear();
        b.Session.ChangeDir("/home/u", true);
        b.Session.MakeDir("new", true);
        QTRY_VERIFY(b.Log.Lines.contains(QStringLiteral("created:/home/u/new")));
        QVERIFY(b.Log.Lines.indexOf(QStringLiteral("list")) < b.Log.Lines.indexOf(QStringLiteral("cmd:MKD /home/u/new")));
        QCOMPARE(b.Session.ListingText(), UnixFile("a"));
    }

    // The tree grows with the listings; choosing a folder that was never listed lists it.
    void folderTree()
    {
        TBrowse b;
        QAbstractItemModelTester tester(b.Session.TreeModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        ScriptLogIn(b.Server, {{"LIST", Listing(UnixDir("Docs") + UnixDir("apps") + UnixFile("f.txt") +
                                                UnixDir("bad/name"))}});
        b.Server.Script("PWD", "257 \"/home/u\"\r\n");
        b.Server.Script("PWD", "257 \"/home/u/Docs\"\r\n");
        b.Server.Script("LIST", Listing(QByteArray()));
        b.Session.AttachTree(true);
        QVERIFY(b.LogIn());
        TRemoteTreeModel *m = b.Session.TreeModel();
        QTRY_COMPARE(m->rowCount(), 1);
        const QModelIndex root = m->index(0, 0);
        QCOMPARE(root.data().toString(), QStringLiteral("127.0.0.1"));
        const QModelIndex home = m->index(0, 0, root);
        QCOMPARE(home.data().toString(), QStringLiteral("home"));
        QCOMPARE(home.data(TRemoteTreeModel::IconStateRole).toInt(), int(tiDisabled));
        const QModelIndex u = m->index(0, 0, home);
        QCOMPARE(u.data(TRemoteTreeModel::PathRole).toByteArray(), QByteArray("/home/u"));
        QCOMPARE(u.data(TRemoteTreeModel::IconStateRole).toInt(), int(tiOpened));
        QCOMPARE(m->Selected(), QModelIndex(u));
        QCOMPARE(m->rowCount(u), 2);
        QCOMPARE(m->index(0, 0, u).data().toString(), QStringLiteral("apps"));
        const QModelIndex docs = m->index(1, 0, u);
        QCOMPARE(docs.data().toString(), QStringLiteral("Docs"));
        QCOMPARE(b.Log.Of(QStringLiteral("treeselect:")), QStringList{QStringLiteral("/home/u/")});

        const qsizetype mark = b.Server.Commands().size();
        b.Session.TreeSelectionChanged(docs);
        QTRY_VERIFY(b.Since(mark).contains("LIST"));
        QCOMPARE(b.Since(mark).mid(0, 2), (Bytes{"TYPE A", "CWD /home/u/Docs/"}));
        QTRY_COMPARE(docs.data(TRemoteTreeModel::IconStateRole).toInt(), int(tiOpened));
        QCOMPARE(u.data(TRemoteTreeModel::IconStateRole).toInt(), int(tiClosed));

        // A listed folder chosen again only tells the window.
        b.Log.Lines.clear();
        b.Session.TreeSelectionChanged(u);
        QCOMPARE(b.Log.Of(QStringLiteral("treeselect:")), QStringList{QStringLiteral("/home/u/")});

        // The window shows a cached listing: the tree follows without a command.
        const qsizetype quiet = b.Server.Commands().size();
        b.Log.Lines.clear();
        b.Session.SetCurrentDir("/home/u/Docs/");
        QCOMPARE(m->Selected(), QModelIndex(docs));
        QCOMPARE(b.Log.Of(QStringLiteral("treeselect:")), QStringList{QStringLiteral("/home/u/Docs/")});
        QCOMPARE(b.Session.CurrentDir(), QByteArray("/home/u/Docs/"));
        QTest::qWait(20);
        QCOMPARE(b.Server.Commands().size(), quiet);
        // A path that differs in case only: the node is renamed, unlisted, and listed anew.
        b.Session.SetCurrentDir("/home/u/APPS");
        QTRY_VERIFY(b.Since(quiet).contains("CWD /home/u/APPS/"));
        QCOMPARE(m->index(0, 0, u).data().toString(), QStringLiteral("APPS"));

        b.Session.Disconnect();
        QCOMPARE(m->rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSessionBrowse)
#include "tst_sessionbrowse.moc"
