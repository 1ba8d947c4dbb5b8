// Connecting and logging in: the proxy schemes, retries, the resume test, keep-alive,
// disconnects and servers that misbehave at any step.
#include "sessiontest.h"

#include <QtCore/QElapsedTimer>
#include <QtNetwork/QTcpServer>
#include <QtTest/QTest>

using Bytes = QList<QByteArray>;

class TestSessionLogin : public QObject {
    Q_OBJECT

private slots:
    void proxySchemes_data()
    {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QString>("sitePort");
        QTest::addColumn<Bytes>("expected");
        const Bytes tail{"REST 100", "PWD", "TYPE A", "CWD /home/u"};
        auto row = [&](const char *name, int scheme, const char *port, Bytes login) {
            QTest::newRow(name) << scheme << QString::fromLatin1(port) << (login + tail);
        };
        row("0 direct", 0, "", {"USER u", "PASS p"});
        row("1 USER user@host", 1, "2121", {"USER pu", "PASS pp", "USER u@site.example", "PASS p"});
        row("2 SITE host:port", 2, "2121", {"USER pu", "PASS pp", "SITE site.example:2121", "USER u", "PASS p"});
        row("2 SITE host on 21", 2, "21", {"USER pu", "PASS pp", "SITE site.example", "USER u", "PASS p"});
        row("3 OPEN host:port", 3, "2121", {"OPEN site.example:2121", "USER u", "PASS p"});
        row("3 OPEN host on 21", 3, "21", {"OPEN site.example", "USER u", "PASS p"});
        row("4 proxy then user", 4, "2121", {"USER pu", "PASS pp", "USER u", "PASS p"});
        row("5 user@host", 5, "2121", {"USER u@site.example", "PASS p"});
        row("6 proxyuser@host", 6, "2121", {"USER pu@site.example", "PASS pp", "USER u", "PASS p"});
        row("7 user@proxyuser@host", 7, "2121", {"USER u@pu@site.example", "PASS p@pp", "PASS p"});
        row("8 ACCT", 8, "2121", {"USER u@site.example pu", "PASS p", "ACCT pp"});
        row("9 direct", 9, "", {"USER u", "PASS p"});
        row("10 direct", 10, "", {"USER u", "PASS p"});
    }

    // The engine talks to the proxy (the fake server) and never to the site itself.
    void proxySchemes()
    {
        QFETCH(int, scheme);
        QFETCH(QString, sitePort);
        QFETCH(Bytes, expected);
        TFakeFtpServer server;
        ScriptLogIn(server, {{"SITE", "200 site ok\r\n"}});
        server.Script("OPEN", "220 open ok\r\n");
        server.Script("ACCT", "200 acct ok\r\n");
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        const bool direct = scheme == 0 || scheme >= 9;
        if (!direct) {
            s.Settings.Host = QStringLiteral("site.example");
            s.Settings.Port = sitePort;
        }
        s.Settings.ProxyType = scheme;
        s.Settings.ProxyHost = QStringLiteral("127.0.0.1");
        s.Settings.ProxyPort = server.PortText();
        s.Settings.ProxyUser = QStringLiteral("pu");
        s.Settings.ProxyPassword = QStringLiteral("pp");
        s.Connect();
        QCOMPARE(s.ConnState(), csConnecting);
        QTRY_VERIFY(server.Commands().size() >= expected.size());
        QCOMPARE(server.Commands().mid(0, expected.size()), expected);
        QTRY_VERIFY(s.LoggedIn());
        QCOMPARE(s.ConnState(), csConnected);

        const QString site = direct ? QStringLiteral("127.0.0.1:") + server.PortText()
                                    : (sitePort == QLatin1String("21") ? QStringLiteral("site.example")
                                                                       : QStringLiteral("site.example:2121"));
        const QString proxy = QStringLiteral("127.0.0.1:") + server.PortText();
        QStringList infos{QStringLiteral("正在连接到 ") + site,
                          QStringLiteral("已连接到 ") + proxy + QStringLiteral("，正在等待服务器响应...")};
        if (scheme != 0)
            infos << QStringLiteral("正在尝试通过 FTP 代理访问 ") + site + QStringLiteral("...");
        infos << QStringLiteral("登录完成。");
        QCOMPARE(log.Of(QStringLiteral("info:")).mid(0, infos.size()), infos);
        QCOMPARE(log.Lines.first(), QStringLiteral("connecting"));
        QVERIFY(log.Lines.indexOf(QStringLiteral("connected")) < log.Lines.indexOf(QStringLiteral("info:登录完成。")));
    }

