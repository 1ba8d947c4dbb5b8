#include "listparser.h"

#include <QtTest/QTest>

#include <limits>

using namespace std::string_view_literals;

namespace {

const QDate kToday(2024, 3, 10);

using TReader = bool (*)(const char *, qsizetype, TFtpDirEntry &);

bool UnixReader(const char *line, qsizetype len, TFtpDirEntry &e)
{
    return ParseUnixLine(line, len, e, kToday);
}

// Expected fields of one line. `flags` holds "d" for a folder and "l" for a link; `when` is
// "yyyy-MM-dd hh:mm", "yyyy-MM-dd", "hh:mm" or "" for no time stamp. Lines that no layout
// accepts have the flags "-".
void Row(const char *tag, const QByteArray &line, bool ok, const QByteArray &name, qint64 size,
         const char *flags, const QByteArray &attributes, const QByteArray &owner, const char *when)
{
    QTest::newRow(tag) << line << ok << name << size << QByteArray(flags) << attributes << owner
                       << QString::fromLatin1(when);
}

void Reject(const char *tag, const QByteArray &line)
{
    Row(tag, line, false, QByteArray(), -1, "-", QByteArray(), QByteArray(), "");
}

void AddColumns()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("attributes");
    QTest::addColumn<QByteArray>("owner");
    QTest::addColumn<QString>("when");
}

double ExpectedModTime(const QString &when)
{
    if (when.isEmpty())
        return -1.0;
    const QDate epoch(1899, 12, 30);
    if (when.size() == 5)
        return QTime::fromString(when, QStringLiteral("hh:mm")).msecsSinceStartOfDay() / 86400000.0;
    if (when.size() == 10)
        return double(epoch.daysTo(QDate::fromString(when, Qt::ISODate)));
    const QDateTime t = QDateTime::fromString(when, QStringLiteral("yyyy-MM-dd hh:mm"));
    return epoch.daysTo(t.date()) + t.time().msecsSinceStartOfDay() / 86400000.0;
}

// Runs the whole parser on the row, and the layout's own reader, which must accept the line.
void CheckLine(TReader reader)
{
    QFETCH(QByteArray, line);
    QFETCH(bool, ok);
    QFETCH(QByteArray, name);
    QFETCH(qint64, size);
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, attributes);
    QFETCH(QByteArray, owner);
    QFETCH(QString, when);

    TFtpDirInfo info;
    info.Name = "stale";
    info.ModTime = 5;
    QCOMPARE(ParseDirLine(line, info, kToday), ok);
    if (flags == "-") {
        // Rejected by every layout: the record stays cleared.
        QVERIFY(info.Name.isEmpty() && info.Attributes.isEmpty() && info.Owner.isEmpty());
        QCOMPARE(info.Size, qint64(-1));
        QCOMPARE(info.ModTime, -1.0);
        return;
    }
    QCOMPARE(info.Name, name);
    QCOMPARE(info.Size, size);
    QCOMPARE(info.IsDir, flags.contains('d'));
    QCOMPARE(info.IsLink, flags.contains('l'));
    QCOMPARE(info.Attributes, attributes);
    QCOMPARE(info.Owner, owner);
    const double expected = ExpectedModTime(when);
    QVERIFY2(qAbs(info.ModTime - expected) < 1e-9,
             qPrintable(QStringLiteral("ModTime %1, expected %2").arg(info.ModTime, 0, 'f', 6).arg(expected, 0, 'f', 6)));
    if (reader) {
        TFtpDirEntry entry;
        QVERIFY2(reader(line.constData(), line.size(), entry), "not read by its own layout");
    }
}

}  // namespace

