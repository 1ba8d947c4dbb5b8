#include "tcustomfilelistview.h"
#include "tcustomscanthread.h"

#include <QtWidgets/QHeaderView>

TCustomFileListView::TCustomFileListView(QWidget *parent) : TCustomFileListView(false, parent)
{
}

TCustomFileListView::TCustomFileListView(bool remote, QWidget *parent)
    : QTreeView(parent), m_remote(remote), m_model(new TFileListModel(remote, this))
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    setModel(m_model);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.model() == m_model && IsFolder(index.row()))
            FolderActivated(index.row());
    });
}

TCustomFileListView::~TCustomFileListView() = default;

void TCustomFileListView::AttachScanner(TCustomScanThread *scanner)
{
    m_scanner = scanner;
    connect(scanner, &TCustomScanThread::ListErrors, this, [this](quint64 request, const QList<QByteArray> &lines) {
        if (request == m_request)
            ListErrors(lines);
    }, Qt::QueuedConnection);
    connect(scanner, &TCustomScanThread::ScanBegun, this, [this](quint64 request, qsizetype count) {
        if (request == m_request)
            m_scanner->Discard(m_model->Clear(count));
    }, Qt::QueuedConnection);
    connect(scanner, &TCustomScanThread::RowsReady, this, [this](quint64 request, const QList<TScanItem> &rows) {
        if (request == m_request)
            m_model->Append(rows);
        m_scanner->BatchTaken(request);
    }, Qt::QueuedConnection);
    connect(scanner, &TCustomScanThread::ScanDone, this, [this](quint64 request) {
        if (request == m_request)
            emit OnDirListed(this);
    }, Qt::QueuedConnection);
    scanner->start();
}

void TCustomFileListView::RequestScan(const QString &path)
{
    if (m_scanner)
        m_scanner->Scan(path, m_sortKind, m_descending, ++m_request);
}

void TCustomFileListView::DropRows()
{
    if (m_scanner)
        m_scanner->Scan(QString(), m_sortKind, m_descending, ++m_request);
    std::vector<TScanItem> old = m_model->Clear();
    if (m_scanner)
        m_scanner->Discard(std::move(old));
}

void TCustomFileListView::ClearColumns()
{
    m_columns.clear();
}

void TCustomFileListView::AddColumn(int kind, int width)
{
    m_columns.append({kind, width});
}

QList<int> TCustomFileListView::ColumnKinds() const
{
    QList<int> kinds;
    for (const auto &c : m_columns)
        kinds.append(c.first);
    return kinds;
}

void TCustomFileListView::BuildColumns()
{
    m_model->SetColumns(ColumnKinds());
    for (int i = 0; i < m_columns.size(); ++i)
        setColumnWidth(i, m_columns.at(i).second);
    ApplyViewStyle();
    ShowSortIndicator();
    Rescan();
}

void TCustomFileListView::SetSortColumn(int kind)
{
    if (kind == m_sortKind)
        return;
    m_sortKind = kind;
    ShowSortIndicator();
    Rescan();
}

void TCustomFileListView::SetDescending(bool on)
{
    if (on == m_descending)
        return;
    m_descending = on;
    ShowSortIndicator();
    Rescan();
}

void TCustomFileListView::ColumnClick(int section)
{
    if (section < 0 || section >= m_columns.size())
        return;
    const int kind = m_columns.at(section).first;
    if (kind == m_sortKind)
        SetDescending(!m_descending);
    else
        SetSortColumn(kind);
}

void TCustomFileListView::ShowSortIndicator()
{
    const int section = int(ColumnKinds().indexOf(m_sortKind));
    header()->setSortIndicatorShown(section >= 0);
    if (section >= 0)
        header()->setSortIndicator(section, m_descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TCustomFileListView::SetViewStyle(int style)
{
    if (style < vsIcon || style > vsReport)
        return;
    m_viewStyle = style;
    ApplyViewStyle();
}

// Icon and list styles show the names alone, large icons bigger; details show every column.
void TCustomFileListView::ApplyViewStyle()
{
    const bool report = m_viewStyle == vsReport;
    setHeaderHidden(!report);
    const int nameColumn = int(ColumnKinds().indexOf(ckName));
    for (int i = 0; i < m_model->columnCount(); ++i)
        setColumnHidden(i, !report && i != nameColumn);
    const int extent = style()->pixelMetric(m_viewStyle == vsIcon ? QStyle::PM_LargeIconSize : QStyle::PM_SmallIconSize);
    setIconSize(QSize(extent, extent));
}

bool TCustomFileListView::IsFolder(int row) const
{
    const TScanItem *item = m_model->Item(row);
    return item && item->IsDir;
}

int TCustomFileListView::RowCount() const
{
    return m_model->rowCount();
}

const TScanItem *TCustomFileListView::Item(int row) const
{
    return m_model->Item(row);
}
