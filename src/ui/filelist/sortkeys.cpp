#include "sortkeys.h"

#include <cstdio>

namespace {
int Sign(qint64 v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

int Cmp(qint64 a, qint64 b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

// The byte sum of the permission text, A-Z folded to lower case.
qint64 AttributeSum(const QString &text)
{
    qint64 sum = 0;
    for (const char c : text.toUtf8())
        sum += static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    return sum;
}

// The packed date as an unsigned number, so dates from 2044 on (sign bit set) still sort after
// the older ones and a folder's date key cannot overflow.
qint64 DateKey(const TScanItem &item)
{
    return static_cast<quint32>(item.FileDate);
}
}  // namespace

qint64 SortKey(const TScanItem &item, int kind, bool remote)
{
    if (item.Name == QLatin1String(".."))
        return ParentKey;
    if (item.IsDir) {
        switch (kind) {
        case ckName:
        case ckSize:
            return -1;
        case ckDate:
            return DateKey(item) + FolderDateBase;
        case ckFlags:
            return remote ? -1 : 0;
        default:
            return 0;
        }
    }
    switch (kind) {
    case ckName:
        return 1;
    case ckSize:
        return item.Size;
    case ckDate:
        return DateKey(item);
    case ckFlags:
        return remote ? 1 + AttributeSum(item.Attributes) : 0;
    default:
        return 0;
    }
}

int CompareNames(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const QChar *pa = a.constData();
    const QChar *pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t ca = pa[i].unicode();
        char16_t cb = pb[i].unicode();
        if (ca >= u'A' && ca <= u'Z')
            ca += u'a' - u'A';
        if (cb >= u'A' && cb <= u'Z')
            cb += u'a' - u'A';
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return Cmp(a.size(), b.size());
}

int CompareRows(qint64 keyA, const QString &nameA, qint64 keyB, const QString &nameB, bool descending)
{
    if (descending) {
        if (keyA == ParentKey && keyB != ParentKey)
            return -1;
        if (keyB == ParentKey && keyA != ParentKey)
            return 1;
    }
    int r = Cmp(Sign(keyA), Sign(keyB));
    if (r == 0)
        r = Cmp(keyA, keyB);
    if (r == 0)
        r = CompareNames(nameA, nameB);
    return descending ? -r : r;
}

qint32 PackDosDateTime(const QDate &date, const QTime &time)
{
    if (!date.isValid() || date.year() < 1980 || date.year() > 2107)
        return 0;
    const QTime t = time.isValid() ? time : QTime(0, 0);
    const quint32 d = quint32(date.year() - 1980) << 9 | quint32(date.month()) << 5 | quint32(date.day());
    const quint32 tm = quint32(t.hour()) << 11 | quint32(t.minute()) << 5 | quint32(t.second() / 2);
    return static_cast<qint32>(d << 16 | tm);
}

QString DateTimeText(const QDate &date, const QTime &time, bool twelveHour)
{
    char buf[24];
    int hour = time.hour();
    if (twelveHour) {
        hour %= 12;
        if (hour == 0)
            hour = 12;
    }
    const int n = std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d%s", date.year(), date.month(), date.day(), hour,
                                time.minute(), twelveHour ? (time.hour() < 12 ? " AM" : " PM") : "");
    return QString::fromLatin1(buf, n);
}

QString CombinePath(const QString &path, const QString &name, QChar delimiter)
{
    QString result = path;
    while (result.endsWith(delimiter))
        result.chop(1);
    if (name != QLatin1String("..")) {
        result += delimiter;
        result += name;
    } else {
        const qsizetype cut = result.lastIndexOf(delimiter);
        result = cut < 0 ? QString() : result.left(cut);
    }
    if (result.isEmpty() && path.startsWith(delimiter))
        result = delimiter;
    return result;
}
