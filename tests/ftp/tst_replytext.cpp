#include "replytext.h"

#include <QtTest/QTest>

class TestReplyText : public QObject {
    Q_OBJECT

private slots:
    void finalLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("final");
        QTest::addColumn<int>("code");
        QTest::newRow("plain") << QByteArray("220 ready") << true << 220;
        QTest::newRow("dash continues") << QByteArray("220-hello") << false << 0;
        QTest::newRow("code alone") << QByteArray("226") << true << 226;
        QTest::newRow("text line") << QByteArray(" 220 indented") << false << 0;
        QTest::newRow("empty") << QByteArray() << false << 0;
        QTest::newRow("digit then letters") << QByteArray("2xy") << true << 2;
        QTest::newRow("huge code saturates") << QByteArray("99999999999999999999 x") << true << INT_MAX;
    }
    void finalLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, final);
        QFETCH(int, code);
        int got = 0;
        QCOMPARE(IsFinalReply(line, &got), final);
        QCOMPARE(got, code);
    }

    void numbers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("second");
        QTest::newRow("12 digits") << QByteArray("213 123456789012") << qint64(123456789012);
        QTest::newRow("tabs and sign") << QByteArray("213\t +42") << qint64(42);
        QTest::newRow("negative") << QByteArray("213 -7") << qint64(-7);
        QTest::newRow("no number") << QByteArray("213 none") << qint64(0);
        QTest::newRow("overflow saturates") << QByteArray("213 99999999999999999999999")
                                            << std::numeric_limits<qint64>::max();
    }
    void numbers()
    {
        QFETCH(QByteArray, text);
        QFETCH(qint64, second);
        qsizetype pos = 0;
        QCOMPARE(ReadNumber32(text, pos), 213);
        QCOMPARE(ReadNumber64(text, pos), second);
    }

    void quoted_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("pwd") << QByteArray("257 \"/pub\" is current") << QByteArray("/pub");
        QTest::newRow("doubled quote") << QByteArray("257 \"/a\"\"b\" ok") << QByteArray("/a\"b");
        QTest::newRow("unterminated") << QByteArray("257 \"/open") << QByteArray("/open");
        QTest::newRow("no quote") << QByteArray("250 CWD ok") << QByteArray();
        QTest::newRow("empty quotes") << QByteArray("257 \"\"") << QByteArray();
    }
    void quoted()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, path);
        qsizetype pos = 0;
        ReadNumber32(line, pos);
        QCOMPARE(ReadQuoted(line, pos), path);
    }

    void pasv_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("usual") << QByteArray("227 Entering Passive Mode (127,0,0,1,19,137).") << true
                               << QByteArray("127.0.0.1") << 5001;
        QTest::newRow("blanks") << QByteArray("227 ok ( 10, 1, 2, 3, 0, 21 )") << true << QByteArray("10.1.2.3") << 21;
        QTest::newRow("no parentheses") << QByteArray("227 Entering Passive Mode 127,0,0,1,19,137") << false
                                        << QByteArray() << 0;
        QTest::newRow("five numbers") << QByteArray("227 (127,0,0,1,19)") << false << QByteArray() << 0;
        QTest::newRow("junk number") << QByteArray("227 (127,0,0,1,x,137)") << false << QByteArray() << 0;
        QTest::newRow("out of range") << QByteArray("227 (127,0,0,1,256,1)") << false << QByteArray() << 0;
    }
    void pasv()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, ok);
        QFETCH(QByteArray, host);
        QFETCH(int, port);
        QByteArray gotHost;
        quint16 gotPort = 0;
        QCOMPARE(ParsePasvReply(line, &gotHost, &gotPort), ok);
        if (ok) {
            QCOMPARE(gotHost, host);
            QCOMPARE(int(gotPort), port);
        }
    }
};

QTEST_GUILESS_MAIN(TestReplyText)
#include "tst_replytext.moc"
