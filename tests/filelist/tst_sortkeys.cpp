// Sort keys, the row comparison, path combination, packed dates, type texts and column kinds.
#include "sortkeys.h"
#include "typenames.h"

#include <QtTest/QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// "d:name" a folder, "name" a file; "name:size:attributes:year" for the rest.
TScanItem Row(const QString &text)
{
    TScanItem item;
    QStringList parts = text.split(QLatin1Char(':'));
    if (parts.first() == QLatin1String("d")) {
        item.IsDir = 1;
        parts.removeFirst();
        item.Size = -1;
    }
    item.Name = parts.value(0);
    if (item.Name == QLatin1String(".."))
        item.IsDir = 1;
    if (parts.size() > 1 && !item.IsDir)
        item.Size = parts.at(1).toLongLong();
    item.Attributes = parts.value(2);
    if (parts.size() > 3)
        item.FileDate = PackDosDateTime(QDate(parts.at(3).toInt(), 1, 1), QTime(12, 0));
    return item;
}

QStringList Sorted(const QStringList &texts, int kind, bool descending, bool remote)
{
    struct E {
        qint64 Key;
        QString Name;
    };
    std::vector<E> rows;
    for (const QString &s : texts) {
        const TScanItem item = Row(s);
        rows.push_back({SortKey(item, kind, remote), item.Name});
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const E &a, const E &b) {
        return CompareRows(a.Key, a.Name, b.Key, b.Name, descending) < 0;
    });
    QStringList names;
    for (const E &e : rows)
        names << e.Name;
    return names;
}
}  // namespace

