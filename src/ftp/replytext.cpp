#include "replytext.h"

#include <QtCore/QList>

#include <limits>

namespace {
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <typename T>
T ReadNumber(const QByteArray &text, qsizetype &pos)
{
    const qsizetype n = text.size();
    while (pos < n && IsSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < n && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    constexpr T max = std::numeric_limits<T>::max();
    T value = 0;
    while (pos < n && IsDigit(text[pos])) {
        const T digit = T(text[pos] - '0');
        value = value > (max - digit) / 10 ? max : value * 10 + digit;
        ++pos;
    }
    return negative ? -value : value;
}
}  // namespace

qint64 ReadNumber64(const QByteArray &text, qsizetype &pos) { return ReadNumber<qint64>(text, pos); }
int ReadNumber32(const QByteArray &text, qsizetype &pos) { return ReadNumber<int>(text, pos); }

QByteArray ReadQuoted(const QByteArray &text, qsizetype &pos)
{
    const qsizetype n = text.size();
    while (pos < n && IsSpace(text[pos]))
        ++pos;
    QByteArray result;
    if (pos >= n || text[pos] != '"')
        return result;
    ++pos;
    while (pos < n && text[pos] != '\r' && text[pos] != '\n') {
        if (text[pos] == '"') {
            if (pos + 1 < n && text[pos + 1] == '"') {
                result += '"';
                pos += 2;
                continue;
            }
            ++pos;
            break;
        }
        result += text[pos++];
    }
    return result;
}

bool IsFinalReply(const QByteArray &line, int *code)
{
    if (line.isEmpty() || !IsDigit(line[0]))
        return false;
    qsizetype pos = 0;
    const int value = ReadNumber32(line, pos);
    if (pos < line.size() && line[pos] == '-')
        return false;
    if (code)
        *code = value;
    return true;
}

bool ParsePasvReply(const QByteArray &line, QByteArray *host, quint16 *port)
{
    const qsizetype open = line.indexOf('(');
    const qsizetype close = line.indexOf(')', open + 1);
    if (open < 0 || close < 0)
        return false;
    const QList<QByteArray> parts = line.mid(open + 1, close - open - 1).split(',');
    if (parts.size() != 6)
        return false;
    int v[6];
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || v[i] < 0 || v[i] > 255)
            return false;
    }
    if (host)
        *host = QByteArray::number(v[0]) + '.' + QByteArray::number(v[1]) + '.' +
                QByteArray::number(v[2]) + '.' + QByteArray::number(v[3]);
    if (port)
        *port = quint16(v[4] * 256 + v[5]);
    return true;
}
