// The tarnel program as a process: "/u" in any case ends at once, and a second start in the
// same profile hands over to the running one and ends.
#include "ttempprofile.h"

#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtTest/QTest>

namespace {
void Prepare(QProcess &p)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setProgram(QStringLiteral(TARNEL_BINARY));
}
}  // namespace

class TstProgram : public QObject {
    Q_OBJECT

private slots:
    void uEndsAtOnce_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::newRow("lower") << QStringLiteral("/u");
        QTest::newRow("upper") << QStringLiteral("/U");
    }

    void uEndsAtOnce()
    {
        QFETCH(QString, argument);
        TTempProfile profile;
        QProcess p;
        Prepare(p);
        p.setArguments({argument});
        p.start();
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(profile.FilePath(QStringLiteral("Tarnel.ini"))));  // no window was made
    }

    void secondInstanceEnds()
    {
        TTempProfile profile;
        QProcess first;
        Prepare(first);
        first.start();
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(profile.FilePath(QStringLiteral("Tarnel.ini"))), 20000);

        QProcess second;
        Prepare(second);
        second.start();
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(20000));
    }
};

QTEST_GUILESS_MAIN(TstProgram)
#include "tst_program.moc"
