// End to end against pyftpdlib, on the main thread and on a worker thread, and the
// time-out on a worker thread.
#include "ftptest.h"
#include "tpyftpdserver.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
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
