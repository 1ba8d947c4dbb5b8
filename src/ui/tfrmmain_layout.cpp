// The window's frame: building it, restoring and saving its layout, resizing, the
// splitters' limits, the view toggles, hints in the status bar and the tray icon.
#include "tfrmmain.h"

#include "helpers.h"
#include "tmessagelog.h"
#include "tqueuegaugedelegate.h"
#include "tqueuelistmodel.h"
#include "tsplitterbar.h"

#include <QtCore/QStorageInfo>
#include <QtGui/QAction>
#include <QtGui/QScreen>
#include <QtGui/QStatusTipEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QComboBox>
#include <QtGui/QFileSystemModel>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QStyle>
#include <QtWidgets/QSystemTrayIcon>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeView>

namespace {
template <typename T>
T *Named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QBoxLayout *Box(QWidget *owner, QBoxLayout::Direction direction)
{
    auto *box = new QBoxLayout(direction, owner);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    return box;
}

QTreeView *ReportView(QWidget *parent, const char *name, int gaugeColumn)
{
    auto *view = Named(new QTreeView(parent), name);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setItemDelegate(new TQueueGaugeDelegate(gaugeColumn, TQueueListModel::ProgressRole, view));
    view->header()->setStretchLastSection(false);
    view->setFont(QFont());
    return view;
}
}  // namespace

