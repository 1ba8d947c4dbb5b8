#include "listtokens.h"

#include <limits>

namespace {
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
}  // namespace

std::optional<TListSlice> NextListToken(const char *line, qsizetype len, qsizetype &pos,
                                        bool restOfLine)
{
    while (pos < len && IsBlank(line[pos]))
        ++pos;
    if (pos >= len)
        return std::nullopt;
    const qsizetype start = pos;
    if (restOfLine) {
        pos = len;
    } else {
        while (pos < len && !IsBlank(line[pos]))
            ++pos;
    }
    return ListSlice(line + start, pos - start);
}

bool IsAllDigits(TListSlice s)
{
    for (const char c : s) {
        if (!IsListDigit(c))
            return false;
    }
    return true;
}

qint64 ListNumber(TListSlice s)
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (const char c : s) {
        if (c == '.' || c == ',')
            continue;
        if (!IsListDigit(c))
            break;
        const int digit = c - '0';
        if (value > (kMax - digit) / 10)
            return kMax;
        value = value * 10 + digit;
    }
    return value;
}

int ListInt(TListSlice s)
{
    const qint64 v = ListNumber(s);
    return v > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : int(v);
}

qsizetype FindCharN(TListSlice s, char c)
{
    const auto at = s.find(c);
    return at == TListSlice::npos ? -1 : qsizetype(at);
}

qsizetype FindStrN(TListSlice s, TListSlice text)
{
    const auto at = s.find(text);
    return at == TListSlice::npos ? -1 : qsizetype(at);
}
