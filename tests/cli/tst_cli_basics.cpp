#include <QtCore/QProcess>
#include <QtTest/QTest>

// Runs the built tarnel-cli as a user would.
class TestCliBasics : public QObject {
    Q_OBJECT

private slots:
    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stdoutHas");
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0 << QStringLiteral(TARNEL_VERSION);
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << QStringLiteral("Exit status");
        QTest::newRow("no command") << QStringList{} << 2 << QString();
        QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")} << 2 << QString();
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--no-such-option")} << 2 << QString();
    }

    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, stdoutHas);
        QProcess cli;
        cli.start(QStringLiteral(TARNEL_CLI_PATH), args);
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), exitCode);
        QVERIFY(QString::fromUtf8(cli.readAllStandardOutput()).contains(stdoutHas));
    }
};

QTEST_GUILESS_MAIN(TestCliBasics)
#include "tst_cli_basics.moc"
