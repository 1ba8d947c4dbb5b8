#include "tfrmmain.h"

#include "helpers.h"
#include "queuefile.h"
#include "tftpmainthread.h"
#include "tmessagelog.h"
#include "tqueuegaugedelegate.h"
#include "uistyle.h"
#include "tsitemanager.h"
#include "tsplitterbar.h"
#include "tsoundplayer.h"
#include "tthreadmanager.h"

#include <QtCore/QRandomGenerator>
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtGui/QActionGroup>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QSystemTrayIcon>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QTreeView>

namespace {
qint64 NextHintOwner()
{
    static qint64 counter = 0;
    return ++counter;
}
}  // namespace

TfrmMain::TfrmMain(TSiteManager &sites, TSoundPlayer &sounds, QWidget *parent)
    : QMainWindow(parent), m_sites(sites), m_sounds(sounds), m_hintOwner(NextHintOwner())
{
    setObjectName(QStringLiteral("TfrmMain"));
    CreateActions();
    BuildFrame();
    CreateMenus();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    FormDestroy();
}

void TfrmMain::FormCreate()
{
    // Settings: defaults, then whatever is stored; written back at once so the store holds
    // every value after the first start.
    m_store = std::make_unique<TSettingsStore>();
    m_options = DefaultOptions();
    m_settings = DefaultSettings();
    m_display = TDisplaySettings();
    LoadOptions(*m_store, m_options);
    LoadSettings(*m_store, m_settings);
    LoadDisplaySettings(*m_store, m_display);
    m_options.ASCIIType.replace(u'.', u';');
    if (m_options.ASCIIType.startsWith(u';'))
        m_options.ASCIIType.remove(0, 1);
    SaveOptions(*m_store, m_options);
    SaveSettings(*m_store, m_settings);
    SaveDisplaySettings(*m_store, m_display);
    m_store->Sync();

    LoadSounds(*m_store, m_soundRows);
    PlaySound(seProgramStart);
    m_customExt.Separator = u'=';
    LoadRegList(*m_store, kCustomExtKey, m_customExt);

    TagHints();
    qApp->installEventFilter(this);  // every hint of the program passes the status bar's filter

    m_logFile.SetOptions(m_options);
    m_logFile.OnFailure = [this](const QString &message) {
        // Posted: the pane is emptied once more while the window is being made.
        if (!m_logFailedShown)
            QMetaObject::invokeMethod(this, [this, message] { Log(lkError, message, false, false); },
                                      Qt::QueuedConnection);
        m_logFailedShown = true;
    };
    m_log->ApplyDisplaySettings(m_display);
    m_logFile.Open();

    // The panes.
    pcQueue->setVisible(true);
    pLTree->setVisible(m_settings.ShowLocalTree);
    spL->setVisible(m_settings.ShowLocalTree);
    pRTree->setVisible(m_settings.ShowRemoteTree);
    spR->setVisible(m_settings.ShowRemoteTree);
    BuildRemoteList(pRemote);
    BuildLocalList(pLocal);
    SetRemoteViewStyle(m_settings.RemoteViewStyle);
    SetLocalViewStyle(m_settings.LocalViewStyle);
    ShowLocalFolder(StartFolder());
    ApplyListViewSettings(true);

    m_manager = new TThreadManager(this);
    m_manager->Options = &m_options;
    m_manager->Sites = &m_sites;
    lvQueue->setModel(m_manager->QueueModel());
    lvUploaded->setModel(m_manager->UploadedModel());
    lvDownloaded->setModel(m_manager->DownloadedModel());
    for (QTreeView *view : {lvQueue, lvUploaded, lvDownloaded}) {
        const auto layout = view == lvQueue ? TQueueListModel::QueueLayout : TQueueListModel::DoneLayout;
        const auto widths = TQueueListModel::ColumnWidths(layout);
        for (int c = 0; c < widths.size(); ++c)
            view->setColumnWidth(c, widths[c].second);
    }
    HookManager();
    ApplySpeedLimits();

    m_session = new TFtpMainThread(this);
    HookSession();
    m_session->Settings.NumRetry = m_options.NumRetry;
    m_session->Settings.RetryDelay = m_options.RetryDelay;
    m_session->Settings.UseNoop = m_options.UseNOOPCommand == 1;
    tvRemote->setModel(m_session->TreeModel());
    m_session->AttachTree(true);
    connect(m_session->TreeModel(), &TRemoteTreeModel::SelectRequested, tvRemote,
            [this](const QModelIndex &index) { tvRemote->setCurrentIndex(index); });
    connect(m_session->TreeModel(), &TRemoteTreeModel::ExpandRequested, tvRemote, &QTreeView::expand);
    connect(tvRemote, &QTreeView::clicked, this,
            [this](const QModelIndex &index) { m_session->TreeSelectionChanged(index); });

    ScaleTransferButtons();
    PrepareTray();
    ArrangeTransferButtons();
    ApplyDisplaySettings();
    pcQueue->setCurrentWidget(tsQueue);

    ApplyWindowLayout();
    ApplyOptions();
    pRight->setEnabled(false);

    const TQueueFileResult loaded = m_manager->LoadQueue(DefaultQueueFileName());
    if (QueueFileWantsErrorBox(loaded))
        QTimer::singleShot(0, this, [this] { QMessageBox::critical(this, windowTitle(), QueueFileErrorText()); });
    LoadBookmarks(DefaultBookmarkFileName(), m_bookmarks);
    UpdateActions();
}

