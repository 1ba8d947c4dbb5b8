// The thread manager end to end against pyftpdlib: slots and the waiting list, retries,
// the queue commands, folder searches, moves, skips, the statistics events and a queue that
// survives the server's death.
#include "tfakeftpserver.h"
#include "tpyftpdserver.h"
#include "tthreadmanager.h"

#include <QtTest/QAbstractItemModelTester>
#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>

#include <memory>

namespace {

QByteArray Bytes(int size, quint32 seed)
{
    QByteArray b(size, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (char &c : b)
        c = char(gen.generate());
    return b;
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A manager with fast retries and short time-outs, its models under the model tester.
struct TFixture {
    TThreadManager Manager{nullptr, 10};
    std::vector<std::unique_ptr<QAbstractItemModelTester>> Testers;
    QSignalSpy Idle{&Manager, &TThreadManager::OnQueueIdle};
    QStringList Starts;    // site names of started items, in order
    QStringList Messages, Errors;

    // The model tester walks the whole model on every change: too slow for a thousand rows.
    explicit TFixture(bool testModels = true)
    {
        if (testModels) {
            for (QAbstractItemModel *model : {static_cast<QAbstractItemModel *>(Manager.QueueModel()),
                                              static_cast<QAbstractItemModel *>(Manager.UploadedModel()),
                                              static_cast<QAbstractItemModel *>(Manager.DownloadedModel())})
                Testers.push_back(std::make_unique<QAbstractItemModelTester>(
                    model, QAbstractItemModelTester::FailureReportingMode::QtTest));
        }
        Manager.DefaultTries = 1;
        Manager.DefaultDelay = 2;
        Manager.WorkerTimeOutMs = 5000;
        QObject::connect(&Manager, &TThreadManager::OnWorkerStart, &Manager,
                         [this](const TTMInfo &i) { Starts << i.SiteTag.Name; });
        QObject::connect(&Manager, &TThreadManager::OnMessage, &Manager, [this](const QString &t) { Messages << t; });
        QObject::connect(&Manager, &TThreadManager::OnError, &Manager, [this](const QString &t) { Errors << t; });
    }
    bool WaitIdle(int ms = 20000)
    {
        const int before = Idle.size();
        return QTest::qWaitFor([&] { return Idle.size() > before; }, ms);
    }
};

TFtpInfo Info(const TPyFtpdServer &server, const QByteArray &remote, const QString &local)
{
    TFtpInfo f;
    f.Host = QStringLiteral("127.0.0.1");
    f.PortText = server.PortText();
    f.UserName = QString::fromUtf8(TPyFtpdServer::User());
    f.Password = QString::fromUtf8(TPyFtpdServer::Password());
    f.RemoteFile = remote;
    f.LocalFile = local;
    f.Passive = true;
    f.NoProxy = true;
    f.ReplaceMode = 1;
    f.RemoteSize = -1;
    return f;
}

QStringList Names(std::initializer_list<const char *> names)
{
    QStringList list;
    for (const char *n : names)
        list << QString::fromUtf8(n);
    return list;
}

TSiteTag Tag(const QString &name)
{
    TSiteTag t;
    t.Name = name;
    return t;
}

}  // namespace

class TstThreadManager : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_server.IsRunning(), qPrintable(m_server.ErrorText())); }

    // Two run, three wait; each freed slot starts the next in the order added.
    void slotsAndWaitingList()
    {
        QTemporaryDir dir;
        TFixture fx;
        fx.Manager.MaxThread = 2;
        fx.Manager.SetDownloadLimit(200000);  // keeps the first two busy for a moment
        for (int i = 0; i < 5; ++i) {
            const QByteArray name = "slot" + QByteArray::number(i);
            QVERIFY(WriteFile(m_server.Home() + QLatin1Char('/') + QString::fromUtf8(name), Bytes(40000, i)));
            fx.Manager.QueueDownload(Tag(QString::number(i)),
                                     Info(m_server, "/" + name, dir.filePath(QString::fromUtf8(name))));
        }
        const TItemList &q = fx.Manager.Queue();
        QCOMPARE(q[0]->State, qint32(qsDownloading));
        QCOMPARE(q[1]->State, qint32(qsDownloading));
        for (int i = 2; i < 5; ++i) {
            QCOMPARE(q[size_t(i)]->State, qint32(qsWaiting));
            QCOMPARE(fx.Manager.QueueModel()->index(i, TQueueListModel::colStatus).data().toString(),
                     QStringLiteral("正在等待.."));
        }
        QCOMPARE(fx.Manager.RunningCount(), 2);
        QVERIFY(fx.WaitIdle());
        QCOMPARE(fx.Starts, Names({"0", "1", "2", "3", "4"}));
        QCOMPARE(fx.Manager.Downloaded().size(), size_t(5));
        QVERIFY(fx.Manager.Queue().empty());
        for (int i = 0; i < 5; ++i)
            QCOMPARE(ReadFile(dir.filePath(QStringLiteral("slot%1").arg(i))), Bytes(40000, i));
        QCOMPARE(fx.Idle.last().at(0).toInt(), 2);
    }

    void retriesCountDown_data()
    {
        QTest::addColumn<int>("maxTries");
        QTest::newRow("three") << 3;
        QTest::newRow("one") << 1;
    }
    // A download that always fails is tried MaxTries times with the countdown between.
    void retriesCountDown()
    {
        QFETCH(int, maxTries);
        QTemporaryDir dir;
        TFixture fx;
        fx.Manager.DefaultTries = maxTries;
        QStringList statuses;
        QObject::connect(fx.Manager.QueueModel(), &QAbstractItemModel::dataChanged, &fx.Manager,
                         [&](const QModelIndex &a) {
                             if (a.column() == TQueueListModel::colStatus)
                                 statuses << a.data().toString();
                         });
        QSignalSpy itemErrors(&fx.Manager, &TThreadManager::OnItemError);
        fx.Manager.QueueDownload(Tag(QStringLiteral("x")), Info(m_server, "/missing", dir.filePath(QStringLiteral("m"))));
        QVERIFY(fx.WaitIdle());
        QCOMPARE(fx.Starts.size(), maxTries);
        QCOMPARE(itemErrors.size(), maxTries);
        const TItemInfo &item = *fx.Manager.Queue().at(0);
        QCOMPARE(item.State, qint32(qsError));
        QCOMPARE(item.Tries, maxTries);
        QVERIFY(item.StatusText.startsWith(QStringLiteral("错误: 550")));
        QCOMPARE(statuses.count(QStringLiteral("错误 - 正在等待重试... (1)")), maxTries - 1);
        QCOMPARE(fx.Manager.RunningCount(), 0);
        QCOMPARE(fx.Errors.count(QStringLiteral("从 127.0.0.1 中下载 /missing 失败")), maxTries);
    }

    // Without a limit, a failing item is retried until it is paused; it can run again later.
    void unlimitedRetriesUntilPaused()
    {
        QTemporaryDir dir;
        TFixture fx;
        fx.Manager.DefaultTries = 0;
        fx.Manager.QueueDownload(Tag(QStringLiteral("x")), Info(m_server, "/nothing", dir.filePath(QStringLiteral("n"))));
        QTRY_VERIFY_WITH_TIMEOUT(fx.Starts.size() >= 4, 20000);
        QTRY_COMPARE(fx.Manager.Queue().at(0)->State, qint32(qsRetryWait));
        fx.Manager.PauseItems(0);
        const TItemInfo &item = *fx.Manager.Queue().at(0);
        QCOMPARE(item.State, qint32(qsStopped));
        QCOMPARE(item.StatusText, QStringLiteral("已暂停."));
        QCOMPARE(fx.Manager.RetryCount(), 0);
        QTRY_COMPARE(fx.Manager.RunningCount(), 0);  // at once, or when its worker ends
        const int starts = fx.Starts.size();
        QTest::qWait(100);
        QCOMPARE(fx.Starts.size(), starts);
        QVERIFY(WriteFile(m_server.Home() + QStringLiteral("/nothing"), "now here"));
        fx.Manager.ProcessQueue();
        QVERIFY(fx.WaitIdle());
        QVERIFY(fx.Manager.Queue().empty());
        QCOMPARE(ReadFile(dir.filePath(QStringLiteral("n"))), QByteArray("now here"));
    }

    // A transfer whose final reply is not 226, while the item is neither paused nor being
    // removed, is a failed attempt: retried while attempts remain, then restartable.
    void incompleteLeavesItemRestartable()
    {
        QTemporaryDir dir;
        TFakeFtpServer server;
        server.Script("USER", "230 in\r\n");
        server.Script("LIST", "550 no\r\n");
        server.Script("SIZE", "550 no\r\n");
        server.Script("RETR", TFakeReply::Send("150 go\r\n", "part", "250 odd\r\n"));
        server.Script("QUIT", TFakeReply("221 bye\r\n", true));
        TFixture fx;
        fx.Manager.DefaultTries = 2;
        TFtpInfo f = Info(m_server, "/f", dir.filePath(QStringLiteral("f")));
        f.PortText = server.PortText();
        fx.Manager.QueueDownload(Tag(QString()), f);
        QVERIFY(fx.WaitIdle());
        QCOMPARE(fx.Starts.size(), 2);
        const TItemInfo &item = *fx.Manager.Queue().at(0);
        QCOMPARE(item.State, qint32(qsError));
        QCOMPARE(item.StatusText, QStringLiteral("错误: 250 odd"));
        QVERIFY(fx.Manager.Downloaded().empty());
        fx.Manager.ProcessQueue();
        QCOMPARE(fx.Starts.size(), 3);
        QVERIFY(fx.WaitIdle());
    }

    // Destroying the manager while workers transfer, log in or hand over ends them all
    // without waiting on a worker that waits on this thread.
    void shutdownWhileRunning()
    {
        QTemporaryDir dir;
        QVERIFY(WriteFile(m_server.Home() + QStringLiteral("/sd.bin"), Bytes(2 << 20, 5)));
        for (int delayMs : {0, 30, 150}) {
            auto fx = std::make_unique<TFixture>();
            fx->Manager.SetDownloadLimit(500000);
            for (int i = 0; i < 6; ++i)
                fx->Manager.QueueDownload(Tag(QString()), Info(m_server, "/sd.bin", dir.filePath(QStringLiteral("sd%1").arg(i))));
            QTest::qWait(delayMs);
            QElapsedTimer clock;
            clock.start();
            fx.reset();
            QVERIFY(clock.elapsed() < 3000);
        }
    }

    void duplicates()
    {
        TFixture fx;
        TFtpInfo up = Info(m_server, "/Dup.txt", QStringLiteral("/tmp/dup.txt"));
        fx.Manager.QueueUploadLater(Tag(QString()), up);
        up.RemoteFile = "/dup.TXT";
        fx.Manager.QueueUploadLater(Tag(QString()), up);
        QCOMPARE(fx.Manager.Queue().size(), size_t(1));
        fx.Manager.QueueDownloadLater(Tag(QString()), up);  // the other direction
        up.Host = QStringLiteral("localhost");
        fx.Manager.QueueUploadLater(Tag(QString()), up);
        QCOMPARE(fx.Manager.Queue().size(), size_t(3));
        QCOMPARE(fx.Manager.QueueModel()->index(0, TQueueListModel::colDirection).data().toString(),
                 QStringLiteral("---->"));
        QCOMPARE(fx.Manager.QueueModel()->index(1, TQueueListModel::colDirection).data().toString(),
                 QStringLiteral("<----"));
        QCOMPARE(fx.Manager.Queue().at(0)->State, qint32(qsNew));
    }

    // Resume restarts a paused item with ReplaceMode 3 although it was queued to overwrite:
    // only the missing tail moves.
    void resumePausedItem()
    {
        QTemporaryDir dir;
        TFixture fx;
        const QByteArray whole = Bytes(600000, 7);
        QVERIFY(WriteFile(m_server.Home() + QStringLiteral("/resume.bin"), whole));
        const QString local = dir.filePath(QStringLiteral("part"));
        fx.Manager.SetDownloadLimit(300000);
        fx.Manager.QueueDownload(Tag(QString()), Info(m_server, "/resume.bin", local));
        QTRY_VERIFY(QFileInfo(local).size() > 0);
        fx.Manager.PauseItems(0);
        QVERIFY(fx.WaitIdle());
        const qint32 state = fx.Manager.Queue().at(0)->State;
        QVERIFY2(state == qsStopped || state == qsError, qPrintable(fx.Manager.Queue().at(0)->StatusText));
        const qint64 part = QFileInfo(local).size();
        QVERIFY(part > 0 && part < whole.size());
        QCOMPARE(ReadFile(local), whole.left(part));
        fx.Manager.SetDownloadLimit(-1);
        QSignalSpy done(&fx.Manager, &TThreadManager::OnTransferDone);
        fx.Manager.ResumeItems(0);
        QVERIFY(fx.WaitIdle());
        QCOMPARE(ReadFile(local), whole);
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.at(0).at(0).value<TTMInfo>().InfoBytes, whole.size() - part);
        QCOMPARE(fx.Manager.Downloaded().at(0)->FtpInfo.ReplaceMode, quint8(3));
    }

    void pauseWaitingItem()
    {
        QTemporaryDir dir;
        TFixture fx;
        fx.Manager.MaxThread = 1;
        for (int i = 0; i < 2; ++i) {
            QVERIFY(WriteFile(m_server.Home() + QStringLiteral("/pw%1").arg(i), Bytes(1000, i)));
            fx.Manager.QueueDownload(Tag(QString::number(i)),
                                     Info(m_server, "/pw" + QByteArray::number(i), dir.filePath(QStringLiteral("pw%1").arg(i))));
        }
        QCOMPARE(fx.Manager.Queue().at(1)->State, qint32(qsWaiting));
        fx.Manager.PauseItems(1);
        QCOMPARE(fx.Manager.Queue().at(1)->State, qint32(qsStopped));
        QCOMPARE(fx.Manager.Queue().at(1)->StatusText, QStringLiteral("已暂停."));
        QVERIFY(fx.WaitIdle());
        QCOMPARE(fx.Starts, Names({"0"}));
        QCOMPARE(fx.Manager.Queue().size(), size_t(1));
        fx.Manager.ProcessQueue();
        QVERIFY(fx.WaitIdle());
        QCOMPARE(fx.Starts, Names({"0", "1"}));
        QVERIFY(fx.Manager.Queue().empty());
    }

    // Aborting a running download removes it at once and raises the abort line; the limit
    // set meanwhile reaches the running worker.
    void abortDownloading()
    {
        QTemporaryDir dir;
        TFixture fx;
        QVERIFY(WriteFile(m_server.Home() + QStringLiteral("/big.bin"), Bytes(4 << 20, 3)));
        fx.Manager.QueueDownload(Tag(QString()), Info(m_server, "/big.bin", dir.filePath(QStringLiteral("big"))));
        fx.Manager.SetDownloadLimit(100000);
        QTRY_VERIFY(fx.Manager.Queue().at(0)->Progress > 0 || !fx.Manager.Queue().at(0)->SpeedText.isEmpty() ||
                    QFileInfo(dir.filePath(QStringLiteral("big"))).size() > 0);
        fx.Manager.AbortItems(0);
        QVERIFY(fx.Manager.Queue().empty());
        QCOMPARE(fx.Errors.last(), QStringLiteral("向 127.0.0.1 中上传 /big.bin 失败。(操作超时或被中断)"));
        QVERIFY(fx.WaitIdle(5000));
        QVERIFY(fx.Manager.Downloaded().empty());
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("big"))).size() < (4 << 20));
    }

    // A search of a/ below the base queues every file at its place below the local folder
    // and creates the folders, empty ones too; with the move mark the remote files go.
    void folderSearch_data()
    {
        QTest::addColumn<bool>("move");
        QTest::newRow("copy") << false;
        QTest::newRow("move") << true;
    }
    void folderSearch()
    {
        QFETCH(bool, move);
        QTemporaryDir dir;
        const QString root = m_server.Home() + QStringLiteral("/tree");
        QDir(root).removeRecursively();
        const QStringList files = Names({"a/one", "a/b/two", "a/b/c/three", "a/d/four five"});
        for (int i = 0; i < files.size(); ++i)
            QVERIFY(WriteFile(root + QLatin1Char('/') + files[i], Bytes(3000 + i, i)));
        if (!move)  // a folder that never empties keeps the move tree from ever emptying
            QDir().mkpath(root + QStringLiteral("/a/empty"));
        TFixture fx;
        QSignalSpy moveEmpty(&fx.Manager, &TThreadManager::OnMoveListEmpty);
        TFtpInfo f = Info(m_server, "/tree/a/", dir.path() + QStringLiteral("/L/"));
        f.RemoteBase = "/tree/";
        f.IsDir = true;
        f.MoveSource = move;
        fx.Manager.QueueDownload(Tag(QString()), f);
        QCOMPARE(fx.Manager.Queue().at(0)->State, qint32(qsSearching));
        QTRY_VERIFY_WITH_TIMEOUT(fx.Manager.Downloaded().size() == size_t(files.size()), 20000);
        QVERIFY(fx.Messages.contains(QStringLiteral("搜索 /tree/a/ 在 127.0.0.1 中已完成")));
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(ReadFile(dir.path() + QStringLiteral("/L/") + files[i]), Bytes(3000 + i, i));
        QCOMPARE(QFileInfo(dir.path() + QStringLiteral("/L/a/empty")).isDir(), !move);
        QVERIFY(QFileInfo(dir.path() + QStringLiteral("/L/a/b/c")).isDir());
        for (const QString &file : files)
            QCOMPARE(QFileInfo::exists(root + QLatin1Char('/') + file), !move);
        if (move)
            QTRY_VERIFY(!moveEmpty.isEmpty());
    }

    void uploadMoveAndSkip()
    {
        QTemporaryDir dir;
        TFixture fx;
        QSignalSpy moveEmpty(&fx.Manager, &TThreadManager::OnMoveListEmpty);
        const QString local = dir.filePath(QStringLiteral("up.bin"));
        QVERIFY(WriteFile(local, Bytes(5000, 9)));
        TFtpInfo f = Info(m_server, "/up.bin", local);
        f.LocalSize = 5000;
        f.MoveSource = true;
        QSignalSpy done(&fx.Manager, &TThreadManager::OnTransferDone);
        QSignalSpy uploaded(&fx.Manager, &TThreadManager::OnUploadDone);
        fx.Manager.QueueUpload(Tag(QStringLiteral("s")), f);
        QVERIFY(fx.WaitIdle());
        QCOMPARE(ReadFile(m_server.Home() + QStringLiteral("/up.bin")), Bytes(5000, 9));
        QVERIFY(!QFileInfo::exists(local));
        QCOMPARE(moveEmpty.size(), 1);
        QCOMPARE(moveEmpty.at(0).at(0).toInt(), 2);
        QCOMPARE(uploaded.at(0).at(1).toString(), local);
        const TTMInfo info = done.at(0).at(0).value<TTMInfo>();
        QCOMPARE(info.InfoBytes, qint64(5000));
        QCOMPARE(info.InfoFile, local);
        QCOMPARE(info.InfoFlags, quint8(ItemFlag(ikUpload) | ItemFlag(ikMove)));
        QCOMPARE(fx.Manager.UploadedModel()->index(0, TQueueListModel::dcStatus).data().toString(),
                 QStringLiteral("完成."));

        // The target exists now: with ReplaceMode 0 both directions skip.
        QVERIFY(WriteFile(local, "other"));
        f.MoveSource = false;
        f.ReplaceMode = 0;
        fx.Manager.QueueUpload(Tag(QString()), f);
        QVERIFY(fx.WaitIdle());
        fx.Manager.QueueDownload(Tag(QString()), f);
        QVERIFY(fx.WaitIdle());
        QVERIFY(fx.Messages.contains(QStringLiteral("已跳过向 127.0.0.1 中上传 /up.bin")));
        QVERIFY(fx.Messages.contains(QStringLiteral("已跳过下载 ") + local));
        QCOMPARE(ReadFile(local), QByteArray("other"));
        QCOMPARE(ReadFile(m_server.Home() + QStringLiteral("/up.bin")), Bytes(5000, 9));
        QVERIFY(fx.Manager.Queue().empty());
    }

    // The statistics events of one download carry the bytes moved, in order.
    void statisticsEvents()
    {
        QTemporaryDir dir;
        TFixture fx;
        QVERIFY(WriteFile(m_server.Home() + QStringLiteral("/stat.bin"), Bytes(12345, 1)));
        QStringList order;
        qint64 endBytes = -1, afterBytes = -1;
        auto note = [&](const char *name) { return [&order, name](const TTMInfo &) { order << QString::fromUtf8(name); }; };
        QObject::connect(&fx.Manager, &TThreadManager::OnWorkerStart, &fx.Manager, note("start"));
        QObject::connect(&fx.Manager, &TThreadManager::OnWorkerLoggedIn, &fx.Manager, note("loggedin"));
        QObject::connect(&fx.Manager, &TThreadManager::OnTransferDone, &fx.Manager, note("done"));
        QObject::connect(&fx.Manager, &TThreadManager::OnWorkerEnd, &fx.Manager,
                         [&](const TTMInfo &i) { order << QStringLiteral("end"); endBytes = i.InfoBytes; });
        QObject::connect(&fx.Manager, &TThreadManager::OnAfterEnd, &fx.Manager,
                         [&](const TTMInfo &i) { order << QStringLiteral("after"); afterBytes = i.InfoBytes; });
        fx.Manager.QueueDownload(Tag(QStringLiteral("site")), Info(m_server, "/stat.bin", dir.filePath(QStringLiteral("s"))));
        QVERIFY(fx.WaitIdle());
        QCOMPARE(order, Names({"start", "loggedin", "done", "end", "after"}));
        QCOMPARE(endBytes, qint64(12345));
        QCOMPARE(afterBytes, qint64(12345));
        QCOMPARE(fx.Manager.Downloaded().at(0)->FtpInfo.RemoteSize, qint64(12345));
    }

    // Queue file round trip through the manager: a loaded item is stopped and restartable.
    void saveAndLoad()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Tarnel.QFL"));
        {
            TFixture fx;
            fx.Manager.QueueDownloadLater(Tag(QStringLiteral("a")), Info(m_server, "/q1", dir.filePath(QStringLiteral("q1"))));
            fx.Manager.QueueUploadLater(Tag(QStringLiteral("b")), Info(m_server, "/q2", dir.filePath(QStringLiteral("q2"))));
            QVERIFY(fx.Manager.SaveQueue(file));
        }
        TFixture fx;
        QSignalSpy count(&fx.Manager, &TThreadManager::OnCountChange);
        QCOMPARE(fx.Manager.LoadQueue(file), TQueueFileResult::Loaded);
        QCOMPARE(fx.Manager.Queue().size(), size_t(2));
        QCOMPARE(count.size(), 2);
        QCOMPARE(fx.Manager.Queue().at(1)->FtpInfo.RemoteFile, QByteArray("/q2"));
        QVERIFY(fx.Manager.Queue().at(1)->FtpInfo.IsUpload);
        QVERIFY(fx.Manager.Queue().at(0)->ItemNo != fx.Manager.Queue().at(1)->ItemNo);
        fx.Manager.RemoveItems(-1);
        QVERIFY(fx.Manager.Queue().empty());
    }

    // A thousand small files with four workers, every one byte-identical at the end.
    void thousandFiles()
    {
        QTemporaryDir dir;
        TFixture fx(false);
        fx.Manager.MaxThread = 4;
        const QString remote = m_server.Home() + QStringLiteral("/many");
        for (int i = 0; i < 1000; ++i) {
            QVERIFY(WriteFile(remote + QStringLiteral("/f%1").arg(i), Bytes(100 + i % 300, quint32(i))));
            fx.Manager.QueueDownload(Tag(QString()), Info(m_server, "/many/f" + QByteArray::number(i),
                                                         dir.filePath(QStringLiteral("f%1").arg(i))));
        }
        QVERIFY(fx.WaitIdle(60000));
        QCOMPARE(fx.Manager.Downloaded().size(), size_t(1000));
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(ReadFile(dir.filePath(QStringLiteral("f%1").arg(i))), Bytes(100 + i % 300, quint32(i)));
    }

    // The server dies in the middle of a queue and comes back: retries finish every file,
    // and no file counts as done unless it is whole.
    void serverKilledAndBack()
    {
        TPyFtpdServer server;
        QVERIFY(server.IsRunning());
        QTemporaryDir dir;
        TFixture fx;
        fx.Manager.DefaultTries = 0;
        fx.Manager.DefaultDelay = 3;
        fx.Manager.MaxThread = 3;
        fx.Manager.WorkerTimeOutMs = 2000;
        const int n = 12;
        for (int i = 0; i < n; ++i) {
            QVERIFY(WriteFile(server.Home() + QStringLiteral("/k%1").arg(i), Bytes(300000, quint32(i))));
            fx.Manager.QueueDownload(Tag(QString()), Info(server, "/k" + QByteArray::number(i), dir.filePath(QStringLiteral("k%1").arg(i))));
        }
        fx.Manager.SetDownloadLimit(3000000);
        QTRY_VERIFY_WITH_TIMEOUT(fx.Manager.Downloaded().size() >= 2, 20000);
        server.Kill();
        QTRY_VERIFY_WITH_TIMEOUT(fx.Manager.RetryCount() > 0, 10000);
        for (const auto &item : fx.Manager.Downloaded())
            QCOMPARE(ReadFile(item->FtpInfo.LocalFile).size(), 300000);
        QVERIFY(server.Restart());
        QVERIFY(fx.WaitIdle(40000));
        QCOMPARE(fx.Manager.Downloaded().size(), size_t(n));
        for (int i = 0; i < n; ++i)
            QCOMPARE(ReadFile(dir.filePath(QStringLiteral("k%1").arg(i))), Bytes(300000, quint32(i)));
    }

private:
    TPyFtpdServer m_server;
};

QTEST_GUILESS_MAIN(TstThreadManager)
#include "tst_threadmanager.moc"
