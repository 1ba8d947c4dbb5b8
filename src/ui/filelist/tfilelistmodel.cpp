#include "tfilelistmodel.h"
#include "helpers.h"

TFileListModel::TFileListModel(bool remote, QObject *parent) : QAbstractTableModel(parent), m_remote(remote)
{
}

int TFileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TFileListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString TFileListModel::CellText(const TScanItem &item, int kind) const
{
    switch (kind) {
    case ckName:
        return item.Name;
    case ckSize:
        if (item.Size < 0 || (m_remote && item.IsDir))
            return QStringLiteral(" ");
        return FormatSize(-1, item.Size);
    case ckDate:
        return item.DateText;
    case ckFlags:
        return m_remote ? item.Attributes : QStringLiteral(" ");
    default:
        return QStringLiteral(" ");
    }
}

QVariant TFileListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TScanItem &item = m_rows[size_t(index.row())];
    const int kind = m_columns.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return CellText(item, kind);
    case Qt::DecorationRole:
        if (kind == ckName)
            return m_icons.Icon(item.ImageIndex);
        return {};
    case Qt::TextAlignmentRole:
        return int(ColumnAlignment(kind));
    default:
        return {};
    }
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return ColumnHeader(m_columns.at(section));
    if (role == Qt::TextAlignmentRole)
        return int(ColumnAlignment(m_columns.at(section)));
    return {};
}

void TFileListModel::SetColumns(const QList<int> &kinds)
{
    beginResetModel();
    m_columns = kinds;
    endResetModel();
}

std::vector<TScanItem> TFileListModel::Clear(qsizetype expected)
{
    beginResetModel();
    std::vector<TScanItem> old;
    old.swap(m_rows);
    m_rows.reserve(size_t(expected));
    endResetModel();
    return old;
}

void TFileListModel::Append(QList<TScanItem> rows)
{
    if (rows.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    for (TScanItem &item : rows) {
        item.ImageIndex = m_icons.IndexFor(item);
        item.Pending = 0;
        m_rows.push_back(std::move(item));
    }
    endInsertRows();
}

const TScanItem *TFileListModel::Item(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? &m_rows[size_t(row)] : nullptr;
}
