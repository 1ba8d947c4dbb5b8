#pragma once
#include <QtCore/QList>
#include <QtCore/QPair>
#include <QtCore/QString>

// Small text and file helpers shared by every subsystem.

QString IncludeTrailingChar(const QString &text, QChar ch);
QString ExcludeTrailingChar(const QString &text, QChar ch);

QChar SystemThousandsSeparator();
// Groups the digits by three from the right; an optional leading "-" stays in front.
QString InsertThousands(const QString &digits, QChar separator = SystemThousandsSeparator());

// Unit 0..3 (higher counts as 3) fixes bytes, KB, MB or GB; a negative unit picks one.
QString FormatSize(int unit, qint64 size, QChar separator = SystemThousandsSeparator());

bool ExtInList(const QString &ext, const QString &list, QChar sep);

// Deletes the files of `path` (and with `recursive` its folders not named ".*"), then
// `path` itself, whatever the permission bits. Stops deleting after the first failure.
bool DeleteFolder(const QString &path, bool recursive);

// Hints carry the number of the window that owns them, so a window shows only its own.
QString TagText(const QString &text, qint64 owner);
QString UntagHint(const QString &hint, qint64 owner);

struct TProxyNames {
    bool Offered;
    int Number;
    QString Name;
};

const QList<TProxyNames> &ProxyNames();

using TProxyTypeList = QList<QPair<QString, int>>;  // name and scheme number
void FillProxyTypes(TProxyTypeList &list);
