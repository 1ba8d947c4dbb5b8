#pragma once
#include "bookmarkfile.h"
#include "settingsio.h"
#include "settingsrecords.h"
#include "sitetypes.h"
#include "soundevents.h"
#include "tlogfile.h"
#include "tsessionsettings.h"

#include <QtCore/QHash>
#include <QtCore/QRect>
#include <QtWidgets/QMainWindow>

#include <memory>

class QAction;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTabWidget;
class QToolBar;
class QTreeView;
class TFileListView;
class TFtpMainThread;
class TMessageLog;
class TSiteManager;
class TSoundPlayer;
class TSplitterBar;
class TThreadManager;
class TVirtualFileListView;
struct TTMInfo;

// The main window: the message log on top, the local and remote panes in the middle, the
// queue pages below. It owns the browsing session, the thread manager and the settings in
// use; settings are loaded when it is made and saved when it is destroyed.
class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kMinWidth = 500, kMinHeight = 300;
    enum TLogKind { lkInfo, lkCommand, lkResponse, lkError };

    TfrmMain(TSiteManager &sites, TSoundPlayer &sounds, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // Connects the browsing session once the current event has been handled.
    void PostConnect(const TSessionSettings &connection, const TSiteTag &site = {});
    // A second instance asked for this window.
    void RestoreFromOtherInstance();

    // A line of the message log, and of the log file when the kind's switch is on.
    void Log(TLogKind kind, const QString &text, bool isError = false, bool toFile = true);

    bool HSplitter1CanResize(int &newHeight) const;
    bool HSplitter2CanResize(int &newHeight) const;

    TFtpMainThread *Session() const { return m_session; }
    TThreadManager *Manager() const { return m_manager; }
    TMessageLog *MessageLog() const { return m_log; }
    TLogFile &LogFile() { return m_logFile; }
    const TOptions &Options() const { return m_options; }
    const TSettings &Settings() const { return m_settings; }
    qint64 HintOwner() const { return m_hintOwner; }
    bool SessionLogging() const { return m_logSession; }

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // tfrmmain.cpp: creation, destruction, actions and menus.
    void FormCreate();
    void FormDestroy();
    void CreateActions();
    QAction *AddAction(const char *name, const QString &caption, const QString &hint = {});
    void CreateMenus();
    void TagHints();
    void ApplyOptions();
    void ApplySpeedLimits();
    void ApplyDisplaySettings();
    void UpdateActions();
    void PlaySound(int index);
    void ConnectNow(const TSessionSettings &connection, const TSiteTag &site);

    // tfrmmain_layout.cpp: the frame, layout, splitters, view toggles, tray.
    void BuildFrame();
    QWidget *BuildPane(bool local);
    void ApplyWindowLayout();
    void SaveWindowLayout();
    void FormResize();
    int ClientHeight() const;
    int ClientTop(QWidget *w) const;
    void ArrangeTransferButtons();
    void ScaleTransferButtons();
    void SetToolCaptions(bool show);
    void ShowHint(const QString &hint);
    void PrepareTray();
    void MinimizeToTray();
    void RestoreFromTray();
    void mnToolBarClick();
    void mnStatusBarClick();
    void mnTextLabelsClick();
    void mnMessageLogClick();
    void mnTransferQueueClick();
    void mnLocalTreeViewClick();
    void mnRemoteTreeViewClick();
    void mnClearMessageLogClick();

    // tfrmmain_events.cpp: the session's and the thread manager's events.
    void HookSession();
    void HookManager();
    void WorkerEvent(const TTMInfo &info, int which);
    quint32 Tick() const;

    // tfrmmain_panes.cpp: every place that talks to the two file panes.
    void BuildLocalList(QWidget *pLocal);
    void BuildRemoteList(QWidget *pRemote);
    QString StartFolder() const;
    void ShowLocalFolder(const QString &folder);
    QString LocalFolder() const;
    void RescanLocal();
    void OpenRemoteFolder(const QString &path);
    void RemoteListingReceived();
    void ClearRemoteList();
    void MarkRemoteStale();
    void ClearRemoteStale();
    void RefreshRemote();
    void RemoteTreeSelected(const QByteArray &path);
    void ApplyListViewSettings(bool firstStart);
    void SaveListViewSettings();
    void ApplyCacheSettings();
    void SetLocalViewStyle(int listViewMode);
    void SetRemoteViewStyle(int listViewMode);
    int LocalViewStyle() const;
    int RemoteViewStyle() const;
    void ViewStyleChosen(bool local, int optionStyle);
    void ColumnToggled(bool local, int bit);

    TSiteManager &m_sites;
    TSoundPlayer &m_sounds;
    std::unique_ptr<TSettingsStore> m_store;
    TOptions m_options;
    TSettings m_settings;
    TDisplaySettings m_display;
    TSoundEvents m_soundRows;
    TRegList m_customExt;
    TBookmarkList m_bookmarks;
    TLogFile m_logFile;
    bool m_logFailedShown = false;
    bool m_logSession = true;
    bool m_closeRequested = false;
    bool m_remoteStale = false;
    bool m_refreshPending = false;
    int m_keepAliveExtra = -1;
    qint64 m_hintOwner = 0;
    TSiteTag m_sessionSite;
    QRect m_restoreBounds;
    bool m_destroying = false;

    TFtpMainThread *m_session = nullptr;
    TThreadManager *m_manager = nullptr;
    TMessageLog *m_log = nullptr;

    QHash<QString, QAction *> m_actions;
    QAction *m_stopButton = nullptr;
    QMenu *m_trayMenu = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    bool m_trayPresent = false;

    // Frame widgets, named as their objectName.
    QWidget *MainCoolBar = nullptr;
    QToolBar *MainToolBar = nullptr;
    QWidget *pTop = nullptr, *pCenter = nullptr, *pLeft = nullptr, *pRight = nullptr, *pBottom = nullptr;
    TSplitterBar *HSplitter1 = nullptr, *HSplitter2 = nullptr, *spL = nullptr, *spR = nullptr;
    TSplitterBar *VSplitter1 = nullptr;
    QWidget *pLocal = nullptr, *pRemote = nullptr;
    QWidget *pLTree = nullptr, *pRTree = nullptr;
    QLabel *pLocalStatus = nullptr, *pRemoteStatus = nullptr, *pLocalHeader = nullptr, *pRemoteHeader = nullptr;
    QComboBox *cbDrive = nullptr, *cbRemotePath = nullptr;
    QTreeView *tvLocal = nullptr, *tvRemote = nullptr;
    QToolBar *tbUploadBar = nullptr, *tbDownloadBar = nullptr, *tbSyncBar = nullptr;
    QTabWidget *pcQueue = nullptr;
    QWidget *tsQueue = nullptr, *tsUploaded = nullptr, *tsDownloaded = nullptr;
    QTreeView *lvQueue = nullptr, *lvUploaded = nullptr, *lvDownloaded = nullptr;
    QLabel *m_panels[3] = {nullptr, nullptr, nullptr};
    QAction *mnToolBar = nullptr, *mnStatusBar = nullptr, *mnTextLabels = nullptr, *mnMessageLog = nullptr,
            *mnTransferQueue = nullptr, *mnLocalTreeView = nullptr, *mnRemoteTreeView = nullptr;
    QAction *m_localStyleItems[4] = {}, *m_remoteStyleItems[4] = {};
    QAction *m_localColumnItems[2] = {}, *m_remoteColumnItems[3] = {};

    // The panes.
    TFileListView *lvLocal = nullptr;
    TVirtualFileListView *lvRemote = nullptr;
    QFileSystemModel *m_localTreeModel = nullptr;
    bool m_forcedReload = false;  // the next listing replaces the cached one of its path
    QString m_remoteHeaderText;   // the header's own text while the stale mark shows
};
