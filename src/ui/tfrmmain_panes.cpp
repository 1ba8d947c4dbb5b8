// Every place where the main window talks to its two file panes. The panes are plain tree
// views for now; each function here is the one call the real list views will take.
#include "tfrmmain.h"

#include "helpers.h"
#include "tftpmainthread.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QStorageInfo>
#include <QtGui/QAction>
#include <QtGui/QStandardItemModel>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QComboBox>
#include <QtGui/QFileSystemModel>
#include <QtWidgets/QLabel>
#include <QtWidgets/QTreeView>

namespace {
QTreeView *PaneView(QWidget *panel, const char *name)
{
    auto *view = new QTreeView(panel);
    view->setObjectName(QLatin1String(name));
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setFrameShape(QFrame::NoFrame);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto *box = new QVBoxLayout(panel);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(view);
    return view;
}

// Option style codes (0 details, 1 list, 2 large icons, 3 small icons) to the list view's
// style numbers (0 large icons, 1 small icons, 2 list, 3 details) and back.
int ListStyleFromOption(int option)
{
    static const int map[4] = {3, 2, 0, 1};
    return option >= 0 && option < 4 ? map[option] : 3;
}

int OptionFromListStyle(int style)
{
    static const int map[4] = {2, 3, 1, 0};
    return style >= 0 && style < 4 ? map[style] : 0;
}
}  // namespace

void TfrmMain::BuildLocalList(QWidget *panel)
{
    lvLocal = PaneView(panel, "lvLocal");
    m_localModel = new QFileSystemModel(this);
    m_localModel->setFilter(QDir::AllEntries | QDir::NoDot | QDir::Hidden);
    lvLocal->setModel(m_localModel);
    lvLocal->setSortingEnabled(true);
    lvLocal->sortByColumn(0, Qt::AscendingOrder);
    connect(lvLocal, &QTreeView::doubleClicked, this, [this](const QModelIndex &index) {
        if (m_localModel->isDir(index))
            ShowLocalFolder(QDir::cleanPath(m_localModel->filePath(index)));
    });
}

void TfrmMain::BuildRemoteList(QWidget *panel)
{
    lvRemote = PaneView(panel, "lvRemote");
    m_remoteModel = new QStandardItemModel(this);
    m_remoteModel->setHorizontalHeaderLabels({QStringLiteral("名称")});
    lvRemote->setModel(m_remoteModel);
}

QString TfrmMain::StartFolder() const
{
    QString folder = m_options.RememberFolder ? m_options.LocalFolder : m_options.DefaultFolder;
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        // The drive of a folder that is gone: the mount point of its nearest existing parent.
        QString existing = QDir::cleanPath(folder);
        while (!QFileInfo(existing).isDir() && existing != QFileInfo(existing).path())
            existing = QFileInfo(existing).path();
        folder = QFileInfo(existing).isDir() ? QStorageInfo(existing).rootPath() : QString();
    }
    if (folder.isEmpty())
        folder = m_settings.ProgPath;
    return IncludeTrailingChar(folder, u'/');
}

void TfrmMain::ShowLocalFolder(const QString &folder)
{
    m_localFolder = IncludeTrailingChar(folder, u'/');
    const QModelIndex root = m_localModel->setRootPath(m_localFolder);
    lvLocal->setRootIndex(root);
    pLocalStatus->setText(QDir::toNativeSeparators(m_localFolder));
    const QModelIndex inTree = m_localTreeModel->index(m_localFolder);
    if (inTree.isValid()) {
        tvLocal->setCurrentIndex(inTree);
        tvLocal->scrollTo(inTree);
    }
}

QString TfrmMain::LocalFolder() const
{
    return m_localFolder;
}

void TfrmMain::RescanLocal()
{
    if (!m_localFolder.isEmpty())
        ShowLocalFolder(m_localFolder);
}

void TfrmMain::RemoteListingReceived()
{
    m_remoteModel->removeRows(0, m_remoteModel->rowCount());
    const QByteArray listing = m_session->ListingText();
    for (const QByteArray &line : listing.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            m_remoteModel->appendRow(new QStandardItem(QString::fromUtf8(trimmed)));
    }
    const QString path = QString::fromUtf8(m_session->CurrentDir());
    if (cbRemotePath->findText(path) < 0)
        cbRemotePath->insertItem(0, path);
    cbRemotePath->setCurrentIndex(cbRemotePath->findText(path));
    pRemoteStatus->setText(QStringLiteral("%1 个对象").arg(m_remoteModel->rowCount()));
    pRight->setEnabled(true);
    m_remoteStale = false;
}

