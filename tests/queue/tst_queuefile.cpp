#include "pc1.h"
#include "queuefile.h"
#include "recordstream.h"
#include "tfilesizelimit.h"
#include "tmyfilestream.h"
#include "ttempprofile.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtTest/QTest>

#include <limits>

namespace {

TItemInfo SampleItem(const QByteArray &remoteFile, quint8 flags = ItemFlag(ikDownload))
{
    TItemInfo item;
    item.SiteTag.SiteId = 17;
    item.SiteTag.Level = 2;
    item.SiteTag.Name = QStringLiteral("站点");
    TFtpInfo &f = item.FtpInfo;
    f.Host = QStringLiteral("ftp.example.com");
    f.RemoteFile = remoteFile;
    f.RemoteBase = "/pub/";
    f.UserName = QStringLiteral("bob");
    f.Password = QStringLiteral("s3cret");
    f.PortText = QStringLiteral("21");
    f.ProxyType = 6;
    f.ProxyHost = QStringLiteral("proxy");
    f.ProxyPortText = QStringLiteral("8021");
    f.ProxyUser = QStringLiteral("pu");
    f.ProxyPassword = QStringLiteral("pp");
    f.NoProxy = true;
    f.LocalFile = QStringLiteral("/home/bob/下载/file.bin");
    f.LocalSize = 6'000'000'000;
    f.Passive = true;
    f.Binary = true;
    f.RemoteSize = 7'000'000'000;
    f.RemoteDate = 46000.25;
    f.ServerResumes = true;
    f.ReplaceMode = 3;
    item.ItemFlags = flags;
    item.Progress = 40;
    item.BytesDone = 1234;  // not stored
    item.State = qsStopped;
    item.ItemNo = 99;
    item.Tries = 2;
    item.StartCount = 5;
    item.Reserved1 = -1;
    item.Reserved2 = 0x0102030405060708;
    item.Reserved3 = -2;
    item.Reserved4 = 77;
    item.Seconds = 42.5;
    return item;
}

// A queue file of the given version, byte by byte from the format table.
QByteArray HandMadeFile(int version, const QList<TItemInfo> &items, qint32 count = -1, quint32 end = 0xBB4A41AB)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TRecordWriter w(buffer);
    for (char c : QByteArray("TND"))
        w.WriteByte(quint8(c));
    w.WriteWord(quint16(version));
    w.WriteInt32(0);
    for (char c : QByteArray("QUEUE"))
        w.WriteByte(quint8(c));
    w.WriteInt32(count < 0 ? qint32(items.size()) : count);
    for (const TItemInfo &item : items) {
        const TFtpInfo &f = item.FtpInfo;
        if (version >= 259) {
            w.WriteInt32(item.SiteTag.SiteId);
            w.WriteInt32(item.SiteTag.Level);
            w.WriteString(item.SiteTag.Name.toUtf8());
        }
        w.WriteString(f.Host.toUtf8());
        w.WriteString(f.RemoteFile);
        if (version >= 258)
            w.WriteString(f.RemoteBase);
        w.WriteString(f.UserName.toUtf8());
        w.WriteString(Pc1Encrypt(QueueKey, f.Password.toUtf8()));
        w.WriteString(f.PortText.toUtf8());
        w.WriteString(f.ProxyHost.toUtf8());
        w.WriteString(f.ProxyPortText.toUtf8());
        w.WriteString(f.ProxyUser.toUtf8());
        w.WriteString(Pc1Encrypt(QueueKey, f.ProxyPassword.toUtf8()));
        w.WriteString(f.LocalFile.toUtf8());
        if (version >= 260)
            w.WriteInt64(f.LocalSize);
        else
            w.WriteUInt32(quint32(f.LocalSize));
        w.WriteByte(f.Passive);
        w.WriteByte(f.Binary);
        if (version >= 260)
            w.WriteInt64(f.RemoteSize);
        else
            w.WriteUInt32(quint32(f.RemoteSize));
        if (version >= 261)
            w.WriteDouble(f.RemoteDate);
        w.WriteByte(f.ServerResumes);
        w.WriteByte(f.ReplaceMode);
        QByteArray elements;
        for (quint8 element = 1; element <= 3; ++element) {
            if (item.ItemFlags & (1u << element))
                elements.append(char(element));
        }
        if (version >= 264) {
            w.WriteByte(quint8(elements.size()));
            for (char e : elements)
                w.WriteByte(quint8(e));
        } else {
            w.WriteByte(quint8(elements.at(0)));  // older files hold one element
        }
        w.WriteInt32(item.Progress);
        w.WriteInt32(item.State);
        w.WriteInt32(item.ItemNo);
        w.WriteInt32(item.Tries);
        w.WriteInt32(item.StartCount);
        w.WriteInt32(item.Reserved1);
        w.WriteInt64(item.Reserved2);
        w.WriteInt64(item.Reserved3);
        if (version >= 259)
            w.WriteDouble(item.Seconds);
        else
            w.WriteInt32(qint32(item.Seconds));
        w.WriteInt32(item.Reserved4);
        if (version >= 262)
            w.WriteInt32(f.ProxyType);
        if (version >= 263)
            w.WriteByte(f.NoProxy);
    }
    w.WriteUInt32(end);
    return buffer.data();
}

