// The message log pane (prefixes, colours, the tab stop, one line per message) and the
// connection log file (name, time stamp, switches, a folder that is missing or unwritable).
#include "tlogfile.h"
#include "tmessagelog.h"
#include "ttempprofile.h"
#include "uistyle.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtGui/QTextBlock>
#include <QtGui/QTextDocument>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>

namespace {
QColor ColorOfBlock(const QTextBlock &block)
{
    return block.begin().fragment().charFormat().foreground().color();
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

class TstMessageLog : public QObject {
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isError");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QColor>("color");
        QTest::newRow("reply") << QStringLiteral("<\t 220 ready") << false << QStringLiteral("<\t 220 ready")
                               << QColor(0, 0x80, 0);
        QTest::newRow("error reply") << QStringLiteral("<\t 550 no") << true << QStringLiteral("<\t 550 no")
                                     << QColor(0x80, 0, 0);
        QTest::newRow("command") << QStringLiteral("cmd\t USER u") << false << QStringLiteral("cmd\t USER u")
                                 << QColor(0, 0, 0xFF);
        QTest::newRow("error") << QStringLiteral("!\t lost") << false << QStringLiteral("!\t lost")
                               << QColor(0xFF, 0, 0);
        QTest::newRow("line breaks") << QStringLiteral("~\t a\r\nb\nc\rd") << false << QStringLiteral("~\t abcd")
                                     << QColor(0, 0, 0);
        QTest::newRow("prefix case-blind") << QStringLiteral("CMD\t x") << false << QStringLiteral("CMD\t x")
                                           << QColor(0, 0, 0xFF);
    }

    void lines()
    {
        QFETCH(QString, text);
        QFETCH(bool, isError);
        TMessageLog log;
        TDisplaySettings display;
        display.LogCommandText = QStringLiteral("cmd\t");
        log.ApplyDisplaySettings(display);
        log.AddLogLine(text, isError);
        QCOMPARE(log.document()->blockCount(), 1);
        QTEST(log.document()->firstBlock().text(), "shown");
        QTEST(ColorOfBlock(log.document()->firstBlock()), "color");
    }

    void unmatchedPrefixKeepsColourAndNoTabAddsNothing()
    {
        TMessageLog log;
        log.ApplyDisplaySettings(TDisplaySettings());
        log.AddLogLine(QStringLiteral("!\t first"), false);
        log.AddLogLine(QStringLiteral("no tab here"), false);
        log.AddLogLine(QStringLiteral("?\t other"), false);
        QCOMPARE(log.document()->blockCount(), 2);
        QCOMPARE(ColorOfBlock(log.document()->lastBlock()), QColor(0xFF, 0, 0));
        QCOMPARE(log.toPlainText(), QStringLiteral("!\t first\n?\t other"));
    }

    void oneTabStopAfterTheWidestPrefix()
    {
        TMessageLog log;
        TDisplaySettings display;
        display.LogErrorText = QStringLiteral("ERROR:\t");
        log.ApplyDisplaySettings(display);
        const auto tabs = log.document()->defaultTextOption().tabs();
        QCOMPARE(tabs.size(), 1);
        const QFontMetricsF metrics(log.font(), &log);
        QVERIFY(tabs.first().position >= metrics.horizontalAdvance(QStringLiteral("ERROR:")));
        log.AddLogLine(QStringLiteral("~\t a"), false);
        log.ApplyDisplaySettings(display);  // changing the look empties the pane
        QVERIFY(log.document()->isEmpty());
    }

    void logFileNameAndTimeStamp_data()
    {
        QTest::addColumn<int>("logType");
        QTest::addColumn<int>("timeStamp");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        const QByteArray am = QLocale::system().amText().toUtf8();
        QTest::newRow("daily, stamped") << 0 << 1 << QStringLiteral("连接日志 2005-03-7.log")
                                        << QByteArray("2005/03/07 09:05:01 " + am + " - 连接开始。\r\n2005/03/07 09:05:01 " +
                                                      am + " - 220 hi\r\n");
        QTest::newRow("monthly, plain") << 1 << 0 << QStringLiteral("连接日志 2005-03.log")
                                        << QByteArray("连接开始。\r\n220 hi\r\n");
    }

    void logFileNameAndTimeStamp()
    {
        QFETCH(int, logType);
        QFETCH(int, timeStamp);
        TTempProfile profile;
        TOptions options;
        options.LogFolder = profile.Path() + QStringLiteral("/Logs");  // missing: created
        options.LogType = logType;
        options.LogTimeStamp = timeStamp;
        TLogFile log;
        log.SetOptions(options);
        log.SetClock([] { return QDateTime(QDate(2005, 3, 7), QTime(9, 5, 1)); });
        log.Write(QStringLiteral("220 hi"));  // opens first
        QFETCH(QString, name);
        QCOMPARE(QFileInfo(log.FileName()).fileName(), name);
        QTEST(ReadAll(log.FileName()), "content");
    }

    void afternoonStampAndClosingLines()
    {
        const QString stamp = TLogFile::TimeStamp(QDateTime(QDate(2005, 3, 7), QTime(12, 30, 0)));
        QCOMPARE(stamp, QStringLiteral("2005/03/07 12:30:00 ") + QLocale::system().pmText() + QStringLiteral(" - "));
        QCOMPARE(TLogFile::TimeStamp(QDateTime(QDate(2005, 3, 7), QTime(0, 1, 2))).mid(11, 8), QStringLiteral("12:01:02"));

        TTempProfile profile;
        TOptions options;
        options.LogFolder = profile.Path();
        options.LogTimeStamp = 0;
        TLogFile log;
        log.SetOptions(options);
        log.Open();
        log.Close();
        QCOMPARE(ReadAll(log.FileName()),
                 QByteArray("连接开始。\r\n连接结束。\r\n-------------------------------------\r\n"));
    }

    void disabledWritesNothing()
    {
        TTempProfile profile;
        TOptions options;
        options.LogFolder = profile.Path() + QStringLiteral("/Logs");
        options.LogEnabled = 0;
        TLogFile log;
        log.SetOptions(options);
        log.Open();
        log.Write(QStringLiteral("x"));
        log.Close();
        QVERIFY(!QFileInfo::exists(options.LogFolder));
    }

    void unwritableFolderIsReportedOnce()
    {
        TTempProfile profile;
        QFile blocker(profile.FilePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TOptions options;
        options.LogFolder = blocker.fileName() + QStringLiteral("/Logs");  // below a plain file
        TLogFile log;
        log.SetOptions(options);
        QStringList reports;
        log.OnFailure = [&](const QString &message) { reports << message; };
        log.Open();
        log.Write(QStringLiteral("a"));
        log.Close();
        QCOMPARE(reports.size(), 1);
        QVERIFY(reports.first().startsWith(QStringLiteral("无法创建文件 ")));
    }

    void storedColours()
    {
        QPalette pal;
        QCOMPARE(StoredColor(0x00FF0000, pal), QColor(0, 0, 0xFF));
        QCOMPARE(StoredColor(qint32(0xFF000005), pal), pal.color(QPalette::Base));
        QCOMPARE(StoredColor(qint32(0xFF000008), pal), pal.color(QPalette::Text));
    }
};

QTEST_MAIN(TstMessageLog)
#include "tst_messagelog.moc"
