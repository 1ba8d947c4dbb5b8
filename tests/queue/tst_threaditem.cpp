// The transfer worker against the scripted fake server: log-in by every proxy scheme, the
// size checks and the overwrite rule, abort, and the folder search's handling of names.
#include "tfakeftpserver.h"
#include "tftpcli.h"
#include "workerrun.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>

namespace {

QByteArray FileLine(qint64 size, const QByteArray &name = "f.bin")
{
    return "-rw-r--r--   1 u g " + QByteArray::number(size) + " Jan 01  2020 " + name + "\r\n";
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
}  // namespace

class TstThreadItem : public QObject {
    Q_OBJECT

private slots:
    void logInSchemes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::newRow("0 direct") << 0 << QList<QByteArray>{"USER u", "PASS p"};
        QTest::newRow("1") << 1 << QList<QByteArray>{"USER pu", "PASS pp", "USER u@srv", "PASS p"};
        QTest::newRow("2") << 2 << QList<QByteArray>{"USER pu", "PASS pp", "SITE srv:2121", "USER u", "PASS p"};
        QTest::newRow("3") << 3 << QList<QByteArray>{"OPEN srv:2121", "USER u", "PASS p"};
        QTest::newRow("4") << 4 << QList<QByteArray>{"USER pu", "PASS pp", "USER u", "PASS p"};
        QTest::newRow("5") << 5 << QList<QByteArray>{"USER u@srv", "PASS p"};
        QTest::newRow("6") << 6 << QList<QByteArray>{"USER pu@srv", "PASS pp", "USER u", "PASS p"};
        QTest::newRow("7") << 7 << QList<QByteArray>{"USER u@pu@srv", "PASS p@pp", "PASS p"};
        QTest::newRow("8") << 8 << QList<QByteArray>{"USER u@srv pu", "PASS p", "ACCT pp"};
        QTest::newRow("9 direct") << 9 << QList<QByteArray>{"USER u", "PASS p"};
    }
    // The proxy is the fake server; the real server's name and port only appear in the texts.
    void logInSchemes()
    {
        QFETCH(int, type);
        QFETCH(QList<QByteArray>, sent);
        TFakeFtpServer server;
        server.Script("USER", "331 pw\r\n");
        server.Script("PASS", "230 in\r\n");
        for (const char *verb : {"SITE", "OPEN", "ACCT"})
            server.Script(verb, "200 ok\r\n");
        server.Script("CWD", "550 no\r\n");
        TWorkerRun run;
        TThreadItem &w = *run.Worker;
        w.ProxyType = type;
        const bool direct = type == 0 || type == 9;
        w.Host = direct ? QStringLiteral("127.0.0.1") : QStringLiteral("srv");
        w.PortText = direct ? server.PortText() : QStringLiteral("2121");
        w.ProxyHost = QStringLiteral("127.0.0.1");
        w.ProxyPortText = server.PortText();
        w.UserName = QStringLiteral("u");
        w.Password = QStringLiteral("p");
        w.ProxyUser = QStringLiteral("pu");
        w.ProxyPassword = QStringLiteral("pp");
        w.RemoteFile = "/dir";
        w.StartSearch();
        QVERIFY(run.Wait());
        QVERIFY(run.LoggedIn);
        QCOMPARE(run.Report.Outcome, qint32(woFailed));  // the CWD of the search fails
        QCOMPARE(server.Commands().mid(0, sent.size()), sent);
        QCOMPARE(server.Commands().value(sent.size() + 2), QByteArray("CWD /dir"));  // after PWD, TYPE A
    }

    void failedStepEndsLogIn()
    {
        TFakeFtpServer server;
        server.Script("USER", "331 pw\r\n");
        server.Script("PASS", "530 denied\r\n");
        TWorkerRun run;
        run.Worker->ProxyType = 4;
        run.Worker->ProxyHost = QStringLiteral("127.0.0.1");
        run.Worker->ProxyPortText = server.PortText();
        run.Worker->ProxyUser = QStringLiteral("pu");
        run.Worker->ProxyPassword = QStringLiteral("pp");
        run.Worker->RemoteFile = "/f";
        run.Worker->StartDownload();
        QVERIFY(run.Wait());
        QVERIFY(!run.LoggedIn);
        QCOMPARE(run.Report.Outcome, qint32(woFailed));
        QCOMPARE(server.Commands(), (QList<QByteArray>{"USER pu", "PASS pp"}));
        QVERIFY(run.Report.LastError.startsWith(QStringLiteral("530")));
    }

