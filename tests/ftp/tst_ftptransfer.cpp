// Transfers against the scripted server: both modes, either order of final reply and data
// close, resume at 64-bit offsets, local and server failures, and hostile data connections.
#include "ftptest.h"
#include "ttempprofile.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>
#include <QtTest/QTest>

namespace {
QByteArray RandomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(gen.bounded(256));
    return bytes;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray PortCommand(quint16 port)
{
    return "PORT 127,0,0,1," + QByteArray::number(port / 256) + ',' + QByteArray::number(port % 256);
}
}  // namespace

Q_DECLARE_METATYPE(TFakeReply)

class TestFtpTransfer : public QObject {
    Q_OBJECT

private:
    TTempProfile m_profile;
    QString Local(const char *name) { return m_profile.FilePath(QString::fromUtf8(name)); }

private slots:
    void download_data()
    {
        QTest::addColumn<bool>("passive");
        QTest::addColumn<int>("order");
        for (bool passive : {true, false}) {
            const char *mode = passive ? "passive" : "active";
            QTest::addRow("%s, final after close", mode) << passive << int(TFakeReply::FinalAfterClose);
            QTest::addRow("%s, final before data", mode) << passive << int(TFakeReply::FinalBeforeData);
            QTest::addRow("%s, final during data", mode) << passive << int(TFakeReply::FinalDuringData);
        }
    }
    void download()
    {
        QFETCH(bool, passive);
        QFETCH(int, order);
        const QByteArray payload = RandomBytes(300 * 1024 + 7);
        TFakeFtpServer server;
        server.Script("RETR", TFakeReply::Send("150 sending\r\n", payload, "226 done\r\n",
                                               TFakeReply::FinalOrder(order)));
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = passive;
        engine.RemoteFile = "file.bin";
        engine.LocalFile = Local("down.bin");
        TCompletions done;
        done.Attach(engine);
        QVERIFY(engine.Open());
        QVERIFY2(engine.Get(), engine.LastReply().constData());
        QCOMPARE(ReadAll(engine.LocalFile), payload);
        QCOMPARE(engine.BytesDone(), qint64(payload.size()));
        QCOMPARE(engine.ReplyCode(), 226);
        QVERIFY(engine.ElapsedSeconds() >= 0);
        const QByteArray port = passive ? QByteArray("PASV") : PortCommand(server.ActivePort());
        QCOMPARE(server.Commands(), (QList<QByteArray>{port, "RETR file.bin"}));
        QTRY_COMPARE(done.Seen.size(), 2);
        QCOMPARE(done.Seen.last(), qMakePair(rkGet, 0));
    }

