// The control connection: greeting, reading and judging replies, refusals, time-out,
// closing, connect and name-lookup failures, and how completions are delivered.
#include "ftptest.h"

#include <QtCore/QBuffer>
#include <QtCore/QElapsedTimer>
#include <QtCore/QRandomGenerator>
#include <QtNetwork/QTcpServer>
#include <QtTest/QTest>

class TestFtpControl : public QObject {
    Q_OBJECT

private slots:
    void greeting_data()
    {
        QTest::addColumn<QByteArray>("greeting");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("lastReply");
        QTest::newRow("multi-line 220") << Utf8("220-welcome\r\n220 ready\r\n") << true << 0 << Utf8("220 ready");
        QTest::newRow("text lines first") << Utf8("hello\r\n  there\r\n220 ok\r\n") << true << 0 << Utf8("220 ok");
        QTest::newRow("421 busy") << Utf8("421 too many users\r\n") << false << 421 << Utf8("421 too many users");
        QTest::newRow("bare LF") << Utf8("220 lf only\n") << true << 0 << Utf8("220 lf only");
    }
    void greeting()
    {
        QFETCH(QByteArray, greeting);
        QFETCH(bool, ok);
        QFETCH(int, error);
        QFETCH(QByteArray, lastReply);
        TFakeFtpServer server;
        server.SetGreeting(greeting);
        TFtpCli engine;
        AimAt(engine, server);
        TCompletions done;
        done.Attach(engine);
        int closed = 0;
        engine.OnControlClosed = [&](TCustomFtpCli *, int) { ++closed; };

        QCOMPARE(engine.Open(), ok);
        QCOMPARE(engine.LastReply(), lastReply);
        QCOMPARE(engine.Connected(), ok);
        QCOMPARE(engine.IsConnected(), ok);
        QCOMPARE(closed, ok ? 0 : 1);
        QTRY_COMPARE(done.Seen.size(), 1);
        QCOMPARE(done.Seen.first(), qMakePair(rkOpen, error));
        if (!ok) {
            QCOMPARE(engine.ResultCode(), 421);
            QCOMPARE(engine.ErrorText(), lastReply);
        }
    }

