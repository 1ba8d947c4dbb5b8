#include "tvirtualfilelistview.h"
#include "helpers.h"
#include "sortkeys.h"
#include "tvirtualdirscan.h"

TVirtualFileListView::TVirtualFileListView(QWidget *parent)
    : TCustomFileListView(true, parent), m_scanner(new TVirtualDirScan)
{
    AttachScanner(m_scanner);
}

TVirtualFileListView::~TVirtualFileListView()
{
    delete m_scanner;
}

QString TVirtualFileListView::WithSlash(const QString &path)
{
    return IncludeTrailingChar(path, QLatin1Char('/'));
}

void TVirtualFileListView::ShowPath(const QString &path)
{
    const QString p = WithSlash(path);
    if (p == m_path)
        return;
    m_path = p;
    if (m_scanner->Prepare(p))
        RequestScan(p);
}

void TVirtualFileListView::LoadListing(const QString &path, const QByteArray &listing)
{
    m_path = WithSlash(path);
    m_scanner->Store(m_path, listing);
    RequestScan(m_path);
}

bool TVirtualFileListView::IsCached(const QString &path) const
{
    return m_scanner->IsCached(WithSlash(path));
}

TScanItem TVirtualFileListView::GetItem(int row) const
{
    const TScanItem *item = Item(row);
    return item ? *item : TScanItem();
}

void TVirtualFileListView::SetCacheEnabled(bool on)
{
    m_scanner->SetCacheEnabled(on);
}

void TVirtualFileListView::SetCacheLifetime(int seconds)
{
    m_scanner->SetCacheLifetime(seconds);
}

void TVirtualFileListView::SetListingCallback(std::function<std::optional<QByteArray>()> callback)
{
    m_scanner->SetListingCallback(std::move(callback));
}

void TVirtualFileListView::SetClock(std::function<qint64()> msecsSinceEpoch)
{
    m_scanner->SetClock(std::move(msecsSinceEpoch));
}

void TVirtualFileListView::Clear()
{
    DropRows();
    m_path.clear();
    m_scanner->Forget();
}

// Parses the stored listing again; no connection is needed.
void TVirtualFileListView::Rescan()
{
    RequestScan(m_path);
}

void TVirtualFileListView::FolderActivated(int row)
{
    emit OnPathChange(this, WithSlash(CombinePath(m_path, Item(row)->Name, Delimiter())));
}

void TVirtualFileListView::ListErrors(const QList<QByteArray> &lines)
{
    for (const QByteArray &line : lines)
        emit OnListError(this, line);
}