class TestListParser : public QObject {
    Q_OBJECT

private slots:
    void unixLines_data()
    {
        AddColumns();
        Row("vsftpd folder", "drwxr-xr-x    2 ftp      ftp          4096 Mar 05 09:15 pub", true, "pub", 4096,
            "d", "drwxr-xr-x", "ftp ftp", "2024-03-05 09:15");
        Row("vsftpd numeric ids, year", "-rw-r--r--    1 0        0         5242880 Nov 20  2019 big.iso", true,
            "big.iso", 5242880, "", "-rw-r--r--", "0 0", "2019-11-20");
        Row("proftpd last year", "-rw-r--r--   1 ftpuser  ftpgroup 10485760 Dec  1 10:00 data.bin", true,
            "data.bin", 10485760, "", "-rw-r--r--", "ftpuser ftpgroup", "2023-12-01 10:00");
        Row("proftpd link", "lrwxrwxrwx   1 root     root           11 Jan 15  2021 latest -> release-1.2", true,
            "latest", 11, "dl", "lrwxrwxrwx", "root root", "2021-01-15");
        Row("pure-ftpd", "drwxr-xr-x    4 1001       users            4096 Mar 11 08:51 www", true, "www", 4096,
            "d", "drwxr-xr-x", "1001 users", "2024-03-11 08:51");
        Row("one day ahead is this year", "-rw-r--r-- 1 u g 1 Mar 11 08:51 a", true, "a", 1, "", "-rw-r--r--",
            "u g", "2024-03-11 08:51");
        Row("two days ahead is last year", "-rw-r--r-- 1 u g 1 Mar 12 08:51 a", true, "a", 1, "", "-rw-r--r--",
            "u g", "2023-03-12 08:51");
        Row("filezilla server", "-rw-r--r-- 1 ftp ftp         123456 Feb 03 2021 report.pdf", true,
            "report.pdf", 123456, "", "-rw-r--r--", "ftp ftp", "2021-02-03");
        Row("serv-u", "drwxrw-rw-   1 user     group           0 Jan  5 10:10 incoming", true, "incoming", 0,
            "d", "drwxrw-rw-", "user group", "2024-01-05 10:10");
        Row("blank in name", "-rw-r--r-- 1 user group 1234 Jan 31 12:00 read me.txt", true, "read me.txt", 1234,
            "", "-rw-r--r--", "user group", "2024-01-31 12:00");
        Row("trailing blanks kept", "-rw-r--r-- 1 u g 1 Jan 31 12:00 a  ", true, "a  ", 1, "", "-rw-r--r--",
            "u g", "2024-01-31 12:00");
        Row("no group", "-rw-r--r-- 1 user 1234 Jan 31 2005 a", true, "a", 1234, "", "-rw-r--r--", "user",
            "2005-01-31");
        Row("owner with a blank", "-rw-r--r-- 1 John Smith staff 1234 Jan 31 2005 a", true, "a", 1234, "",
            "-rw-r--r--", "John Smith staff", "2005-01-31");
        Row("size glued to group", "-rw-r--r-- 1 owner group1234567 Jan 31 12:00 x", true, "x", 1234567, "",
            "-rw-r--r--", "owner", "2024-01-31 12:00");
        Row("size too large", "-rw-r--r-- 1 u g 99999999999999999999 Jan 31 2005 x", true, "x", 0, "",
            "-rw-r--r--", "u g", "2005-01-31");
        Row("link", "lrwxrwxrwx 1 root root 7 Jan 1 12:00 bin -> usr/bin", true, "bin", 7, "dl", "lrwxrwxrwx",
            "root root", "2024-01-01 12:00");
        Row("arrow in a file name stays", "-rw-r--r-- 1 u g 1 Jan 1 12:00 a -> b", true, "a -> b", 1, "",
            "-rw-r--r--", "u g", "2024-01-01 12:00");
        Row("executable mark", "-rwxr-xr-x 1 u g 10 Jan 1 12:00 run*", true, "run", 10, "", "-rwxr-xr-x",
            "u g", "2024-01-01 12:00");
        Row("pipe mark", "prw-r--r-- 1 u g 0 Jan 1 12:00 fifo|", true, "fifo", 0, "", "prw-r--r--", "u g",
            "2024-01-01 12:00");
        Row("folder mark", "drwxr-xr-x 1 u g 0 Jan 1 12:00 sub/", true, "sub", 0, "d", "drwxr-xr-x", "u g",
            "2024-01-01 12:00");
        Row("iso date", "-rw-r--r-- 1 u g 10 2005-01-31 12:00 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2005-01-31 12:00");
        Row("year-day-month", "-rw-r--r-- 1 u g 10 2005-31-01 12:00 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2005-01-31 12:00");
        // The two-digit year is expanded like every other two-digit year, not read as the year 5.
        Row("day-month-year", "-rw-r--r-- 1 u g 10 31-01-05 12:00 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2005-01-31 12:00");
        Row("month-day-year", "-rw-r--r-- 1 u g 10 01-31-05 12:00 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2005-01-31 12:00");
        Row("slashes", "-rw-r--r-- 1 u g 10 2005/01/31 12:00 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2005-01-31 12:00");
        Row("month-day without year", "-rw-r--r-- 1 u g 10 01-31 12:00 a", true, "a", 10, "", "-rw-r--r--",
            "u g", "2024-01-31 12:00");
        Row("french day first", "-rw-r--r-- 1 u g 10 31 janv. 12:00 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2024-01-31 12:00");
        Row("german day first", "-rw-r--r-- 1 u g 10 3. M\xE4r 2004 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2004-03-03");
        Row("russian cp1251", "-rw-r--r-- 1 u g 10 \xFF\xED\xE2 31 12:00 a", true, "a", 10, "", "-rw-r--r--",
            "u g", "2024-01-31 12:00");
        Row("day with comma", "-rw-r--r-- 1 u g 10 Jan 31, 2005 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2005-01-31");
        Row("noon is noon", "-rw-r--r-- 1 u g 10 Jan 31 12:30 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2024-01-31 12:30");
        Row("time with dot", "-rw-r--r-- 1 u g 10 Jan 31 12.30 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2024-01-31 12:30");
        Row("netware folder", "d [RWCEAFMS] admin                  512 Mar 12 09:30 SYS", true, "SYS", 512,
            "d", "d [RWCEAFMS]", "admin", "2023-03-12 09:30");
        Row("netware file", "- [RWCEAFMS] admin                 1024 Mar 12  2004 autoexec.ncf", true,
            "autoexec.ncf", 1024, "", "- [RWCEAFMS]", "admin", "2004-03-12");
        Row("netware supervisor", "d [R----F--] supervisor 512 Jan 16 18:53 login", true, "login", 512, "d",
            "d [R----F--]", "supervisor", "2024-01-16 18:53");
        Row("folder variant", "drwxrwxr-x folder 2 May 10 1996 network", true, "network", 2, "d", "drwxrwxr-x",
            "", "1996-05-10");
        Row("folder variant, short word", "drwxrwxr-x fold 2 May 10 1996 network", true, "network", 2, "d",
            "drwxrwxr-x", "", "1996-05-10");
        Row("feb 30 keeps the entry with the time alone", "-rw-r--r-- 1 u g 10 Feb 30 12:00 a", true, "a", 10,
            "", "-rw-r--r--", "u g", "12:00");
        Row("feb 30 with a year keeps no time", "-rw-r--r-- 1 u g 10 Feb 30 2005 a", true, "a", 10, "",
            "-rw-r--r--", "u g", "");
        Row("hour 24 is dropped", "-rw-r--r-- 1 u g 10 Jan 31 24:00 a", true, "a", 10, "", "-rw-r--r--", "u g",
            "2024-01-31");
        Row("dot folder", "drwxr-xr-x 2 user group 4096 Jan 31 12:00 .", false, ".", 4096, "d", "drwxr-xr-x",
            "user group", "2024-01-31 12:00");
        Row("dot-dot folder", "drwxr-xr-x 2 user group 4096 Jan 31 12:00 ..", false, "..", 4096, "d",
            "drwxr-xr-x", "user group", "2024-01-31 12:00");
        Row("dot-dot file is kept", "-rw-r--r-- 1 user group 3 Jan 31 12:00 ..", true, "..", 3, "", "-rw-r--r--",
            "user group", "2024-01-31 12:00");
        Row("name only a mark", "-rw-r--r-- 1 u g 1 Jan 31 12:00 *", false, "", 1, "", "-rw-r--r--", "u g",
            "2024-01-31 12:00");
    }
    void unixLines() { CheckLine(UnixReader); }

