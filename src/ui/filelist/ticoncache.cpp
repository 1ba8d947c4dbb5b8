#include "ticoncache.h"
#include "typenames.h"

#include <QtCore/QMimeDatabase>

int TIconCache::Add(const QString &key, const QIcon &icon)
{
    m_icons.append(icon);
    const int index = int(m_icons.size()) - 1;
    m_byKey.insert(key, index);
    return index;
}

QIcon TIconCache::FileIcon(const QString &ext)
{
    if (!ext.isEmpty()) {
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(QStringLiteral("x.") + ext, QMimeDatabase::MatchExtension);
        QIcon icon = QIcon::fromTheme(mime.iconName());
        if (icon.isNull())
            icon = QIcon::fromTheme(mime.genericIconName());
        if (!icon.isNull())
            return icon;
    }
    return m_provider.icon(QAbstractFileIconProvider::File);
}

int TIconCache::IndexFor(const TScanItem &item)
{
    QString key;
    if (item.IsLink)
        key = QStringLiteral("/link");
    else if (item.IsDir)
        key = QStringLiteral("/folder");
    else
        key = QLatin1Char('.') + (item.Name.contains(QLatin1Char('.')) ? TTypeNames::Extension(item.Name).toLower() : QString());
    const auto it = m_byKey.constFind(key);
    if (it != m_byKey.constEnd())
        return *it;
    if (item.IsLink) {
        QIcon icon = QIcon::fromTheme(QStringLiteral("emblem-symbolic-link"));
        return Add(key, icon.isNull() ? m_provider.icon(QAbstractFileIconProvider::Folder) : icon);
    }
    if (item.IsDir)
        return Add(key, m_provider.icon(QAbstractFileIconProvider::Folder));
    return Add(key, FileIcon(key.mid(1)));
}