    void secondStageRefused_data()
    {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QByteArray>("verb");
        QTest::newRow("2 SITE refused") << 2 << QByteArray("SITE");
        QTest::newRow("3 OPEN refused") << 3 << QByteArray("OPEN");
        QTest::newRow("8 ACCT refused") << 8 << QByteArray("ACCT");
    }

    void secondStageRefused()
    {
        QFETCH(int, scheme);
        QFETCH(QByteArray, verb);
        TFakeFtpServer server;
        ScriptLogIn(server, {{verb, "530 not you\r\n"}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Settings.Host = QStringLiteral("site.example");
        s.Settings.Port = QStringLiteral("21");
        s.Settings.ProxyType = scheme;
        s.Settings.ProxyHost = QStringLiteral("127.0.0.1");
        s.Settings.ProxyPort = server.PortText();
        s.Settings.ProxyUser = QStringLiteral("pu");
        s.Settings.ProxyPassword = QStringLiteral("pp");
        s.Connect();
        QTRY_COMPARE(s.ConnState(), csIdle);
        QVERIFY(!s.LoggedIn());
        const QStringList errors = log.Of(QStringLiteral("error:"));
        QCOMPARE(errors, (QStringList{QStringLiteral("无法登录到 site.example:0"),
                                      QStringLiteral("所有登录尝试均已失败。:0")}));
        QVERIFY(!log.Lines.contains(QStringLiteral("info:登录完成。")));
        QCOMPARE(log.Lines.last(), QStringLiteral("disconnected"));
    }

    // USER answered 230 still sends PASS; only a 230 to that PASS logs in.
    void userAnswered230_data()
    {
        QTest::addColumn<QByteArray>("passReply");
        QTest::addColumn<bool>("loggedIn");
        QTest::newRow("PASS 230") << QByteArray("230 fine\r\n") << true;
        QTest::newRow("PASS 503") << QByteArray("503 already in\r\n") << false;
    }

    void userAnswered230()
    {
        QFETCH(QByteArray, passReply);
        QFETCH(bool, loggedIn);
        TFakeFtpServer server;
        ScriptLogIn(server, {{"USER", "230 no password needed\r\n"}, {"PASS", passReply}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Connect();
        QTRY_VERIFY(s.ConnState() == csIdle || s.LoggedIn());
        QCOMPARE(server.Commands().mid(0, 2), (Bytes{"USER u", "PASS p"}));
        QCOMPARE(s.LoggedIn(), loggedIn);
        QCOMPARE(log.Lines.contains(QStringLiteral("info:登录完成。")), loggedIn);
    }

    // NumRetry 3 against a server that refuses the password: three attempts, each reported,
    // a wait before the second and the third, then the final failure and one disconnect.
    void retriesGiveUp()
    {
        TFakeFtpServer server;
        ScriptLogIn(server, {{"PASS", "530 wrong password\r\n"}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Settings.NumRetry = 3;
        s.Settings.RetryDelay = 4;
        s.Connect();
        QTRY_COMPARE(s.ConnState(), csIdle);
        QCOMPARE(server.ConnectionCount(), 3);
        const QString host = QStringLiteral("127.0.0.1:") + server.PortText();
        QStringList expected;
        for (int i = 0; i < 3; ++i) {
            expected << QStringLiteral("error:无法登录到 %1:0").arg(host);
            if (i < 2)
                expected << QStringLiteral("info:正在等待重试...");
        }
        expected << QStringLiteral("error:所有登录尝试均已失败。:0") << QStringLiteral("info:已断开。");
        QStringList seen;
        for (const QString &l : log.Lines)
            if (l.startsWith(QLatin1String("error:")) || l == QStringLiteral("info:正在等待重试...") ||
                l == QStringLiteral("info:已断开。"))
                seen << l;
        QCOMPARE(seen, expected);
        QCOMPARE(log.Count(QStringLiteral("disconnected")), 1);
        QCOMPARE(log.Count(QStringLiteral("ERR:530 wrong password")), 3);
        QVERIFY(!log.Lines.contains(QStringLiteral("cmd:PASS p")));
        QCOMPARE(log.Count(QStringLiteral("cmd:PASS ********")), 3);
    }

    // NumRetry 0 tries until the user gives up; Disconnect during the wait ends it at once.
    void retriesUntilStopped()
    {
        TFakeFtpServer server;
        ScriptLogIn(server, {{"PASS", "530 wrong password\r\n"}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Settings.NumRetry = 0;
        s.Settings.RetryDelay = 1;
        s.Connect();
        QTRY_VERIFY(server.ConnectionCount() >= 5);
        QTRY_COMPARE(s.ConnState(), csWaitingRetry);
        QVERIFY(!log.Lines.contains(QStringLiteral("error:所有登录尝试均已失败。:0")));
        s.Disconnect();
        QCOMPARE(s.ConnState(), csIdle);
        const int connections = server.ConnectionCount();
        QTest::qWait(100);
        QCOMPARE(server.ConnectionCount(), connections);
        QCOMPARE(log.Count(QStringLiteral("info:已断开。")), 1);
    }

    void disconnectWhileWaitingForRetry()
    {
        TFakeFtpServer server;
        ScriptLogIn(server, {{"USER", "530 go away\r\n"}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Settings.NumRetry = 2;
        s.Settings.RetryDelay = 100000;
        s.Connect();
        QTRY_COMPARE(s.ConnState(), csWaitingRetry);
        log.Lines.clear();
        s.Disconnect();
        QCOMPARE(log.Lines, (QStringList{QStringLiteral("info:已断开。"), QStringLiteral("disconnected")}));
        QCOMPARE(s.ConnState(), csIdle);
        QTest::qWait(50);
        QCOMPARE(server.ConnectionCount(), 1);
        QCOMPARE(s.Attempts(), 0);
    }

    // The REST 100 test: a refusal is no failure, but is logged as an error reply.
    void resumeTest_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("support");
        QTest::addColumn<QString>("logged");
        QTest::newRow("350") << QByteArray("350 restart at 100\r\n") << 1 << QStringLiteral("resp:350 restart at 100");
        QTest::newRow("500") << QByteArray("500 unknown command\r\n") << 0 << QStringLiteral("ERR:500 unknown command");
        QTest::newRow("502") << QByteArray("502 not here\r\n") << 0 << QStringLiteral("ERR:502 not here");
    }

    void resumeTest()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, support);
        QFETCH(QString, logged);
        TFakeFtpServer server;
        ScriptLogIn(server, {{"REST", reply}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        QCOMPARE(s.ResumeSupport(), -1);
        s.Connect();
        QTRY_VERIFY(server.Commands().contains("CWD /home/u"));
        QCOMPARE(CommandsFrom(server, "REST").mid(0, 3), (Bytes{"REST 100", "PWD", "TYPE A"}));
        QCOMPARE(s.ResumeSupport(), support);
        QCOMPARE(s.ResumeSupported(), support == 1);
        QVERIFY(log.Lines.contains(logged));
        QCOMPARE(s.Engine()->ResumePos, qint64(0));
        QCOMPARE(s.HomeDir(), QByteArray("/home/u"));
        QVERIFY(s.LoggedIn());
    }

    void passwordNeeded_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("given") << QStringLiteral("typed");
        QTest::newRow("none") << QString();
    }

    void passwordNeeded()
    {
        QFETCH(QString, answer);
        TFakeFtpServer server;
        ScriptLogIn(server);
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Settings.Password.clear();
        QString askedFor;
        s.OnPasswordNeeded = [&](TFtpMainThread *, const QString &user, QString &password) {
            askedFor = user;
            password = answer;
        };
        s.Connect();
        QTRY_VERIFY(s.LoggedIn() || s.ConnState() == csIdle);
        QCOMPARE(askedFor, QStringLiteral("u"));
        if (answer.isEmpty()) {
            QVERIFY(!s.LoggedIn());
            QVERIFY(log.Lines.contains(QStringLiteral("error:需要密码。:0")));
            QCOMPARE(log.Lines.last(), QStringLiteral("disconnected"));
            QCOMPARE(server.Commands(), Bytes{"USER u"});
        } else {
            QCOMPARE(server.Commands().mid(0, 2), (Bytes{"USER u", "PASS typed"}));
            QCOMPARE(s.Settings.Password, answer);
        }
    }

    void connectRefused()
    {
        quint16 port;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        s.Settings.Host = QStringLiteral("127.0.0.1");
        s.Settings.Port = QString::number(port);
        s.Connect();
        QTRY_COMPARE(s.ConnState(), csIdle);
        const QStringList errors = log.Of(QStringLiteral("error:"));
        QCOMPARE(errors.size(), 2);
        QVERIFY(errors[0].startsWith(QStringLiteral("无法连接到 127.0.0.1:%1:").arg(port)));
        QVERIFY(errors[1].startsWith(QStringLiteral("所有登录尝试均已失败。")));
        QVERIFY(!s.LoggedIn());
    }

    void emptyHostDoesNothing()
    {
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        s.Connect();
        QCOMPARE(s.ConnState(), csIdle);
        QVERIFY(log.Lines.isEmpty());
        QCOMPARE(s.ConnectedSeconds(), 0);
    }

    // The window closes during a request: the connection goes, the late end of the request
    // is dropped, and nothing is reported.
    void closeConnectionWhileWaiting()
    {
        TFakeFtpServer server;
        ScriptLogIn(server, {{"PASS", QByteArray()}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Connect();
        QTRY_VERIFY(server.Commands().contains("PASS p"));
        log.Lines.clear();
        s.CloseConnection();
        QVERIFY(!s.Engine()->IsConnected());
        QTest::qWait(50);
        QVERIFY(log.Lines.isEmpty());
        QVERIFY(!s.Busy());
    }

    void unknownSchemeEndsTheAttempt()
    {
        TFakeFtpServer server;
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Settings.ProxyType = 11;
        s.Connect();
        QCOMPARE(s.ConnState(), csIdle);
        QVERIFY(log.Lines.contains(QStringLiteral("error:无法连接到 127.0.0.1:%1:0").arg(server.Port())));
        QCOMPARE(log.Lines.last(), QStringLiteral("disconnected"));
    }

    // A server that closes the connection at any step: the session never crashes, never
    // believes it is connected, and always tells the window.
    void serverDropsAtEveryStep_data()
    {
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<bool>("afterLogIn");
        QTest::newRow("greeting") << QByteArray() << false;
        QTest::newRow("USER") << QByteArray("USER") << false;
        QTest::newRow("PASS") << QByteArray("PASS") << false;
        QTest::newRow("REST") << QByteArray("REST") << true;
        QTest::newRow("PWD") << QByteArray("PWD") << true;
        QTest::newRow("TYPE") << QByteArray("TYPE") << true;
        QTest::newRow("CWD") << QByteArray("CWD") << true;
    }

    void serverDropsAtEveryStep()
    {
        QFETCH(QByteArray, verb);
        QFETCH(bool, afterLogIn);
        TFakeFtpServer server;
        if (verb.isEmpty()) {
            ScriptLogIn(server);
            server.SetGreeting(QByteArray(), true);
        } else {
            ScriptLogIn(server, {{verb, TFakeReply(QByteArray(), true)}});
        }
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Connect();
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("disconnected")));
        QVERIFY(!s.LoggedIn());
        if (afterLogIn) {
            QVERIFY(log.Lines.contains(QStringLiteral("error:服务器断开了连接...:1")));
        } else {
            QCOMPARE(s.ConnState(), csIdle);
            QVERIFY(!log.Of(QStringLiteral("error:所有登录尝试均已失败。")).isEmpty());
        }
        // And it can connect again afterwards.
        TFakeFtpServer good;
        ScriptLogIn(good);
        AimAt(s, good);
        s.Connect();
        QTRY_VERIFY(s.LoggedIn());
    }

    // Nonsense in place of a reply ends in the inactivity time-out, not in a hang.
    void nonsenseReplyTimesOut()
    {
        TFakeFtpServer server;
        ScriptLogIn(server, {{"USER", "what is this\r\n"}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.SetWaitTimeoutMs(200);
        s.Connect();
        QTRY_COMPARE(s.ConnState(), csIdle);
        QVERIFY(log.Lines.contains(QStringLiteral("error:无法登录到 127.0.0.1:%1:0").arg(server.Port())));
        QVERIFY(!s.LoggedIn());
    }

    // Keep-alive: NOOP after KeepAliveInterval idle ticks, the idle count reported before.
    void keepAliveNoop()
    {
        TFakeFtpServer server;
        ScriptLogIn(server, {{"NOOP", "200 still here\r\n"}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Settings.KeepAliveInterval = 6;
        s.Settings.UseNoop = true;
        s.Connect();
        QTRY_VERIFY(server.Commands().count("NOOP") >= 2);
        const qsizetype zero = log.IdleTimes.indexOf(0);
        QVERIFY(zero >= 5);
        QCOMPARE(log.IdleTimes.mid(zero - 5, 7), (QList<int>{1, 2, 3, 4, 5, 0, 1}));
        QVERIFY(!log.IdleTimes.contains(6));
    }

    void keepAliveRandom()
    {
        TFakeFtpServer server;
        ScriptLogIn(server, {{"REST", "350 ok\r\n"}});
        TFtpMainThread s(nullptr, 5);
        AimAt(s, server);
        s.Settings.KeepAliveInterval = 3;
        s.Connect();
        QTRY_VERIFY(CommandsFrom(server, "LIST").size() >= 9);
        const Bytes after = CommandsFrom(server, "LIST").mid(1);
        const Bytes allowed{"PWD", "TYPE I", "TYPE A", "REST 0"};
        for (const QByteArray &c : after)
            QVERIFY2(allowed.contains(c), c.constData());
    }

    // The server closes a logged-in connection.
    void serverCloses()
    {
        TFakeFtpServer server;
        ScriptLogIn(server, {{"NOOP", TFakeReply("421 shutting down\r\n", true)}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        qint64 now = 1000;
        s.SetClock([&now] { return now; });
        s.Connect();
        QTRY_VERIFY(s.LoggedIn());
        now += 7500;
        QCOMPARE(s.ConnectedSeconds(), 7);
        QTRY_VERIFY(server.Commands().contains("CWD /home/u"));
        QTRY_VERIFY(s.QueuedCount() == 0 && !s.Busy());
        log.Lines.clear();
        s.SendCommand("NOOP");
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("disconnected")));
        QVERIFY(!s.LoggedIn());
        QVERIFY(log.Lines.contains(QStringLiteral("error:服务器断开了连接...:1")));
        QVERIFY(log.Lines.contains(QStringLiteral("info:已断开。")));
        QCOMPARE(log.Count(QStringLiteral("disconnected")), 1);
        now += 60000;  // the time stopped with the connection
        QCOMPARE(s.ConnectedSeconds(), 7);
        // Later operations are refused visibly instead of hanging the queue.
        log.Lines.clear();
        s.SendCommand("PWD");
        QTRY_VERIFY(!log.Of(QStringLiteral("error:")).isEmpty());
    }

    // A command queued while a request runs waits for it and is sent afterwards.
    void queuedWhileBusyIsNotLost()
    {
        TFakeFtpServer server;
        TFakeReply slow("200-working\r\n200 done\r\n");
        slow.LineDelayMs = 150;
        ScriptLogIn(server, {{"NOOP", slow}, {"SYST", "215 UNIX\r\n"}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Connect();
        QTRY_VERIFY(server.Commands().contains("CWD /home/u"));
        QTRY_VERIFY(s.QueuedCount() == 0 && !s.Busy());
        s.SendCommand("NOOP");
        QTRY_VERIFY(server.Commands().contains("NOOP"));
        QVERIFY(s.Busy());
        s.SendCommand("SYST");
        QTRY_VERIFY(server.Commands().contains("SYST"));
        QCOMPARE(CommandsFrom(server, "NOOP"), (Bytes{"NOOP", "SYST"}));
        QVERIFY(log.Lines.indexOf(QStringLiteral("resp:200 done")) < log.Lines.indexOf(QStringLiteral("cmd:SYST")));
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("resp:215 UNIX")));
    }

    // A request with no sign of life for the whole limit ends as "426 超时" (1426).
    void silentServerTimesOut()
    {
        TFakeFtpServer server;
        ScriptLogIn(server, {{"MKD", QByteArray()}});
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Connect();
        QTRY_VERIFY(server.Commands().contains("CWD /home/u"));
        QTRY_VERIFY(s.QueuedCount() == 0 && !s.Busy());
        s.SetWaitTimeoutMs(150);
        s.MakeDir("new", true);
        QTRY_VERIFY(log.Lines.contains(QStringLiteral("error:426 超时:31426")));
        QVERIFY(!s.Busy());
        QVERIFY(!s.LoggedIn());
    }

    void commandLogging()
    {
        TFakeFtpServer server;
        ScriptLogIn(server);
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Settings.ListExtraCmd = "-la";
        s.Connect();
        QTRY_VERIFY(server.Commands().contains("CWD /home/u"));
        QTRY_VERIFY(s.QueuedCount() == 0 && !s.Busy());
        QVERIFY(log.Lines.contains(QStringLiteral("cmd:PASS ********")));
        QVERIFY(log.Lines.contains(QStringLiteral("cmd:USER u")));
        QVERIFY(server.Commands().contains("LIST -la"));
        QVERIFY(log.Lines.contains(QStringLiteral("cmd:LIST -la")));
        // The option goes before a path, and after a LIST without one.
        for (const auto &[sent, changed] : {std::pair<QByteArray, QByteArray>{"LIST /pub dir", "LIST -la /pub dir"},
                                            {"list", "list -la"},
                                            {"NLST", "NLST"}}) {
            QByteArray command = sent;
            s.Engine()->OnBeforeCommand(s.Engine(), command);
            QCOMPARE(command, changed);
        }
        // Typed by the user: sent as typed.
        s.SendCommand("LIST /tmp");
        QTRY_VERIFY(server.Commands().contains("LIST /tmp"));
        QVERIFY(log.Lines.contains(QStringLiteral("cmd:LIST /tmp")));
    }

    void stopDuringLogIn()
    {
        TFakeFtpServer server;
        ScriptLogIn(server, {{"USER", QByteArray()}});  // the first is never answered
        server.Script("USER", "331 pw\r\n");
        TFtpMainThread s(nullptr, 5);
        TSessionLog log;
        log.Attach(s);
        AimAt(s, server);
        s.Connect();
        QTRY_VERIFY(server.Commands().contains("USER u"));
        s.Stop();
        QCOMPARE(s.ConnState(), csIdle);
        QCOMPARE(log.Count(QStringLiteral("disconnected")), 1);
        // A new attempt at once is not confused by the end of the cancelled request.
        s.Connect();
        QTRY_VERIFY(s.LoggedIn());
        QVERIFY(log.Of(QStringLiteral("error:")).isEmpty());
        QCOMPARE(server.ConnectionCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSessionLogin)
#include "tst_sessionlogin.moc"
