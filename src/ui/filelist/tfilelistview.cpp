#include "tfilelistview.h"
#include "sortkeys.h"
#include "tdirscan.h"

TFileListView::TFileListView(QWidget *parent) : TCustomFileListView(false, parent), m_scanner(new TDirScan)
{
    AttachScanner(m_scanner);
}

TFileListView::~TFileListView()
{
    delete m_scanner;
}

void TFileListView::SetPath(const QString &path)
{
    if (path == m_path)
        return;
    m_path = path;
    emit OnPathChange(this, path);
    RequestScan(path);
}

void TFileListView::Rescan()
{
    RequestScan(m_path);
}

void TFileListView::FolderActivated(int row)
{
    SetPath(CombinePath(m_path, Item(row)->Name, Delimiter()));
}
