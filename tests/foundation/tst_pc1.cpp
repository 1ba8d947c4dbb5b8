#include "pc1.h"

#include <QtTest/QTest>

// Stored forms below were computed by a separate implementation written from the
// algorithm's description; files written elsewhere hold exactly these letters.
class TestPc1 : public QObject {
    Q_OBJECT

private slots:
    void knownStoredForms_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("password") << PasswordKey << QByteArray("secret")
                                  << QByteArray("KLIMPIDEBIGENFMECEGFALJINOPFAJCAABJHHNIIFDIGFLJF");
        QTest::newRow("one char") << PasswordKey << QByteArray("a")
                                  << QByteArray("LJKPENBLILPNPJMNBIMEBAMBBGELDCBLCGPDJBBDFLFFGJCN");
        QTest::newRow("26 chars, two blocks")
            << PasswordKey << QByteArray("0123456789abcdefghijklmnop")
            << QByteArray("OIAKKHAKCBIMGDOPJFLGNENIEBFHHKBAHDFEAEOBLOEANPEHIFBEDJLMIABNINEJKJOLPPONDKGHOFPJPGKNJHFMFEDDNPDP");
        QTest::newRow("queue key") << QueueKey << QByteArray("anonymous@")
                                   << QByteArray("ELDHEAOGGJNOFBBBHFDHANKPFCLBEFGIPPCHAIJELPDOPHIC");
        QTest::newRow("high byte") << PasswordKey << QByteArray("pass word\xFF")
                                   << QByteArray("KIOPINOBBPFEGCFPKLKDEDBINMMAAFLCJNJEJEOHAFPEEEIB");
    }

    void knownStoredForms()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, stored);
        QCOMPARE(Pc1Encrypt(key, plain), stored);
        QCOMPARE(Pc1Decrypt(key, stored), plain);
    }

    void storedLengthFollowsPadding_data()
    {
        QTest::addColumn<int>("plainLength");
        QTest::addColumn<int>("storedLength");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("1") << 1 << 48;
        QTest::newRow("24") << 24 << 48;
        QTest::newRow("25") << 25 << 96;
    }

    void storedLengthFollowsPadding()
    {
        QFETCH(int, plainLength);
        QFETCH(int, storedLength);
        const QByteArray stored = EncryptPassword(QByteArray(plainLength, 'p'));
        QCOMPARE(stored.size(), storedLength);
        for (char c : stored)
            QVERIFY(c >= 'A' && c <= 'P');
        QCOMPARE(DecryptPassword(stored), QByteArray(plainLength, 'p'));
    }

    void roundTripLosesOnlyOuterBlanks()
    {
        QCOMPARE(DecryptPassword(EncryptPassword("  in side \t")), QByteArray("in side"));
        QCOMPARE(EncryptPassword(QByteArray()), QByteArray());
        QCOMPARE(DecryptPassword(QByteArray()), QByteArray());
    }

    void keyMattersAndResultIsStable()
    {
        QCOMPARE(EncryptPassword("x"), EncryptPassword("x"));
        QVERIFY(Pc1Encrypt(QueueKey, "x") != Pc1Encrypt(PasswordKey, "x"));
    }

    void oddOrForeignStoredFormsDecodeWithoutFailing()
    {
        const QByteArray stored = EncryptPassword("secret");
        QCOMPARE(DecryptPassword(stored + 'Z'), QByteArray("secret"));
        // Letters outside A..P give some bytes, never a crash.
        QVERIFY(DecryptPassword("zz\x01\xFF!!").size() <= 3);
    }
};

QTEST_GUILESS_MAIN(TestPc1)
#include "tst_pc1.moc"