    void dosLines_data()
    {
        AddColumns();
        Row("iis folder", "01-31-05  02:30PM       <DIR>          Docs", true, "Docs", -1, "d", "", "",
            "2005-01-31 14:30");
        Row("iis file after midnight", "01-31-05  12:05AM  1,234 a.txt", true, "a.txt", 1234, "", "", "",
            "2005-01-31 00:05");
        Row("iis noon", "02-14-23  12:45PM       <DIR>          aspnet_client", true, "aspnet_client", -1, "d",
            "", "", "2023-02-14 12:45");
        Row("iis four-digit year", "02-14-2023  03:05PM              1024 web config.xml", true, "web config.xml",
            1024, "", "", "", "2023-02-14 15:05");
        Row("lower-case mark", "02-14-23  03:05pm   1024 a", true, "a", 1024, "", "", "", "2023-02-14 15:05");
        // A 24-hour listing: noon stays noon and a time after midnight keeps its entry.
        Row("24-hour noon", "31.01.2005  12:30    <DIR>   Docs", true, "Docs", -1, "d", "", "",
            "2005-01-31 12:30");
        Row("24-hour after midnight", "31.01.2005  00:30    17   a.txt", true, "a.txt", 17, "", "", "",
            "2005-01-31 00:30");
        Row("lower-case dir is a size", "01-31-05  02:30PM  <dir>  x", true, "x", 0, "", "", "",
            "2005-01-31 14:30");
        Reject("no name", "01-31-05  02:30PM       <DIR>   ");
        Reject("bad time", "01-31-05  25:30PM       <DIR>  Docs");
        Reject("bad date", "13-31-05  02:30PM       <DIR>  Docs");
        Reject("hour 0 with a mark", "01-31-05  00:30AM       <DIR>  Docs");
    }
    void dosLines() { CheckLine(ParseDosLine); }

