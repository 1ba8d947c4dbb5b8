#include "tdirscan.h"
#include "sortkeys.h"

#include <QtCore/QDirIterator>
#include <QtCore/QFileInfo>

TDirScan::~TDirScan()
{
    Stop();
}

TScanItem TDirScan::LocalItem(const QString &name, const QFileInfo &info, TTypeNames &types)
{
    TScanItem item;
    item.Name = name;
    if (name == QLatin1String("..")) {
        item.IsDir = 1;
        item.Size = -1;
    } else {
        item.IsDir = info.isDir() ? 1 : 0;
        item.Size = item.IsDir ? -1 : info.size();
        const QDateTime modified = info.lastModified();
        if (modified.isValid()) {
            item.DateText = DateTimeText(modified.date(), modified.time(), true);
            item.FileDate = PackDosDateTime(modified.date(), modified.time());
        }
    }
    item.TypeName = types.For(name, item.IsDir);
    return item;
}

bool TDirScan::Collect(const QString &path, int sortKind, std::vector<TEntry> &entries, QList<QByteArray> &errors)
{
    Q_UNUSED(errors);
    // Without QDir::Hidden the iterator leaves out names beginning with "." (and "." itself).
    QDirIterator it(path, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    const bool root = QFileInfo(path).isRoot();
    if (!root && QFileInfo(path).isDir()) {
        TEntry parent;
        parent.Item = LocalItem(QStringLiteral(".."), QFileInfo(), m_types);
        parent.Key = SortKey(parent.Item, sortKind, false);
        entries.push_back(std::move(parent));
    }
    while (it.hasNext()) {
        if (Abandoned())
            return false;
        it.next();
        const QFileInfo info = it.fileInfo();
        TEntry e;
        e.Item = LocalItem(info.fileName(), info, m_types);
        e.Key = SortKey(e.Item, sortKind, false);
        entries.push_back(std::move(e));
    }
    return true;
}