class TstSortKeys : public QObject {
    Q_OBJECT

private slots:
    void keys_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("remote");
        QTest::addColumn<qint64>("key");
        const qint64 d2000 = quint32(PackDosDateTime(QDate(2000, 1, 1), QTime(12, 0)));
        for (int kind = 0; kind < ColumnKindCount; ++kind)
            QTest::addRow("parent kind %d", kind) << u".."_s << kind << (kind % 2 == 0) << ParentKey;
        QTest::newRow("local folder name") << u"d:a"_s << 0 << false << qint64(-1);
        QTest::newRow("local folder size") << u"d:a"_s << 1 << false << qint64(-1);
        QTest::newRow("local folder date") << u"d:a:::2000"_s << 2 << false << d2000 + FolderDateBase;
        QTest::newRow("local folder flags") << u"d:a"_s << 3 << false << qint64(0);
        QTest::newRow("remote folder flags") << u"d:a:0:drwx"_s << 3 << true << qint64(-1);
        QTest::newRow("folder debug") << u"d:a"_s << 4 << true << qint64(0);
        QTest::newRow("file name") << u"a:5"_s << 0 << true << qint64(1);
        QTest::newRow("local file of 5 GiB") << u"a:5368709120"_s << 1 << false << qint64(5368709120);
        QTest::newRow("file date") << u"a:5::2000"_s << 2 << false << d2000;
        QTest::newRow("local file flags") << u"a:5:rw"_s << 3 << false << qint64(0);
        // 1 + 'r' + 'w' + 'x' + '-', upper case folded
        QTest::newRow("remote file flags") << u"a:5:RwX-"_s << 3 << true << qint64(1 + 114 + 119 + 120 + 45);
        QTest::newRow("file debug") << u"a:5"_s << 4 << false << qint64(0);
    }

    void keys()
    {
        QFETCH(QString, row);
        QFETCH(int, kind);
        QFETCH(bool, remote);
        QFETCH(qint64, key);
        QCOMPARE(SortKey(Row(row), kind, remote), key);
    }

    void order_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<bool>("remote");
        QTest::addColumn<QString>("expected");
        const QStringList mixed = {u"b.txt:300"_s, u"d:Zeta"_s, u"empty2:0"_s, u"a.txt:20"_s, u".."_s, u"d:alpha"_s, u"Empty1:0"_s, u"c.bin:20"_s};
        QTest::newRow("name ascending") << mixed << 0 << false << false << u"..|alpha|Zeta|a.txt|b.txt|c.bin|Empty1|empty2"_s;
        QTest::newRow("name descending") << mixed << 0 << true << false << u"..|empty2|Empty1|c.bin|b.txt|a.txt|Zeta|alpha"_s;
        QTest::newRow("size ascending") << mixed << 1 << false << false << u"..|alpha|Zeta|Empty1|empty2|a.txt|c.bin|b.txt"_s;
        QTest::newRow("size descending") << mixed << 1 << true << false << u"..|b.txt|c.bin|a.txt|empty2|Empty1|Zeta|alpha"_s;
        const QStringList flagged = {u"x:1:-rw-r--r--"_s, u"d:dir:0:drwxr-xr-x"_s, u"y:1:-rwxr-xr-x"_s, u".."_s, u"a:1:-rw-r--r--"_s, u"d:Bin:0:drwx------"_s};
        QTest::newRow("flags ascending") << flagged << 3 << false << true << u"..|Bin|dir|a|x|y"_s;
        QTest::newRow("flags descending") << flagged << 3 << true << true << u"..|y|x|a|dir|Bin"_s;
        const QStringList dated = {u"new:1::2040"_s, u"d:old:::1990"_s, u"mid:1::2000"_s, u"later:1::2050"_s, u"d:young:::2045"_s, u".."_s};
        QTest::newRow("date ascending, past 2043 too") << dated << 2 << false << false << u"..|old|young|mid|new|later"_s;
        QTest::newRow("date descending") << dated << 2 << true << false << u"..|later|new|mid|young|old"_s;
        QTest::newRow("names fold A-Z only") << QStringList{u"b"_s, u"B_"_s, u"a"_s, u"A"_s, u"_"_s} << 0 << false << true << u"_|a|A|b|B_"_s;
    }

    void order()
    {
        QFETCH(QStringList, rows);
        QFETCH(int, kind);
        QFETCH(bool, descending);
        QFETCH(bool, remote);
        QFETCH(QString, expected);
        QCOMPARE(Sorted(rows, kind, descending, remote).join(QLatin1Char('|')), expected);
    }

    void combinePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("into folder") << u"/home/u"_s << u"docs"_s << u"/home/u/docs"_s;
        QTest::newRow("trailing delimiters dropped") << u"/home/u//"_s << u"docs"_s << u"/home/u/docs"_s;
        QTest::newRow("from root") << u"/"_s << u"etc"_s << u"/etc"_s;
        QTest::newRow("parent") << u"/home/u"_s << u".."_s << u"/home"_s;
        QTest::newRow("parent of top folder is root") << u"/home/"_s << u".."_s << u"/"_s;
        QTest::newRow("parent of root stays root") << u"/"_s << u".."_s << u"/"_s;
        QTest::newRow("relative without delimiter") << u"name"_s << u".."_s << u""_s;
    }

    void combinePath()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(CombinePath(path, name, QLatin1Char('/')), expected);
    }

    void dosDateTime()
    {
        // 2024-03-05 13:07:09: date (44 << 9 | 3 << 5 | 5), time (13 << 11 | 7 << 5 | 4)
        QCOMPARE(quint32(PackDosDateTime(QDate(2024, 3, 5), QTime(13, 7, 9))), (44u << 25 | 3u << 21 | 5u << 16 | 13u << 11 | 7u << 5 | 4u));
        QCOMPARE(PackDosDateTime(QDate(1979, 12, 31), QTime(23, 59)), 0);
        QCOMPARE(PackDosDateTime(QDate(2108, 1, 1), QTime(0, 0)), 0);
        QVERIFY(PackDosDateTime(QDate(2044, 1, 1), QTime(0, 0)) < 0);  // stored as signed, sorted as unsigned
    }

    void dateTimeText_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("twelveHour");
        QTest::addColumn<QString>("expected");
        QTest::newRow("24-hour") << QTime(0, 5) << false << u"2024/03/05 00:05"_s;
        QTest::newRow("midnight") << QTime(0, 5) << true << u"2024/03/05 12:05 AM"_s;
        QTest::newRow("noon") << QTime(12, 0) << true << u"2024/03/05 12:00 PM"_s;
        QTest::newRow("evening") << QTime(23, 59) << true << u"2024/03/05 11:59 PM"_s;
    }

    void dateTimeText()
    {
        QFETCH(QTime, time);
        QFETCH(bool, twelveHour);
        QFETCH(QString, expected);
        QCOMPARE(DateTimeText(QDate(2024, 3, 5), time, twelveHour), expected);
    }

    void typeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isDir");
        QTest::addColumn<QString>("expected");
        QTest::newRow("parent") << u".."_s << true << u"父文件夹"_s;
        QTest::newRow("folder with a dot") << u"lib.d"_s << true << u"文件文件夹"_s;
        QTest::newRow("no extension") << u"Makefile"_s << false << u"未知类型"_s;
        QTest::newRow("unknown extension") << u"data.Qzx9"_s << false << u"QZX9 文件"_s;
    }

    void typeNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, isDir);
        QFETCH(QString, expected);
        TTypeNames types;
        QCOMPARE(types.For(name, isDir), expected);
    }

    void typeNamesPerExtension()
    {
        TTypeNames types;
        const QString text = types.For(QStringLiteral("a.txt"), false);
        QVERIFY(!text.isEmpty());
        QVERIFY(text != QStringLiteral("TXT 文件"));  // the MIME comment, not the fallback
        QCOMPARE(types.For(QStringLiteral("B.TXT"), false), text);
    }

    void columnKinds()
    {
        QStringList headers;
        QList<int> local, remote, bits;
        for (int k = 0; k < ColumnKindCount; ++k) {
            headers << ColumnHeader(k);
            local << ColumnWidth(k, false);
            remote << ColumnWidth(k, true);
            bits << ColumnBit(k);
        }
        QCOMPARE(headers.join(QLatin1Char('|')), QStringLiteral("文件名|大小|日期|标记|调试"));
        QCOMPARE(local, (QList<int>{150, 80, 120, 120, 120}));
        QCOMPARE(remote, (QList<int>{150, 80, 100, 120, 120}));
        QCOMPARE(bits, (QList<int>{1, 2, 4, 8, 128}));
        QVERIFY(ColumnAlignment(ckSize) & Qt::AlignRight);
        QVERIFY(ColumnAlignment(ckName) & Qt::AlignLeft);
    }
};

QTEST_GUILESS_MAIN(TstSortKeys)
#include "tst_sortkeys.moc"