    void eplfLines_data()
    {
        AddColumns();
        Row("file", "+i8388621.48594,m825718503,r,s280,\tdjb.html", true, "djb.html", 280, "", "", "",
            "1996-03-01 22:15");
        Row("no size fact", "+i8388621.50690,m824255907,/,\t514", true, "514", -2, "d", "", "",
            "1996-02-13 23:58");
        Row("rights", "+up644,/,\tdir", true, "dir", -2, "d", "644", "", "");
        Row("blanks in name", "+s5,\tmy file ", true, "my file ", 5, "", "", "", "");
        Row("huge size saturates", "+s99999999999999999999,\tx", true, "x", std::numeric_limits<qint64>::max(),
            "", "", "", "");
        Row("fact without comma is ignored", "+s5\tx", true, "x", -2, "", "", "", "");
        Row("date beyond year 9999 is dropped", "+m99999999999999,\tx", true, "x", -2, "", "", "", "09:46");
        Reject("no tab", "+i1,s5,");
        Reject("nothing after tab", "+s5,\t");
    }
    void eplfLines() { CheckLine(ParseEplfLine); }

    void numericLines_data()
    {
        AddColumns();
        Row("stat folder", "040755 2 0 512 1012345678 pub", true, "pub", 512, "d", "040755", "",
            "2002-01-29 23:07");
        Row("stat file", "0100644 1 0 99 1012345678 a b", true, "a b", 99, "", "0100644", "", "2002-01-29 23:07");
        Row("stat without name", "0100644 1 0 99 1012345678", false, "", 99, "", "0100644", "",
            "2002-01-29 23:07");
        Row("size first", "1234 Jan 31, 2005 10:15 notes.txt", true, "notes.txt", 1234, "", "", "",
            "2005-01-31 10:15");
        Row("size first folder", "0 Feb 1 05 23:59 Stuff/", true, "Stuff", 0, "d", "", "", "2005-02-01 23:59");
        Row("size first backslash folder", "0 Feb 1 05 23:59 Stuff\\", true, "Stuff", 0, "d", "", "",
            "2005-02-01 23:59");
        Row("size first after midnight", "1234 Jan 31 2005 00:15 late", true, "late", 1234, "", "", "",
            "2005-01-31 00:15");
        Row("os2 folder", "0           DIR   12-31-97   14:48  DIRNAME", true, "DIRNAME", 0, "d", "", "",
            "1997-12-31 14:48");
        Row("os2 file", "   345      A     12-31-97   09:05  config.sys", true, "config.sys", 345, "", "", "",
            "1997-12-31 09:05");
        Reject("size first bad day", "1234 Jan 32 2005 10:15 x");
        Reject("size first bad time", "1234 Jan 31 2005 10h15 x");
        Reject("size first hour 25", "1234 Jan 31 2005 25:15 x");
        Reject("os2 without date", "345 A B C");
        Reject("second token too long", "345 ABCDEFGHIJKLMNOP 12-31-97 09:05 x");
    }
    void numericLines() { CheckLine(ParseNumericLine); }

