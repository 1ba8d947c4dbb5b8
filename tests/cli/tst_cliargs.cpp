#include "clioptions.h"
#include "clitarget.h"
#include "cliurl.h"
#include "settingsrecords.h"

#include <QtTest/QTest>

#include <cstring>

namespace {
QString S(const char *text) { return QString::fromUtf8(text); }
QStringList L(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *t : texts)
        list << S(t);
    return list;
}
}  // namespace

class TestCliArgs : public QObject {
    Q_OBJECT

private slots:
    void url_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("siteMode");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");  // "-" when none was given
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QByteArray>("path");

        QTest::newRow("host only") << S("ftp://example.org") << false << true << S("") << S("-") << S("example.org") << S("") << QByteArray("/");
        QTest::newRow("full") << S("FTP://bob:pw@example.org:2121/pub/a.txt") << false << true << S("bob") << S("pw")
                              << S("example.org") << S("2121") << QByteArray("/pub/a.txt");
        QTest::newRow("percent-decoded") << S("ftp://b%40x:p%3Aw%2F@h/a%20b/%E6%96%87%ff") << false << true << S("b@x")
                                         << S("p:w/") << S("h") << S("") << QByteArray("/a b/\xE6\x96\x87\xff");
        QTest::newRow("@ in password") << S("ftp://u:a@b@h/") << false << true << S("u") << S("a@b") << S("h") << S("") << QByteArray("/");
        QTest::newRow("empty password") << S("ftp://u:@h/") << false << true << S("u") << S("") << S("h") << S("") << QByteArray("/");
        QTest::newRow("ipv6") << S("ftp://[::1]:21/x/") << false << true << S("") << S("-") << S("::1") << S("21") << QByteArray("/x/");
        QTest::newRow("site path") << S("/pub/x") << true << true << S("") << S("-") << S("") << S("") << QByteArray("/pub/x");
        QTest::newRow("site relative") << S("pub/x") << true << true << S("") << S("-") << S("") << S("") << QByteArray("pub/x");
        QTest::newRow("site url") << S("ftp:///pub/") << true << true << S("") << S("-") << S("") << S("") << QByteArray("/pub/");
        QTest::newRow("no host") << S("ftp:///pub/") << false << false << S("") << S("-") << S("") << S("") << QByteArray();
        QTest::newRow("not ftp") << S("http://h/") << false << false << S("") << S("-") << S("") << S("") << QByteArray();
        QTest::newRow("bare path without site") << S("/pub") << false << false << S("") << S("-") << S("") << S("") << QByteArray();
        QTest::newRow("port 0") << S("ftp://h:0/") << false << false << S("") << S("-") << S("") << S("") << QByteArray();
        QTest::newRow("port too big") << S("ftp://h:65536/") << false << false << S("") << S("-") << S("") << S("") << QByteArray();
        QTest::newRow("port empty") << S("ftp://h:/") << false << false << S("") << S("-") << S("") << S("") << QByteArray();
        QTest::newRow("bad escape") << S("ftp://h/a%zz") << false << false << S("") << S("-") << S("") << S("") << QByteArray();
        QTest::newRow("line break") << S("ftp://h/a%0d%0aDELE%20x") << false << false << S("") << S("-") << S("") << S("") << QByteArray();
        QTest::newRow("empty user") << S("ftp://:pw@h/") << false << false << S("") << S("-") << S("") << S("") << QByteArray();
    }

    void url()
    {
        QFETCH(QString, text);
        QFETCH(bool, siteMode);
        QFETCH(bool, ok);
        TCliUrl url;
        QString error;
        QCOMPARE(ParseFtpUrl(text, siteMode, url, &error), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (!ok)
            return;
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QByteArray, path);
        QCOMPARE(url.User, user);
        QCOMPARE(url.HasPassword, password != S("-"));
        if (url.HasPassword)
            QCOMPARE(url.Password, password);
        QCOMPARE(url.Host, host);
        QCOMPARE(url.Port, port);
        QCOMPARE(url.Path, path);
    }

    void remotePaths_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("base");
        QTest::addColumn<QByteArray>("parent");
        QTest::newRow("file") << QByteArray("/a/b.txt") << QByteArray("b.txt") << QByteArray("/a/");
        QTest::newRow("folder") << QByteArray("/a/b/") << QByteArray("b") << QByteArray("/a/");
        QTest::newRow("top") << QByteArray("/a") << QByteArray("a") << QByteArray("/");
    }

    void remotePaths()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, base);
        QFETCH(QByteArray, parent);
        QCOMPARE(RemoteBaseName(path), base);
        QCOMPARE(RemoteParent(path), parent);
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("positional");

        const QStringList none;
        QTest::newRow("plain") << L({"ftp://h/x", "out"}) << true << L({"ftp://h/x", "out"});
        QTest::newRow("all set") << L({"--active", "--parallel", "3", "--retries", "0", "--retry-delay", "7",
                                                "--timeout", "9", "--limit-down", "100", "--limit-up", "50", "--skip",
                                                "--ascii", "--move", "--proxy-type", "2", "--proxy", "px:2100",
                                                "--proxy-user", "pu", "-v", "--log", "l.txt", "-l", "--json", "x"})
                                 << true << L({"x"});
        QTest::newRow("two modes") << L({"--active", "--passive"}) << false << none;
        QTest::newRow("two replace modes") << L({"--resume", "--skip"}) << false << none;
        QTest::newRow("two types") << L({"--ascii", "--auto"}) << false << none;
        QTest::newRow("parallel 0") << L({"--parallel", "0"}) << false << none;
        QTest::newRow("retries text") << L({"--retries", "many"}) << false << none;
        QTest::newRow("negative delay") << L({"--retry-delay", "-1"}) << false << none;
        QTest::newRow("proxy type 11") << L({"--proxy-type", "11", "--proxy", "p:1"}) << false << none;
        QTest::newRow("proxy without host") << L({"--proxy-type", "1"}) << false << none;
        QTest::newRow("proxy bad port") << L({"--proxy", "p:x"}) << false << none;
        QTest::newRow("unknown option") << L({"--frobnicate"}) << false << none;
        QTest::newRow("value missing") << L({"--parallel"}) << false << none;
    }

    void options()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, ok);
        QFETCH(QStringList, positional);
        TCliOptions o;
        QStringList rest;
        QString error;
        QCOMPARE(ParseCliOptions(args, o, rest, &error), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (ok)
            QCOMPARE(rest, positional);
    }

    // The options land in the settings fields the queue and the session read.
    void optionsMapToSettings()
    {
        TCliOptions cli;
        QStringList rest;
        QString error;
        QVERIFY(ParseCliOptions(L({"--active", "--parallel", "3", "--retries", "0", "--retry-delay", "7", "--timeout",
                                 "9", "--limit-down", "100", "--limit-up", "50", "--resume", "--binary",
                                 "--proxy-type", "2", "--proxy", "px:2100", "--proxy-user", "pu"}),
                                cli, rest, &error));
        TOptions o;
        o.PassiveMode = 1;
        o.ReplaceMode = 0;
        ApplyCliOptions(cli, o);
        QCOMPARE(o.PassiveMode, 0);
        QCOMPARE(o.MaxThread, 3);
        QCOMPARE(o.TransRetry, 0);
        QCOMPARE(o.NumRetry, 0);
        QCOMPARE(o.TransDelay, 7);
        QCOMPARE(o.TransTimeout, 9);
        QVERIFY(o.DownloadLimitOn && o.UploadLimitOn);
        QCOMPARE(o.DownloadSpeedLimit, 100);
        QCOMPARE(o.UploadSpeedLimit, 50);
        QCOMPARE(o.ReplaceMode, 3);
        QCOMPARE(o.TransferType, 2);
        QCOMPARE(o.FtpProxyType, 2);
        QCOMPARE(o.FtpProxyHost, QStringLiteral("px"));
        QCOMPARE(o.FtpProxyPort, 2100);
        QCOMPARE(o.FtpProxyUsername, QStringLiteral("pu"));

        // Nothing given: the stored settings stay.
        const TOptions before = o;
        ApplyCliOptions(TCliOptions(), o);
        QVERIFY(o == before);
    }

    void passwordsHiddenInArgv()
    {
        QByteArray a0("tarnel-cli"), a1("get"), a2("ftp://bob:s3cret@h:21/a@b"), a3("--proxy-pass"), a4("pp"),
            a5("--proxy-pass=qq"), a6("ftp://h/p:x@y");
        char *argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), a5.data(), a6.data()};
        HidePasswordsInArgv(7, argv);
        QCOMPARE(QByteArray(argv[2]), QByteArray("ftp://bob:******@h:21/a@b"));
        QCOMPARE(QByteArray(argv[4]), QByteArray("**"));
        QCOMPARE(QByteArray(argv[5]), QByteArray("--proxy-pass=**"));
        QCOMPARE(QByteArray(argv[6]), QByteArray("ftp://h/p:x@y"));  // "@" in the path is no user part
    }
};

QTEST_GUILESS_MAIN(TestCliArgs)
#include "tst_cliargs.moc"
