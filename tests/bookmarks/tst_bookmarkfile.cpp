#include "bookmarkfile.h"
#include "pc1.h"
#include "programfolders.h"
#include "recordstream.h"
#include "tfilesizelimit.h"
#include "ttempprofile.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtTest/QTest>

#include <limits>

namespace {

std::unique_ptr<TFtpBookmarkItem> Remote(qint32 id, const QString &name)
{
    auto item = std::make_unique<TFtpBookmarkItem>();
    item->Id = id;
    item->Name = name;
    item->Host = QStringLiteral("ftp.example.com");
    item->UserName = QStringLiteral("bob");
    item->Password = QStringLiteral("pw");
    item->Port = 2121;
    item->Path = QStringLiteral("/pub/文档");
    item->SiteName = QStringLiteral("Work");
    return item;
}

// A bookmark file byte by byte from the format table.
QByteArray HandMadeFile(const TBookmarkList &list, qint32 count = -1)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TRecordWriter w(buffer);
    for (char c : QByteArray("TNBM"))
        w.WriteByte(quint8(c));
    w.WriteWord(1);
    w.WriteInt32(0);
    w.WriteInt32(count < 0 ? qint32(list.size()) : count);
    for (const auto &item : list) {
        w.WriteByte(item->IsLocal);
        w.WriteString(item->Name.toUtf8());
        w.WriteString(item->Host.toUtf8());
        w.WriteString(EncryptPassword(item->UserName.toUtf8()));
        w.WriteString(EncryptPassword(item->Password.toUtf8()));
        w.WriteInt32(item->Port);
        w.WriteString(item->Path.toUtf8());
        w.WriteString(EncryptPassword(item->SiteName.toUtf8()));
    }
    w.WriteUInt32(0xBB4A41AB);
    return buffer.data();
}

bool Read(const QByteArray &bytes, TBookmarkList &list)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadBookmarks(buffer, list);
}

QByteArray FileBytes(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestBookmarkFile : public QObject {
    Q_OBJECT

private slots:
    void writerFollowsTheFormatTable()
    {
        TBookmarkList list;
        list.push_back(Remote(0, QStringLiteral("远程")));
        auto local = std::make_unique<TFtpBookmarkItem>();
        local->IsLocal = true;
        local->Name = QStringLiteral("home");
        local->Path = QStringLiteral("/home/bob");
        list.push_back(std::move(local));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(WriteBookmarks(buffer, list));
        QCOMPARE(buffer.data().toHex(' '), HandMadeFile(list).toHex(' '));
        // The local bookmark's empty user, password and site name are two zero bytes each.
        QVERIFY(buffer.data().endsWith(QByteArray::fromHex("00 00 00 00 00 00 00 00 00 00 09 00") + "/home/bob"
                                       + QByteArray::fromHex("00 00 ab 41 4a bb")));
    }

    void roundTripNumbersByPosition()
    {
        TTempProfile profile;
        StartProgramFolders();
        const QString name = DefaultBookmarkFileName();
        QCOMPARE(name, profile.FilePath(QStringLiteral("Tarnel.BMF")));
        TBookmarkList list;
        list.push_back(Remote(0, QStringLiteral("a")));
        list.push_back(Remote(1, QStringLiteral("b")));
        list.push_back(Remote(3, QStringLiteral("c")));
        QCOMPARE(NewBookmarkId(list), 2);
        QCOMPARE(FindBookmark(list, 3)->Name, QStringLiteral("c"));
        QCOMPARE(FindBookmark(list, 2), nullptr);
        QVERIFY(SaveBookmarks(name, list));
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                          | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(name).permissions() & others, QFile::Permissions());

        TBookmarkList back;
        QVERIFY(LoadBookmarks(name, back));
        QCOMPARE(back.size(), size_t(3));
        for (size_t i = 0; i < 3; ++i) {
            QCOMPARE(back[i]->Id, qint32(i));
            QCOMPARE(back[i]->Name, list[i]->Name);
            QCOMPARE(back[i]->Host, list[i]->Host);
            QCOMPARE(back[i]->UserName, QStringLiteral("bob"));
            QCOMPARE(back[i]->Password, QStringLiteral("pw"));
            QCOMPARE(back[i]->Port, 2121);
            QCOMPARE(back[i]->Path, list[i]->Path);
            QCOMPARE(back[i]->SiteName, QStringLiteral("Work"));
            QCOMPARE(back[i]->IsLocal, false);
        }
        QCOMPARE(NewBookmarkId(back), 3);
        QCOMPARE(NewBookmarkId(TBookmarkList()), 0);
    }

    void badFiles()
    {
        TTempProfile profile;
        TBookmarkList list;
        QVERIFY(!LoadBookmarks(profile.FilePath(QStringLiteral("missing.BMF")), list));
        QVERIFY(list.empty());

        QCOMPARE(HandMadeFile({}).size(), 18);
        QVERIFY(Read(HandMadeFile({}).left(14), list));  // no end marker is needed
        QVERIFY(list.empty());

        QByteArray wrong = HandMadeFile({});
        wrong[3] = 'X';
        QVERIFY(!Read(wrong, list));
        QVERIFY(list.empty());

        const QString folder = profile.FilePath(QStringLiteral("Tarnel.BMF"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(!LoadBookmarks(folder, list));
    }

    void truncatedAtEveryOffset()
    {
        TBookmarkList list;
        list.push_back(Remote(0, QStringLiteral("a")));
        list.push_back(Remote(1, QStringLiteral("b")));
        const QByteArray whole = HandMadeFile(list);
        TBookmarkList first;
        first.push_back(Remote(0, QStringLiteral("a")));
        const qsizetype firstEnd = HandMadeFile(first).size() - 4;
        const qsizetype secondEnd = whole.size() - 4;

        for (qsizetype cut = 0; cut < secondEnd; ++cut) {
            TBookmarkList read;
            QVERIFY(!Read(whole.left(cut), read));
            QCOMPARE(read.size(), size_t(cut >= firstEnd ? 1 : 0));
            if (!read.empty())
                QCOMPARE(read[0]->Name, QStringLiteral("a"));
        }
        for (qsizetype cut = secondEnd; cut <= whole.size(); ++cut) {
            TBookmarkList read;
            QVERIFY(Read(whole.left(cut), read));  // the end marker is not read back
            QCOMPARE(read.size(), size_t(2));
        }
    }

    void hostileCount()
    {
        TBookmarkList list;
        list.push_back(Remote(0, QStringLiteral("a")));
        TBookmarkList read;
        QVERIFY(!Read(HandMadeFile(list, std::numeric_limits<qint32>::max()), read));
        QCOMPARE(read.size(), size_t(1));
    }

    void failedSaveKeepsThePreviousFile()
    {
        TTempProfile profile;
        const QString name = profile.FilePath(QStringLiteral("Tarnel.BMF"));
        TBookmarkList list;
        list.push_back(Remote(0, QStringLiteral("a")));
        QVERIFY(SaveBookmarks(name, list));
        const QByteArray before = FileBytes(name);
        for (int i = 1; i < 200; ++i)
            list.push_back(Remote(i, QStringLiteral("more")));
        {
            TFileSizeLimit full(4096);
            QVERIFY(!SaveBookmarks(name, list));
        }
        QCOMPARE(FileBytes(name), before);
        QVERIFY(!SaveBookmarks(name + QStringLiteral("/Tarnel.BMF"), list));
    }
};

QTEST_GUILESS_MAIN(TestBookmarkFile)
#include "tst_bookmarkfile.moc"
