#pragma once
#include "queueitems.h"

#include <QtCore/QAbstractTableModel>

#include <memory>
#include <vector>

using TItemList = std::vector<std::unique_ptr<TItemInfo>>;

// The rows of a list of queue items, held by the thread manager; the manager tells the model
// before and after it changes the list. Two layouts: the queue itself (with direction,
// progress and speed) and the uploaded or downloaded list of completed transfers.
class TQueueListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Layout { QueueLayout, DoneLayout };
    enum QueueColumn { colLocal, colSize, colDirection, colProgress, colSpeed, colRemote, colHost, colStatus };
    enum DoneColumn { dcLocal, dcSize, dcRemote, dcHost, dcStatus };
    static constexpr int ProgressRole = Qt::UserRole + 1;  // the gauge's value, 0..100

    TQueueListModel(Layout layout, const TItemList &items, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Suggested widths of the columns (minimum, width), for the view.
    static QList<QPair<int, int>> ColumnWidths(Layout layout);

    static QString DirectionMark(const TItemInfo &item);
    static QString SizeText(const TItemInfo &item);

    // Called by the owner of the list.
    void BeginAppend(int row) { beginInsertRows({}, row, row); }
    void EndAppend() { endInsertRows(); }
    void BeginRemove(int row) { beginRemoveRows({}, row, row); }
    void EndRemove() { endRemoveRows(); }
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    void CellChanged(int row, int column);
    void RowChanged(int row);

private:
    Layout m_layout;
    const TItemList &m_items;
};
