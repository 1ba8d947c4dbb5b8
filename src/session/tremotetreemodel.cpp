#include "tremotetreemodel.h"

#include <algorithm>

struct TRemoteTreeModel::Node {
    QString Text;
    TTreeInfo Info;
    bool ShowsListed = false;  // closed/opened picture rather than the disabled one
    Node *Parent = nullptr;
    std::vector<std::unique_ptr<Node>> Children;

    int Row() const
    {
        if (!Parent)
            return 0;
        for (size_t i = 0; i < Parent->Children.size(); ++i)
            if (Parent->Children[i].get() == this)
                return int(i);
        return 0;
    }
};

TRemoteTreeModel::TRemoteTreeModel(QObject *parent) : QAbstractItemModel(parent) {}
TRemoteTreeModel::~TRemoteTreeModel() = default;

TRemoteTreeModel::Node *TRemoteTreeModel::NodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : nullptr;
}

QModelIndex TRemoteTreeModel::IndexOf(Node *node) const
{
    return node ? createIndex(node->Row(), 0, node) : QModelIndex();
}

QModelIndex TRemoteTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return (row == 0 && m_root) ? createIndex(0, 0, m_root.get()) : QModelIndex();
    Node *p = NodeOf(parent);
    if (row >= int(p->Children.size()))
        return {};
    return createIndex(row, 0, p->Children[size_t(row)].get());
}

QModelIndex TRemoteTreeModel::parent(const QModelIndex &child) const
{
    Node *n = NodeOf(child);
    return (n && n->Parent) ? IndexOf(n->Parent) : QModelIndex();
}

int TRemoteTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    if (!parent.isValid())
        return m_root ? 1 : 0;
    return int(NodeOf(parent)->Children.size());
}

int TRemoteTreeModel::columnCount(const QModelIndex &) const { return 1; }

QVariant TRemoteTreeModel::data(const QModelIndex &index, int role) const
{
    Node *n = NodeOf(index);
    if (!n)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return n->Text;
    case IconStateRole:
        if (!n->ShowsListed)
            return int(tiDisabled);
        return int(m_selected == index ? tiOpened : tiClosed);
    case PathRole:
        return n->Info.Path;
    default:
        return {};
    }
}

void TRemoteTreeModel::Clear()
{
    beginResetModel();
    m_root.reset();
    endResetModel();
}

QModelIndex TRemoteTreeModel::AddRoot(const QString &text)
{
    beginResetModel();
    m_root = std::make_unique<Node>();
    m_root->Text = text;
    m_root->Info.Path = "/";
    m_root->ShowsListed = true;
    endResetModel();
    return IndexOf(m_root.get());
}

QModelIndex TRemoteTreeModel::AddChild(const QModelIndex &parent, const QByteArray &name, const QByteArray &path,
                                       const TFtpDirInfo &entry)
{
    Node *p = NodeOf(parent);
    if (!p)
        return {};
    auto node = std::make_unique<Node>();
    node->Text = QString::fromUtf8(name);
    node->Info.DirInfo = entry;
    node->Info.Path = path;
    node->Parent = p;
    const QString key = node->Text.toLower();
    const auto at = std::upper_bound(p->Children.begin(), p->Children.end(), key,
                                     [](const QString &k, const std::unique_ptr<Node> &c) {
                                         return k < c->Text.toLower();
                                     });
    const int row = int(at - p->Children.begin());
    beginInsertRows(parent, row, row);
    Node *raw = node.get();
    p->Children.insert(at, std::move(node));
    endInsertRows();
    return IndexOf(raw);
}

TRemoteTreeModel::Node *TRemoteTreeModel::FindIn(Node *node, const QByteArray &lowerPath) const
{
    if (node->Info.Path.toLower() == lowerPath)
        return node;
    for (const auto &child : node->Children)
        if (Node *hit = FindIn(child.get(), lowerPath))
            return hit;
    return nullptr;
}

void TRemoteTreeModel::RemoveChildren(Node *node)
{
    if (node->Children.empty())
        return;
    const QModelIndex at = IndexOf(node);
    beginRemoveRows(at, 0, int(node->Children.size()) - 1);
    node->Children.clear();
    endRemoveRows();
}

QModelIndex TRemoteTreeModel::FindNode(const QByteArray &path)
{
    if (!m_root)
        return {};
    QByteArray p = path;
    if (p.endsWith('/'))
        p.chop(1);
    if (p.isEmpty())
        return IndexOf(m_root.get());
    Node *n = FindIn(m_root.get(), p.toLower());
    if (!n)
        return {};
    if (n->Info.Path != p) {
        n->Text = QString::fromUtf8(p.mid(p.lastIndexOf('/') + 1));
        n->ShowsListed = false;
        n->Info.Listed = false;
        n->Info.Path = p;
        RemoveChildren(n);
        const QModelIndex at = IndexOf(n);
        emit dataChanged(at, at);
    }
    return IndexOf(n);
}

const TTreeInfo *TRemoteTreeModel::Info(const QModelIndex &index) const
{
    Node *n = NodeOf(index);
    return n ? &n->Info : nullptr;
}

void TRemoteTreeModel::MarkListed(const QModelIndex &index)
{
    Node *n = NodeOf(index);
    if (!n)
        return;
    n->Info.Listed = true;
    n->ShowsListed = true;
    emit dataChanged(index, index, {IconStateRole});
}

void TRemoteTreeModel::SetSelected(const QModelIndex &index)
{
    const QModelIndex old = m_selected;
    m_selected = index;
    if (old.isValid())
        emit dataChanged(old, old, {IconStateRole});
    if (index.isValid())
        emit dataChanged(index, index, {IconStateRole});
}