void TfrmMain::BuildFrame()
{
    setWindowTitle(QStringLiteral("Tarnel"));
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
    setMinimumSize(kMinWidth, kMinHeight);
    resize(780, 560);
    auto *central = new QWidget(this);
    setCentralWidget(central);
    QBoxLayout *main = Box(central, QBoxLayout::TopToBottom);

    MainCoolBar = Named(new QWidget(central), "MainCoolBar");
    MainToolBar = Named(new QToolBar(MainCoolBar), "MainToolBar");
    Box(MainCoolBar, QBoxLayout::LeftToRight)->addWidget(MainToolBar);
    const struct {
        QAction *action;
        QStyle::StandardPixmap icon;
    } buttons[] = {
        {m_actions.value(QStringLiteral("acConnectTo")), QStyle::SP_DriveNetIcon},
        {m_actions.value(QStringLiteral("acDisconnect")), QStyle::SP_DialogCloseButton},
        {m_stopButton, QStyle::SP_BrowserStop},
        {m_actions.value(QStringLiteral("acQueueProcess")), QStyle::SP_MediaPlay},
        {m_actions.value(QStringLiteral("acRefresh")), QStyle::SP_BrowserReload},
        {m_actions.value(QStringLiteral("acOption")), QStyle::SP_FileDialogDetailedView},
    };
    for (const auto &b : buttons) {
        b.action->setIcon(style()->standardIcon(b.icon));
        MainToolBar->addAction(b.action);
    }
    if (auto *connectButton = qobject_cast<QToolButton *>(MainToolBar->widgetForAction(buttons[0].action))) {
        connectButton->setPopupMode(QToolButton::MenuButtonPopup);
        connectButton->setMenu(Named(new QMenu(connectButton), "pmConnect"));
    }
    main->addWidget(MainCoolBar);

    pTop = Named(new QWidget(central), "pTop");
    m_log = Named(new TMessageLog(pTop), "reMessageLog");
    Box(pTop, QBoxLayout::TopToBottom)->addWidget(m_log);
    main->addWidget(pTop);
    HSplitter1 = Named(new TSplitterBar(Qt::Vertical, pTop, false, central), "HSplitter1");
    HSplitter1->CanResize = [this](int &h) { return HSplitter1CanResize(h); };
    main->addWidget(HSplitter1);

    pCenter = Named(new QWidget(central), "pCenter");
    QBoxLayout *center = Box(pCenter, QBoxLayout::LeftToRight);
    pLeft = BuildPane(true);
    VSplitter1 = Named(new TSplitterBar(Qt::Horizontal, pLeft, false, pCenter), "VSplitter1");
    pRight = BuildPane(false);
    center->addWidget(pLeft);
    center->addWidget(VSplitter1);
    center->addWidget(pRight, 1);
    main->addWidget(pCenter, 1);

    tbUploadBar = Named(new QToolBar(pCenter), "tbUploadBar");
    tbDownloadBar = Named(new QToolBar(pCenter), "tbDownloadBar");
    tbSyncBar = Named(new QToolBar(pCenter), "tbSyncBar");
    const struct {
        QToolBar *bar;
        const char *first, *second;
        QStyle::StandardPixmap icon;
    } bars[] = {{tbUploadBar, "acUpCopy", "acUpMove", QStyle::SP_ArrowRight},
                {tbDownloadBar, "acDownCopy", "acDownMove", QStyle::SP_ArrowLeft}};
    for (const auto &b : bars) {
        b.bar->setOrientation(Qt::Vertical);
        for (const char *name : {b.first, b.second}) {
            QAction *a = m_actions.value(QLatin1String(name));
            a->setIcon(style()->standardIcon(b.icon));
            b.bar->addAction(a);
        }
    }
    tbSyncBar->setOrientation(Qt::Vertical);
    tbSyncBar->addAction(m_actions.value(QStringLiteral("acSynchronize")));
    tbSyncBar->hide();

    pBottom = Named(new QWidget(central), "pBottom");
    pcQueue = Named(new QTabWidget(pBottom), "pcQueue");
    pcQueue->setTabPosition(QTabWidget::South);
    Box(pBottom, QBoxLayout::TopToBottom)->addWidget(pcQueue);
    tsQueue = Named(new QWidget, "tsQueue");
    QWidget *pQueue = Named(new QWidget(tsQueue), "pQueue");
    Box(tsQueue, QBoxLayout::TopToBottom)->addWidget(pQueue);
    lvQueue = ReportView(pQueue, "lvQueue", TQueueListModel::colProgress);
    Box(pQueue, QBoxLayout::TopToBottom)->addWidget(lvQueue);
    tsUploaded = Named(new QWidget, "tsUploaded");
    lvUploaded = ReportView(tsUploaded, "lvUploaded", -1);
    Box(tsUploaded, QBoxLayout::TopToBottom)->addWidget(lvUploaded);
    tsDownloaded = Named(new QWidget, "tsDownloaded");
    lvDownloaded = ReportView(tsDownloaded, "lvDownloaded", -1);
    Box(tsDownloaded, QBoxLayout::TopToBottom)->addWidget(lvDownloaded);
    pcQueue->addTab(tsQueue, QStringLiteral("队列"));
    pcQueue->addTab(tsUploaded, QStringLiteral("已上传"));
    pcQueue->addTab(tsDownloaded, QStringLiteral("已下载"));
    HSplitter2 = Named(new TSplitterBar(Qt::Vertical, pBottom, true, central), "HSplitter2");
    main->addWidget(HSplitter2);
    main->addWidget(pBottom);
    HSplitter2->CanResize = [this](int &h) { return HSplitter2CanResize(h); };
    for (TSplitterBar *bar : {HSplitter1, HSplitter2, VSplitter1})
        connect(bar, &TSplitterBar::Moved, this, &TfrmMain::ArrangeTransferButtons);

    QStatusBar *status = statusBar();
    status->setObjectName(QStringLiteral("MainStatusBar"));
    status->setSizeGripEnabled(true);
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(status);
        m_panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        if (i == 0) {
            status->addWidget(m_panels[i], 1);
        } else {
            m_panels[i]->setFixedWidth(120);
            status->addPermanentWidget(m_panels[i]);
        }
    }
}

