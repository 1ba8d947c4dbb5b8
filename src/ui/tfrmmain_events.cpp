// The browsing session's and the thread manager's events: log lines, sounds, the status
// bar and the sites' statistics.
#include "tfrmmain.h"

#include "tftpmainthread.h"
#include "tmessagelog.h"
#include "tsitemanager.h"
#include "tthreadmanager.h"

#include <QtCore/QDateTime>
#include <QtCore/QElapsedTimer>
#include <QtGui/QAction>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QInputDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>

void TfrmMain::HookSession()
{
    TFtpMainThread *s = m_session;
    s->OnCommand = [this](TFtpMainThread *, const QString &text) {
        if (m_logSession)
            Log(lkCommand, text);
    };
    s->OnResponse = [this](TFtpMainThread *, const QString &text, bool isError) {
        if (!m_logSession)
            return;
        if (isError)
            PlaySound(seError);
        Log(lkResponse, text, isError);
    };
    s->OnInfo = [this](TFtpMainThread *, const QString &text) { Log(lkInfo, text); };
    s->OnError = [this](TFtpMainThread *, const QString &text, int) {
        PlaySound(seError);
        Log(lkError, text);
        QApplication::restoreOverrideCursor();
        UpdateActions();
    };
    s->OnListReceived = [this](TFtpMainThread *) {
        m_stopButton->setEnabled(false);
        Log(lkInfo, QStringLiteral("目录列表已接收。"));
        RemoteListingReceived();
        UpdateActions();
    };
    s->OnListProgress = [this](TFtpMainThread *, bool &, qint64 bytes) {
        pRemoteStatus->setText(QStringLiteral("正在获取目录列表: %1 字节...").arg(bytes));
    };
    s->OnConnecting = [this](TFtpMainThread *) {
        m_stopButton->setEnabled(true);
        m_sites.StatConnecting(m_sessionSite.Name);
        UpdateActions();
    };
    s->OnConnected = [this](TFtpMainThread *session) {
        setWindowTitle(QStringLiteral("Tarnel @ ") + session->Settings.Host);
        PlaySound(seConnected);
        pRemoteHeader->setText(QStringLiteral("%1 (%2)").arg(m_sessionSite.Name, session->Settings.Host));
        m_sites.StatConnected(m_sessionSite.Name, DateTimeToDays(QDateTime::currentDateTime()));
        UpdateActions();
    };
    s->OnDisconnected = [this](TFtpMainThread *session) {
        setWindowTitle(QStringLiteral("Tarnel"));
        PlaySound(seDisconnected);
        m_stopButton->setEnabled(false);
        m_logSession = false;
        cbRemotePath->clear();
        ClearRemoteList();
        pRemoteHeader->setText(QStringLiteral("远程"));
        pRight->setEnabled(false);
        m_panels[1]->clear();
        m_sites.StatDisconnected(m_sessionSite.Name, session->ConnectedSeconds());
        UpdateActions();
    };
    s->OnDirCreated = [this](TFtpMainThread *, const QByteArray &path) {
        Log(lkInfo, QStringLiteral("文件夹“%1”已被创建。").arg(QString::fromUtf8(path)), false, false);
    };
    s->OnReady = [this](TFtpMainThread *) {
        QApplication::restoreOverrideCursor();
        if (m_refreshPending) {
            m_refreshPending = false;
            RefreshRemote();
        }
        UpdateActions();
    };
    s->OnIdleTime = [this](TFtpMainThread *, int seconds) {
        m_panels[1]->setText(seconds > 0 ? QStringLiteral("已空闲 %1 秒。").arg(seconds) : QString());
        if (m_closeRequested)
            close();
    };
    s->OnPasswordNeeded = [this](TFtpMainThread *session, const QString &, QString &password) {
        bool ok = false;
        const QString typed = QInputDialog::getText(this, QStringLiteral("%1: 需要密码").arg(session->Settings.UserName),
                                                    QStringLiteral("密码:"), QLineEdit::Password, {}, &ok);
        password = ok ? typed : QString();
    };
    s->OnTreeSelect = [this](TFtpMainThread *, const QByteArray &path) { RemoteTreeSelected(path); };
}

void TfrmMain::HookManager()
{
    TThreadManager *m = m_manager;
    connect(m, &TThreadManager::OnMessage, this, [this](const QString &text) { Log(lkInfo, text); });
    connect(m, &TThreadManager::OnError, this, [this](const QString &text) {
        PlaySound(seTransferError);
        Log(lkError, text);
    });
    connect(m, &TThreadManager::OnCountChange, this, [this](int count) {
        m_panels[2]->setText(QStringLiteral("%1 已排队.").arg(count));
        UpdateActions();
    });
    connect(m, &TThreadManager::OnQueueIdle, this, [this](int kindsRun) {
        if (kindsRun & 4)
            MarkRemoteStale();
        if (kindsRun & 2) {
            RescanLocal();
            if (kindsRun & 8)
                MarkRemoteStale();
        }
    });
    connect(m, &TThreadManager::OnWorkerStart, this, [this](const TTMInfo &info) { WorkerEvent(info, 0); });
    connect(m, &TThreadManager::OnWorkerLoggedIn, this, [this](const TTMInfo &info) { WorkerEvent(info, 1); });
    connect(m, &TThreadManager::OnWorkerEnd, this, [this](const TTMInfo &info) { WorkerEvent(info, 2); });
    connect(m, &TThreadManager::OnTransferDone, this, [this](const TTMInfo &info) {
        PlaySound(seTransferDone);
        m_sites.StatTransferCompleted(info.SiteTag.Name, HasItemFlag(info.InfoFlags, ikUpload), info.InfoBytes);
    });
    m->OnGetProxy = [this](TProxyRecord &proxy) {
        proxy.ProxyType = m_options.FtpProxyType;
        proxy.ProxyHost = m_options.FtpProxyHost;
        proxy.ProxyPortText = QString::number(m_options.FtpProxyPort);
        proxy.ProxyUser = m_options.FtpProxyUsername;
        proxy.ProxyPassword = m_options.FtpProxyPassword;
    };
}

quint32 TfrmMain::Tick() const
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return quint32(clock.elapsed()) | 1u;  // 0 means "not started" to the statistics
}

void TfrmMain::WorkerEvent(const TTMInfo &info, int which)
{
    const bool upload = HasItemFlag(info.InfoFlags, ikUpload);
    const qint32 id = info.SiteTag.SiteId;
    switch (which) {
    case 0: m_sites.StatWorkerStarted(id); break;
    case 1: m_sites.StatWorkerLoggedIn(id, upload, Tick()); break;
    default: m_sites.StatWorkerEnded(id, upload, info.InfoBytes, Tick()); break;
    }
}
