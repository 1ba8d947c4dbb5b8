#pragma once
#include <QtCore/QBuffer>
#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The fuzzer's bytes as a device to read from.
inline QByteArray FuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

template <class Write>
QByteArray WrittenBytes(Write write)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!write(buffer))
        std::abort();
    return buffer.data();
}

// With TARNEL_FUZZ_SEEDS set, the fuzzer first writes a valid file there to start from.
inline void WriteSeed(const char *name, const QByteArray &bytes)
{
    const QByteArray folder = qgetenv("TARNEL_FUZZ_SEEDS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(folder));
    QFile file(QString::fromLocal8Bit(folder) + u'/' + QString::fromLatin1(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
}

// Whatever was read, written and read again must come out the same: a fixed point.
inline void CheckFixedPoint(const QByteArray &first, const QByteArray &second)
{
    if (first != second) {
        std::fprintf(stderr, "write(read(x)) is not a fixed point\n");
        std::abort();
    }
}
