#pragma once
#include "ticoncache.h"
#include "tscanitem.h"

#include <QtCore/QAbstractTableModel>

#include <vector>

// The rows of a file pane, in the order the scanner sorted them; one column per kind in the
// pane's column list.
class TFileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TFileListModel(bool remote, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void SetColumns(const QList<int> &kinds);
    const QList<int> &Columns() const { return m_columns; }

    // Empties the rows and makes room for `expected` of them; returns the old rows, so the
    // caller may free them elsewhere.
    std::vector<TScanItem> Clear(qsizetype expected = 0);
    // Appends rows, giving each its icon.
    void Append(QList<TScanItem> rows);

    const TScanItem *Item(int row) const;
    QString CellText(const TScanItem &item, int kind) const;

private:
    bool m_remote;
    QList<int> m_columns;
    std::vector<TScanItem> m_rows;
    TIconCache m_icons;
};
