#pragma once
#include "tscanitem.h"

#include <QtCore/QDateTime>

#include <limits>

// Keys by which a pane sorts its rows, one per column kind.
constexpr qint64 ParentKey = std::numeric_limits<qint64>::min() + 1;  // ".." in every column
constexpr qint64 FolderDateBase = std::numeric_limits<qint64>::min() + 2;

qint64 SortKey(const TScanItem &item, int kind, bool remote);

// Ascending: sign of the keys, then the keys, then the names (A-Z folded). Descending keeps
// ".." first and reverses the rest. Negative when a sorts before b.
int CompareRows(qint64 keyA, const QString &nameA, qint64 keyB, const QString &nameB, bool descending);
int CompareNames(const QString &a, const QString &b);

// Packed DOS date-time (two-second steps); 0 for a time outside 1980..2107.
qint32 PackDosDateTime(const QDate &date, const QTime &time);

// "yyyy/mm/dd hh:nn", or with `twelveHour` "yyyy/mm/dd hh:nn AM" (hour 12 for 0 and 12).
QString DateTimeText(const QDate &date, const QTime &time, bool twelveHour);

// Folder double click and drag data: the folder `name` inside `path`, or its parent for "..".
// A parent above the top of an absolute path is the root, `delimiter` alone.
QString CombinePath(const QString &path, const QString &name, QChar delimiter);