    void uploadExistingTarget_data()
    {
        QTest::addColumn<int>("replaceMode");
        QTest::addColumn<qint32>("outcome");
        QTest::addColumn<QByteArray>("transfer");
        QTest::addColumn<QByteArray>("uploaded");
        const QByteArray local = QByteArray(3000, 'x').append(QByteArray(500, 'y'));
        QTest::newRow("skip") << 0 << qint32(woSkipped) << QByteArray() << QByteArray();
        QTest::newRow("overwrite") << 1 << qint32(woUploaded) << QByteArray("STOR /up/f.bin") << local;
        QTest::newRow("resume") << 3 << qint32(woUploaded) << QByteArray("REST 1000") << local.mid(1000);
    }
    void uploadExistingTarget()
    {
        QFETCH(int, replaceMode);
        QFETCH(qint32, outcome);
        QFETCH(QByteArray, transfer);
        QFETCH(QByteArray, uploaded);
        QTemporaryDir dir;
        const QString local = dir.filePath(QStringLiteral("f.bin"));
        WriteFile(local, QByteArray(3000, 'x').append(QByteArray(500, 'y')));
        TFakeFtpServer server;
        server.Script("USER", "331 pw\r\n");
        server.Script("PASS", "230 in\r\n");
        server.Script("TYPE", "200 ok\r\n");
        server.Script("LIST", TFakeReply::Send("150 here\r\n", FileLine(1000), "226 ok\r\n"));
        server.Script("REST", "350 ok\r\n");
        server.Script("STOR", TFakeReply::Receive("150 go\r\n", "226 stored\r\n"));
        server.Script("QUIT", TFakeReply("221 bye\r\n", true));
        TWorkerRun run;
        TThreadItem &w = *run.Worker;
        w.Host = QStringLiteral("127.0.0.1");
        w.PortText = server.PortText();
        w.Passive = true;
        w.LocalFile = local;
        w.RemoteFile = "/up/f.bin";
        w.ReplaceMode = quint8(replaceMode);
        w.StartUpload();
        QVERIFY(run.Wait());
        QCOMPARE(run.Report.Outcome, outcome);
        const QList<QByteArray> sent = server.Commands();
        if (transfer.isEmpty()) {
            QCOMPARE(sent.count("PASV"), 1);  // the listing's only
            QVERIFY(!sent.contains("STOR /up/f.bin"));
            QVERIFY(!sent.contains("QUIT"));
        } else {
            QVERIFY2(sent.contains(transfer), sent.join(' ').constData());
            QCOMPARE(server.Uploaded(), uploaded);
            QCOMPARE(run.Positions.last(), qint64(3500));
            QVERIFY(sent.contains("QUIT"));
        }
        QVERIFY(!sent.contains("SIZE /up/f.bin"));
    }

