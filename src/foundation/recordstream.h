#pragma once
#include <QtCore/QByteArray>
#include <QtCore/QIODevice>
#include <QtCore/QString>

// The little-endian record primitives of every binary file of the program.
// Both classes keep a sticky failure flag: a short read or write sets it, later
// operations still run (a read past the end gives 0 or an empty string), and the
// caller checks Failed() once, where the file format says what a truncation means.

class TRecordWriter {
public:
    explicit TRecordWriter(QIODevice &device) : m_device(device) {}

    void WriteByte(quint8 value);
    void WriteWord(quint16 value);
    void WriteInt32(qint32 value);
    void WriteUInt32(quint32 value);
    void WriteInt64(qint64 value);
    void WriteDouble(double value);
    void WriteRaw8(const char bytes[8]);
    // The length word holds the length mod 65536 and exactly that many bytes follow.
    void WriteString(const QByteArray &text);
    // Text of the user interface, stored in the system code page (UTF-8 here).
    void WriteText(const QString &text) { WriteString(text.toUtf8()); }

    bool Failed() const { return m_failed; }

private:
    void WriteBytes(const char *data, qint64 size);

    QIODevice &m_device;
    bool m_failed = false;
};

class TRecordReader {
public:
    explicit TRecordReader(QIODevice &device) : m_device(device) {}

    quint8 ReadByte();
    quint16 ReadWord();
    qint32 ReadInt32();
    quint32 ReadUInt32();
    qint64 ReadInt64();
    double ReadDouble();
    QByteArray ReadString();
    QString ReadText() { return QString::fromUtf8(ReadString()); }

    bool Failed() const { return m_failed; }
    bool AtEnd() const { return m_device.atEnd(); }

private:
    // Fills `size` bytes, zero-filled past the end of the stream.
    void ReadBytes(char *data, qint64 size);

    QIODevice &m_device;
    bool m_failed = false;
};
