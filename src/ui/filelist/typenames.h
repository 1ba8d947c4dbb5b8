#pragma once
#include <QtCore/QHash>
#include <QtCore/QMimeDatabase>
#include <QtCore/QString>

// Type texts of a pane's rows, looked up once per lower-case extension. Used by one thread.
class TTypeNames {
public:
    QString For(const QString &name, bool isDir);

    // One shared copy per distinct text, for the few texts that most rows repeat.
    QString Shared(const QByteArray &text);

    // The extension of a file name without its dot, or empty.
    static QString Extension(const QString &name);

private:
    QMimeDatabase m_db;
    QHash<QString, QString> m_byExtension;
    QHash<QByteArray, QString> m_shared;
};
