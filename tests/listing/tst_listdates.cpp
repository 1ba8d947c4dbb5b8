#include "listdates.h"

#include <QtTest/QTest>

#include <set>

using namespace std::string_view_literals;

class TestListDates : public QObject {
    Q_OBJECT

private slots:
    void monthTable()
    {
        const auto names = MonthNames();
        QCOMPARE(names.size(), std::size_t(114));
        std::set<TListSlice> keys;
        int perMonth[13] = {};
        for (const TMonthName &m : names) {
            QVERIFY2(keys.insert(m.Key).second, std::string(m.Key).c_str());
            QVERIFY(m.Month >= 1 && m.Month <= 12);
            ++perMonth[m.Month];
            // Every key is found through the lookup, which lowers only A-Z.
            QCOMPARE(FindMonthName(m.Key), m.Month);
        }
        const int expected[13] = {0, 9, 12, 11, 9, 9, 10, 10, 11, 10, 8, 6, 9};
        for (int month = 1; month <= 12; ++month)
            QCOMPARE(perMonth[month], expected[month]);
    }

    void findMonthName_data()
    {
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<int>("month");
        QTest::newRow("upper") << QByteArray("JAN") << 1;
        QTest::newRow("title") << QByteArray("Jan") << 1;
        QTest::newRow("lower") << QByteArray("jan") << 1;
        QTest::newRow("juni") << QByteArray("juni") << 6;
        QTest::newRow("juli") << QByteArray("Juli") << 7;
        QTest::newRow("ott") << QByteArray("ott") << 10;
        QTest::newRow("sept9") << QByteArray("SEPT9") << 9;
        QTest::newRow("number") << QByteArray("09") << 9;
        QTest::newRow("cp1252 fevr") << QByteArray("F\xE9vr") << 2;
        QTest::newRow("cp1252 maerz") << QByteArray("M\xE4rz") << 3;
        QTest::newRow("cp1252 aout") << QByteArray("ao\xFBt") << 8;
        QTest::newRow("cp1252 dec") << QByteArray("d\xE9" "c") << 12;
        QTest::newRow("cp1250 paz") << QByteArray("Pa\x9F") << 10;
        QTest::newRow("cp1251 jan") << QByteArray("\xFF\xED\xE2") << 1;
        QTest::newRow("cp1251 nov") << QByteArray("\xED\xEE\xFF") << 11;
        // Only A-Z are lowered: an upper-case Russian name is not a key.
        QTest::newRow("cp1251 upper JAN") << QByteArray("\xDF\xCD\xC2") << 0;
        QTest::newRow("cp1252 upper FEV") << QByteArray("F\xC9V") << 0;
        QTest::newRow("no zero-padded 10") << QByteArray("010") << 0;
        QTest::newRow("13") << QByteArray("13") << 0;
        QTest::newRow("prefix") << QByteArray("ja") << 0;
        QTest::newRow("longer") << QByteArray("january") << 0;
        QTest::newRow("trailing dot") << QByteArray("jan.") << 0;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("nul inside") << QByteArray("ja\0n", 4) << 0;
    }

    void findMonthName()
    {
        QFETCH(QByteArray, token);
        QFETCH(int, month);
        QCOMPARE(FindMonthName(TListSlice(token.constData(), std::size_t(token.size()))), month);
    }

