#include "tqueuelistmodel.h"

#include "helpers.h"

TQueueListModel::TQueueListModel(Layout layout, const TItemList &items, QObject *parent)
    : QAbstractTableModel(parent), m_layout(layout), m_items(items)
{
}

int TQueueListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

int TQueueListModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_layout == QueueLayout ? 8 : 5;
}

QString TQueueListModel::DirectionMark(const TItemInfo &item)
{
    const bool move = HasItemFlag(item.ItemFlags, ikMove);
    if (item.FtpInfo.IsUpload)
        return move ? QStringLiteral("---->>") : QStringLiteral("---->");
    return move ? QStringLiteral("<<----") : QStringLiteral("<----");
}

QString TQueueListModel::SizeText(const TItemInfo &item)
{
    return FormatSize(0, item.FtpInfo.IsUpload ? item.FtpInfo.LocalSize : item.FtpInfo.RemoteSize);
}

QVariant TQueueListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TItemInfo &item = *m_items[size_t(index.row())];
    const TFtpInfo &f = item.FtpInfo;
    if (role == ProgressRole)
        return qBound(0, item.Progress, 100);
    if (role == Qt::TextAlignmentRole) {
        const int c = index.column();
        if (m_layout == QueueLayout) {
            if (c == colSize || c == colSpeed)
                return int(Qt::AlignRight | Qt::AlignVCenter);
            if (c == colDirection)
                return int(Qt::AlignCenter);
        } else if (c == dcSize) {
            return int(Qt::AlignRight | Qt::AlignVCenter);
        }
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole)
        return {};
    const QString remote = QString::fromUtf8(f.RemoteFile);
    if (m_layout == DoneLayout) {
        switch (index.column()) {
        case dcLocal: return f.LocalFile;
        case dcSize: return SizeText(item);
        case dcRemote: return remote;
        case dcHost: return f.Host + QLatin1Char(':') + f.PortText;
        case dcStatus: return QStringLiteral("完成.");
        }
        return {};
    }
    switch (index.column()) {
    case colLocal: return f.LocalFile;
    case colSize: return SizeText(item);
    case colDirection: return DirectionMark(item);
    case colProgress: return QString::number(qBound(0, item.Progress, 100)) + QLatin1Char('%');
    case colSpeed: return item.SpeedText;
    case colRemote: return remote;
    case colHost: return f.UserName + QLatin1Char('@') + f.Host + QLatin1Char(':') + f.PortText;
    case colStatus: return item.StatusText;
    }
    return {};
}

QVariant TQueueListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return {};
    static const QStringList queue = {
        QStringLiteral("本地文件名"), QStringLiteral("大小"), QStringLiteral("方向"), QStringLiteral("进度"),
        QStringLiteral("KB/s"), QStringLiteral("远程文件名"), QStringLiteral("主机"), QStringLiteral("状态")};
    static const QStringList done = {QStringLiteral("本地文件名"), QStringLiteral("大小"),
                                     QStringLiteral("远程文件名"), QStringLiteral("主机"),
                                     QStringLiteral("状态")};
    return (m_layout == QueueLayout ? queue : done).at(section);
}

QList<QPair<int, int>> TQueueListModel::ColumnWidths(Layout layout)
{
    if (layout == QueueLayout)
        return {{80, 200}, {20, 80}, {20, 60}, {40, 80}, {20, 50}, {80, 200}, {40, 100}, {40, 100}};
    return {{80, 200}, {20, 80}, {80, 200}, {40, 100}, {40, 100}};
}

void TQueueListModel::CellChanged(int row, int column)
{
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i);
}

void TQueueListModel::RowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