void TfrmMain::FormDestroy()
{
    m_destroying = true;
    qApp->removeEventFilter(this);
    SaveWindowLayout();
    m_options.LocalFolder = LocalFolder();
    SaveRegList(*m_store, kCustomExtKey, m_customExt);
    SaveBookmarks(DefaultBookmarkFileName(), m_bookmarks);
    m_bookmarks.clear();

    SaveListViewSettings();
    try {
        m_manager->SaveQueue(DefaultQueueFileName());
    } catch (const std::exception &) {
        // The previous queue file stays; there is nobody left to tell.
    }
    m_session->CloseConnection();
    delete m_session;
    m_session = nullptr;
    delete m_manager;
    m_manager = nullptr;
    if (m_tray)
        m_tray->hide();
    m_trayPresent = false;

    m_logFile.Close();

    SaveOptions(*m_store, m_options);
    SaveSettings(*m_store, m_settings);
    SaveDisplaySettings(*m_store, m_display);
    m_store->Sync();
}

QAction *TfrmMain::AddAction(const char *name, const QString &caption, const QString &hint)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    action->setEnabled(false);  // each command is switched on when its handler exists
    m_actions.insert(action->objectName(), action);
    return action;
}

void TfrmMain::CreateActions()
{
    auto s = [](const char *text) { return QString::fromUtf8(text); };
    AddAction("acConnectTo", s("连接到"), s("连接到服务器"));
    AddAction("acDisconnect", s("断开"), s("从服务器上断开"));
    AddAction("acStop", s("停止"));
    AddAction("acQueueProcess", s("开始队列"), s("开始处理传输队列"));
    AddAction("acRefresh", s("刷新"), s("刷新远程窗格并重新扫描本地窗格"));
    AddAction("acOption", s("选项"), s("设置程序选项"));
    AddAction("acFileSiteManager", s("站点管理器(&S)..."));
    AddAction("acLocalUpload", s("上传"), s("上传选定的文件和文件夹"));
    AddAction("acLocalAddQueue", s("添加到队列(&A)"), s("将选定的项目添加到传输队列"));
    AddAction("acLocalEdit", s("查看或编辑(&V)"));
    AddAction("acLocalRename", s("重命名(&R)..."), s("将选定的文件或文件夹重新命名"));
    AddAction("acLocalDelete", s("删除(&D)"), s("删除选定的文件或文件夹"));
    AddAction("acLocalCreateDir", s("新建目录(&C)..."), s("在当前文件夹中新建文件夹"));
    AddAction("acLocalSortName", s("按名称(&N)"));
    AddAction("acLocalSortSize", s("按大小(&S)"));
    AddAction("acLocalSortDate", s("按日期(&D)"));
    AddAction("acRemoteDownload", s("下载"), s("下载选定的文件和目录"));
    AddAction("acRemoteAddQueue", s("添加到队列(&A)"), s("将选定的文件和文件夹添加到传输队列"));
    AddAction("acRemoteEdit", s("查看或编辑(&V)"));
    AddAction("acRemoteRename", s("重命名(&R)..."), s("将选定的文件或目录重新命名"));
    AddAction("acRemoteDelete", s("删除(&E)"), s("删除选定的文件和目录"));
    AddAction("acRemoteCreateDir", s("新建目录(&C)..."), s("新建目录"));
    AddAction("acRemoteSetAttrib", s("设置属性(&S)..."));
    AddAction("acRemoteSortName", s("按名称(&N)"));
    AddAction("acRemoteSortSize", s("按大小(&S)"));
    AddAction("acRemoteSortDate", s("按日期(&D)"));
    AddAction("acRemoteSortFlag", s("按标记(&F)"));
    AddAction("acRemoteRefresh", s("刷新(&E)"), s("刷新并重新加载当前目录"));
    AddAction("acUpCopy", s("上传"));
    AddAction("acUpMove", s("上传并移动"));
    AddAction("acDownCopy", s("下载"));
    AddAction("acDownMove", s("下载并移动"));
    AddAction("acSynchronize", s("同步文件夹(&S)..."));
    AddAction("acSendCommand", s("发送命令(&E)..."));
    AddAction("acQueuePauseAll", s("全部暂停"));
    AddAction("acQueueAbortAll", s("全部中止"));
    AddAction("acQueueClear", s("清空队列"));
    AddAction("acQueueRemove", s("移除"));
    AddAction("acQueuePause", s("暂停"));
    AddAction("acQueueResume", s("继续"));
    AddAction("acQueueAbort", s("中止"));

    connect(m_actions.value(QStringLiteral("acDisconnect")), &QAction::triggered, this,
            [this] { m_session->Disconnect(); });
    const auto stop = [this] { m_session->Stop(); };
    connect(m_actions.value(QStringLiteral("acStop")), &QAction::triggered, this, stop);
    m_stopButton = new QAction(QStringLiteral("停止"), this);
    m_stopButton->setObjectName(QStringLiteral("tbStop"));
    m_stopButton->setEnabled(false);
    connect(m_stopButton, &QAction::triggered, this, stop);
    connect(m_actions.value(QStringLiteral("acQueueProcess")), &QAction::triggered, this,
            [this] { m_manager->ProcessQueue(); });
    QAction *refresh = m_actions.value(QStringLiteral("acRefresh"));
    refresh->setShortcut(Qt::Key_F5);
    refresh->setEnabled(true);
    connect(refresh, &QAction::triggered, this, [this] {
        RefreshRemote();
        RescanLocal();
    });
}

