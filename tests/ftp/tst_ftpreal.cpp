// End to end against pyftpdlib, on the main thread and on a worker thread, and the
// time-out on a worker thread.
#include "ftptest.h"
#include "tpyftpdserver.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtCore/QThread>
#include <QtTest/QTest>

#include <memory>

namespace {
// Runs the whole session; returns the first step that went wrong, or an empty text.
QString Session(const TPyFtpdServer &server)
{
    TFtpCli engine;
    engine.Host = QStringLiteral("127.0.0.1");
    engine.Port = server.PortText();
    engine.SetWaitTimeoutMs(10000);
    engine.LoginUser = TPyFtpdServer::User();
    engine.LoginPassword = TPyFtpdServer::Password();
    auto fail = [&](const char *step) {
        return QString::fromUtf8(step) + QStringLiteral(": ") + QString::fromUtf8(engine.LastReply());
    };
    if (!engine.Connect())
        return fail("connect");
    if (!engine.Pwd() || engine.ReplyPath() != "/")
        return fail("pwd");
    engine.RemoteFile = "sub dir";
    if (!engine.Mkd() || engine.ReplyPath() != "/sub dir")
        return fail("mkd");
    engine.RemoteDir = "/sub dir";
    if (!engine.Cwd())
        return fail("cwd");
    if (!engine.Pwd() || engine.ReplyPath() != "/sub dir")
        return fail("pwd after cwd");
    if (!engine.CDup())
        return fail("cdup");
    engine.RemoteFile = "a.txt";
    if (!engine.TypeBinary())
        return fail("type");
    if (!engine.Size() || engine.RemoteSize() != 5)
        return fail("size");
    engine.ChmodMode = "600";
    if (!engine.ChMod())
        return fail("chmod");
    if (QFileInfo(server.Home() + QStringLiteral("/a.txt")).permissions() & QFileDevice::ReadOther)
        return QStringLiteral("chmod had no effect");
    engine.LocalFile = QStringLiteral("b.txt");
    if (!engine.Rename())
        return fail("rename");
    engine.RemoteFile = "b.txt";
    if (!engine.Dele())
        return fail("dele");
    if (engine.Dele())
        return QStringLiteral("second dele succeeded");
    engine.RemoteFile = "sub dir";
    if (!engine.Rmd())
        return fail("rmd");
    if (!engine.Noop())
        return fail("noop");
    if (!engine.TypeAscii() || !engine.Syst())
        return fail("type/syst");
    if (!engine.Quit() || engine.IsConnected())
        return fail("quit");
    if (QFileInfo::exists(server.Home() + QStringLiteral("/b.txt")) ||
        QFileInfo::exists(server.Home() + QStringLiteral("/sub dir")))
        return QStringLiteral("server files left behind");
    return QString();
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString &path, const QByteArray &bytes);

// Every transfer chain in one mode; returns the first step that went wrong, or empty.
QString Transfers(const TPyFtpdServer &server, const QString &localDir, bool passive)
{
    TFtpCli engine;
    engine.Host = QStringLiteral("127.0.0.1");
    engine.Port = server.PortText();
    engine.SetWaitTimeoutMs(10000);
    engine.LoginUser = TPyFtpdServer::User();
    engine.LoginPassword = TPyFtpdServer::Password();
    engine.Passive = passive;
    auto fail = [&](const char *step) {
        return QString::fromUtf8(step) + QStringLiteral(": ") + QString::fromUtf8(engine.LastReply());
    };
    QByteArray content(3 * 1024 * 1024 + 123, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((i * 7 + i / 4096) & 0xFF);
    const QString up = localDir + QStringLiteral("/up.bin");
    const QString down = localDir + QStringLiteral("/down.bin");
    if (!WriteFile(up, content))
        return QStringLiteral("local file");
    const QString remote = server.Home() + QStringLiteral("/r.bin");
    if (!engine.Connect() || !engine.TypeBinary())
        return fail("connect");
    engine.RemoteFile = "r.bin";
    engine.LocalFile = up;
    if (!engine.Put() || ReadFile(remote) != content)
        return fail("put");
    engine.ResumePos = 1000;
    engine.LocalFile = down;
    if (!WriteFile(down, content.left(1000) + "junk") || !engine.RestGet() || ReadFile(down) != content)
        return fail("rest get");
    if (!engine.Get() || ReadFile(down) != content)
        return fail("get");
    if (!WriteFile(remote, content.left(2000)))
        return QStringLiteral("server file");
    engine.LocalFile = up;
    engine.ResumePos = 2000;
    if (!engine.RestPut() || ReadFile(remote) != content)
        return fail("rest put");
    QBuffer tail;
    tail.setData("appended");
    tail.open(QIODevice::ReadOnly);
    engine.LocalStream = &tail;
    if (!engine.Append() || ReadFile(remote) != content + "appended")
        return fail("append");
    QBuffer listing;
    listing.open(QIODevice::ReadWrite);
    engine.LocalStream = &listing;
    engine.RemoteFile.clear();
    if (!engine.Dir() || !listing.data().contains(" r.bin\r\n"))
        return fail("dir");
    listing.setData(QByteArray());
    listing.seek(0);
    if (!engine.Ls() || !listing.data().contains("r.bin"))
        return fail("ls");
    engine.LocalStream = nullptr;
    engine.RemoteFile = "missing.bin";
    engine.LocalFile = down;
    if (engine.Get() || engine.ResultCode() != 550)
        return QStringLiteral("get of a missing file: ") + QString::number(engine.ResultCode());
    if (!engine.Quit())
        return fail("quit");
    return QString();
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

template <typename F>
void RunOnThread(F work)
{
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    QVERIFY(thread->wait(30000));
}
}  // namespace

class TestFtpReal : public QObject {
    Q_OBJECT

private slots:
    void sessionOnMainThread()
    {
        TPyFtpdServer server;
        QVERIFY2(server.IsRunning(), qPrintable(server.ErrorText()));
        QVERIFY(WriteFile(server.Home() + QStringLiteral("/a.txt"), "hello"));
        const QString failure = Session(server);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void sessionOnWorkerThread()
    {
        TPyFtpdServer server;
        QVERIFY2(server.IsRunning(), qPrintable(server.ErrorText()));
        QVERIFY(WriteFile(server.Home() + QStringLiteral("/a.txt"), "hello"));
        QString failure = QStringLiteral("not run");
        RunOnThread([&] { failure = Session(server); });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void transfers_data()
    {
        QTest::addColumn<bool>("passive");
        QTest::newRow("passive") << true;
        QTest::newRow("active") << false;
    }
    void transfers()
    {
        QFETCH(bool, passive);
        TPyFtpdServer server;
        QVERIFY2(server.IsRunning(), qPrintable(server.ErrorText()));
        QTemporaryDir local;
        const QString failure = Transfers(server, local.path(), passive);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void transfersOnWorkerThread()
    {
        TPyFtpdServer server;
        QVERIFY2(server.IsRunning(), qPrintable(server.ErrorText()));
        QTemporaryDir local;
        QString failure = QStringLiteral("not run");
        RunOnThread([&] { failure = Transfers(server, local.path(), false); });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void anonymousMayNotWrite()
    {
        TPyFtpdServer server;
        QVERIFY2(server.IsRunning(), qPrintable(server.ErrorText()));
        TFtpCli engine;
        engine.Host = QStringLiteral("127.0.0.1");
        engine.Port = server.PortText();
        engine.LoginUser = "anonymous";
        engine.LoginPassword = "guest@";
        QVERIFY(engine.Connect());
        engine.RemoteFile = "d";
        QVERIFY(!engine.Mkd());
        QCOMPARE(engine.ResultCode(), 550);
        QVERIFY(!QFileInfo::exists(server.Home() + QStringLiteral("/d")));
    }

    void timeOutOnWorkerThread()
    {
        TFakeFtpServer server;
        server.Script("NOOP", QByteArray());
        bool opened = false, noop = true, connected = true;
        QByteArray errorText;
        int replyCode = 0;
        RunOnThread([&] {
            TFtpCli engine;
            engine.OwnMessagePump = true;
            AimAt(engine, server, 300);
            opened = engine.Open();
            noop = engine.Noop();
            connected = engine.IsConnected();
            errorText = engine.ErrorText();
            replyCode = engine.ReplyCode();
        });
        QVERIFY(opened);
        QVERIFY(!noop);
        QVERIFY(!connected);
        QCOMPARE(errorText, Utf8("426 超时"));
        QCOMPARE(replyCode, 1426);
    }
};

QTEST_GUILESS_MAIN(TestFtpReal)
#include "tst_ftpreal.moc"
