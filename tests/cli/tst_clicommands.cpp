// Runs the built tarnel-cli against a real server (pyftpdlib), as scripts would.
#include "tpyftpdserver.h"
#include "tsitemanager.h"
#include "ttempprofile.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>

#include <csignal>

namespace {

QString S(const char *text) { return QString::fromUtf8(text); }

struct TRun {
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};

QByteArray RandomBytes(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (char &c : data)
        c = char(gen.generate());
    return data;
}

bool WriteFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestCliCommands : public QObject {
    Q_OBJECT

    TTempProfile m_profile;
    std::unique_ptr<TPyFtpdServer> m_server;
    QTemporaryDir m_local;

    // The URL of `path` on the server, the password left to TARNEL_PASSWORD.
    QString Url(const char *path) const
    {
        return QStringLiteral("ftp://tester@127.0.0.1:%1%2").arg(m_server->PortText(), S(path));
    }
    QString Home(const char *path) const { return m_server->Home() + S(path); }
    QString Local(const char *path) const { return m_local.path() + S(path); }

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TARNEL_PASSWORD"), QString::fromUtf8(TPyFtpdServer::Password()));
        return env;
    }

    void Start(QProcess &p, const QStringList &args, const QProcessEnvironment &env) const
    {
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_local.path());
        // Passive: pyftpdlib now and then stops serving a control connection that opens
        // while it connects back to another one in active mode.
        p.start(S(TARNEL_CLI_PATH), args + QStringList{S("--retries"), S("1"), S("--passive")});
    }

    TRun Cli(const QStringList &args, const QProcessEnvironment &env) const
    {
        QProcess p;
        Start(p, args, env);
        TRun run;
        if (!p.waitForStarted(10000))
            return run;
        p.closeWriteChannel();
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            return run;
        }
        run.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        run.Out = p.readAllStandardOutput();
        run.Err = p.readAllStandardError();
        return run;
    }
    TRun Cli(const QStringList &args) const { return Cli(args, Environment()); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_profile.IsValid());
        m_server = std::make_unique<TPyFtpdServer>();
        QVERIFY2(m_server->IsRunning(), qPrintable(m_server->ErrorText()));
    }

    void init()
    {
        QDir(m_server->Home()).removeRecursively();
        QDir().mkpath(m_server->Home());
        QDir(m_local.path()).removeRecursively();
        QDir().mkpath(m_local.path());
    }

    void listing()
    {
        QVERIFY(WriteFile(Home("/pub/a.bin"), RandomBytes(1234)));
        QVERIFY(WriteFile(Home("/pub/文件 1.dat"), "x"));
        QVERIFY(QDir().mkpath(Home("/pub/sub")));

        TRun run = Cli({S("ls"), Url("/pub/")});
        QCOMPARE(run.ExitCode, 0);
        QStringList names = QString::fromUtf8(run.Out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        names.sort();
        QCOMPARE(names, (QStringList{S("a.bin"), S("sub/"), S("文件 1.dat")}));

        run = Cli({S("ls"), S("-l"), Url("/pub/")});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Out.contains("-rw"));
        QVERIFY(run.Out.contains(" 1234 "));

        run = Cli({S("ls"), S("--json"), Url("/p%75b")});  // percent-decoded, no trailing "/"
        QCOMPARE(run.ExitCode, 0);
        QMap<QString, QJsonObject> entries;
        for (const QByteArray &line : run.Out.split('\n')) {
            if (line.isEmpty())
                continue;
            QJsonParseError error;
            const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
            QVERIFY2(error.error == QJsonParseError::NoError && doc.isObject(), line.constData());
            entries.insert(doc.object()[u"name"].toString(), doc.object());
        }
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[S("a.bin")][u"size"].toInteger(), 1234);
        QCOMPARE(entries[S("a.bin")][u"dir"].toBool(), false);
        QCOMPARE(entries[S("sub")][u"dir"].toBool(), true);
        QVERIFY(!entries[S("文件 1.dat")][u"date"].toString().isEmpty());

        run = Cli({S("ls"), Url("/nothere/")});
        QCOMPARE(run.ExitCode, 4);
        QVERIFY(run.Out.isEmpty());  // never the home folder in its place
        QVERIFY(!run.Err.isEmpty());
    }

    void download()
    {
        const QByteArray data = RandomBytes(700 * 1024 + 3);
        QVERIFY(WriteFile(Home("/d/big.bin"), data));
        QVERIFY(WriteFile(Home("/d/tree/x/y.bin"), "inner"));
        QVERIFY(WriteFile(Home("/d/tree/z.bin"), "top"));

        TRun run = Cli({S("get"), Url("/d/big.bin")});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(ReadFile(Local("/big.bin")), data);
        QVERIFY(run.Out.contains("1 completed, 0 skipped, 0 failed"));

        run = Cli({S("get"), S("--parallel"), S("2"), Url("/d/tree/"), Local("/into")});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(ReadFile(Local("/into/tree/x/y.bin")), QByteArray("inner"));
        QCOMPARE(ReadFile(Local("/into/tree/z.bin")), QByteArray("top"));

        // An existing file is skipped on request, and a skip counts as done.
        QVERIFY(WriteFile(Local("/keep.bin"), "mine"));
        run = Cli({S("get"), S("--skip"), Url("/d/big.bin"), Local("/keep.bin")});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Out.contains("1 skipped"));
        QCOMPARE(ReadFile(Local("/keep.bin")), QByteArray("mine"));

        run = Cli({S("get"), S("--overwrite"), S("--move"), Url("/d/big.bin"), Local("/keep.bin")});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(ReadFile(Local("/keep.bin")), data);
        QVERIFY(!QFileInfo::exists(Home("/d/big.bin")));

        // A folder moved: its files, then its emptied folders, leave the server.
        run = Cli({S("get"), S("--move"), Url("/d/tree/"), Local("/moved")});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(ReadFile(Local("/moved/tree/x/y.bin")), QByteArray("inner"));
        QVERIFY(!QFileInfo::exists(Home("/d/tree")));
        QVERIFY(QFileInfo(Home("/d")).isDir());
    }

    void upload()
    {
        QVERIFY(WriteFile(Local("/src/one.bin"), "1"));
        QVERIFY(WriteFile(Local("/src/deep/er/two.bin"), "22"));
        QVERIFY(WriteFile(Local("/src/.hidden/no.bin"), "no"));
        QVERIFY(WriteFile(Local("/src/.dotfile"), "yes"));
        QVERIFY(WriteFile(Local("/loose.bin"), "loose"));
        QVERIFY(QDir().mkpath(Home("/up")));

        TRun run = Cli({S("put"), Local("/src"), Local("/loose.bin"), Url("/up/")});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(ReadFile(Home("/up/src/one.bin")), QByteArray("1"));
        QCOMPARE(ReadFile(Home("/up/src/deep/er/two.bin")), QByteArray("22"));
        QCOMPARE(ReadFile(Home("/up/src/.dotfile")), QByteArray("yes"));
        QCOMPARE(ReadFile(Home("/up/loose.bin")), QByteArray("loose"));
        QVERIFY(!QFileInfo::exists(Home("/up/src/.hidden")));

        // Again: the folders exist already, the files are replaced.
        QVERIFY(WriteFile(Local("/src/one.bin"), "one"));
        run = Cli({S("put"), S("--overwrite"), Local("/src"), Url("/up/")});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(ReadFile(Home("/up/src/one.bin")), QByteArray("one"));

        // One file to a new name, moved.
        run = Cli({S("put"), S("--move"), Local("/loose.bin"), Url("/up/renamed.bin")});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(ReadFile(Home("/up/renamed.bin")), QByteArray("loose"));
        QVERIFY(!QFileInfo::exists(Local("/loose.bin")));
    }

    void remoteOperations()
    {
        QVERIFY(WriteFile(Home("/r/f.txt"), "f"));
        QVERIFY(WriteFile(Home("/r/tree/in/deep.txt"), "d"));

        QCOMPARE(Cli({S("mkdir"), Url("/r/new")}).ExitCode, 0);
        QVERIFY(QFileInfo(Home("/r/new")).isDir());
        QCOMPARE(Cli({S("mkdir"), Url("/r/new")}).ExitCode, 4);  // exists

        QCOMPARE(Cli({S("mv"), Url("/r/f.txt"), S("g.txt")}).ExitCode, 0);
        QVERIFY(QFileInfo::exists(Home("/r/g.txt")));
        QCOMPARE(Cli({S("mv"), Url("/r/g.txt"), S("/r/new/h.txt")}).ExitCode, 0);
        QVERIFY(QFileInfo::exists(Home("/r/new/h.txt")));
        QCOMPARE(Cli({S("mv"), Url("/r/gone.txt"), S("x.txt")}).ExitCode, 4);

        QCOMPARE(Cli({S("chmod"), S("640"), Url("/r/new/h.txt")}).ExitCode, 0);
        QCOMPARE(QFileInfo(Home("/r/new/h.txt")).permissions() & 0x0777,
                 QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ReadGroup);
        QCOMPARE(Cli({S("chmod"), S("640"), Url("/r/none.txt")}).ExitCode, 4);
        QCOMPARE(Cli({S("chmod"), S("abc"), Url("/r/new/h.txt")}).ExitCode, 2);

        QCOMPARE(Cli({S("rm"), Url("/r/tree/"), Url("/r/new/h.txt")}).ExitCode, 0);
        QVERIFY(!QFileInfo::exists(Home("/r/tree")));
        QVERIFY(!QFileInfo::exists(Home("/r/new/h.txt")));
        const TRun missing = Cli({S("rm"), Url("/r/nothing.txt")});
        QCOMPARE(missing.ExitCode, 4);
        QVERIFY(missing.Err.contains("550"));

        TRun run = Cli({S("quote"), Url("/"), S("SYST"), S("NOOP")});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Out.startsWith("215 "));
        QVERIFY(run.Out.contains("\n200 "));
        run = Cli({S("quote"), Url("/"), S("NOSUCHCOMMAND")});
        QCOMPARE(run.ExitCode, 4);
        QVERIFY(run.Out.startsWith("500 "));
        // A line break would smuggle a second command onto the control connection.
        QVERIFY(WriteFile(Home("/r/keep.txt"), "k"));
        run = Cli({S("quote"), Url("/"), S("NOOP\r\nDELE /r/keep.txt")});
        QCOMPARE(run.ExitCode, 4);
        QVERIFY(QFileInfo::exists(Home("/r/keep.txt")));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("exitCode");
        const QString good = QString::fromUtf8(TPyFtpdServer::Password());
        QTest::newRow("usage: no URL") << QStringList{S("get")} << good << 2;
        QTest::newRow("usage: bad URL") << QStringList{S("ls"), S("ftp://h:99999/")} << good << 2;
        QTest::newRow("usage: conflicting") << QStringList{S("get"), S("--skip"), S("--resume"), S("ftp://h/x")} << good << 2;
        QTest::newRow("usage: unknown site") << QStringList{S("ls"), S("--site"), S("nosuchsite"), S("/")} << good << 2;
        QTest::newRow("refused log-in: ls") << QStringList{S("ls"), S("@/")} << S("wrong") << 3;
        QTest::newRow("refused log-in: get") << QStringList{S("get"), S("@/a.bin")} << S("wrong") << 3;
        QTest::newRow("no server") << QStringList{S("ls"), S("ftp://127.0.0.1:1/")} << good << 3;
        QTest::newRow("missing remote file") << QStringList{S("get"), S("@/none.bin")} << good << 4;
        QTest::newRow("local write failure") << QStringList{S("get"), S("@/a.bin"), S("#/a.bin/below/x")} << good << 1;
        QTest::newRow("missing local file") << QStringList{S("put"), S("#/none"), S("@/")} << good << 1;
    }

    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, password);
        QFETCH(int, exitCode);
        QVERIFY(WriteFile(Home("/a.bin"), "a"));
        QVERIFY(WriteFile(Local("/a.bin"), "local"));
        for (QString &arg : args) {
            if (arg.startsWith(QLatin1Char('@')))
                arg = Url("") + arg.mid(1);
            else if (arg.startsWith(QLatin1Char('#')))
                arg = m_local.path() + arg.mid(1);
        }
        QProcessEnvironment env = Environment();
        env.insert(QStringLiteral("TARNEL_PASSWORD"), password);
        const TRun run = Cli(args, env);
        QCOMPARE(run.ExitCode, exitCode);
        QVERIFY(!run.Err.isEmpty());
        if (exitCode == 4)  // one line per failed item
            QVERIFY2(run.Err.contains("failed: /none.bin: 550"), run.Err.constData());
    }

    void storedSite()
    {
        QVERIFY(WriteFile(Home("/site/s.bin"), "stored"));
        {
            TSiteManager sites;
            auto site = std::make_unique<TFtpSiteInfo>();
            site->Tag.Name = S("测试站点");
            site->Detail.Host = S("127.0.0.1");
            site->Detail.Port = m_server->Port();
            site->Detail.UserName = QString::fromUtf8(TPyFtpdServer::User());
            site->Detail.Password = QString::fromUtf8(TPyFtpdServer::Password());
            site->Detail.Anonymous = false;
            site->Detail.RemoteDir = S("/site");
            sites.AddSite(std::move(site));
            QVERIFY(sites.SaveSites());
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("TARNEL_PASSWORD"));  // the site's own password is used
        TRun run = Cli({S("ls"), S("--site"), S("测试站点"), S("/site/")}, env);
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(run.Out, QByteArray("s.bin\n"));
        run = Cli({S("get"), S("--site"), S("测试站点"), S("s.bin"), Local("/")}, env);  // relative to the site's folder
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(ReadFile(Local("/s.bin")), QByteArray("stored"));
    }

    // Neither the log nor the echo shows a password; a URL password is warned about.
    void passwordsStayHidden()
    {
        const QString passwordFile = Local("/pw");
        QVERIFY(WriteFile(passwordFile, TPyFtpdServer::Password() + "\n"));
        const QString log = Local("/session.log");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("TARNEL_PASSWORD"));
        TRun run = Cli({S("ls"), S("-v"), S("--log"), log, S("--password-file"), passwordFile, Url("/")}, env);
        QCOMPARE(run.ExitCode, 0);
        const QByteArray written = ReadFile(log);
        QVERIFY(written.contains(">\t PASS ********\n"));
        QVERIFY(written.contains(">\t USER tester\n"));
        QVERIFY(written.contains("<\t 230 "));
        QVERIFY(!written.contains(TPyFtpdServer::Password()));
        QVERIFY(run.Err.contains("PASS ********"));
        QVERIFY(!run.Err.contains(TPyFtpdServer::Password()));

        const QString inUrl = QStringLiteral("ftp://tester:%1@127.0.0.1:%2/")
                                  .arg(QString::fromUtf8(TPyFtpdServer::Password()), m_server->PortText());
        run = Cli({S("ls"), inUrl}, env);
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Err.contains("warning"));
    }

    // A download stopped half way (Ctrl-C, or the server gone) is not reported as done,
    // keeps its part, and --resume completes it.
    void resumeAfterInterruption_data()
    {
        QTest::addColumn<bool>("killServer");
        QTest::newRow("ctrl-c") << false;
        QTest::newRow("server killed") << true;
    }

    void resumeAfterInterruption()
    {
        QFETCH(bool, killServer);
        const QByteArray data = RandomBytes(3 * 1024 * 1024);
        QVERIFY(WriteFile(Home("/slow.bin"), data));
        const QString target = Local("/slow.bin");
        const QString inUrl = QStringLiteral("ftp://tester:%1@127.0.0.1:%2/slow.bin")
                                  .arg(QString::fromUtf8(TPyFtpdServer::Password()), m_server->PortText());

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("TARNEL_PASSWORD"));
        Start(p, {S("get"), S("--limit-down"), S("256"), inUrl, target}, env);
        QVERIFY(p.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(target).size() > 0, 15000);

        // While it runs, the process listing does not show the password.
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(p.processId()));
        QVERIFY(cmdline.open(QIODevice::ReadOnly));
        const QByteArray shown = cmdline.readAll();
        QVERIFY(shown.contains("slow.bin"));
        QVERIFY(!shown.contains(TPyFtpdServer::Password()));

        if (killServer)
            m_server->Kill();
        else
            ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 4);
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY2(!out.contains("downloaded "), out.constData());
        QVERIFY(out.contains("0 completed"));
        const qint64 part = QFileInfo(target).size();
        QVERIFY(part > 0 && part < data.size());

        if (killServer)
            QVERIFY(m_server->Restart());
        const TRun run = Cli({S("get"), S("--resume"), Url("/slow.bin"), target});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Out.contains("1 completed"));
        QCOMPARE(ReadFile(target), data);
    }
};

QTEST_GUILESS_MAIN(TestCliCommands)
#include "tst_clicommands.moc"