    void os400Lines_data()
    {
        AddColumns();
        Row("folder", "QSYS  18432 04/15/99 16:36:29 *DIR  QDOC/", true, "QDOC", 18432, "d", "", "QSYS",
            "1999-04-15 16:36");
        Row("noon stays noon", "QSYS  18432 04/15/99 12:10:00 *DIR  QDOC/", true, "QDOC", 18432, "d", "", "QSYS",
            "1999-04-15 12:10");
        Row("library", "QSYS            77824 02/23/00 15:09:55 *DIR       QSYS.LIB/", true, "QSYS.LIB", 77824,
            "d", "", "QSYS", "2000-02-23 15:09");
        Row("stream file", "QPGMR  1234 12/31/99 23:59:59 *STMF   my file.txt", true, "my file.txt", 1234, "",
            "", "QPGMR", "1999-12-31 23:59");
        Row("after midnight", "QPGMR  1 12/31/99 00:00:01 *STMF   x", true, "x", 1, "", "", "QPGMR",
            "1999-12-31 00:00");
        Reject("name only a slash", "QSYS  18432 04/15/99 16:36:29 *DIR  /");
        Reject("member without date", "QSYS   5050  *MEM  QDOC/X.MBR");
    }
    void os400Lines() { CheckLine(ParseOs400Line); }

    void vmsLines_data()
    {
        AddColumns();
        Row("folder", "DOCS.DIR;1  1/3  31-JAN-2005 12:30:45  [GROUP,USER]  (RWE,RWE,RE,)", true, "DOCS;1", 512,
            "d", "RWE,RWE,RE,", "GROUP,USER", "2005-01-31 12:30");
        Row("file", "README.TXT;3   4/6   12-MAR-2004 09:30:15  [SYSTEM]  (RWED,RWED,RE,RE)", true,
            "README.TXT;3", 2048, "", "RWED,RWED,RE,RE", "SYSTEM", "2004-03-12 09:30");
        Row("midnight", "A.B;1  0  1-JAN-2000 00:00:00 [USER] (RWE,RWE,,)", true, "A.B;1", 0, "",
            "RWE,RWE,,", "USER", "2000-01-01 00:00");
        Row("two-digit year", "A.B;1  2  1-JAN-05 00:00:00 [USER] (RWE)", true, "A.B;1", 1024, "", "RWE",
            "USER", "2005-01-01 00:00");
        Row("lower-case dir suffix is a file", "docs.dir;1  1  1-JAN-2000 10:00 [U] (R)", true, "docs.dir;1", 512,
            "", "R", "U", "2000-01-01 10:00");
        Row("just .DIR is no folder", ".DIR;1  1  1-JAN-2000 10:00 [U] (R)", true, ".DIR;1", 512, "", "R", "U",
            "2000-01-01 10:00");
        Row("blocks saturate", "A;1  99999999999999999999  1-JAN-2000 10:00 U R", true, "A;1",
            std::numeric_limits<qint64>::max(), "", "R", "U", "2000-01-01 10:00");
        Reject("no protection", "A.B;1  2  1-JAN-2000 00:00:00 [USER]");
        Reject("month unknown", "A.B;1  2  1-XYZ-2000 00:00:00 [USER] (RWE)");
    }
    void vmsLines() { CheckLine(ParseVmsLine); }