void TfrmMain::ClearRemoteList()
{
    m_remoteModel->removeRows(0, m_remoteModel->rowCount());
}

void TfrmMain::MarkRemoteStale()
{
    m_remoteStale = true;
}

void TfrmMain::RefreshRemote()
{
    if (!m_session->LoggedIn())
        return;
    if (m_session->Busy()) {
        m_refreshPending = true;
        return;
    }
    m_session->ChangeDir(m_session->CurrentDir(), true);
}

void TfrmMain::RemoteTreeSelected(const QByteArray &path)
{
    m_session->ChangeDir(path, true);
}

void TfrmMain::SetLocalViewStyle(int listViewMode)
{
    m_localStyle = qBound(0, listViewMode, 3);
    m_localStyleItems[OptionFromListStyle(m_localStyle)]->setChecked(true);
}

void TfrmMain::SetRemoteViewStyle(int listViewMode)
{
    m_remoteStyle = qBound(0, listViewMode, 3);
    m_remoteStyleItems[OptionFromListStyle(m_remoteStyle)]->setChecked(true);
}

void TfrmMain::ApplyListViewSettings(bool firstStart)
{
    TOptions &o = m_options;
    if (firstStart) {
        if (!o.RememberLocalListView) {
            o.LocalLastListStyle = o.LocalListViewStyle;
            o.LocalLastVisibleColumn = o.LocalVisibleColumn;
        }
        if (!o.RememberRemoteListView) {
            o.RemoteLastListStyle = o.RemoteListViewStyle;
            o.RemoteLastVisibleColumn = o.RemoteVisibleColumn;
        }
    }
    const int localStyle = o.RememberLocalListView ? o.LocalLastListStyle : o.LocalListViewStyle;
    m_localColumns = o.RememberLocalListView ? o.LocalLastVisibleColumn : o.LocalVisibleColumn;
    const int remoteStyle = o.RememberRemoteListView ? o.RemoteLastListStyle : o.RemoteListViewStyle;
    m_remoteColumns = o.RememberRemoteListView ? o.RemoteLastVisibleColumn : o.RemoteVisibleColumn;
    SetLocalViewStyle(ListStyleFromOption(localStyle));
    SetRemoteViewStyle(ListStyleFromOption(remoteStyle));
    for (int i = 0; i < 2; ++i)
        m_localColumnItems[i]->setChecked(m_localColumns & (2 << i));
    for (int i = 0; i < 3; ++i)
        m_remoteColumnItems[i]->setChecked(m_remoteColumns & (2 << i));
    lvLocal->setColumnHidden(1, !(m_localColumns & 2));
    lvLocal->setColumnHidden(3, !(m_localColumns & 4));
    lvLocal->setColumnHidden(2, true);
}

void TfrmMain::SaveListViewSettings()
{
    TOptions &o = m_options;
    if (o.RememberLocalListView) {
        o.LocalLastListStyle = OptionFromListStyle(m_localStyle);
        o.LocalLastVisibleColumn = 1 + (m_localColumnItems[0]->isChecked() ? 2 : 0) +
                                   (m_localColumnItems[1]->isChecked() ? 4 : 0);
    }
    if (o.RememberRemoteListView) {
        o.RemoteLastListStyle = OptionFromListStyle(m_remoteStyle);
        o.RemoteLastVisibleColumn = 1 + (m_remoteColumnItems[0]->isChecked() ? 2 : 0) +
                                    (m_remoteColumnItems[1]->isChecked() ? 4 : 0) +
                                    (m_remoteColumnItems[2]->isChecked() ? 8 : 0);
    }
}

void TfrmMain::ViewStyleChosen(bool local, int optionStyle)
{
    if (local) {
        m_options.LocalLastListStyle = optionStyle;
        SetLocalViewStyle(ListStyleFromOption(optionStyle));
    } else {
        m_options.RemoteLastListStyle = optionStyle;
        SetRemoteViewStyle(ListStyleFromOption(optionStyle));
    }
}

void TfrmMain::ColumnToggled(bool local, int bit)
{
    qint32 &flags = local ? m_options.LocalLastVisibleColumn : m_options.RemoteLastVisibleColumn;
    flags ^= bit;
    (local ? m_localColumns : m_remoteColumns) = flags;
    if (local) {
        lvLocal->setColumnHidden(1, !(flags & 2));
        lvLocal->setColumnHidden(3, !(flags & 4));
    }
}

void TfrmMain::ApplyCacheSettings()
{
    m_cacheOn = m_options.DirCacheEnabled;
    m_cacheSeconds = m_options.DirCacheHours * 3600 + m_options.DirCacheMinutes * 60 + m_options.DirCacheSeconds;
}