    void listingsToStream_data()
    {
        QTest::addColumn<bool>("names");
        QTest::addColumn<QByteArray>("remoteFile");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("LIST without argument") << false << QByteArray() << Utf8("LIST");
        QTest::newRow("NLST of a folder") << true << Utf8("/pub") << Utf8("NLST /pub");
    }
    void listingsToStream()
    {
        QFETCH(bool, names);
        QFETCH(QByteArray, remoteFile);
        QFETCH(QByteArray, sent);
        const QByteArray listing = "-rw-r--r-- 1 u g 5 Jan 1 2020 a\r\ndrwxr-xr-x 2 u g 0 Jan 1 2020 b\r\n";
        TFakeFtpServer server;
        server.Script(sent.left(4), TFakeReply::Send("150 here\r\n", listing, "226 ok\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        engine.LocalStream = &buffer;
        engine.RemoteFile = remoteFile;
        TCompletions done;
        done.Attach(engine);
        QVERIFY(engine.Open());
        QVERIFY(names ? engine.Ls() : engine.Dir());
        QCOMPARE(buffer.data(), listing);
        QCOMPARE(server.Commands().last(), sent);
        QTRY_COMPARE(done.Seen.size(), 2);
        QCOMPARE(done.Seen.last(), qMakePair(names ? rkLs : rkDir, 0));
        QVERIFY(buffer.isOpen());  // the owner's stream stays open and the owner's
    }

    void resumedDownload_data()
    {
        QTest::addColumn<QByteArray>("restReply");
        QTest::addColumn<bool>("resumed");
        QTest::newRow("350 resumes") << Utf8("350 restarting\r\n") << true;
        QTest::newRow("200 starts over") << Utf8("200 whatever\r\n") << false;
    }
    void resumedDownload()
    {
        QFETCH(QByteArray, restReply);
        QFETCH(bool, resumed);
        const QByteArray head(1000, 'h');
        const QByteArray tail = RandomBytes(150000);
        TFakeFtpServer server;
        server.Script("REST", restReply);
        server.Script("RETR", TFakeReply::Send("150 go\r\n", resumed ? tail : head + tail, "226 ok\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        engine.RemoteFile = "f";
        engine.LocalFile = Local("resume.bin");
        QVERIFY(WriteAll(engine.LocalFile, head + "stale bytes beyond the offset"));
        engine.ResumePos = 1000;
        QList<qint64> positions;
        engine.OnTransferProgress = [&](TFtpCli *, bool &, qint64 position) { positions.append(position); };
        QVERIFY(engine.Open());
        QVERIFY(engine.RestGet());
        QCOMPARE(server.Commands(), (QList<QByteArray>{"PASV", "REST 1000", "RETR f"}));
        QCOMPARE(ReadAll(engine.LocalFile), head + tail);
        QVERIFY(!positions.isEmpty());
        QCOMPARE(positions.first(), resumed ? qint64(1000) : qint64(0));
        QVERIFY(positions.last() < qint64(head.size() + tail.size()));
        QCOMPARE(engine.ResumePos, qint64(0));
    }

    void resumeMissingLocalFile()
    {
        TFakeFtpServer server;
        server.Script("REST", Utf8("350 ok\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        engine.RemoteFile = "f";
        engine.LocalFile = Local("missing.bin");
        engine.ResumePos = 1000;
        QVERIFY(engine.Open());
        QVERIFY(!engine.RestGet());
        QCOMPARE(engine.LastReply(), Utf8("无法打开本地文件 ") + engine.LocalFile.toUtf8());
        QCOMPARE(engine.ResultCode(), 550);
        QVERIFY(!QFile::exists(engine.LocalFile));
        QVERIFY(!server.Commands().contains("RETR f"));
    }

    // Positioning is 64-bit: resume a sparse file beyond 4 GiB.
    void resumeAbove4GiB()
    {
        const qint64 offset = (qint64(5) << 30) + 3;
        TFakeFtpServer server;
        server.Script("REST", Utf8("350 ok\r\n"));
        server.Script("RETR", TFakeReply::Send("150 go\r\n", "tail", "226 ok\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        engine.RemoteFile = "huge";
        engine.LocalFile = Local("sparse.bin");
        {
            QFile file(engine.LocalFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(offset));
        }
        engine.ResumePos = offset;
        qint64 first = -1;
        engine.OnTransferProgress = [&](TFtpCli *, bool &, qint64 position) {
            if (first < 0)
                first = position;
        };
        QVERIFY(engine.Open());
        QVERIFY(engine.RestGet());
        QVERIFY(server.Commands().contains("REST 5368709123"));
        QCOMPARE(first, offset);
        QFile file(engine.LocalFile);
        QCOMPARE(file.size(), offset + 4);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.seek(offset));
        QCOMPARE(file.readAll(), Utf8("tail"));
        file.close();
        QFile::remove(engine.LocalFile);
    }

    void upload_data()
    {
        QTest::addColumn<bool>("passive");
        QTest::addColumn<int>("size");
        for (bool passive : {true, false}) {
            const char *mode = passive ? "passive" : "active";
            QTest::addRow("%s, 600 KiB", mode) << passive << 600 * 1024 + 11;
            QTest::addRow("%s, empty file", mode) << passive << 0;
        }
    }
    void upload()
    {
        QFETCH(bool, passive);
        QFETCH(int, size);
        const QByteArray content = RandomBytes(size);
        TFakeFtpServer server;
        server.Script("STOR", TFakeReply::Receive("150 send it\r\n", "226 stored\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = passive;
        engine.RemoteFile = "up.bin";
        engine.LocalFile = Local("up.bin");
        QVERIFY(WriteAll(engine.LocalFile, content));
        int blocks = 0;
        engine.OnTransferProgress = [&](TFtpCli *, bool &, qint64) { ++blocks; };
        TCompletions done;
        done.Attach(engine);
        QVERIFY(engine.Open());
        QVERIFY2(engine.Put(), engine.LastReply().constData());
        QCOMPARE(server.Uploaded(), content);
        QCOMPARE(engine.BytesDone(), qint64(size));
        QVERIFY(blocks >= 1 + size / TFtpCli::TransferBlockSize);  // once per block
        QCOMPARE(server.Commands().last(), Utf8("STOR up.bin"));
        QTRY_COMPARE(done.Seen.size(), 2);
        QCOMPARE(done.Seen.last(), qMakePair(rkPut, 0));
    }

    void resumedUpload_data()
    {
        QTest::addColumn<QByteArray>("restReply");
        QTest::addColumn<int>("from");
        QTest::newRow("350 sends the tail") << Utf8("350 ok\r\n") << 100;
        QTest::newRow("200 sends everything") << Utf8("200 hm\r\n") << 0;
    }
    void resumedUpload()
    {
        QFETCH(QByteArray, restReply);
        QFETCH(int, from);
        const QByteArray content = RandomBytes(5000);
        TFakeFtpServer server;
        server.Script("REST", restReply);
        server.Script("STOR", TFakeReply::Receive("150 go\r\n", "226 ok\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        engine.RemoteFile = "r.bin";
        engine.LocalFile = Local("r.bin");
        engine.ResumePos = 100;
        QVERIFY(WriteAll(engine.LocalFile, content));
        TCompletions done;
        done.Attach(engine);
        QVERIFY(engine.Open());
        QVERIFY(engine.RestPut());
        QCOMPARE(server.Uploaded(), content.mid(from));
        QTRY_COMPARE(done.Seen.size(), 2);
        QCOMPARE(done.Seen.last(), qMakePair(rkPut, 0));  // the upload step names the kind
    }

    void append()
    {
        TFakeFtpServer server;
        server.Script("APPE", TFakeReply::Receive("150 go\r\n", "250 appended\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        engine.RemoteFile = "log.txt";
        QBuffer source;
        source.setData("more lines\n");
        source.open(QIODevice::ReadOnly);
        engine.LocalStream = &source;
        QVERIFY(engine.Open());
        QVERIFY(engine.Append());
        QCOMPARE(server.Uploaded(), Utf8("more lines\n"));
        QCOMPARE(server.Commands().last(), Utf8("APPE log.txt"));
        QCOMPARE(engine.RequestKind(), rkAppend);
    }

    // Whatever address a 227 names, the data connection goes to the control connection's peer.
    void pasvAddressIgnored()
    {
        TFakeFtpServer server;
        server.SetPasvAddress("10,255,0,1");
        server.Script("RETR", TFakeReply::Send("150 go\r\n", "data", "226 ok\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        engine.RemoteFile = "f";
        engine.LocalFile = Local("pasv.bin");
        QVERIFY(engine.Open());
        QVERIFY(engine.Get());
        QCOMPARE(ReadAll(engine.LocalFile), Utf8("data"));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<TFakeReply>("reply");
        QTest::addColumn<QByteArray>("pasvReply");
        QTest::addColumn<bool>("refuseData");
        QTest::addColumn<bool>("upload");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("lastReply");
        const QByteArray none;
        QTest::newRow("RETR refused") << Utf8("RETR") << TFakeReply("550 no such file\r\n") << none << false << false
                                      << 550 << Utf8("550 no such file");
        QTest::newRow("RETR final 451") << Utf8("RETR") << TFakeReply::Send("150 go\r\n", "partial", "451 aborted\r\n")
                                        << none << false << false << 451 << Utf8("451 aborted");
        QTest::newRow("passive connect refused")
            << Utf8("RETR") << TFakeReply::Send("150 go\r\n", "x", "226 ok\r\n") << none << true << false << 550
            << Utf8("无法建立数据连接，错误 #10061");
        QTest::newRow("227 without parentheses")
            << Utf8("RETR") << TFakeReply::Send("150 go\r\n", "x", "226 ok\r\n")
            << Utf8("227 Entering Passive Mode 127,0,0,1,19,137\r\n") << false << false << 550
            << Utf8("550 FtpException: 无法识别的 PASV 应答");
        QTest::newRow("227 junk, upload") << Utf8("STOR") << TFakeReply::Receive("150 go\r\n", "226 ok\r\n")
                                          << Utf8("227 (1,2,3,4,xx,yy)\r\n") << false << true << 426
                                          << Utf8("426 FtpException: 无法识别的 PASV 应答");
        QTest::newRow("STOR refused") << Utf8("STOR") << TFakeReply("553 not allowed\r\n") << none << false << true
                                      << 553 << Utf8("553 not allowed");
        QTest::newRow("STOR final 452") << Utf8("STOR") << TFakeReply::Receive("150 go\r\n", "452 disk full\r\n")
                                        << none << false << true << 452 << Utf8("452 disk full");
    }
    void failures()
    {
        QFETCH(QByteArray, verb);
        QFETCH(TFakeReply, reply);
        QFETCH(QByteArray, pasvReply);
        QFETCH(bool, refuseData);
        QFETCH(bool, upload);
        QFETCH(int, result);
        QFETCH(QByteArray, lastReply);
        TFakeFtpServer server;
        server.Script(verb, reply);
        if (!pasvReply.isEmpty())
            server.Script("PASV", pasvReply);
        server.SetRefuseData(refuseData);
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        engine.RemoteFile = "f";
        engine.LocalFile = Local("fail.bin");
        QVERIFY(WriteAll(engine.LocalFile, "local"));
        TCompletions done;
        done.Attach(engine);
        QVERIFY(engine.Open());
        QVERIFY(!(upload ? engine.Put() : engine.Get()));
        QCOMPARE(engine.ResultCode(), result);
        QCOMPARE(engine.LastReply(), lastReply);
        QCOMPARE(engine.ErrorText(), lastReply);
        QVERIFY(engine.IsReady());
        QTRY_COMPARE(done.Seen.size(), 2);
        QCOMPARE(done.Seen.last().second, result);
        // The engine stays usable.
        server.Script("NOOP", Utf8("200 ok\r\n"));
        QTRY_VERIFY(engine.Noop());
    }

    void localFileFailures()
    {
        TFakeFtpServer server;
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        engine.RemoteFile = "f";
        QVERIFY(engine.Open());
        engine.LocalFile = Local("no/such/folder/x.bin");
        QVERIFY(!engine.Get());
        QCOMPARE(engine.ResultCode(), 550);
        QCOMPARE(engine.LastReply(), Utf8("无法打开本地文件 ") + engine.LocalFile.toUtf8());
        QVERIFY(!engine.Put());
        QCOMPARE(engine.ResultCode(), 426);
        QCOMPARE(engine.ErrorText(), Utf8("426 无法打开本地文件 ") + engine.LocalFile.toUtf8());
        engine.LocalFile.clear();
        QVERIFY(!engine.Get());  // refused: no local file or stream
        QCOMPARE(server.Commands().count("RETR f"), 0);
        QCOMPARE(server.Commands().count("STOR f"), 0);
    }

    // The server says 226, but the local side failed: never reported as complete.
    void brokenDownloadsFail_data()
    {
        QTest::addColumn<bool>("abort");
        QTest::newRow("abort from progress") << true;
        QTest::newRow("local write fails") << false;
    }
    void brokenDownloadsFail()
    {
        QFETCH(bool, abort);
        TFakeFtpServer server;
        server.Script("RETR", TFakeReply::Send("150 go\r\n", RandomBytes(2 << 20), "226 ok\r\n"));
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        engine.RemoteFile = "f";
        QBuffer readOnly;
        readOnly.open(QIODevice::ReadOnly);
        if (abort)
            engine.LocalFile = Local("aborted.bin");
        else
            engine.LocalStream = &readOnly;
        QList<QByteArray> shown;
        engine.OnDisplayLine = [&](TCustomFtpCli *, QByteArray &line) { shown.append(line); };
        engine.OnTransferProgress = [&](TFtpCli *, bool &stop, qint64 position) { stop = abort && position > 0; };
        QVERIFY(engine.Open());
        QVERIFY(!engine.Get());
        QCOMPARE(engine.ResultCode(), abort ? 426 : 550);
        QVERIFY(shown.contains(abort ? Utf8("! 已请求中断") : Utf8("! 写入本地文件错误")));
        QVERIFY(engine.IsConnected());
    }

    // The server drops the data connection halfway and still says 226.
    void uploadCutShortFails()
    {
        TFakeFtpServer server;
        TFakeReply cut = TFakeReply::Receive("150 go\r\n", "226 ok\r\n");
        cut.CloseDataAfter = 1000;
        server.Script("STOR", cut);
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        engine.RemoteFile = "f";
        engine.LocalFile = Local("cut.bin");
        QVERIFY(WriteAll(engine.LocalFile, RandomBytes(8 << 20)));
        QVERIFY(engine.Open());
        QVERIFY(!engine.Put());
        QCOMPARE(engine.ResultCode(), 426);
        QVERIFY(server.Uploaded().size() < (8 << 20));
    }

    void lineBreakInRemoteName()
    {
        TFakeFtpServer server;
        TFtpCli engine;
        AimAt(engine, server);
        engine.Passive = true;
        engine.RemoteFile = "a\r\nDELE b";
        engine.LocalFile = Local("crlf.bin");
        QVERIFY(engine.Open());
        QVERIFY(!engine.Get());
        QVERIFY(!engine.Put());
        QVERIFY(!server.Received().contains("DELE"));
        QVERIFY(!server.Received().contains("RETR"));
        QVERIFY(!server.Received().contains("STOR"));
    }

    void dataConnectionNeverCloses()
    {
        TFakeFtpServer server;
        TFakeReply hold = TFakeReply::Send("150 go\r\n", "some", "226 ok\r\n", TFakeReply::FinalBeforeData);
        hold.HoldDataOpen = true;
        server.Script("RETR", hold);
        TFtpCli engine;
        AimAt(engine, server, 300);
        engine.Passive = true;
        engine.RemoteFile = "f";
        engine.LocalFile = Local("held.bin");
        QVERIFY(engine.Open());
        QVERIFY(!engine.Get());
        QCOMPARE(engine.ErrorText(), Utf8("426 超时"));
        QCOMPARE(engine.ReplyCode(), 1426);
        QVERIFY(!engine.IsConnected());
    }
};

QTEST_GUILESS_MAIN(TestFtpTransfer)
#include "tst_ftptransfer.moc"
