// The single-instance rule over a local socket and the choice of sound per event row.
#include "tsingleinstance.h"
#include "tsoundplayer.h"

#include <QtCore/QUuid>
#include <QtNetwork/QLocalServer>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>

class TstPlatform : public QObject {
    Q_OBJECT

private slots:
    void secondInstanceRestoresTheFirst()
    {
        const QString name = QStringLiteral("tarnel-test-") + QUuid::createUuid().toString(QUuid::Id128);
        TSingleInstance first(name);
        QVERIFY(first.Claim());
        QSignalSpy restored(&first, &TSingleInstance::RestoreRequested);

        TSingleInstance second(name);
        QVERIFY(!second.Claim());
        QVERIFY(second.SendRestore());
        QTRY_COMPARE(restored.count(), 1);
    }

    void deadInstanceIsTakenOver()
    {
        const QString name = QStringLiteral("tarnel-test-") + QUuid::createUuid().toString(QUuid::Id128);
        {
            TSingleInstance gone(name);
            QVERIFY(gone.Claim());
        }  // its socket no longer answers
        TSingleInstance next(name);
        QVERIFY(next.Claim());
        TSingleInstance nobody(QStringLiteral("tarnel-test-") + QUuid::createUuid().toString(QUuid::Id128));
        QVERIFY(!nobody.SendRestore(200));
    }

    void serverNameDependsOnProfile()
    {
        QCOMPARE(TSingleInstance::ServerName(QStringLiteral("/a/b/")), TSingleInstance::ServerName(QStringLiteral("/a/b")));
        QVERIFY(TSingleInstance::ServerName(QStringLiteral("/a/b")) != TSingleInstance::ServerName(QStringLiteral("/a/c")));
    }

    void soundOfEventRow_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("system");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("started");
        QTest::addColumn<QString>("played");
        QTest::newRow("no sound") << 0 << 2 << QStringLiteral("/a.wav") << false << QString();
        QTest::newRow("asterisk") << 1 << 1 << QString() << true << QStringLiteral("system:1");
        QTest::newRow("unknown system is default") << 1 << 7 << QString() << true << QStringLiteral("system:0");
        QTest::newRow("file") << 2 << 0 << QStringLiteral("/a.wav") << true << QStringLiteral("file:/a.wav");
        QTest::newRow("file without name") << 2 << 0 << QString() << false << QString();
    }

    void soundOfEventRow()
    {
        QFETCH(int, type);
        QFETCH(int, system);
        QFETCH(QString, file);
        TRecordingSoundPlayer player;
        TSoundEvent row;
        row.Type = type;
        row.System = system;
        row.Filename = file;
        QTEST(PlaySoundEvent(player, row), "started");
        QFETCH(QString, played);
        QCOMPARE(player.Played.join(QLatin1Char(',')), played);
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
