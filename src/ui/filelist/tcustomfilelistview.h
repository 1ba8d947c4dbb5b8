#pragma once
#include "tfilelistmodel.h"
#include "tscanitem.h"

#include <QtWidgets/QTreeView>

class TCustomScanThread;

// A pane's list: one row record per row, filled by a scanner thread in the order it sorted
// them. Sorting is by a column kind and a direction; a change of either scans again.
class TCustomFileListView : public QTreeView {
    Q_OBJECT

public:
    // The list control's view styles.
    enum { vsIcon = 0, vsSmallIcon = 1, vsList = 2, vsReport = 3 };

    explicit TCustomFileListView(QWidget *parent = nullptr);
    ~TCustomFileListView() override;

    void ClearColumns();
    void AddColumn(int kind, int width);
    void BuildColumns();  // makes the header from the column list, then scans again
    QList<int> ColumnKinds() const;

    void SetSortColumn(int kind);
    void SetDescending(bool on);
    int SortColumn() const { return m_sortKind; }
    bool Descending() const { return m_descending; }
    // The owner's header-click rule: the current sort column toggles the direction, another
    // column becomes the sort column and keeps the direction.
    void ColumnClick(int section);

    int ViewStyle() const { return m_viewStyle; }
    void SetViewStyle(int style);

    bool IsFolder(int row) const;
    int RowCount() const;
    const TScanItem *Item(int row) const;  // the row record, or null
    TFileListModel *FileModel() const { return m_model; }
    QChar Delimiter() const { return QLatin1Char('/'); }

    virtual void Rescan() {}

signals:
    void OnDirListed(TCustomFileListView *view);
    void OnPathChange(TCustomFileListView *view, const QString &path);

protected:
    TCustomFileListView(bool remote, QWidget *parent);
    // Connects the scanner's hand-over; the subclass owns the scanner and stops it first.
    void AttachScanner(TCustomScanThread *scanner);
    // Asks the scanner for `path` with the current sort; what an older request still sends
    // is dropped.
    void RequestScan(const QString &path);
    // Forgets the rows and whatever a running pass would still send.
    void DropRows();
    virtual void FolderActivated(int row) { Q_UNUSED(row); }
    virtual void ListErrors(const QList<QByteArray> &lines) { Q_UNUSED(lines); }

    QString m_path;
    bool m_remote = false;

private:
    void ApplyViewStyle();
    void ShowSortIndicator();

    TFileListModel *m_model;
    TCustomScanThread *m_scanner = nullptr;
    quint64 m_request = 0;
    int m_sortKind = 0;
    bool m_descending = false;
    int m_viewStyle = vsReport;
    QList<QPair<int, int>> m_columns;  // kind, width
};