void TfrmMain::CreateMenus()
{
    auto act = [this](const char *name) { return m_actions.value(QLatin1String(name)); };
    auto check = [this](QMenu *menu, const char *name, const QString &caption, void (TfrmMain::*slot)()) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        a->setChecked(true);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    QMenu *file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->addAction(act("acConnectTo"));
    file->addAction(act("acDisconnect"));
    file->addAction(act("acFileSiteManager"));
    file->addSeparator();
    QAction *exit = file->addAction(QStringLiteral("退出(&E)"));
    exit->setObjectName(QStringLiteral("mnExit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu *view = menuBar()->addMenu(QStringLiteral("查看(&V)"));
    mnToolBar = check(view, "mnToolBar", QStringLiteral("工具栏(&T)"), &TfrmMain::mnToolBarClick);
    mnStatusBar = check(view, "mnStatusBar", QStringLiteral("状态栏(&S)"), &TfrmMain::mnStatusBarClick);
    mnTextLabels = check(view, "mnTextLabels", QStringLiteral("文本标签(&E)"), &TfrmMain::mnTextLabelsClick);
    view->addSeparator();
    mnMessageLog = check(view, "mnMessageLog", QStringLiteral("消息日志(&M)"), &TfrmMain::mnMessageLogClick);
    mnTransferQueue = check(view, "mnTransferQueue", QStringLiteral("传输队列(&R)"), &TfrmMain::mnTransferQueueClick);
    view->addSeparator();
    QAction *clear = view->addAction(QStringLiteral("清空消息日志(&C)"));
    clear->setObjectName(QStringLiteral("mnClearMessageLog"));
    connect(clear, &QAction::triggered, this, &TfrmMain::mnClearMessageLogClick);
    view->addSeparator();
    view->addAction(act("acOption"));

    static const char *const styleNames[4] = {"详细信息(&D)", "列表(&L)", "大图标(&A)", "小图标(&M)"};
    auto paneMenu = [&](bool local) {
        QMenu *menu = menuBar()->addMenu(local ? QStringLiteral("本地(&L)") : QStringLiteral("远程(&R)"));
        menu->setObjectName(local ? QStringLiteral("mnLocal") : QStringLiteral("mnRemote"));
        const QStringList names = local
            ? QStringList{QStringLiteral("acLocalUpload"), QStringLiteral("acLocalAddQueue"),
                          QStringLiteral("acLocalRename"), QStringLiteral("acLocalDelete"),
                          QStringLiteral("acLocalCreateDir")}
            : QStringList{QStringLiteral("acRemoteDownload"), QStringLiteral("acRemoteAddQueue"),
                          QStringLiteral("acRemoteRename"), QStringLiteral("acRemoteDelete"),
                          QStringLiteral("acRemoteCreateDir")};
        for (const QString &n : names)
            menu->addAction(m_actions.value(n));
        menu->addSeparator();
        QMenu *list = menu->addMenu(QStringLiteral("列表查看(&L)"));
        auto *group = new QActionGroup(list);
        QAction **styles = local ? m_localStyleItems : m_remoteStyleItems;
        for (int i = 0; i < 4; ++i) {
            styles[i] = list->addAction(QString::fromUtf8(styleNames[i]));
            styles[i]->setCheckable(true);
            group->addAction(styles[i]);
            connect(styles[i], &QAction::triggered, this, [this, local, i] { ViewStyleChosen(local, i); });
        }
        list->addSeparator();
        const QStringList columns = local ? QStringList{QStringLiteral("大小(&S)"), QStringLiteral("日期(&T)")}
                                          : QStringList{QStringLiteral("大小(&S)"), QStringLiteral("日期(&D)"),
                                                        QStringLiteral("标记(&F)")};
        QAction **items = local ? m_localColumnItems : m_remoteColumnItems;
        for (int i = 0; i < columns.size(); ++i) {
            items[i] = list->addAction(columns[i]);
            items[i]->setCheckable(true);
            const int bit = 2 << i;
            connect(items[i], &QAction::triggered, this, [this, local, bit] { ColumnToggled(local, bit); });
        }
        if (local)
            mnLocalTreeView = check(menu, "mnLocalTreeView", QStringLiteral("树状查看(&T)"),
                                    &TfrmMain::mnLocalTreeViewClick);
        else
            mnRemoteTreeView = check(menu, "mnRemoteTreeView", QStringLiteral("树状查看(&T)"),
                                     &TfrmMain::mnRemoteTreeViewClick);
    };
    paneMenu(true);
    paneMenu(false);

    QMenu *queue = menuBar()->addMenu(QStringLiteral("队列(&Q)"));
    for (const char *n : {"acQueueProcess", "acQueuePauseAll", "acQueueAbortAll", "acQueueClear", "acQueueRemove",
                          "acQueuePause", "acQueueResume", "acQueueAbort"})
        queue->addAction(act(n));

    QMenu *tools = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    tools->addAction(act("acSynchronize"));
    tools->addAction(act("acSendCommand"));

    QMenu *bookmarks = menuBar()->addMenu(QStringLiteral("书签(&B)"));
    bookmarks->setObjectName(QStringLiteral("mnBookmarks"));
    bookmarks->addAction(QStringLiteral("给当前目录打上书签(&B)..."))->setEnabled(false);
    bookmarks->addAction(QStringLiteral("编辑书签(&E)..."))->setEnabled(false);

    QMenu *help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    QAction *contents = help->addAction(QStringLiteral("帮助主题(&C)"));
    contents->setObjectName(QStringLiteral("mnContents"));
    contents->setEnabled(false);
    QAction *about = help->addAction(QStringLiteral("关于(&A)"));
    about->setObjectName(QStringLiteral("mnAbout"));
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("关于"),
                        QStringLiteral("Tarnel %1").arg(QStringLiteral(TARNEL_VERSION)), QMessageBox::NoButton, this);
        box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        box.exec();
    });
}