    void downloadSizeChecks_data()
    {
        QTest::addColumn<QByteArray>("listing");
        QTest::addColumn<bool>("sizeSent");
        QTest::addColumn<qint64>("remoteSize");
        QTest::newRow("entry") << FileLine(4) << false << qint64(4);
        QTest::newRow("total line") << QByteArray("total 4\r\n") << false << qint64(-1);
        QTest::newRow("LIST fails") << QByteArray() << true << qint64(123456789012);
    }
    // An existing empty local file downloads from 0 whatever the replace mode.
    void downloadSizeChecks()
    {
        QFETCH(QByteArray, listing);
        QFETCH(bool, sizeSent);
        QFETCH(qint64, remoteSize);
        QTemporaryDir dir;
        const QString local = dir.filePath(QStringLiteral("f.bin"));
        WriteFile(local, QByteArray());
        TFakeFtpServer server;
        server.Script("USER", "230 in\r\n");
        server.Script("TYPE", "200 ok\r\n");
        if (listing.isEmpty())
            server.Script("LIST", "550 no listing\r\n");
        else
            server.Script("LIST", TFakeReply::Send("150 here\r\n", listing, "226 ok\r\n"));
        server.Script("SIZE", "213 123456789012\r\n");
        server.Script("RETR", TFakeReply::Send("150 go\r\n", "data", "226 ok\r\n"));
        server.Script("QUIT", TFakeReply("221 bye\r\n", true));
        TWorkerRun run;
        TThreadItem &w = *run.Worker;
        w.Host = QStringLiteral("127.0.0.1");
        w.PortText = server.PortText();
        w.Passive = true;
        w.LocalFile = local;
        w.RemoteFile = "/f.bin";
        w.ReplaceMode = 0;
        w.StartDownload();
        QVERIFY(run.Wait());
        QCOMPARE(run.Report.Outcome, qint32(woDownloaded));
        QCOMPARE(server.Commands().contains("SIZE /f.bin"), sizeSent);
        QCOMPARE(run.RemoteSize, remoteSize);
        QVERIFY(!server.Commands().contains("REST 0"));
        QFile f(local);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("data"));
    }

    // A final reply other than 226 is not a completed download.
    void downloadWithout226IsIncomplete()
    {
        QTemporaryDir dir;
        TFakeFtpServer server;
        server.Script("USER", "230 in\r\n");
        server.Script("LIST", "550 no\r\n");
        server.Script("SIZE", "550 no\r\n");
        server.Script("RETR", TFakeReply::Send("150 go\r\n", "part", "250 odd\r\n"));
        TWorkerRun run;
        run.Worker->Host = QStringLiteral("127.0.0.1");
        run.Worker->PortText = server.PortText();
        run.Worker->Passive = true;
        run.Worker->LocalFile = dir.filePath(QStringLiteral("f"));
        run.Worker->RemoteFile = "/f";
        run.Worker->StartDownload();
        QVERIFY(run.Wait());
        QVERIFY(run.Report.Outcome != woDownloaded);
    }

    // A fast transfer hands over a few positions, not one per block, and ends on the last.
    void progressIsCoalesced()
    {
        QTemporaryDir dir;
        TFakeFtpServer server;
        server.Script("USER", "230 in\r\n");
        server.Script("LIST", "550 no\r\n");
        server.Script("SIZE", "550 no\r\n");
        const QByteArray payload(24 << 20, 'p');
        server.Script("RETR", TFakeReply::Send("150 go\r\n", payload, "226 ok\r\n"));
        server.Script("QUIT", TFakeReply("221 bye\r\n", true));
        TWorkerRun run;
        run.Worker->Host = QStringLiteral("127.0.0.1");
        run.Worker->PortText = server.PortText();
        run.Worker->Passive = true;
        run.Worker->LocalFile = dir.filePath(QStringLiteral("f"));
        run.Worker->RemoteFile = "/f";
        QElapsedTimer clock;
        clock.start();
        run.Worker->StartDownload();
        QVERIFY(run.Wait());
        const qint64 ms = clock.elapsed();
        QCOMPARE(run.Report.Outcome, qint32(woDownloaded));
        QVERIFY(!run.Positions.isEmpty());
        QCOMPARE(run.Positions.last(), qint64(payload.size()));
        const qint64 blocks = payload.size() / TCustomFtpCli::TransferBlockSize;
        QVERIFY2(run.Positions.size() <= ms / 50 + 2 && run.Positions.size() < blocks,
                 qPrintable(QStringLiteral("%1 reports in %2 ms").arg(run.Positions.size()).arg(ms)));
    }

    void abortDuringGet()
    {
        QTemporaryDir dir;
        TFakeFtpServer server;
        server.Script("USER", "230 in\r\n");
        server.Script("LIST", "550 no\r\n");
        server.Script("SIZE", "550 no\r\n");
        TFakeReply hold = TFakeReply::Send("150 go\r\n", QByteArray(1000, 'z'), "226 ok\r\n");
        hold.HoldDataOpen = true;
        server.Script("RETR", hold);
        TWorkerRun run;
        run.Worker->Host = QStringLiteral("127.0.0.1");
        run.Worker->PortText = server.PortText();
        run.Worker->Passive = true;
        run.Worker->LocalFile = dir.filePath(QStringLiteral("f"));
        run.Worker->RemoteFile = "/f";
        run.Worker->StartDownload();
        QTRY_VERIFY(server.Commands().contains("RETR /f"));
        run.Worker->AbortTransfer();
        QVERIFY(run.Wait(3000));
        QCOMPARE(run.Report.Outcome, qint32(woFailed));
        QVERIFY(!server.Commands().contains("QUIT"));
    }

    // Aborting at any moment, also before the engine exists or after it is gone, is safe.
    void abortAtAnyMoment()
    {
        TFakeFtpServer server;
        server.Script("USER", "230 in\r\n");
        for (int delayUs : {0, 200, 2000, 20000}) {
            TWorkerRun run;
            run.Worker->Host = QStringLiteral("127.0.0.1");
            run.Worker->PortText = server.PortText();
            run.Worker->RemoteFile = "/x";
            run.Worker->StartSearch();
            QThread::usleep(delayUs);
            run.Worker->AbortTransfer();
            QVERIFY(run.Wait(3000));
            QCOMPARE(run.Report.Outcome, qint32(woFailed));
            run.Worker->AbortTransfer();
        }
    }

    // Names that are not plain file names never reach the manager; sub-folders are
    // searched breadth-first and every event arrives before the result.
    void searchNames()
    {
        TFakeFtpServer server;
        server.Script("USER", "230 in\r\n");
        server.Script("CWD", "250 ok\r\n");
        const QByteArray top = "drwxr-xr-x 2 u g 0 Jan 01 2020 a\r\n"
                               "drwxr-xr-x 2 u g 0 Jan 01 2020 ..\r\n"
                               "-rw-r--r-- 1 u g 7 Jan 01 2020 ../../escape\r\n"
                               "-rw-r--r-- 1 u g 7 Jan 01 2020 back\\slash\r\n"
                               "-rw-r--r-- 1 u g 7 Jan 01 2020 ok.txt\r\n";
        server.Script("LIST", TFakeReply::Send("150 here\r\n", top, "226 ok\r\n"));
        server.Script("LIST", TFakeReply::Send("150 here\r\n", FileLine(5, "inner"), "226 ok\r\n"));
        server.Script("QUIT", TFakeReply("221 bye\r\n", true));
        TWorkerRun run;
        run.Worker->Host = QStringLiteral("127.0.0.1");
        run.Worker->PortText = server.PortText();
        run.Worker->Passive = true;
        run.Worker->RemoteFile = "/r";
        run.Worker->StartSearch();
        QVERIFY(run.Wait());
        QCOMPARE(run.Report.Outcome, qint32(woSearched));
        QCOMPARE(run.Folders, (QList<QByteArray>{"/r/", "/r/a/"}));
        QCOMPARE(run.Files, (QList<QPair<QByteArray, qint64>>{{"/r/ok.txt", 7}, {"/r/a/inner", 5}}));
        QCOMPARE(run.EventsAfterResult, 0);
        QVERIFY(server.Commands().contains("CWD /r/a"));
    }

    void safeNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("safe");
        QTest::newRow("plain") << QByteArray("a.txt") << true;
        QTest::newRow("dots inside") << QByteArray("a..b") << true;
        QTest::newRow("dot") << QByteArray(".") << false;
        QTest::newRow("dotdot") << QByteArray("..") << false;
        QTest::newRow("slash") << QByteArray("a/b") << false;
        QTest::newRow("backslash") << QByteArray("..\\b") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void safeNames()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, safe);
        QCOMPARE(TThreadItem::SafeName(name), safe);
    }
};

QTEST_GUILESS_MAIN(TstThreadItem)
#include "tst_threaditem.moc"