QWidget *TfrmMain::BuildPane(bool local)
{
    auto *pane = Named(new QWidget(pCenter), local ? "pLeft" : "pRight");
    QBoxLayout *box = Box(pane, QBoxLayout::TopToBottom);
    auto *header = Named(new QLabel(local ? QStringLiteral("本地") : QStringLiteral("远程"), pane),
                         local ? "pLocalHeader" : "pRemoteHeader");
    header->setContentsMargins(4, 2, 4, 2);
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    box->addWidget(header);

    auto *tools = Named(new QToolBar(pane), local ? "tbLocal" : "tbRemote");
    tools->setIconSize(QSize(16, 16));
    const QStringList names = local
        ? QStringList{QStringLiteral("acLocalRename"), QStringLiteral("acLocalDelete"), QStringLiteral("acLocalCreateDir")}
        : QStringList{QStringLiteral("acRemoteRename"), QStringLiteral("acRemoteDelete"),
                      QStringLiteral("acRemoteCreateDir"), QStringLiteral("acRemoteSetAttrib"),
                      QStringLiteral("acRemoteRefresh")};
    for (const QString &n : names)
        tools->addAction(m_actions.value(n));
    box->addWidget(tools);

    auto *dir = Named(new QWidget(pane), local ? "pLocalDir" : "pRemoteDir");
    auto *combo = Named(new QComboBox(dir), local ? "cbDrive" : "cbRemotePath");
    Box(dir, QBoxLayout::LeftToRight)->addWidget(combo);
    box->addWidget(dir);

    auto *treePanel = Named(new QWidget(pane), local ? "pLTree" : "pRTree");
    treePanel->setFixedHeight(120);
    auto *tree = Named(new QTreeView(treePanel), local ? "tvLocal" : "tvRemote");
    tree->setHeaderHidden(true);
    tree->setFrameShape(QFrame::NoFrame);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Box(treePanel, QBoxLayout::TopToBottom)->addWidget(tree);
    box->addWidget(treePanel);
    auto *split = Named(new TSplitterBar(Qt::Vertical, treePanel, false, pane), local ? "spL" : "spR");
    split->CanResize = [](int &h) { return h > 20; };
    box->addWidget(split);

    auto *listPanel = Named(new QWidget(pane), local ? "pLocal" : "pRemote");
    box->addWidget(listPanel, 1);
    auto *status = Named(new QLabel(pane), local ? "pLocalStatus" : "pRemoteStatus");
    status->setContentsMargins(4, 1, 4, 1);
    box->addWidget(status);

    if (local) {
        pLocalHeader = header;
        cbDrive = combo;
        pLTree = treePanel;
        tvLocal = tree;
        spL = split;
        pLocal = listPanel;
        pLocalStatus = status;
        m_localTreeModel = new QFileSystemModel(this);
        m_localTreeModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
        m_localTreeModel->setRootPath(QStringLiteral("/"));
        tree->setModel(m_localTreeModel);
        for (int c = 1; c < m_localTreeModel->columnCount(); ++c)
            tree->hideColumn(c);
        connect(tree, &QTreeView::clicked, this,
                [this](const QModelIndex &i) { ShowLocalFolder(m_localTreeModel->filePath(i)); });
        for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
            if (volume.isValid() && volume.isReady())
                combo->addItem(volume.rootPath());
        connect(combo, &QComboBox::activated, this, [this, combo](int i) { ShowLocalFolder(combo->itemText(i)); });
    } else {
        pRemoteHeader = header;
        cbRemotePath = combo;
        pRTree = treePanel;
        tvRemote = tree;
        spR = split;
        pRemote = listPanel;
        pRemoteStatus = status;
        combo->setFixedHeight(22);
    }
    return pane;
}

int TfrmMain::ClientHeight() const
{
    return height() - (menuBar()->isHidden() ? 0 : menuBar()->height());
}

int TfrmMain::ClientTop(QWidget *w) const
{
    return w->mapTo(this, QPoint(0, 0)).y() - (menuBar()->isHidden() ? 0 : menuBar()->height());
}

bool TfrmMain::HSplitter1CanResize(int &newHeight) const
{
    if (pTop->isHidden() || newHeight <= 50)
        return false;
    const int queue = HSplitter2->isHidden() ? 0 : pBottom->height();
    const int tools = MainCoolBar->isHidden() ? 0 : MainCoolBar->height();
    return queue + newHeight < ClientHeight() - tools - 126;
}

bool TfrmMain::HSplitter2CanResize(int &newHeight) const
{
    if (pBottom->isHidden() || newHeight <= 50)
        return false;
    return HSplitter1->isHidden() || ClientTop(HSplitter1) + newHeight < ClientHeight() - 126;
}

