#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>
#include <QtTest/QTest>

namespace {

struct TRun {
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};

TRun RunCli(const QStringList &args, const QByteArray &input = QByteArray())
{
    QProcess p;
    p.start(QStringLiteral(TARNEL_CLI_PATH), args);
    TRun run;
    if (!p.waitForStarted(10000))
        return run;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.Out = p.readAllStandardOutput();
    run.Err = p.readAllStandardError();
    return run;
}

QList<QJsonObject> JsonLines(const QByteArray &out)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            return {};
        objects << doc.object();
    }
    return objects;
}

}  // namespace

class TestParseListing : public QObject {
    Q_OBJECT

private slots:
    void oneObjectPerLine()
    {
        const QByteArray input =
            "total 8\r\n"
            "-rw-r--r-- 1 user group 1234 Jan 31 12:00 \"quoted\\name\".txt\r\n"
            "\r\n"
            "01-31-05  02:30PM       <DIR>          Docs\n"
            "drwxr-xr-x 2 u g 4096 Jan 31 12:00 .\n"
            "+m825718503,\tno size\n"
            "-rw-r--r-- 1 u g 10 Feb 30 12:00 only time\n"
            "-rw-r--r-- 1 u g 10 Jan 31 2005 caf\xE9";  // no final newline; not UTF-8
        const TRun run = RunCli({QStringLiteral("parse-listing"), QStringLiteral("--today"),
                                 QStringLiteral("2024-03-10")},
                                input);
        QCOMPARE(run.ExitCode, 0);
        QVERIFY2(run.Out.endsWith('\n'), run.Out.constData());
        const QList<QJsonObject> lines = JsonLines(run.Out);
        QCOMPARE(lines.size(), 8);

        const QStringList keys{QStringLiteral("ok"), QStringLiteral("name"), QStringLiteral("size"),
                               QStringLiteral("dir"), QStringLiteral("link"), QStringLiteral("attributes"),
                               QStringLiteral("owner"), QStringLiteral("date"), QStringLiteral("time")};
        for (const QJsonObject &o : lines) {
            QStringList got = o.keys();
            got.sort();
            QStringList want = keys;
            want.sort();
            QCOMPARE(got, want);
        }

        QCOMPARE(lines[0][u"ok"].toBool(), false);
        QVERIFY(lines[0][u"date"].isNull() && lines[0][u"time"].isNull());
        QCOMPARE(lines[0][u"size"].toInteger(), -1);

        const QJsonObject &unix = lines[1];
        QCOMPARE(unix[u"ok"].toBool(), true);
        QCOMPARE(unix[u"name"].toString(), QStringLiteral("\"quoted\\name\".txt"));  // CR removed
        QCOMPARE(unix[u"size"].toInteger(), 1234);
        QCOMPARE(unix[u"owner"].toString(), QStringLiteral("user group"));
        QCOMPARE(unix[u"attributes"].toString(), QStringLiteral("-rw-r--r--"));
        QCOMPARE(unix[u"date"].toString(), QStringLiteral("2024-01-31"));
        QCOMPARE(unix[u"time"].toString(), QStringLiteral("12:00"));

        QCOMPARE(lines[2][u"ok"].toBool(), false);  // the empty line

        const QJsonObject &dos = lines[3];
        QCOMPARE(dos[u"dir"].toBool(), true);
        QCOMPARE(dos[u"size"].toInteger(), -1);
        QCOMPARE(dos[u"date"].toString(), QStringLiteral("2005-01-31"));
        QCOMPARE(dos[u"time"].toString(), QStringLiteral("14:30"));

        QCOMPARE(lines[4][u"ok"].toBool(), false);
        QCOMPARE(lines[4][u"name"].toString(), QStringLiteral("."));

        QCOMPARE(lines[5][u"size"].toInteger(), -2);
        QCOMPARE(lines[5][u"name"].toString(), QStringLiteral("no size"));
        QCOMPARE(lines[5][u"time"].toString(), QStringLiteral("22:15"));

        QCOMPARE(lines[6][u"date"].toString(), QStringLiteral("1899-12-30"));  // a time without a date
        QCOMPARE(lines[6][u"time"].toString(), QStringLiteral("12:00"));

        QCOMPARE(lines[7][u"name"].toString(), QStringLiteral("caf\u00e9"));
        QCOMPARE(lines[7][u"time"].toString(), QStringLiteral("00:00"));
    }

    void utf8NamesPassThrough()
    {
        const TRun run = RunCli({QStringLiteral("parse-listing")},
                                QByteArray("-rw-r--r-- 1 u g 1 Jan 31 2005 \xE6\x96\x87\xE4\xBB\xB6\t.txt\n"));
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Out.contains("\xE6\x96\x87\xE4\xBB\xB6\\u0009.txt"));
        const QList<QJsonObject> lines = JsonLines(run.Out);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0][u"name"].toString(), QString::fromUtf8("文件\t.txt"));
    }

    void emptyInputGivesNoOutput()
    {
        const TRun run = RunCli({QStringLiteral("parse-listing")});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(run.Out, QByteArray());
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("parse-listing"), QStringLiteral("--bogus")};
        QTest::newRow("bad today") << QStringList{QStringLiteral("parse-listing"), QStringLiteral("--today"),
                                                  QStringLiteral("2024-02-30")};
        QTest::newRow("extra argument") << QStringList{QStringLiteral("parse-listing"), QStringLiteral("file")};
        QTest::newRow("unknown command") << QStringList{QStringLiteral("parse-everything")};
        QTest::newRow("no command") << QStringList{};
    }

    void usageErrors()
    {
        QFETCH(QStringList, args);
        const TRun run = RunCli(args);
        QCOMPARE(run.ExitCode, 2);
        QVERIFY(!run.Err.isEmpty());
        QVERIFY(run.Out.isEmpty());
    }

    void helpListsTheCommand()
    {
        const TRun run = RunCli({QStringLiteral("--help")});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Out.contains("parse-listing"));
        const TRun sub = RunCli({QStringLiteral("parse-listing"), QStringLiteral("--help")});
        QCOMPARE(sub.ExitCode, 0);
        QVERIFY(sub.Out.contains("--today"));
    }
};

QTEST_GUILESS_MAIN(TestParseListing)
#include "tst_parselisting.moc"