void TfrmMain::TagHints()
{
    auto tag = [this](QObject *object) {
        if (auto *w = qobject_cast<QWidget *>(object)) {
            if (!w->statusTip().isEmpty())
                w->setStatusTip(TagText(w->statusTip(), m_hintOwner));
        } else if (auto *a = qobject_cast<QAction *>(object)) {
            if (!a->statusTip().isEmpty())
                a->setStatusTip(TagText(a->statusTip(), m_hintOwner));
        }
    };
    for (QObject *child : findChildren<QObject *>())
        tag(child);
}

void TfrmMain::ApplyOptions()
{
    // Transfer type and overwrite items come with the transfer commands.
    TSessionSettings &s = m_session->Settings;
    s.ListExtraCmd = m_options.ListExtraCmd.toUtf8();
    s.NumRetry = m_options.NumRetry;
    s.RetryDelay = m_options.RetryDelay;
    if (m_options.EnableKeepAlive == 1) {
        const int span = qAbs(m_options.KeepAliveInteval2 - m_options.KeepAliveInteval1);
        if (m_keepAliveExtra < 0)
            m_keepAliveExtra = span > 0 ? int(QRandomGenerator::global()->bounded(span)) : 0;
        s.KeepAliveInterval = m_options.KeepAliveInteval1 + qMin(m_keepAliveExtra, qMax(span - 1, 0));
    } else {
        s.KeepAliveInterval = 0;
    }
    s.Passive = m_options.PassiveMode == 1;

    m_manager->MaxThread = m_options.MaxThread;
    m_manager->TransferType = m_options.TransferType;
    m_manager->AsciiExtensions = m_options.ASCIIType;
    m_manager->DefaultTimeOut = m_options.TransTimeout;
    m_manager->DefaultTries = m_options.TransRetry;
    m_manager->DefaultDelay = m_options.TransDelay;
    ApplyCacheSettings();
    ApplySpeedLimits();
    ApplyListViewSettings(false);
}