    void rejectedLines_data()
    {
        AddColumns();
        Reject("empty", "");
        Reject("blanks", "   \t ");
        Reject("total", "total 12");
        Reject("reply text", "250 Directory send OK.");
        Reject("unix without name", "-rw-r--r-- 1 u g 1 Jan 31 12:00");
        Reject("unix unknown month", "-rw-r--r-- 1 u g 1 Foo 31 12:00 a");
        Reject("unix year in date and time token", "-rw-r--r-- 1 u g 1 2005-01-31 2005 a");
        Reject("unix year 0", "-rw-r--r-- 1 u g 1 Jan 31 0 a");
        Reject("unix date of three parts", "-rw-r--r-- 1 u g 1 123-01-31 12:00 a");
        Reject("unix short", "drwxr-xr-x 2");
        Reject("vms header", "Directory DISK$USER:[SMITH]");
        Reject("vms total", "Total of 3 files, 12/24 blocks.");
    }
    void rejectedLines() { CheckLine(nullptr); }

    void noLineLeavesStateBehind()
    {
        // A reader that gives up must not leave fields for the next: this line gets far into the
        // Unix reader (owner and size) before OS/400 takes it.
        TFtpDirInfo info;
        QVERIFY(ParseDirLine("dbuser 1234 01/31/05 10:00:00 *FILE x", info, kToday));
        QCOMPARE(info.Owner, QByteArray("dbuser"));
        QCOMPARE(info.Attributes, QByteArray());
        QCOMPARE(info.Size, qint64(1234));
    }

    void lineIsReadOnlyUpToItsLength()
    {
        const char text[] = "-rw-r--r-- 1 u g 5 Jan 31 2005 name.txt-and-more";
        TFtpDirInfo info;
        QVERIFY(ParseDirLine(text, qsizetype(sizeof text - 1 - 9), info, kToday));
        QCOMPARE(info.Name, QByteArray("name.txt"));
        QVERIFY(!ParseDirLine(nullptr, 0, info, kToday));
    }

    void tokens_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("rest");
        QTest::addColumn<QByteArrayList>("tokens");
        QTest::newRow("blanks and tabs") << QByteArray(" a\t b  c ") << false << QByteArrayList{"a", "b", "c"};
        QTest::newRow("rest of line keeps blanks") << QByteArray("  a b  ") << true << QByteArrayList{"a b  "};
        QTest::newRow("only blanks") << QByteArray(" \t ") << false << QByteArrayList{};
        QTest::newRow("empty") << QByteArray() << true << QByteArrayList{};
    }

    void tokens()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, rest);
        QFETCH(QByteArrayList, tokens);
        QByteArrayList got;
        qsizetype pos = 0;
        while (const auto t = NextListToken(line.constData(), line.size(), pos, rest))
            got << QByteArray(t->data(), qsizetype(t->size()));
        QCOMPARE(got, tokens);
        QCOMPARE(pos, line.size());
    }

    void numbers()
    {
        QCOMPARE(ListNumber("1,234,567"sv), qint64(1234567));
        QCOMPARE(ListNumber("1.5"sv), qint64(15));
        QCOMPARE(ListNumber("12a3"sv), qint64(12));
        QCOMPARE(ListNumber("abc"sv), qint64(0));
        QCOMPARE(ListNumber(""sv), qint64(0));
        QCOMPARE(ListNumber("9223372036854775807"sv), std::numeric_limits<qint64>::max());
        QCOMPARE(ListNumber("9223372036854775808"sv), std::numeric_limits<qint64>::max());
        QCOMPARE(ListInt("4294967308"sv), std::numeric_limits<int>::max());
        QVERIFY(IsAllDigits(""sv));
        QVERIFY(IsAllDigits("0123"sv));
        QVERIFY(!IsAllDigits("1,2"sv));
        QCOMPARE(FindCharN("ab-c"sv, '-'), qsizetype(2));
        QCOMPARE(FindCharN("abc"sv, '-'), qsizetype(-1));
        QCOMPARE(FindStrN("a -> b"sv, " ->"sv), qsizetype(1));
        QCOMPARE(FindStrN("a -"sv, " ->"sv), qsizetype(-1));
    }
};

QTEST_GUILESS_MAIN(TestListParser)
#include "tst_listparser.moc"