    void parseListDate_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDate>("date");  // invalid: no date
        QTest::newRow("month-day-year") << QByteArray("12-31-97") << QDate(1997, 12, 31);
        QTest::newRow("month/day/year") << QByteArray("12/31/97") << QDate(1997, 12, 31);
        QTest::newRow("day.month.year") << QByteArray("31.12.97") << QDate(1997, 12, 31);
        QTest::newRow("iso") << QByteArray("2005-01-31") << QDate(2005, 1, 31);
        QTest::newRow("year/month/day") << QByteArray("2005/01/31") << QDate(2005, 1, 31);
        QTest::newRow("year.month.day") << QByteArray("2005.01.31") << QDate(2005, 1, 31);
        QTest::newRow("four-digit year last") << QByteArray("01-31-2005") << QDate(2005, 1, 31);
        QTest::newRow("31.12.05") << QByteArray("31.12.05") << QDate(2005, 12, 31);
        QTest::newRow("05/01/31 expands to 2031") << QByteArray("05/01/31") << QDate(2031, 5, 1);
        QTest::newRow("05/01/50 expands to 1950") << QByteArray("05/01/50") << QDate(1950, 5, 1);
        QTest::newRow("single digits") << QByteArray("1-2-3") << QDate(2003, 1, 2);
        QTest::newRow("year below 1900") << QByteArray("1899-01-01") << QDate();
        QTest::newRow("three-digit first") << QByteArray("123-1-1") << QDate();
        QTest::newRow("month 13 first") << QByteArray("13-01-05") << QDate();
        QTest::newRow("31 as month") << QByteArray("31-12-05") << QDate();
        QTest::newRow("day 32") << QByteArray("01-32-05") << QDate();
        QTest::newRow("month 13 in iso") << QByteArray("2005-13-01") << QDate();
        QTest::newRow("day 0 in iso") << QByteArray("2005-01-00") << QDate();
        QTest::newRow("one separator") << QByteArray("12-31") << QDate();
        QTest::newRow("empty third") << QByteArray("12-31-") << QDate();
        QTest::newRow("no separator") << QByteArray("20050131") << QDate();
        QTest::newRow("empty") << QByteArray() << QDate();
        QTest::newRow("nul before separator") << QByteArray("1\0-2-3", 6) << QDate();
        QTest::newRow("letters") << QByteArray("1a-01-05") << QDate();
        QTest::newRow("month name") << QByteArray("31-JAN-2005") << QDate();
    }

    void parseListDate()
    {
        QFETCH(QByteArray, text);
        QFETCH(QDate, date);
        TListDate d;
        const bool ok = ParseListDate(TListSlice(text.constData(), std::size_t(text.size())), d);
        QCOMPARE(ok, date.isValid());
        if (ok) {
            QVERIFY(d.HasDate);
            QCOMPARE(QDate(d.Year, d.Month, d.Day), date);
        }
    }

    void parseListTime_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("hour");  // -1: no time
        QTest::addColumn<int>("minute");
        QTest::newRow("pm") << QByteArray("02:30PM") << 14 << 30;
        QTest::newRow("12 am is midnight") << QByteArray("12:05AM") << 0 << 5;
        QTest::newRow("12 pm is noon") << QByteArray("12:30PM") << 12 << 30;
        QTest::newRow("11 am") << QByteArray("11:59AM") << 11 << 59;
        // A time without a mark is a 24-hour time: noon stays noon.
        QTest::newRow("24-hour noon") << QByteArray("12:30") << 12 << 30;
        QTest::newRow("24-hour noon with seconds") << QByteArray("12:30:00") << 12 << 30;
        QTest::newRow("24-hour afternoon") << QByteArray("16:36:29") << 16 << 36;
        QTest::newRow("after midnight") << QByteArray("00:30") << 0 << 30;
        QTest::newRow("lower-case pm") << QByteArray("1:05pm") << 13 << 5;
        QTest::newRow("lower-case am") << QByteArray("12:40am") << 0 << 40;
        QTest::newRow("pm after 12") << QByteArray("13:05PM") << 13 << 5;
        QTest::newRow("hour 24 reads") << QByteArray("24:00") << 24 << 0;
        QTest::newRow("no minute digits") << QByteArray("5:x") << 5 << 0;
        QTest::newRow("hour 0 with a mark") << QByteArray("00:30AM") << -1 << 0;
        QTest::newRow("hour 25") << QByteArray("25:00") << -1 << 0;
        QTest::newRow("minute 60") << QByteArray("11:60") << -1 << 0;
        QTest::newRow("colon last") << QByteArray("11:") << -1 << 0;
        QTest::newRow("no colon") << QByteArray("1130") << -1 << 0;
        QTest::newRow("dir marker") << QByteArray("<DIR>") << -1 << 0;
        QTest::newRow("empty hour") << QByteArray(":30") << -1 << 0;
        QTest::newRow("nul before colon") << QByteArray("1\0:30", 5) << -1 << 0;
        QTest::newRow("huge hour") << QByteArray("4294967308:00") << -1 << 0;
    }

    void parseListTime()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, hour);
        QFETCH(int, minute);
        TListDate d;
        const bool ok = ParseListTime(TListSlice(text.constData(), std::size_t(text.size())), d);
        QCOMPARE(ok, hour >= 0);
        if (ok) {
            QVERIFY(d.HasTime);
            QCOMPARE(d.Hour, hour);
            QCOMPARE(d.Minute, minute);
        }
    }

    void years()
    {
        QCOMPARE(ExpandYear(0), 2000);
        QCOMPARE(ExpandYear(49), 2049);
        QCOMPARE(ExpandYear(50), 1950);
        QCOMPARE(ExpandYear(99), 1999);
        QCOMPARE(ExpandYear(105), 2005);
        QCOMPARE(ExpandYear(999), 2899);
        QCOMPARE(ExpandYear(1000), 1000);
        QCOMPARE(ExpandYear(2024), 2024);
        QCOMPARE(WrittenYear("05"sv), 2005);
        QCOMPARE(WrittenYear("2005"sv), 2005);
        QCOMPARE(WrittenYear(""sv), 0);
        QCOMPARE(WrittenYear("x5"sv), 0);
    }

    void inferListYear_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("year");
        const QDate jan5(2024, 1, 5);
        QTest::newRow("today") << jan5 << 1 << 5 << 2024;
        QTest::newRow("one day ahead") << jan5 << 1 << 6 << 2024;
        QTest::newRow("two days ahead") << jan5 << 1 << 7 << 2023;
        QTest::newRow("december") << jan5 << 12 << 31 << 2023;
        QTest::newRow("earlier this year") << QDate(2024, 6, 1) << 2 << 29 << 2024;
        // Every month counts 31 days: 31 Jan + 1 reaches 1 Feb.
        QTest::newRow("month boundary") << QDate(2024, 1, 31) << 2 << 1 << 2024;
        QTest::newRow("huge day") << jan5 << 1 << std::numeric_limits<int>::max() << 2023;
    }

    void inferListYear()
    {
        QFETCH(QDate, today);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, year);
        QCOMPARE(InferListYear(month, day, today), year);
    }

    void inferListYearUsesTheClock()
    {
        const QDate today = QDate::currentDate();
        QCOMPARE(ListToday(), today);
        QCOMPARE(InferListYear(today.month(), today.day()), today.year());
    }

    void unixTime_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("epoch") << qint64(0) << QDateTime(QDate(1970, 1, 1), QTime(0, 0));
        QTest::newRow("last minute of day one") << qint64(86399) << QDateTime(QDate(1970, 1, 1), QTime(23, 59));
        QTest::newRow("eplf sample") << qint64(825718503) << QDateTime(QDate(1996, 3, 1), QTime(22, 15));
        QTest::newRow("leap day") << qint64(951782400) << QDateTime(QDate(2000, 2, 29), QTime(0, 0));
        QTest::newRow("before 1970") << qint64(-1) << QDateTime(QDate(1969, 12, 31), QTime(23, 59));
    }

    void unixTime()
    {
        QFETCH(qint64, seconds);
        QFETCH(QDateTime, expected);
        TListDate d;
        SplitUnixTime(seconds, d);
        QVERIFY(d.HasDate && d.HasTime);
        QCOMPARE(QDateTime(QDate(d.Year, d.Month, d.Day), QTime(d.Hour, d.Minute)), expected);
        const QDateTime utc = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
        const double days = QDate(1899, 12, 30).daysTo(utc.date()) + utc.time().msecsSinceStartOfDay() / 86400000.0;
        QVERIFY(qAbs(UnixTimeToDateTime(seconds) - days) < 1e-9);
    }

    void unixTimeAtTheEndOfTheRange()
    {
        TListDate d;
        SplitUnixTime(std::numeric_limits<qint64>::max(), d);
        QCOMPARE(d.Year, std::numeric_limits<int>::max());  // clamped, later dropped
        QVERIFY(d.Month >= 1 && d.Month <= 12 && d.Day >= 1 && d.Day <= 31);
        double days = 0;
        QVERIFY(!EncodeListDate(d.Year, d.Month, d.Day, days));
    }

    void encodeListDate_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<bool>("exists");
        QTest::newRow("epoch") << 1899 << 12 << 30 << true;
        QTest::newRow("ordinary") << 2005 << 1 << 31 << true;
        QTest::newRow("leap day") << 2024 << 2 << 29 << true;
        QTest::newRow("2000 is leap") << 2000 << 2 << 29 << true;
        QTest::newRow("1900 is not leap") << 1900 << 2 << 29 << false;
        QTest::newRow("feb 30") << 2024 << 2 << 30 << false;
        QTest::newRow("april 31") << 2024 << 4 << 31 << false;
        QTest::newRow("year 1") << 1 << 1 << 1 << true;
        QTest::newRow("year 0") << 0 << 1 << 1 << false;
        QTest::newRow("year 10000") << 10000 << 1 << 1 << false;
        QTest::newRow("month 0") << 2005 << 0 << 1 << false;
        QTest::newRow("day 0") << 2005 << 1 << 0 << false;
    }

    void encodeListDate()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(bool, exists);
        double days = -7;
        QCOMPARE(EncodeListDate(year, month, day, days), exists);
        if (exists)
            QCOMPARE(days, double(QDate(1899, 12, 30).daysTo(QDate(year, month, day))));
    }
};

QTEST_GUILESS_MAIN(TestListDates)
#include "tst_listdates.moc"