TQueueFileContents Read(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadQueueFile(buffer);
}

QByteArray Written(const QList<TItemInfo> &items)
{
    std::vector<const TItemInfo *> pointers;
    for (const TItemInfo &item : items)
        pointers.push_back(&item);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!WriteQueueFile(buffer, pointers))
        qFatal("write failed");
    return buffer.data();
}

QByteArray FileBytes(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestQueueFile : public QObject {
    Q_OBJECT

private slots:
    void emptyQueueWritesHeaderAndEndMarker()
    {
        QCOMPARE(Written({}).toHex(' '),
                 QByteArray("54 4e 44 08 01 00 00 00 00 51 55 45 55 45 00 00 00 00 ab 41 4a bb"));
    }

    void writerFollowsTheFormatTable()
    {
        const QList<TItemInfo> items = {SampleItem("/pub/a.bin", ItemFlag(ikDownload) | ItemFlag(ikMove)),
                                        SampleItem("/pub/b.bin", ItemFlag(ikUpload))};
        QCOMPARE(Written(items).toHex(' '), HandMadeFile(264, items).toHex(' '));
    }

    void roundTripKeepsStoredFields()
    {
        TTempProfile profile;
        StartProgramFolders();
        QCOMPARE(DefaultQueueFileName(), profile.FilePath(QStringLiteral("Tarnel.QFL")));
        TItemInfo moved = SampleItem("/pub/a.bin", ItemFlag(ikDownload) | ItemFlag(ikMove));
        moved.FtpInfo.MoveSource = true;
        moved.State = qsDownloading;
        const TItemInfo upload = SampleItem("/pub/b.bin", ItemFlag(ikUpload));
        QVERIFY(SaveQueueFile(DefaultQueueFileName(), {&moved, &upload}));
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                          | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(DefaultQueueFileName()).permissions() & others, QFile::Permissions());

        const TQueueFileContents read = LoadQueueFile(DefaultQueueFileName());
        QCOMPARE(read.Result, TQueueFileResult::Loaded);
        QCOMPARE(read.Version, QUEUE_FILE_VERSION);
        QCOMPARE(read.Items.size(), size_t(2));
        for (size_t i = 0; i < 2; ++i) {
            const TItemInfo &original = i == 0 ? moved : upload;
            const TItemInfo &item = *read.Items[i];
            QVERIFY(item.SiteTag == original.SiteTag);
            const TFtpInfo &f = item.FtpInfo;
            const TFtpInfo &o = original.FtpInfo;
            QCOMPARE(f.Host, o.Host);
            QCOMPARE(f.RemoteFile, o.RemoteFile);
            QCOMPARE(f.RemoteBase, o.RemoteBase);
            QCOMPARE(f.UserName, o.UserName);
            QCOMPARE(f.Password, o.Password);
            QCOMPARE(f.PortText, o.PortText);
            QCOMPARE(f.ProxyType, o.ProxyType);
            QCOMPARE(f.ProxyHost, o.ProxyHost);
            QCOMPARE(f.ProxyPortText, o.ProxyPortText);
            QCOMPARE(f.ProxyUser, o.ProxyUser);
            QCOMPARE(f.ProxyPassword, o.ProxyPassword);
            QCOMPARE(f.NoProxy, o.NoProxy);
            QCOMPARE(f.LocalFile, o.LocalFile);
            QCOMPARE(f.LocalSize, o.LocalSize);
            QCOMPARE(f.Passive, o.Passive);
            QCOMPARE(f.Binary, o.Binary);
            QCOMPARE(f.RemoteSize, o.RemoteSize);
            QCOMPARE(f.RemoteDate, o.RemoteDate);
            QCOMPARE(f.ServerResumes, o.ServerResumes);
            QCOMPARE(f.ReplaceMode, o.ReplaceMode);
            QCOMPARE(f.IsDir, false);
            QCOMPARE(item.ItemFlags, original.ItemFlags);
            QCOMPARE(item.Progress, original.Progress);
            QCOMPARE(item.StartCount, original.StartCount);
            QCOMPARE(item.Reserved1, original.Reserved1);
            QCOMPARE(item.Reserved2, original.Reserved2);
            QCOMPARE(item.Reserved3, original.Reserved3);
            QCOMPARE(item.Reserved4, original.Reserved4);
            QCOMPARE(item.Seconds, original.Seconds);
            QCOMPARE(item.ItemNo, qint32(i));  // numbered afresh
            QCOMPARE(item.Tries, 0);
            QCOMPARE(item.State, qsStopped);
        }
        // The move mark survives; the move of the local source does not.
        QVERIFY(HasItemFlag(read.Items[0]->ItemFlags, ikMove));
        QCOMPARE(read.Items[0]->FtpInfo.MoveSource, false);
        QCOMPARE(read.Items[0]->FtpInfo.IsUpload, false);
        QCOMPARE(read.Items[1]->FtpInfo.IsUpload, true);
    }

    void storedStates_data()
    {
        QTest::addColumn<qint32>("stored");
        QTest::addColumn<qint32>("loaded");
        QTest::addColumn<QString>("status");
        const QString stopped = QStringLiteral("已停止。");
        const QString done = QStringLiteral("完成.");
        QTest::newRow("new") << qint32(qsNew) << qint32(qsNew) << QString();
        QTest::newRow("downloading") << qint32(qsDownloading) << qint32(qsStopped) << stopped;
        QTest::newRow("uploading") << qint32(qsUploading) << qint32(qsStopped) << stopped;
        QTest::newRow("downloaded") << qint32(qsDownloaded) << qint32(qsDownloaded) << done;
        QTest::newRow("uploaded") << qint32(qsUploaded) << qint32(qsUploaded) << done;
        QTest::newRow("searching") << qint32(qsSearching) << qint32(qsSearching) << QString();
        QTest::newRow("waiting") << qint32(qsWaiting) << qint32(qsStopped) << stopped;
        QTest::newRow("stopped") << qint32(qsStopped) << qint32(qsStopped) << stopped;
        QTest::newRow("removing") << qint32(qsRemoving) << qint32(qsStopped) << stopped;
        QTest::newRow("error") << qint32(qsError) << qint32(qsError) << QStringLiteral("错误。");
        QTest::newRow("retry wait") << qint32(qsRetryWait) << qint32(qsError) << QStringLiteral("错误。");
        QTest::newRow("unknown") << 42 << 42 << QString();
    }

    void storedStates()
    {
        QFETCH(qint32, stored);
        QFETCH(qint32, loaded);
        QFETCH(QString, status);
        TItemInfo item = SampleItem("/a");
        item.State = stored;
        const TQueueFileContents read = Read(HandMadeFile(264, {item}));
        QCOMPARE(read.Items.at(0)->State, loaded);
        QCOMPARE(QueueLoadedStatusText(read.Items.at(0)->State), status);
    }

    void olderVersions_data()
    {
        QTest::addColumn<int>("version");
        for (int version = 256; version <= 264; ++version)
            QTest::addRow("%d", version) << version;
        QTest::newRow("newer") << 300;
    }

    void olderVersions()
    {
        QFETCH(int, version);
        TItemInfo stored = SampleItem("/pub/a.bin", ItemFlag(ikUpload));
        if (version < 259)
            stored.Seconds = 42;  // whole seconds before 259
        QByteArray bytes = HandMadeFile(std::min(version, 264), {stored});
        bytes[3] = char(version & 0xFF);  // a newer file in the newest layout we know
        bytes[4] = char(version >> 8);
        const TQueueFileContents read = Read(bytes);
        QCOMPARE(read.Result, TQueueFileResult::Loaded);
        QCOMPARE(read.Version, quint16(version));
        const TItemInfo &item = *read.Items.at(0);
        const TFtpInfo &f = item.FtpInfo;

        QCOMPARE(f.Host, stored.FtpInfo.Host);
        QCOMPARE(f.Password, QStringLiteral("s3cret"));
        QCOMPARE(f.ProxyPassword, QStringLiteral("pp"));
        QCOMPARE(f.LocalFile, stored.FtpInfo.LocalFile);
        QCOMPARE(item.ItemFlags, ItemFlag(ikUpload));
        QCOMPARE(f.IsUpload, true);
        QCOMPARE(item.StartCount, 5);
        QCOMPARE(item.Reserved4, 77);
        QCOMPARE(item.Seconds, stored.Seconds);

        if (version >= 259) {
            QVERIFY(item.SiteTag == stored.SiteTag);
        } else {
            QCOMPARE(item.SiteTag.SiteId, 0);
            QCOMPARE(item.SiteTag.Level, -1);
            QCOMPARE(item.SiteTag.Name, QString());
        }
        QCOMPARE(f.RemoteBase, version >= 258 ? QByteArray("/pub/") : QByteArray());
        // Before 260 the sizes were 32-bit unsigned.
        QCOMPARE(f.LocalSize, version >= 260 ? 6'000'000'000 : 6'000'000'000 % 4'294'967'296);
        QCOMPARE(f.RemoteSize, version >= 260 ? 7'000'000'000 : 7'000'000'000 % 4'294'967'296);
        QCOMPARE(f.RemoteDate, version >= 261 ? 46000.25 : 0.0);
        QCOMPARE(f.ProxyType, version >= 262 ? 6 : 0);
        QCOMPARE(f.NoProxy, version >= 263);
    }

    void singleByteFlagsBefore264_data()
    {
        QTest::addColumn<quint8>("flags");
        QTest::addColumn<bool>("isUpload");
        QTest::newRow("download") << ItemFlag(ikDownload) << false;
        QTest::newRow("upload") << ItemFlag(ikUpload) << true;
    }

    void singleByteFlagsBefore264()
    {
        QFETCH(quint8, flags);
        QFETCH(bool, isUpload);
        const QByteArray bytes = HandMadeFile(263, {SampleItem("/a", flags)});
        const TQueueFileContents read = Read(bytes);
        QCOMPARE(read.Items.at(0)->ItemFlags, flags);
        QCOMPARE(read.Items.at(0)->FtpInfo.IsUpload, isUpload);
    }

    void foldersToSearch_data()
    {
        QTest::addColumn<QByteArray>("remote");
        QTest::addColumn<QString>("local");
        QTest::addColumn<quint8>("flags");
        QTest::addColumn<bool>("isDir");
        QTest::newRow("download of a folder") << QByteArray("/pub/dir/") << "/tmp/x" << ItemFlag(ikDownload) << true;
        QTest::newRow("download of a file") << QByteArray("/pub/f") << "/tmp/x/" << ItemFlag(ikDownload) << false;
        QTest::newRow("upload of a folder") << QByteArray("/pub/dir/") << "/tmp/x/" << ItemFlag(ikUpload) << true;
        QTest::newRow("upload of a file") << QByteArray("/pub/dir/") << "/tmp/x" << ItemFlag(ikUpload) << false;
    }

    void foldersToSearch()
    {
        QFETCH(QByteArray, remote);
        QFETCH(QString, local);
        QFETCH(quint8, flags);
        QFETCH(bool, isDir);
        TItemInfo item = SampleItem(remote, flags);
        item.FtpInfo.LocalFile = local;
        QCOMPARE(Read(HandMadeFile(264, {item})).Items.at(0)->FtpInfo.IsDir, isDir);
    }

    void wrongMagicTagOrEnd()
    {
        const QByteArray good = HandMadeFile(264, {SampleItem("/a"), SampleItem("/b")});
        QByteArray bytes = good;
        bytes[0] = 'X';
        TQueueFileContents read = Read(bytes);
        QCOMPARE(read.Result, TQueueFileResult::BadMagic);
        QVERIFY(QueueFileWantsErrorBox(read.Result));
        QCOMPARE(QueueFileErrorText(), QStringLiteral("打开队列数据文件错误!"));
        QVERIFY(read.Items.empty());

        bytes = good;
        bytes[9] = 'q';
        read = Read(bytes);
        QCOMPARE(read.Result, TQueueFileResult::BadTag);
        QVERIFY(!QueueFileWantsErrorBox(read.Result));
        QVERIFY(read.Items.empty());

        read = Read(HandMadeFile(264, {SampleItem("/a"), SampleItem("/b")}, -1, 0x12345678));
        QCOMPARE(read.Result, TQueueFileResult::BadEnd);
        QVERIFY(QueueFileWantsErrorBox(read.Result));
        QCOMPARE(read.Items.size(), size_t(2));
    }

    void truncatedAtEveryOffset()
    {
        const QList<TItemInfo> items = {SampleItem("/a"), SampleItem("/b/", ItemFlag(ikDownload) | ItemFlag(ikMove)),
                                        SampleItem("/c", ItemFlag(ikUpload))};
        const QByteArray whole = HandMadeFile(264, items);
        QList<qsizetype> itemEnds;
        for (qsizetype n = 1; n <= items.size(); ++n)
            itemEnds.append(HandMadeFile(264, items.mid(0, n)).size() - 4);

        for (qsizetype cut = 0; cut < whole.size(); ++cut) {
            const TQueueFileContents read = Read(whole.left(cut));
            const TQueueFileResult expected = cut < 3    ? TQueueFileResult::BadMagic
                                              : cut < 14 ? TQueueFileResult::BadTag
                                                         : TQueueFileResult::BadEnd;
            QCOMPARE(read.Result, expected);
            const auto wholeItems =
                size_t(std::count_if(itemEnds.begin(), itemEnds.end(), [cut](qsizetype end) { return end <= cut; }));
            QCOMPARE(read.Items.size(), wholeItems);
            for (size_t i = 0; i < read.Items.size(); ++i)
                QCOMPARE(read.Items[i]->FtpInfo.RemoteFile, items[qsizetype(i)].FtpInfo.RemoteFile);
        }
        QCOMPARE(Read(whole).Result, TQueueFileResult::Loaded);
    }

    void hostileCountsAndLengths()
    {
        const qint32 huge = std::numeric_limits<qint32>::max();
        TQueueFileContents read = Read(HandMadeFile(264, {SampleItem("/a")}, huge));
        QCOMPARE(read.Result, TQueueFileResult::BadEnd);
        QCOMPARE(read.Items.size(), size_t(1));

        QByteArray ancient = HandMadeFile(256, {SampleItem("/a")}, huge);
        ancient[3] = 1;  // version 1: read as the oldest layout
        ancient[4] = 0;
        read = Read(ancient);
        QCOMPARE(read.Result, TQueueFileResult::BadEnd);
        QCOMPARE(read.Items.size(), size_t(1));

        QByteArray longHost = HandMadeFile(264, {}, 1);
        longHost.chop(4);
        longHost += QByteArray::fromHex("11 00 00 00 00 00 00 00 00 00 ff ff") + "short";
        read = Read(longHost);
        QCOMPARE(read.Result, TQueueFileResult::BadEnd);
        QVERIFY(read.Items.empty());
    }

    void missingOrUnreadableFileIsAnEmptyQueue()
    {
        TTempProfile profile;
        const QString name = profile.FilePath(QStringLiteral("Tarnel.QFL"));
        QCOMPARE(LoadQueueFile(name).Result, TQueueFileResult::NoFile);
        QVERIFY(QDir().mkpath(name));
        const TQueueFileContents read = LoadQueueFile(name);
        QCOMPARE(read.Result, TQueueFileResult::NoFile);
        QVERIFY(!QueueFileWantsErrorBox(read.Result));
    }

    void failedSaveKeepsThePreviousFile()
    {
        TTempProfile profile;
        const QString name = profile.FilePath(QStringLiteral("Tarnel.QFL"));
        const TItemInfo item = SampleItem("/a");
        QVERIFY(SaveQueueFile(name, {&item}));
        const QByteArray before = FileBytes(name);

        std::vector<TItemInfo> many(300, SampleItem("/many"));
        std::vector<const TItemInfo *> pointers;
        for (const TItemInfo &i : many)
            pointers.push_back(&i);
        {
            TFileSizeLimit full(8192);
            QVERIFY(!SaveQueueFile(name, pointers));
        }
        QCOMPARE(FileBytes(name), before);
        QCOMPARE(QDir(profile.Path()).entryList(QDir::Files), QStringList({QStringLiteral("Tarnel.QFL")}));
        QVERIFY_THROWS_EXCEPTION(EFCreateError, SaveQueueFile(name + QStringLiteral("/Tarnel.QFL"), pointers));
    }
};

QTEST_GUILESS_MAIN(TestQueueFile)
#include "tst_queuefile.moc"
