#include "helpers.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QLocale>

#include <algorithm>

QString IncludeTrailingChar(const QString &text, QChar ch)
{
    return text.endsWith(ch) ? text : text + ch;
}

QString ExcludeTrailingChar(const QString &text, QChar ch)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == ch)
        --end;
    return text.left(end);
}

QChar SystemThousandsSeparator()
{
    const QString separator = QLocale::system().groupSeparator();
    return separator.isEmpty() ? QChar(u',') : separator[0];
}

QString InsertThousands(const QString &digits, QChar separator)
{
    const bool negative = digits.startsWith(u'-');
    const QString body = negative ? digits.mid(1) : digits;
    QString grouped;
    grouped.reserve(body.size() + body.size() / 3 + 1);
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (i > 0 && (body.size() - i) % 3 == 0)
            grouped.append(separator);
        grouped.append(body[i]);
    }
    return negative ? u'-' + grouped : grouped;
}

QString FormatSize(int unit, qint64 size, QChar separator)
{
    static const char *const suffixes[] = {"", " KB", " MB", " GB"};
    // Work on the magnitude so that rounding behaves the same for negative sizes.
    const bool negative = size < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(size) : quint64(size);
    quint64 value;
    int divisions;
    if (unit >= 0) {
        divisions = std::min(unit, 3);
        const quint64 divisor = quint64(1) << (10 * divisions);
        value = magnitude / divisor;
        if (divisions == 1 && magnitude % divisor != 0)
            ++value;
    } else {
        divisions = 0;
        value = magnitude;
        while (value > 1024 && divisions < 3) {
            value /= 1024;
            ++divisions;
        }
        const quint64 divisor = quint64(1) << (10 * divisions);
        if (magnitude % divisor > divisor / 2)
            ++value;
    }
    const QString digits = (negative && value != 0 ? QStringLiteral("-") : QString()) + QString::number(value);
    return InsertThousands(digits, separator) + QString::fromLatin1(suffixes[divisions]);
}

namespace {
QString NormaliseBlanks(const QString &text, bool collapse)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == u' ') {
            if (!collapse || out.endsWith(u' '))
                continue;
        }
        out.append(c);
    }
    return out;
}
}  // namespace

bool ExtInList(const QString &ext, const QString &list, QChar sep)
{
    const bool collapse = sep == u' ';
    QString wanted = NormaliseBlanks(ext, collapse);
    while (wanted.startsWith(u'.'))
        wanted.remove(0, 1);
    if (wanted.isEmpty())
        return false;
    const QStringList entries = NormaliseBlanks(list, collapse).split(sep);
    return std::any_of(entries.begin(), entries.end(), [&](const QString &entry) {
        return entry.compare(wanted, Qt::CaseInsensitive) == 0;
    });
}

namespace {
// Deleting needs write access to the folder; the entry's own bits are cleared as well.
void MakeWritable(const QFileInfo &info)
{
    QFileDevice::Permissions wanted = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (info.isDir())
        wanted |= QFileDevice::ExeOwner;
    QFile::setPermissions(info.filePath(), info.permissions() | wanted);
}
}  // namespace

bool DeleteFolder(const QString &path, bool recursive)
{
    MakeWritable(QFileInfo(path));
    bool failed = false;
    const auto entries =
        QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &info : entries) {
        // A link is removed like a file, never followed out of the folder.
        const bool isFolder = info.isDir() && !info.isSymLink();
        if (!info.isSymLink())
            MakeWritable(info);
        if (failed)
            continue;
        if (isFolder) {
            if (recursive && !info.fileName().startsWith(u'.') && !DeleteFolder(info.filePath(), true))
                failed = true;
        } else if (!QFile::remove(info.filePath())) {
            failed = true;
        }
    }
    const bool removed = QDir().rmdir(path);
    return !failed && removed;
}

QString TagText(const QString &text, qint64 owner)
{
    return text.isEmpty() ? text : text + QStringLiteral("\\\\") + QString::number(owner);
}

QString UntagHint(const QString &hint, qint64 owner)
{
    const qsizetype mark = hint.lastIndexOf(QStringLiteral("\\\\"));
    if (mark < 0)
        return {};
    bool ok = false;
    const qint64 tagged = hint.mid(mark + 2).toLongLong(&ok);
    return ok && tagged == owner ? hint.left(mark) : QString();
}

const QList<TProxyNames> &ProxyNames()
{
    static const QList<TProxyNames> names = {
        {true, 0, QStringLiteral("无")},
        {true, 1, QStringLiteral("USER after logon")},
        {true, 2, QStringLiteral("SITE hostname")},
        {true, 3, QStringLiteral("Proxy OPEN")},
        {true, 4, QStringLiteral("Transparent")},
        {true, 5, QStringLiteral("USER RemoteId@RemoteHost")},
        {true, 6, QStringLiteral("USER FirewallId@RemoteHost")},
        {true, 7, QStringLiteral("USER RemoteId@FirewallId@RemoteHost")},
        {true, 8, QStringLiteral("USER RemoteId@RemoteHost FirewallId")},
        {false, 9, QStringLiteral("Http 代理")},
        {false, 10, QStringLiteral("自定义代理")},
    };
    return names;
}

void FillProxyTypes(TProxyTypeList &list)
{
    list.clear();
    for (const TProxyNames &row : ProxyNames())
        if (row.Offered)
            list.append({row.Name, row.Number});
}
