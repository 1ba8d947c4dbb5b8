#pragma once
#include "tscanitem.h"

#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtGui/QIcon>
#include <QtWidgets/QFileIconProvider>

// The icons of a pane's rows: one per folder, link and file extension, made on first use.
// Main thread only.
class TIconCache {
public:
    int IndexFor(const TScanItem &item);
    QIcon Icon(int index) const { return index >= 0 && index < m_icons.size() ? m_icons.at(index) : QIcon(); }
    int Count() const { return int(m_icons.size()); }

private:
    int Add(const QString &key, const QIcon &icon);
    QIcon FileIcon(const QString &ext);

    QFileIconProvider m_provider;
    QList<QIcon> m_icons;
    QHash<QString, int> m_byKey;  // "/folder", "/link" or "." + lower-case extension
};