    // Each row answers one command; the list of accepted codes decides. Lines that follow
    // the final one in the same read are shown and become LastReply, nothing more.
    void replies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QList<int>>("accepted");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("lastReply");
        QTest::addColumn<QByteArray>("errorText");
        const QList<int> none;
        const char garbage[] = "junk\r\n\x01\x02\xff\x00z\r\n200 ok\r\n";
        QTest::newRow("bare LF") << Utf8("200 fine\n") << QList<int>{200} << 0 << Utf8("200 fine") << QByteArray();
        QTest::newRow("CR CR LF") << Utf8("200 fine\r\r\n") << QList<int>{200} << 0 << Utf8("200 fine") << QByteArray();
        QTest::newRow("multi-line") << Utf8("211-status\r\n text\r\n211 end\r\n") << QList<int>{211} << 0
                                    << Utf8("211 end") << QByteArray();
        QTest::newRow("digit line ends it") << Utf8("211-status\r\n150 text line\r\n211 end\r\n") << QList<int>{211}
                                            << 150 << Utf8("211 end") << Utf8("150 text line");
        QTest::newRow("empty list 499") << Utf8("499 odd\r\n") << none << 0 << Utf8("499 odd") << QByteArray();
        QTest::newRow("empty list 500") << Utf8("500 bad\r\n") << none << 500 << Utf8("500 bad") << Utf8("500 bad");
        QTest::newRow("200 not in 250,257") << Utf8("200 ok\r\n") << QList<int>{250, 257} << 200 << Utf8("200 ok")
                                            << Utf8("200 ok");
        QTest::newRow("garbage before") << QByteArray(garbage, sizeof garbage - 1) << QList<int>{200} << 0
                                        << Utf8("200 ok") << QByteArray();
        QTest::newRow("huge code") << Utf8("2000000000000 odd\r\n") << none << INT_MAX << Utf8("2000000000000 odd")
                                   << Utf8("2000000000000 odd");
    }
    void replies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QList<int>, accepted);
        QFETCH(int, result);
        QFETCH(QByteArray, lastReply);
        QFETCH(QByteArray, errorText);
        TFakeFtpServer server;
        server.Script("STAT", reply);
        TFtpCli engine;
        AimAt(engine, server);
        QVERIFY(engine.Open());
        QCOMPARE(engine.Command("STAT", accepted), result == 0);
        QCOMPARE(engine.ResultCode(), result);
        QCOMPARE(engine.LastReply(), lastReply);
        QCOMPARE(engine.ErrorText(), errorText);
        QVERIFY(engine.IsReady());
    }

    // A line after the final reply arrives while nothing is outstanding: shown, not judged.
    void lateLineIsOnlyShown()
    {
        TFakeFtpServer server;
        server.Script("NOOP", Utf8("200-a\r\n150 ends it\r\n200 late\r\n"));
        server.Script("PWD", Utf8("257 \"/\"\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        QList<QByteArray> shown;
        engine.OnDisplayLine = [&](TCustomFtpCli *, QByteArray &line) { shown.append(line); };
        QVERIFY(engine.Open());
        QVERIFY(!engine.Noop());
        QTRY_VERIFY(shown.contains(Utf8("< 200 late")));
        QVERIFY(engine.Pwd());
        QCOMPARE(engine.ReplyPath(), Utf8("/"));
        QVERIFY(shown.contains(Utf8("> NOOP")));
    }

    void overLongLineClosesConnection()
    {
        TFakeFtpServer server;
        server.Script("NOOP", QByteArray(5000, 'x'));
        TFtpCli engine;
        AimAt(engine, server);
        QVERIFY(engine.Open());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!engine.Noop());
        QVERIFY(clock.elapsed() < 4000);  // ended by the close, not by the time-out
        QVERIFY(!engine.IsConnected());
        QVERIFY(!engine.Connected());
        QCOMPARE(engine.ResultCode(), 500);
        QVERIFY(engine.ErrorText().startsWith(Utf8("500 控制连接已关闭。")));
    }

    void serverCloseWithoutReplyFails()
    {
        TFakeFtpServer server;
        server.Script("NOOP", TFakeReply{QByteArray(), true});
        TFtpCli engine;
        AimAt(engine, server);
        TCompletions done;
        done.Attach(engine);
        QVERIFY(engine.Open());
        QVERIFY(!engine.Noop());
        QCOMPARE(engine.ResultCode(), 500);
        QVERIFY(!engine.Connected());
        QTRY_COMPARE(done.Seen.size(), 2);
        QCOMPARE(done.Seen.last(), qMakePair(rkNoop, 500));
    }

    void refusals()
    {
        TFakeFtpServer server;
        server.Script("NOOP", QByteArray());  // silence: the engine keeps waiting
        TFtpCli engine;
        AimAt(engine, server);
        auto refusal = [](auto &&call) -> QString {
            try {
                call();
            } catch (const FtpException &e) {
                return e.Message();
            }
            return QString();
        };
        QCOMPARE(refusal([&] { engine.StartNoop(); }), QStringLiteral("FTP 组建未连接"));
        QVERIFY(engine.Open());
        QCOMPARE(refusal([&] { engine.StartOpen(); }), QStringLiteral("FTP 组件已连接"));
        QCOMPARE(refusal([&] { engine.RequestConnect(); }), QStringLiteral("FTP 组件已连接"));
        QCOMPARE(refusal([&] { engine.StartCwd(); }), QStringLiteral("主机目录名为空"));
        QCOMPARE(refusal([&] { engine.StartUser(); }), QStringLiteral("用户名为空"));
        QCOMPARE(refusal([&] { engine.StartPass(); }), QStringLiteral("密码为空"));
        QCOMPARE(refusal([&] { engine.StartChMod(); }), QStringLiteral("主机文件名为空"));
        engine.StartNoop();
        QCOMPARE(refusal([&] { engine.StartPwd(); }), QStringLiteral("FTP 组建未准备好"));
        QCOMPARE(refusal([&] { engine.StartSize(); }), QStringLiteral("FTP 组建未准备好"));
        QCOMPARE(refusal([&] { engine.StartAbor(); }), QString());
        QTRY_VERIFY(server.Commands().contains(Utf8("ABOR")));
        QCOMPARE(server.Commands().count(Utf8("PWD")), 0);
    }

    // A line break in a name would smuggle a second command to the server.
    void lineBreaksNeverSent()
    {
        TFakeFtpServer server;
        server.Script("SIZE", Utf8("213 1\r\n"));
        server.Script("LIST", Utf8("150 x\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        QVERIFY(engine.Open());
        engine.RemoteFile = "a\r\nDELE b";
        QVERIFY(!engine.Size());
        engine.RemoteFile = "a\nDELE b";
        QVERIFY(!engine.Dele());
        QVERIFY(!engine.Command("NOOP\rDELE c", {}));
        engine.LocalFile = QStringLiteral("new\nname");
        QVERIFY(!engine.RenTo());
        // A command handler that injects one fails the request.
        engine.OnBeforeCommand = [](TCustomFtpCli *, QByteArray &command) { command += "\r\nDELE d"; };
        engine.RemoteFile = "ok";
        QVERIFY(!engine.Size());
        QCOMPARE(engine.ResultCode(), 500);
        engine.OnBeforeCommand = nullptr;
        QVERIFY(engine.Size());
        QVERIFY(!server.Received().contains("DELE"));
        QVERIFY(!server.Received().contains("RNTO"));
    }

    void silentServerTimesOut()
    {
        TFakeFtpServer server;
        server.Script("NOOP", QByteArray());
        TFtpCli engine;
        AimAt(engine, server, 300);
        TCompletions done;
        done.Attach(engine);
        int closed = 0;
        engine.OnControlClosed = [&](TCustomFtpCli *, int) { ++closed; };
        QVERIFY(engine.Open());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!engine.Noop());
        QVERIFY(clock.elapsed() >= 250);
        QCOMPARE(engine.ErrorText(), Utf8("426 超时"));
        QCOMPARE(engine.ReplyCode(), 1426);
        QVERIFY(!engine.IsConnected());
        QVERIFY(!engine.Connected());
        QCOMPARE(engine.EngineState(), esReady);
        QCOMPARE(closed, 1);
        QTRY_COMPARE(done.Seen.size(), 2);
        QCOMPARE(done.Seen.last().first, rkNoop);
        QVERIFY(done.Seen.last().second != 0);
    }

    // The time-out measures silence, not the length of the request.
    void activityRenewsDeadline()
    {
        TFakeFtpServer server;
        TFakeReply slow{Utf8("211-a\r\n b\r\n c\r\n d\r\n e\r\n211 end\r\n")};
        slow.LineDelayMs = 150;
        server.Script("STAT", slow);
        TFtpCli engine;
        AimAt(engine, server, 400);
        QVERIFY(engine.Open());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(engine.Command("STAT", {211}));
        QVERIFY(clock.elapsed() >= 600);
    }

    void connectRefused()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        TFtpCli engine;
        engine.Host = QStringLiteral("127.0.0.1");
        engine.Port = QString::number(port);
        engine.SetWaitTimeoutMs(5000);
        TCompletions done;
        done.Attach(engine);
        QVERIFY(!engine.Open());
        QVERIFY(engine.LastReply().startsWith("500 "));
        QVERIFY(engine.LastReply().endsWith("(Winsock 错误 #10061)"));
        QCOMPARE(engine.ReplyCode(), 500);
        QCOMPARE(engine.ResultCode(), 500);
        QCOMPARE(engine.EngineState(), esReady);
        QTRY_COMPARE(done.Seen.size(), 1);
        QCOMPARE(done.Seen.first(), qMakePair(rkOpen, 10061));
    }

    void nameLookupFails()
    {
        TFtpCli engine;
        engine.Host = QStringLiteral("no.such.host");
        engine.Port = QStringLiteral("21");
        QStringList asked;
        engine.Resolver = [&](const QString &host, std::function<void(const QHostInfo &)> done) {
            asked.append(host);
            QHostInfo info;
            info.setError(QHostInfo::HostNotFound);
            info.setErrorString(QStringLiteral("Host not found"));
            done(info);
        };
        TCompletions done;
        done.Attach(engine);
        QVERIFY(!engine.Open());
        QCOMPARE(asked, QStringList{QStringLiteral("no.such.host")});
        QCOMPARE(engine.LastReply(), Utf8("500 Host not found (Winsock 错误 #11001)"));
        QCOMPARE(engine.ResultCode(), 500);
        QTRY_COMPARE(done.Seen.size(), 1);
        QCOMPARE(done.Seen.first(), qMakePair(rkOpen, 11001));
    }

    void localhostAndServiceName()
    {
        TFakeFtpServer server;
        server.Script("QUIT", Utf8("221 bye\r\n"));
        TFtpCli engine;
        engine.Host = QStringLiteral("localhost");
        engine.Port = server.PortText();
        QVERIFY(engine.Open());
        QVERIFY(engine.Quit());
        TFtpCli unknownPort;
        unknownPort.Host = QStringLiteral("127.0.0.1");
        unknownPort.Port = QStringLiteral("no-such-service");
        QVERIFY(!unknownPort.Open());
        QVERIFY(unknownPort.LastReply().startsWith("500 FtpException: "));
    }

    // A lookup that never answers: the cancel ends the request with a completion.
    void cancelWhileResolving()
    {
        TFtpCli engine;
        engine.Host = QStringLiteral("slow.example");
        std::function<void(const QHostInfo &)> pending;
        engine.Resolver = [&](const QString &, std::function<void(const QHostInfo &)> done) { pending = done; };
        TCompletions done;
        done.Attach(engine);
        engine.StartOpen();
        QCOMPARE(engine.EngineState(), esResolving);
        QVERIFY(!engine.Cancel());
        QCOMPARE(engine.EngineState(), esReady);
        QTRY_COMPARE(done.Seen.size(), 1);
        QCOMPARE(done.Seen.first(), qMakePair(rkOpen, 426));
        QHostInfo late;
        late.setAddresses({QHostAddress::LocalHost});
        pending(late);  // the late answer is dropped
        QTest::qWait(20);
        QCOMPARE(engine.EngineState(), esReady);
        QCOMPARE(done.Seen.size(), 1);
    }

    void quitEndsThroughClose()
    {
        TFakeFtpServer server;
        server.Script("QUIT", Utf8("221 bye\r\n"));  // the server leaves the closing to us
        TFtpCli engine;
        AimAt(engine, server);
        TCompletions done;
        done.Attach(engine);
        int closed = 0;
        engine.OnControlClosed = [&](TCustomFtpCli *, int error) {
            ++closed;
            QCOMPARE(error, 0);
        };
        QVERIFY(engine.Open());
        QVERIFY(engine.Quit());
        QVERIFY(!engine.IsConnected());
        QCOMPARE(closed, 1);
        QTRY_COMPARE(done.Seen.size(), 2);
        QCOMPARE(done.Seen.last(), qMakePair(rkQuit, 0));
        QVERIFY(engine.Open());  // the engine can connect again
    }

    // The completion is posted, and reports the kind that is current when it arrives.
    void completionIsPosted()
    {
        TFakeFtpServer server;
        server.Script("NOOP", Utf8("200 ok\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        TCompletions done;
        done.Attach(engine);
        QVERIFY(engine.Open());
        QTRY_COMPARE(done.Seen.size(), 1);
        done.Seen.clear();
        engine.ResumePos = -1;
        engine.StartRest();  // finishes inside the call
        QCOMPARE(engine.EngineState(), esReady);
        QVERIFY(done.Seen.isEmpty());
        QVERIFY(server.Commands().size() == 0);
        engine.StartNoop();
        QTRY_COMPARE(done.Seen.size(), 2);
        QCOMPARE(done.Seen[0], qMakePair(rkNoop, 0));  // delivered after NOOP had started
        QCOMPARE(done.Seen[1], qMakePair(rkNoop, 0));
        QVERIFY(!server.Received().contains("REST"));
    }

    // A completion handler may run the next blocking request inside the wait.
    void nestedWaitInCompletion()
    {
        TFakeFtpServer server;
        server.Script("NOOP", Utf8("200 ok\r\n"));
        server.Script("PWD", Utf8("257 \"/home\"\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        QVERIFY(engine.Open());
        bool nested = false;
        engine.OnRequestFinished = [&](TCustomFtpCli *, TFtpRequestKind kind, int) {
            if (kind == rkNoop)
                nested = engine.Pwd();
        };
        QVERIFY(engine.Noop());
        QTRY_VERIFY(nested);
        QCOMPARE(engine.ReplyPath(), Utf8("/home"));
    }

    // Random bytes for replies never crash the engine or keep it past its time-out.
    void hostileReplies()
    {
        for (quint32 seed = 1; seed <= 12; ++seed) {
            QRandomGenerator gen(seed);
            auto junk = [&] {
                QByteArray bytes(gen.bounded(6000), Qt::Uninitialized);
                for (char &c : bytes)
                    c = gen.bounded(8) == 0 ? '\n' : char(gen.bounded(256));
                return bytes;
            };
            TFakeFtpServer server;
            server.Script("PWD", junk());
            server.Script("SIZE", "213 " + junk());
            server.Script("PASV", "227 " + junk() + "\r\n");
            server.Script("RETR", TFakeReply::Send("150 go\r\n", junk(), "226 ok\r\n"));
            TFtpCli engine;
            AimAt(engine, server, 150);
            engine.Passive = true;
            engine.RemoteFile = "f";
            QBuffer sink;
            sink.open(QIODevice::WriteOnly);
            engine.LocalStream = &sink;
            if (!engine.Open())
                continue;
            for (auto run : {&TFtpCli::Pwd, &TFtpCli::Size, &TFtpCli::Get}) {
                const bool ok = (engine.*run)();
                QVERIFY(engine.IsReady());
                QCOMPARE(ok, engine.ResultCode() == 0);
                if (!engine.Connected())
                    break;
            }
        }
    }

    void handlerExceptionIsDropped()
    {
        TFakeFtpServer server;
        server.Script("NOOP", Utf8("200 ok\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        int calls = 0;
        engine.OnRequestFinished = [&](TCustomFtpCli *, TFtpRequestKind, int) {
            ++calls;
            throw FtpException(QStringLiteral("handler failed"));
        };
        QVERIFY(engine.Open());
        QVERIFY(engine.Noop());
        QTRY_COMPARE(calls, 2);
        QVERIFY(engine.Noop());
    }
};

QTEST_GUILESS_MAIN(TestFtpControl)
#include "tst_ftpcontrol.moc"
