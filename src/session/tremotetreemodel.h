#pragma once
#include "listparser.h"

#include <QtCore/QAbstractItemModel>
#include <QtCore/QByteArray>
#include <QtCore/QPersistentModelIndex>

#include <memory>
#include <vector>

// The record behind every node of the remote folder tree.
struct TTreeInfo {
    TFtpDirInfo DirInfo;  // the listing entry; empty for the root and for path nodes
    QByteArray Path;      // full path without a trailing "/"; "/" for the root
    bool Listed = false;  // this folder has been listed
};

// Which of the three pictures a node shows; the window maps them to icons.
enum TTreeIcon { tiClosed, tiOpened, tiDisabled };

// The remote folder tree as core data: one column, the node text as display role, the icon
// state and the path as roles of their own. Children are kept sorted by their lower-cased
// text. The session fills it after every listing and owns the selection; a view follows
// SelectRequested and ExpandRequested and reports the user's choice back to the session.
class TRemoteTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Role { IconStateRole = Qt::UserRole + 1, PathRole };

    explicit TRemoteTreeModel(QObject *parent = nullptr);
    ~TRemoteTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    bool IsEmpty() const { return !m_root; }
    void Clear();
    // The root node, Path "/", listed-style icon.
    QModelIndex AddRoot(const QString &text);
    // A child with the disabled icon, placed in sorted order; returns its index.
    QModelIndex AddChild(const QModelIndex &parent, const QByteArray &name, const QByteArray &path,
                         const TFtpDirInfo &entry = {});
    // Case-insensitive lookup; a node that differs from `path` in case only is renamed to the
    // path's last component and becomes an unlisted, childless node.
    QModelIndex FindNode(const QByteArray &path);
    const TTreeInfo *Info(const QModelIndex &index) const;
    // Listed, with the closed (or, while selected, opened) icon.
    void MarkListed(const QModelIndex &index);

    QModelIndex Selected() const { return m_selected; }
    void SetSelected(const QModelIndex &index);
    void RequestExpand(const QModelIndex &index) { emit ExpandRequested(index); }

signals:
    void SelectRequested(const QModelIndex &index);
    void ExpandRequested(const QModelIndex &index);

private:
    struct Node;
    Node *NodeOf(const QModelIndex &index) const;
    QModelIndex IndexOf(Node *node) const;
    Node *FindIn(Node *node, const QByteArray &lowerPath) const;
    void RemoveChildren(Node *node);

    std::unique_ptr<Node> m_root;
    QPersistentModelIndex m_selected;
};
