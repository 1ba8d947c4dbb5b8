#include "recordstream.h"
#include "tcommandsequence.h"
#include "tmyfilestream.h"
#include "ttempprofile.h"

#include <QtCore/QBuffer>
#include <QtCore/QFile>
#include <QtTest/QTest>

class TestRecordStream : public QObject {
    Q_OBJECT

private slots:
    void commandSequenceGrowsAndShifts()
    {
        TCommandSequence seq;
        QCOMPARE(seq.Item(5), fcNone);
        QCOMPARE(seq.Count(), 6);

        TCommandSequence dir;
        dir.Append({fcDir});
        dir.Insert(0, {fcPwd});
        QCOMPARE(dir.Count(), 2);
        QCOMPARE(dir.Item(0), fcPwd);
        QCOMPARE(dir.Item(1), fcDir);

        dir.Append({fcCwd, fcQuit});
        dir.Delete(1, 2);
        QCOMPARE(dir.Count(), 2);
        QCOMPARE(dir.Item(1), fcQuit);
        dir.Delete(1, 100);  // a count past the end stops at the end
        QCOMPARE(dir.Count(), 1);
        dir.SetCount(0);
        QCOMPARE(dir.Count(), 0);
    }

    void primitivesWriteExactBytes_data()
    {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QByteArray>("expected");

        auto bytes = [](auto write) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            TRecordWriter w(buffer);
            write(w);
            return buffer.data();
        };
        QTest::newRow("empty string") << bytes([](TRecordWriter &w) { w.WriteString({}); })
                                      << QByteArray("\x00\x00", 2);
        QTest::newRow("word 261") << bytes([](TRecordWriter &w) { w.WriteWord(261); }) << QByteArray("\x05\x01");
        QTest::newRow("uint32") << bytes([](TRecordWriter &w) { w.WriteUInt32(0xBB4A41AB); })
                                << QByteArray("\xAB\x41\x4A\xBB");
        QTest::newRow("int32 -2") << bytes([](TRecordWriter &w) { w.WriteInt32(-2); }) << QByteArray("\xFE\xFF\xFF\xFF");
        QTest::newRow("int64") << bytes([](TRecordWriter &w) { w.WriteInt64(0x0102030405060708LL); })
                               << QByteArray("\x08\x07\x06\x05\x04\x03\x02\x01");
        QTest::newRow("double 1.0") << bytes([](TRecordWriter &w) { w.WriteDouble(1.0); })
                                    << QByteArray("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8);
        const QByteArray text300(300, 'x');
        QTest::newRow("string 300") << bytes([&](TRecordWriter &w) { w.WriteString(text300); })
                                    << QByteArray("\x2C\x01") + text300;
        // Past 65535 bytes only length mod 65536 bytes are written, so the file stays readable.
        const QByteArray text65537(65537, 'y');
        QTest::newRow("string 65537") << bytes([&](TRecordWriter &w) { w.WriteString(text65537); })
                                      << QByteArray("\x01\x00y", 3);
    }

    void primitivesWriteExactBytes()
    {
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, expected);
        QCOMPARE(written.toHex(' '), expected.toHex(' '));
    }

    void readsGiveBackWhatWasWritten()
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        TRecordWriter w(buffer);
        w.WriteByte(0xFE);
        w.WriteWord(0xFFFF);
        w.WriteInt32(-123456);
        w.WriteUInt32(4000000000u);
        w.WriteInt64(-5000000000LL);
        w.WriteDouble(45678.25);
        w.WriteString(QByteArray("\xC4\xE3\xBA\xC3 ftp"));
        QVERIFY(!w.Failed());

        buffer.seek(0);
        TRecordReader r(buffer);
        QCOMPARE(r.ReadByte(), quint8(0xFE));
        QCOMPARE(r.ReadWord(), quint16(0xFFFF));
        QCOMPARE(r.ReadInt32(), -123456);
        QCOMPARE(r.ReadUInt32(), 4000000000u);
        QCOMPARE(r.ReadInt64(), -5000000000LL);
        QCOMPARE(r.ReadDouble(), 45678.25);
        QCOMPARE(r.ReadString(), QByteArray("\xC4\xE3\xBA\xC3 ftp"));
        QVERIFY(!r.Failed());
        QVERIFY(r.AtEnd());
    }

    // Every cut of a record must read without crashing and be reported as a failure.
    void truncatedInputIsDetected()
    {
        QBuffer full;
        full.open(QIODevice::WriteOnly);
        TRecordWriter w(full);
        w.WriteInt32(7);
        w.WriteString("abcdef");
        w.WriteInt64(9);
        const QByteArray data = full.data();

        for (int cut = 0; cut < data.size(); ++cut) {
            QByteArray part = data.left(cut);
            QBuffer in(&part);
            in.open(QIODevice::ReadOnly);
            TRecordReader r(in);
            r.ReadInt32();
            const QByteArray s = r.ReadString();
            const qint64 last = r.ReadInt64();
            QVERIFY2(r.Failed(), qPrintable(QStringLiteral("cut at %1").arg(cut)));
            QVERIFY(s.size() <= 6);
            if (cut < data.size() - 7)
                QCOMPARE(last, qint64(0));
        }
    }

    void hostileStringLengthStaysSmall()
    {
        QByteArray data("\xFF\xFF" "abc");
        QBuffer in(&data);
        in.open(QIODevice::ReadOnly);
        TRecordReader r(in);
        QCOMPARE(r.ReadString(), QByteArray("abc"));
        QVERIFY(r.Failed());
        QCOMPARE(r.ReadWord(), quint16(0));
    }

    void fileStreamErrorsNameTheFile()
    {
        TTempProfile profile;
        const QString missing = profile.FilePath(QStringLiteral("missing.bin"));
        try {
            TMyFileStream s(missing, fmOpenRead);
            QFAIL("opening a missing file must throw");
        } catch (const EFOpenError &e) {
            QCOMPARE(e.Message(), QStringLiteral("无法打开文件 ") + missing);
        }
        const QString inMissingFolder = profile.FilePath(QStringLiteral("no/such/folder/x.bin"));
        try {
            TMyFileStream s(inMissingFolder, fmCreate);
            QFAIL("creating in a missing folder must throw");
        } catch (const EFCreateError &e) {
            QCOMPARE(e.Message(), QStringLiteral("无法创建文件 ") + inMissingFolder);
        }
    }

    void createdFileReplacesOldOnlyOnCommit()
    {
        TTempProfile profile;
        const QString name = profile.FilePath(QStringLiteral("data.bin"));
        auto save = [&](const QByteArray &text, bool commit) {
            TMyFileStream s(name, fmCreate, TMyFileStream::Access::Private);
            TRecordWriter w(s.Device());
            w.WriteString(text);
            return commit ? s.Commit() : false;
        };
        QVERIFY(save("first", true));
        save("second", false);  // dropped without commit: a crash mid-save

        TMyFileStream in(name, fmOpenRead);
        TRecordReader r(in.Device());
        QCOMPARE(r.ReadString(), QByteArray("first"));
        QCOMPARE(QFile::permissions(name) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    void shortWriteIsDetected()
    {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full on this machine");
        QFile full(QStringLiteral("/dev/full"));
        QVERIFY(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        TRecordWriter w(full);
        w.WriteString(QByteArray(100, 'z'));
        QVERIFY(w.Failed());
    }
};

QTEST_GUILESS_MAIN(TestRecordStream)
#include "tst_recordstream.moc"
