// Every place where the main window talks to its two file panes.
#include "tfrmmain.h"

#include "helpers.h"
#include "tfilelistview.h"
#include "tftpmainthread.h"
#include "tmessagelog.h"
#include "tvirtualfilelistview.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QSignalBlocker>
#include <QtCore/QStorageInfo>
#include <QtGui/QAction>
#include <QtGui/QFileSystemModel>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QTreeView>

namespace {
void PlaceInPanel(QWidget *panel, TCustomFileListView *view, const char *name)
{
    view->setObjectName(QLatin1String(name));
    view->setFrameShape(QFrame::NoFrame);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *box = new QVBoxLayout(panel);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(view);
    QObject::connect(view->header(), &QHeaderView::sectionClicked, view, &TCustomFileListView::ColumnClick);
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

// The pane's columns from the visible-column flags, in the fixed order and widths.
void BuildPaneColumns(TCustomFileListView *view, int flags, bool remote)
{
    view->ClearColumns();
    for (int kind : {ckName, ckSize, ckDate, ckFlags, ckDebug}) {
        if (kind == ckFlags && !remote)
            continue;
        if (kind == ckName || (flags & ColumnBit(kind)))
            view->AddColumn(kind, ColumnWidth(kind, remote));
    }
    view->BuildColumns();
}
}  // namespace

void TfrmMain::BuildLocalList(QWidget *panel)
{
    lvLocal = new TFileListView(panel);
    PlaceInPanel(panel, lvLocal, "lvLocal");
    connect(lvLocal, &TCustomFileListView::OnPathChange, this, [this](TCustomFileListView *, const QString &path) {
        pLocalStatus->setText(QDir::toNativeSeparators(path));
        const QModelIndex inTree = m_localTreeModel->index(path);
        if (inTree.isValid()) {
            tvLocal->setCurrentIndex(inTree);
            tvLocal->scrollTo(inTree);
        }
    });
}

void TfrmMain::BuildRemoteList(QWidget *panel)
{
    lvRemote = new TVirtualFileListView(panel);
    PlaceInPanel(panel, lvRemote, "lvRemote");
    lvRemote->SetListingCallback([this]() -> std::optional<QByteArray> {
        if (m_session && m_session->LoggedIn())
            return m_session->ListingText();
        return std::nullopt;
    });
    connect(lvRemote, &TVirtualFileListView::OnListError, this, [this](TCustomFileListView *, const QByteArray &line) {
        const QString text = QStringLiteral("LIST 错误: ") + QString::fromUtf8(line);
        Log(lkResponse, text, true, false);
        if (m_options.LogError == 1)
            m_logFile.Write(text);
    });
    connect(lvRemote, &TCustomFileListView::OnDirListed, this, [this](TCustomFileListView *) {
        const QString path = lvRemote->GetPath();
        pRemoteStatus->setText(path);
        const QSignalBlocker guard(cbRemotePath);
        const int old = cbRemotePath->findText(path);
        if (old >= 0)
            cbRemotePath->removeItem(old);
        cbRemotePath->insertItem(0, path);
        cbRemotePath->setCurrentIndex(0);
    });
    connect(lvRemote, &TCustomFileListView::OnPathChange, this,
            [this](TCustomFileListView *, const QString &path) { OpenRemoteFolder(path); });
    connect(cbRemotePath, &QComboBox::activated, this, [this](int index) {
        if (index > 0)
            OpenRemoteFolder(cbRemotePath->itemText(index));
    });
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
    lvLocal->SetPath(IncludeTrailingChar(QDir::cleanPath(folder), u'/'));
}

QString TfrmMain::LocalFolder() const
{
    return lvLocal->GetPath();
}

void TfrmMain::RescanLocal()
{
    lvLocal->Rescan();
}

// A folder chosen in the remote pane, its tree or its path history: a fresh cached listing is
// shown without asking the server, anything else is listed by the session.
void TfrmMain::OpenRemoteFolder(const QString &path)
{
    const QString folder = IncludeTrailingChar(path, u'/');
    // The session selects the folder it has just listed in its tree, which reports it here
    // again; listing it once more would only repeat that listing.
    if (!m_session->LoggedIn() || folder == IncludeTrailingChar(QString::fromUtf8(m_session->CurrentDir()), u'/'))
        return;
    if (lvRemote->IsCached(folder)) {
        if (folder == lvRemote->GetPath())
            return;
        lvRemote->ShowPath(folder);
        m_session->SetCurrentDir(folder.toUtf8());
        Log(lkInfo, QStringLiteral("使用 %1 的已缓存的目录列表").arg(folder), false, false);
        return;
    }
    m_session->ChangeDir(path.toUtf8(), true);
}

void TfrmMain::RemoteListingReceived()
{
    pRemoteStatus->clear();
    const QString path = QString::fromUtf8(m_session->CurrentDir());
    if (m_forcedReload)
        lvRemote->LoadListing(path, m_session->ListingText());
    else
        lvRemote->ShowPath(path);
    // A listing of the folder already shown leaves the rows as they are (they refresh through a
    // forced reload), but the status line still names the folder.
    pRemoteStatus->setText(lvRemote->GetPath());
    m_forcedReload = false;
    pRight->setEnabled(true);
}

void TfrmMain::ClearRemoteList()
{
    lvRemote->Clear();
    pRemoteStatus->clear();
    ClearRemoteStale();
}

void TfrmMain::MarkRemoteStale()
{
    if (!m_session->LoggedIn() || m_remoteStale)
        return;
    m_remoteStale = true;
    m_remoteHeaderText = pRemoteHeader->text();
    pRemoteHeader->setText(QStringLiteral("请刷新列表!"));
    pRemoteHeader->setAutoFillBackground(true);
    QPalette highlighted = pRemoteHeader->palette();
    highlighted.setColor(QPalette::Window, highlighted.color(QPalette::Highlight));
    highlighted.setColor(QPalette::WindowText, highlighted.color(QPalette::HighlightedText));
    pRemoteHeader->setPalette(highlighted);
}

void TfrmMain::ClearRemoteStale()
{
    if (!m_remoteStale)
        return;
    m_remoteStale = false;
    pRemoteHeader->setText(m_remoteHeaderText);
    pRemoteHeader->setAutoFillBackground(false);
    pRemoteHeader->setPalette(QPalette());
}

void TfrmMain::RefreshRemote()
{
    if (m_session->LoggedIn()) {
        m_forcedReload = true;
        const QString path = lvRemote->GetPath();
        m_session->ChangeDir(path.isEmpty() ? m_session->CurrentDir() : path.toUtf8(), true);
    }
    ClearRemoteStale();
    m_refreshPending = false;
}

void TfrmMain::RemoteTreeSelected(const QByteArray &path)
{
    OpenRemoteFolder(QString::fromUtf8(path));
}

void TfrmMain::SetLocalViewStyle(int listViewMode)
{
    lvLocal->SetViewStyle(qBound(0, listViewMode, 3));
    m_localStyleItems[OptionFromListStyle(lvLocal->ViewStyle())]->setChecked(true);
}

void TfrmMain::SetRemoteViewStyle(int listViewMode)
{
    lvRemote->SetViewStyle(qBound(0, listViewMode, 3));
    m_remoteStyleItems[OptionFromListStyle(lvRemote->ViewStyle())]->setChecked(true);
}

int TfrmMain::LocalViewStyle() const
{
    return lvLocal->ViewStyle();
}

int TfrmMain::RemoteViewStyle() const
{
    return lvRemote->ViewStyle();
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
    const int localColumns = o.RememberLocalListView ? o.LocalLastVisibleColumn : o.LocalVisibleColumn;
    const int remoteStyle = o.RememberRemoteListView ? o.RemoteLastListStyle : o.RemoteListViewStyle;
    const int remoteColumns = o.RememberRemoteListView ? o.RemoteLastVisibleColumn : o.RemoteVisibleColumn;
    SetLocalViewStyle(ListStyleFromOption(localStyle));
    SetRemoteViewStyle(ListStyleFromOption(remoteStyle));
    for (int i = 0; i < 2; ++i)
        m_localColumnItems[i]->setChecked(localColumns & (2 << i));
    for (int i = 0; i < 3; ++i)
        m_remoteColumnItems[i]->setChecked(remoteColumns & (2 << i));
    BuildPaneColumns(lvLocal, localColumns, false);
    BuildPaneColumns(lvRemote, remoteColumns, true);
}

void TfrmMain::SaveListViewSettings()
{
    TOptions &o = m_options;
    if (o.RememberLocalListView) {
        o.LocalLastListStyle = OptionFromListStyle(lvLocal->ViewStyle());
        o.LocalLastVisibleColumn = 1 + (m_localColumnItems[0]->isChecked() ? 2 : 0) +
                                   (m_localColumnItems[1]->isChecked() ? 4 : 0);
    }
    if (o.RememberRemoteListView) {
        o.RemoteLastListStyle = OptionFromListStyle(lvRemote->ViewStyle());
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
    if (local)
        BuildPaneColumns(lvLocal, flags, false);
    else
        BuildPaneColumns(lvRemote, flags, true);
}

void TfrmMain::ApplyCacheSettings()
{
    lvRemote->SetCacheEnabled(m_options.DirCacheEnabled);
    lvRemote->SetCacheLifetime(m_options.DirCacheHours * 3600 + m_options.DirCacheMinutes * 60 +
                               m_options.DirCacheSeconds);
}