void TfrmMain::ApplySpeedLimits()
{
    m_manager->SetUploadLimit(m_options.UploadLimitOn ? m_options.UploadSpeedLimit * 1024 : -1);
    m_manager->SetDownloadLimit(m_options.DownloadLimitOn ? m_options.DownloadSpeedLimit * 1024 : -1);
}

void TfrmMain::UpdateActions()
{
    if (m_destroying || !m_session)
        return;
    const TConnState state = m_session->ConnState();
    m_actions.value(QStringLiteral("acDisconnect"))->setEnabled(m_session->LoggedIn());
    m_actions.value(QStringLiteral("acStop"))->setEnabled(state == csConnecting || state == csWaitingRetry);
    m_actions.value(QStringLiteral("acQueueProcess"))->setEnabled(!m_manager->Queue().empty());
}

void TfrmMain::PlaySound(int index)
{
    if (m_options.UseSound && index >= 0 && index < seCount)
        PlaySoundEvent(m_sounds, m_soundRows[size_t(index)]);
}

void TfrmMain::Log(TLogKind kind, const QString &text, bool isError, bool toFile)
{
    const QString *prefix = &m_display.LogInfoText;
    qint32 fileSwitch = m_options.LogInfo;
    switch (kind) {
    case lkInfo: break;
    case lkCommand: prefix = &m_display.LogCommandText; fileSwitch = m_options.LogCommand; break;
    case lkResponse: prefix = &m_display.LogResponseText; fileSwitch = m_options.LogResponse; break;
    case lkError: prefix = &m_display.LogErrorText; fileSwitch = m_options.LogError; break;
    }
    m_log->AddLogLine(*prefix + QLatin1Char(' ') + text, isError);
    if (toFile && fileSwitch == 1)
        m_logFile.Write(text);
}

void TfrmMain::PostConnect(const TSessionSettings &connection, const TSiteTag &site)
{
    QMetaObject::invokeMethod(this, [this, connection, site] { ConnectNow(connection, site); },
                              Qt::QueuedConnection);
}

void TfrmMain::ConnectNow(const TSessionSettings &connection, const TSiteTag &site)
{
    m_stopButton->setEnabled(true);
    m_logSession = true;
    TSessionSettings &s = m_session->Settings;
    s.Host = connection.Host;
    s.Port = connection.Port;
    s.UserName = connection.UserName;
    s.Password = connection.Password;
    s.InitialDir = connection.InitialDir;
    s.Passive = connection.Passive;
    s.ProxyType = connection.ProxyType;
    s.ProxyHost = connection.ProxyHost;
    s.ProxyPort = connection.ProxyPort;
    s.ProxyUser = connection.ProxyUser;
    s.ProxyPassword = connection.ProxyPassword;
    m_sessionSite = site;
    m_session->Connect();
    UpdateActions();
}

void TfrmMain::RestoreFromOtherInstance()
{
    if (m_trayPresent)
        RestoreFromTray();
    else if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TfrmMain::ApplyDisplaySettings()
{
    m_log->ApplyDisplaySettings(m_display);
    struct View {
        QTreeView *view;
        const TListDisplay &look;
    };
    for (const View &v : {View{lvQueue, m_display.LVQueue}, View{lvUploaded, m_display.LVUpload},
                          View{lvDownloaded, m_display.LVDownload}}) {
        v.view->setFont(StoredFont(v.look.FontName, v.look.FontSize, v.look.FontStyle));
        QPalette pal = v.view->palette();
        pal.setColor(QPalette::Text, StoredColor(v.look.FontColor, pal));
        pal.setColor(QPalette::Base, StoredColor(v.look.Color, pal));
        v.view->setPalette(pal);
        if (auto *d = qobject_cast<TQueueGaugeDelegate *>(v.view->itemDelegate()))
            d->SetGridLines(v.look.GridLine);
        v.view->viewport()->update();
    }
}
