#include "recordstream.h"

#include <QtCore/QtEndian>

#include <cstring>

void TRecordWriter::WriteBytes(const char *data, qint64 size)
{
    if (size > 0 && m_device.write(data, size) != size)
        m_failed = true;
}

void TRecordWriter::WriteByte(quint8 value)
{
    WriteBytes(reinterpret_cast<const char *>(&value), 1);
}

void TRecordWriter::WriteWord(quint16 value)
{
    const quint16 le = qToLittleEndian(value);
    WriteBytes(reinterpret_cast<const char *>(&le), sizeof le);
}

void TRecordWriter::WriteInt32(qint32 value)
{
    WriteUInt32(quint32(value));
}

void TRecordWriter::WriteUInt32(quint32 value)
{
    const quint32 le = qToLittleEndian(value);
    WriteBytes(reinterpret_cast<const char *>(&le), sizeof le);
}

void TRecordWriter::WriteInt64(qint64 value)
{
    const qint64 le = qToLittleEndian(value);
    WriteBytes(reinterpret_cast<const char *>(&le), sizeof le);
}

void TRecordWriter::WriteDouble(double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteInt64(qint64(bits));
}

void TRecordWriter::WriteRaw8(const char bytes[8])
{
    WriteBytes(bytes, 8);
}

void TRecordWriter::WriteString(const QByteArray &text)
{
    const quint16 length = quint16(text.size() & 0xFFFF);
    WriteWord(length);
    WriteBytes(text.constData(), length);
}

void TRecordReader::ReadBytes(char *data, qint64 size)
{
    const qint64 got = m_failed ? 0 : m_device.read(data, size);
    if (got != size) {
        m_failed = true;
        std::memset(data + std::max<qint64>(got, 0), 0, size_t(size - std::max<qint64>(got, 0)));
    }
}

quint8 TRecordReader::ReadByte()
{
    char c;
    ReadBytes(&c, 1);
    return quint8(c);
}

quint16 TRecordReader::ReadWord()
{
    char b[2];
    ReadBytes(b, 2);
    return qFromLittleEndian<quint16>(b);
}

qint32 TRecordReader::ReadInt32()
{
    return qint32(ReadUInt32());
}

quint32 TRecordReader::ReadUInt32()
{
    char b[4];
    ReadBytes(b, 4);
    return qFromLittleEndian<quint32>(b);
}

qint64 TRecordReader::ReadInt64()
{
    char b[8];
    ReadBytes(b, 8);
    return qFromLittleEndian<qint64>(b);
}

double TRecordReader::ReadDouble()
{
    const quint64 bits = quint64(ReadInt64());
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray TRecordReader::ReadString()
{
    const quint16 length = ReadWord();
    if (m_failed)
        return {};
    // The word caps a string at 64 KiB, so a hostile length cannot make this allocate much.
    QByteArray text = m_device.read(length);
    if (text.size() != length)
        m_failed = true;
    return text;
}
