// Single-command requests and chains against the scripted server: the exact command texts,
// the accepted codes, the results taken out of replies and the order of chain steps.
#include "ftptest.h"

#include <QtTest/QTest>

#include <functional>

namespace {
using Operation = std::function<bool(TFtpCli &)>;

// Gives tests the chain machinery with a step set of their own.
class TChainProbe : public TFtpCli {
public:
    using TCustomFtpCli::StartChain;
};
}  // namespace

Q_DECLARE_METATYPE(Operation)

class TestFtpRequests : public QObject {
    Q_OBJECT

private slots:
    void commands_data()
    {
        QTest::addColumn<Operation>("run");
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<bool>("ok");
        auto row = [](const char *name, Operation op, const char *verb, const char *reply, const char *sent, bool ok) {
            QTest::newRow(name) << op << QByteArray(verb) << QByteArray(reply) << QByteArray(sent) << ok;
        };
        row("USER 331", [](TFtpCli &e) { e.LoginUser = "joe"; return e.User(); }, "USER", "331 pw\r\n", "USER joe", true);
        row("USER 230", [](TFtpCli &e) { e.LoginUser = "joe"; return e.User(); }, "USER", "230 in\r\n", "USER joe", true);
        row("USER 530", [](TFtpCli &e) { e.LoginUser = "joe"; return e.User(); }, "USER", "530 no\r\n", "USER joe", false);
        row("PASS 230", [](TFtpCli &e) { e.LoginPassword = "pw"; return e.Pass(); }, "PASS", "230 in\r\n", "PASS pw", true);
        row("PASS 202", [](TFtpCli &e) { e.LoginPassword = "pw"; return e.Pass(); }, "PASS", "202 hm\r\n", "PASS pw", false);
        row("CWD 250", [](TFtpCli &e) { e.RemoteDir = "/pub"; return e.Cwd(); }, "CWD", "250 ok\r\n", "CWD /pub", true);
        row("CWD 550", [](TFtpCli &e) { e.RemoteDir = "/x"; return e.Cwd(); }, "CWD", "550 no\r\n", "CWD /x", false);
        row("CDUP", [](TFtpCli &e) { return e.CDup(); }, "CDUP", "250 ok\r\n", "CDUP", true);
        row("TYPE I", [](TFtpCli &e) { return e.TypeBinary(); }, "TYPE", "200 ok\r\n", "TYPE I", true);
        row("TYPE A", [](TFtpCli &e) { return e.TypeAscii(); }, "TYPE", "200 ok\r\n", "TYPE A", true);
        row("SYST", [](TFtpCli &e) { return e.Syst(); }, "SYST", "215 UNIX\r\n", "SYST", true);
        row("MKD", [](TFtpCli &e) { e.RemoteFile = "d"; return e.Mkd(); }, "MKD", "257 \"/d\"\r\n", "MKD d", true);
        row("RMD", [](TFtpCli &e) { e.RemoteFile = "d"; return e.Rmd(); }, "RMD", "250 ok\r\n", "RMD d", true);
        row("DELE 550", [](TFtpCli &e) { e.RemoteFile = "f"; return e.Dele(); }, "DELE", "550 no\r\n", "DELE f", false);
        row("RNFR", [](TFtpCli &e) { e.RemoteFile = "a"; return e.RenFrom(); }, "RNFR", "350 go\r\n", "RNFR a", true);
        row("RNTO from LocalFile", [](TFtpCli &e) { e.LocalFile = QStringLiteral("b"); return e.RenTo(); }, "RNTO",
            "250 ok\r\n", "RNTO b", true);
        row("ABOR any code below 500", [](TFtpCli &e) { return e.Abor(); }, "ABOR", "226 ok\r\n", "ABOR", true);
        row("quote", [](TFtpCli &e) { e.LocalFile = QStringLiteral("SITE HELP"); return e.Quote(); }, "SITE",
            "214 help\r\n", "SITE HELP", true);
        row("NOOP", [](TFtpCli &e) { return e.Noop(); }, "NOOP", "200 ok\r\n", "NOOP", true);
        row("CHMOD", [](TFtpCli &e) { e.ChmodMode = "644"; e.RemoteFile = "f"; return e.ChMod(); }, "SITE",
            "200 ok\r\n", "SITE CHMOD 644 f", true);
        row("CHMOD default mode", [](TFtpCli &e) { e.RemoteFile = "f"; return e.ChMod(); }, "SITE", "500 no\r\n",
            "SITE CHMOD 700 f", false);
        row("REST 0 is sent", [](TFtpCli &e) { e.ResumePos = 0; return e.Rest(); }, "REST", "350 ok\r\n", "REST 0", true);
        row("REST 64-bit", [](TFtpCli &e) { e.ResumePos = 5000000000; return e.Rest(); }, "REST", "350 ok\r\n",
            "REST 5000000000", true);
        row("free command", [](TFtpCli &e) { return e.Command("XCRC f", {250}); }, "XCRC", "250 ok\r\n", "XCRC f", true);
    }
    void commands()
    {
        QFETCH(Operation, run);
        QFETCH(QByteArray, verb);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, sent);
        QFETCH(bool, ok);
        TFakeFtpServer server;
        server.Script(verb, reply);
        TFtpCli engine;
        AimAt(engine, server);
        QVERIFY(engine.Open());
        QCOMPARE(run(engine), ok);
        QCOMPARE(server.Commands(), QList<QByteArray>{sent});
        QCOMPARE(engine.LastReply(), reply.trimmed());
    }

    void results()
    {
        TFakeFtpServer server;
        server.Script("PWD", Utf8("257 \"/a \"\"quoted\"\" dir\" is current\r\n"));
        server.Script("CWD", Utf8("250 CWD command successful\r\n"));
        server.Script("SIZE", Utf8("213 123456789012\r\n"));
        server.Script("SIZE", Utf8("550 no such file\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        QVERIFY(engine.Open());
        QVERIFY(engine.Pwd());
        QCOMPARE(engine.ReplyPath(), Utf8("/a \"quoted\" dir"));
        engine.RemoteDir = "/x";
        QVERIFY(engine.Cwd());
        QCOMPARE(engine.ReplyPath(), QByteArray());
        engine.RemoteFile = "big";
        QVERIFY(engine.Size());
        QCOMPARE(engine.RemoteSize(), qint64(123456789012));
        QVERIFY(!engine.Size());
        QCOMPARE(engine.RemoteSize(), qint64(0));
        QCOMPARE(engine.ResultCode(), 550);
        QCOMPARE(engine.ErrorText(), Utf8("550 no such file"));
    }

    void negativeRestSendsNothing()
    {
        TFakeFtpServer server;
        TFtpCli engine;
        AimAt(engine, server);
        TCompletions done;
        done.Attach(engine);
        QVERIFY(engine.Open());
        engine.ResumePos = -1;
        QVERIFY(engine.Rest());
        QTRY_COMPARE(done.Seen.size(), 2);
        QCOMPARE(done.Seen.last(), qMakePair(rkRest, 0));
        QVERIFY(server.Commands().isEmpty());
    }

    void connectChain_data()
    {
        QTest::addColumn<QByteArray>("userReply");
        QTest::addColumn<QByteArray>("passReply");
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::addColumn<int>("error");
        const QList<QByteArray> both{"USER joe", "PASS pw"};
        QTest::newRow("230 skips PASS") << Utf8("230 in\r\n") << Utf8("230 in\r\n") << QList<QByteArray>{"USER joe"} << 0;
        QTest::newRow("331 then PASS") << Utf8("331 pw\r\n") << Utf8("230 in\r\n") << both << 0;
        QTest::newRow("PASS refused") << Utf8("331 pw\r\n") << Utf8("530 bad\r\n") << both << 530;
        QTest::newRow("USER refused") << Utf8("530 no\r\n") << Utf8("230 in\r\n") << QList<QByteArray>{"USER joe"}
                                      << 530;
    }
    void connectChain()
    {
        QFETCH(QByteArray, userReply);
        QFETCH(QByteArray, passReply);
        QFETCH(QList<QByteArray>, sent);
        QFETCH(int, error);
        TFakeFtpServer server;
        server.Script("USER", userReply);
        server.Script("PASS", passReply);
        TFtpCli engine;
        AimAt(engine, server);
        engine.LoginUser = "joe";
        engine.LoginPassword = "pw";
        TCompletions done;
        done.Attach(engine);
        QCOMPARE(engine.Connect(), error == 0);
        QCOMPARE(server.Commands(), sent);
        QCOMPARE(engine.ResultCode(), error);
        if (error)
            QCOMPARE(engine.ErrorText().left(3), Utf8("530"));
        QTRY_COMPARE(done.Seen.size(), 1);
        QCOMPARE(done.Seen.first(), qMakePair(rkConnect, error));
        QVERIFY(engine.Connected());
    }

    void renameChain()
    {
        TFakeFtpServer server;
        server.Script("RNFR", Utf8("350 ready\r\n"));
        server.Script("RNFR", Utf8("550 missing\r\n"));
        server.Script("RNTO", Utf8("250 done\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        TCompletions done;
        done.Attach(engine);
        QVERIFY(engine.Open());
        engine.RemoteFile = "old";
        engine.LocalFile = QStringLiteral("new");
        QVERIFY(engine.Rename());
        QVERIFY(!engine.Rename());
        QCOMPARE(server.Commands(), (QList<QByteArray>{"RNFR old", "RNTO new", "RNFR old"}));
        // The open's completion arrives during the first rename and reports its kind.
        QTRY_COMPARE(done.Seen.size(), 3);
        QCOMPARE(done.Seen[1], qMakePair(rkRename, 0));
        QCOMPARE(done.Seen[2], qMakePair(rkRename, 550));
    }

    void chainSkipsEmptyCwd()
    {
        TFakeFtpServer server;
        server.Script("CWD", Utf8("250 ok\r\n"));
        server.Script("PWD", Utf8("257 \"/x\"\r\n"));
        TChainProbe engine;
        AimAt(engine, server);
        QVERIFY(engine.Open());
        engine.StartChain(rkCwd, StepBit(spCwd) | StepBit(spPwd));
        QVERIFY(engine.WaitUntilReady());
        engine.RemoteDir = "/x";
        engine.StartChain(rkCwd, StepBit(spCwd) | StepBit(spPwd));
        QVERIFY(engine.WaitUntilReady());
        QCOMPARE(server.Commands(), (QList<QByteArray>{"PWD", "CWD /x", "PWD"}));
        QCOMPARE(engine.ReplyPath(), Utf8("/x"));
    }

    // A step refused inside a running chain ends the chain with a failure and a completion.
    void refusedStepEndsChain()
    {
        TFakeFtpServer server;
        server.Script("USER", Utf8("331 pw\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        engine.LoginUser = "joe";
        TCompletions done;
        done.Attach(engine);
        QVERIFY(!engine.Connect());
        QCOMPARE(engine.ResultCode(), 500);
        QCOMPARE(engine.LastReply(), Utf8("500 密码为空"));
        QTRY_COMPARE(done.Seen.size(), 1);
        QCOMPARE(done.Seen.first(), qMakePair(rkConnect, 500));
        QCOMPARE(engine.EngineState(), esReady);
    }

    void cancelledChain()
    {
        TFakeFtpServer server;
        server.Script("USER", QByteArray());
        TFtpCli engine;
        AimAt(engine, server);
        engine.LoginUser = "joe";
        TCompletions done;
        done.Attach(engine);
        engine.RequestConnect();
        QTRY_COMPARE(server.Commands().size(), 1);
        engine.TCustomFtpCli::Cancel();
        QCOMPARE(engine.EngineState(), esReady);
        QVERIFY(!engine.IsConnected());
        QCOMPARE(engine.ErrorText(), Utf8("426 操作中断。"));
        QTRY_COMPARE(done.Seen.size(), 1);
        QCOMPARE(done.Seen.first(), qMakePair(rkConnect, 426));
    }
};

QTEST_GUILESS_MAIN(TestFtpRequests)
#include "tst_ftprequests.moc"