void TfrmMain::ApplyWindowLayout()
{
    setWindowTitle(QStringLiteral("Tarnel"));
    pLeft->setFixedWidth(qMax(m_settings.VS, 0));
    pTop->setFixedHeight(qMax(m_settings.HST, 0));
    pBottom->setFixedHeight(qMax(m_settings.HSB, 0));
    const TSettings &s = m_settings;
    if (m_options.RememberWindow) {
        if (s.X == s.CX && s.Y == s.CY) {
            resize(500, 470);
            const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->availableGeometry();
            move(screen.center() - QPoint(250, 235));
        } else if (s.CX < 0 && s.CY < 0) {
            move(-s.X, -s.Y);
            resize(-s.CX, -s.CY);
            m_restoreBounds = QRect(-s.X, -s.Y, -s.CX, -s.CY);
            setWindowState(windowState() | Qt::WindowMaximized);
        } else {
            move(s.X, s.Y);
            resize(s.CX, s.CY);
        }
    }
    m_restoreBounds = m_restoreBounds.isValid() ? m_restoreBounds : QRect(pos(), size());
    MainCoolBar->setVisible(s.ShowTool);
    statusBar()->setVisible(s.ShowStatus);
    SetToolCaptions(s.ShowText);
    pTop->setVisible(s.ShowMsgLog);
    HSplitter1->setVisible(s.ShowMsgLog);
    pBottom->setVisible(s.ShowQueue);
    HSplitter2->setVisible(s.ShowQueue);
    mnToolBar->setChecked(s.ShowTool);
    mnStatusBar->setChecked(s.ShowStatus);
    mnTextLabels->setChecked(s.ShowText);
    mnMessageLog->setChecked(s.ShowMsgLog);
    mnTransferQueue->setChecked(s.ShowQueue);
    mnLocalTreeView->setChecked(s.ShowLocalTree);
    mnRemoteTreeView->setChecked(s.ShowRemoteTree);
}

void TfrmMain::SaveWindowLayout()
{
    TSettings &s = m_settings;
    s.VS = pLeft->width();
    s.HST = pTop->height();
    s.HSB = pBottom->height();
    if (m_options.RememberWindow) {
        if (isMaximized()) {
            const QRect r = m_restoreBounds;
            s.X = -r.x();
            s.Y = -r.y();
            s.CX = -r.width();
            s.CY = -r.height();
        } else {
            s.X = x();
            s.Y = y();
            s.CX = width();
            s.CY = height();
        }
    }
    s.ShowStatus = !statusBar()->isHidden();
    s.ShowTool = !MainCoolBar->isHidden();
    s.ShowText = MainToolBar->toolButtonStyle() == Qt::ToolButtonTextUnderIcon;
    s.ShowMsgLog = mnMessageLog->isChecked();
    s.ShowQueue = mnTransferQueue->isChecked();
    s.ShowLocalTree = mnLocalTreeView->isChecked();
    s.ShowRemoteTree = mnRemoteTreeView->isChecked();
    s.LocalViewStyle = LocalViewStyle();
    s.RemoteViewStyle = RemoteViewStyle();
}

void TfrmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        m_restoreBounds.setSize(size());
    FormResize();
}

void TfrmMain::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        m_restoreBounds.moveTopLeft(pos());
}

void TfrmMain::FormResize()
{
    if (!pLeft)
        return;
    pLeft->setFixedWidth(qMax(0, (width() - VSplitter1->width()) / 2));
    // Panel 0 takes the rest of the status bar's width by its stretch.
    ArrangeTransferButtons();
}

void TfrmMain::ScaleTransferButtons()
{
    const int k = qMax(1, qRound(logicalDpiX() / 96.0));
    VSplitter1->setFixedWidth(31 * k);
    for (QToolBar *bar : {tbUploadBar, tbDownloadBar, tbSyncBar}) {
        bar->setMovable(false);
        bar->setContentsMargins(0, 0, 0, 0);
        bar->layout()->setContentsMargins(0, 0, 0, 0);
        bar->layout()->setSpacing(0);
        bar->setIconSize(QSize(16 * k, 16 * k));
        bar->setFixedWidth(23 * k);
        bar->adjustSize();
        bar->setFixedHeight(2 * (bar->sizeHint().height() / 2));
    }
}

void TfrmMain::ArrangeTransferButtons()
{
    if (!tbUploadBar)
        return;
    pCenter->layout()->activate();
    const int left = VSplitter1->x() + 4;
    const int h = VSplitter1->height();
    const int t = tbUploadBar->height() + tbDownloadBar->height() + 8;
    const int top = VSplitter1->y() + (t < h ? (h - t) / 2 : 0);
    tbUploadBar->move(left, top);
    tbDownloadBar->move(left, top + tbUploadBar->height() + 8);
    tbSyncBar->move(left, tbDownloadBar->y() + tbDownloadBar->height() + 8);
    tbUploadBar->raise();
    tbDownloadBar->raise();
}

void TfrmMain::SetToolCaptions(bool show)
{
    MainToolBar->setToolButtonStyle(show ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    const QSize size = show ? QSize(64, 52) : QSize(38, 39);
    for (QAction *a : MainToolBar->actions())
        if (QWidget *button = MainToolBar->widgetForAction(a))
            button->setFixedSize(size);
    MainCoolBar->setMinimumHeight(size.height() + 1);
}

void TfrmMain::mnToolBarClick()
{
    MainCoolBar->setVisible(mnToolBar->isChecked());
}

void TfrmMain::mnStatusBarClick()
{
    statusBar()->setVisible(mnStatusBar->isChecked());
}

void TfrmMain::mnTextLabelsClick()
{
    SetToolCaptions(mnTextLabels->isChecked());
}

void TfrmMain::mnMessageLogClick()
{
    pTop->setVisible(mnMessageLog->isChecked());
    HSplitter1->setVisible(mnMessageLog->isChecked());
}

void TfrmMain::mnTransferQueueClick()
{
    pBottom->setVisible(mnTransferQueue->isChecked());
    HSplitter2->setVisible(mnTransferQueue->isChecked());
}

void TfrmMain::mnLocalTreeViewClick()
{
    pLTree->setVisible(mnLocalTreeView->isChecked());
    spL->setVisible(mnLocalTreeView->isChecked());
}

void TfrmMain::mnRemoteTreeViewClick()
{
    pRTree->setVisible(mnRemoteTreeView->isChecked());
    spR->setVisible(mnRemoteTreeView->isChecked());
}

void TfrmMain::mnClearMessageLogClick()
{
    m_log->clear();
}

void TfrmMain::ShowHint(const QString &hint)
{
    m_panels[0]->setText(UntagHint(hint, m_hintOwner));
}

bool TfrmMain::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;  // the status bar shows only what ShowHint lets through
    }
    return QMainWindow::event(event);
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::StatusTip && watched != this)
        ShowHint(static_cast<QStatusTipEvent *>(event)->tip());
    else if (watched == VSplitter1 && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        ArrangeTransferButtons();  // the bars follow the splitter once the layout has placed it
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::PrepareTray()
{
    m_trayMenu = new QMenu(this);
    QAction *restore = m_trayMenu->addAction(QStringLiteral("Restore"));
    restore->setData(1);
    m_trayMenu->addSeparator();
    QAction *exit = m_trayMenu->addAction(QStringLiteral("Exit"));
    exit->setData(2);
    connect(restore, &QAction::triggered, this, &TfrmMain::RestoreFromTray);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setToolTip(QStringLiteral("Tarnel"));
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            RestoreFromTray();
    });
}

void TfrmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_options.MinimizeToTray && m_tray)
        QMetaObject::invokeMethod(this, &TfrmMain::MinimizeToTray, Qt::QueuedConnection);
}

void TfrmMain::MinimizeToTray()
{
    if (!isMinimized() || !m_tray)
        return;
    hide();
    m_tray->show();
    m_trayPresent = true;
}

void TfrmMain::RestoreFromTray()
{
    if (m_tray && m_trayPresent) {
        m_tray->hide();
        m_trayPresent = false;
    }
    showNormal();
    raise();
    activateWindow();
}
