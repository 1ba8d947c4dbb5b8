// Connecting, logging in through the proxy schemes, retries and disconnecting.
#include "tftpmainthread.h"

#include "tsessionengine.h"

namespace {
bool IsDefaultPort(const QString &port)
{
    return port.isEmpty() || port == QLatin1String("21") || port == QLatin1String("ftp");
}

QString WithPort(const QString &host, const QString &port)
{
    return IsDefaultPort(port) ? host : host + QLatin1Char(':') + port;
}
}  // namespace

QString TFtpMainThread::HostForm() const { return WithPort(Settings.Host, Settings.Port); }
QString TFtpMainThread::EngineHostForm() const { return WithPort(m_engine->Host, m_engine->Port); }

void TFtpMainThread::Connect()
{
    if (m_loggedIn || Settings.Host.isEmpty())
        return;
    // A second Connect while an attempt runs or waits would start a rival attempt.
    if (m_connState != csIdle && m_connState != csConnected)
        return;
    Connecting();
}

void TFtpMainThread::Connecting()
{
    m_connState = csConnecting;
    m_initialConnect = true;
    m_pending.clear();
    NewListingStream(false);
    m_cancelled = false;
    m_triedPassive = false;
    m_triedActive = false;

    TSessionEngine &e = *m_engine;
    e.OwnMessagePump = true;
    e.SetWaitTimeout(60);
    e.Host = Settings.Host;
    e.Port = Settings.Port.isEmpty() ? QStringLiteral("ftp") : Settings.Port;
    e.LoginUser = Settings.UserName.toUtf8();
    e.LoginPassword = Settings.Password.toUtf8();
    e.RemoteDir = Settings.InitialDir;
    e.Passive = Settings.Passive;
    e.TransferType = 'A';
    e.LocalStream = m_listing.get();

    ++m_attempts;
    m_lastError = 0;
    m_logInDone = false;
    ClearQueue();
    m_closedByUser = false;
    m_homeDir.clear();
    m_connectedStart = -1;
    m_connectedStop = -1;

    const QByteArray user = Settings.UserName.toUtf8();
    const QByteArray pass = Settings.Password.toUtf8();
    const QByteArray host = Settings.Host.toUtf8();
    const QByteArray proxyUser = Settings.ProxyUser.toUtf8();
    const QByteArray proxyPass = Settings.ProxyPassword.toUtf8();
    const int scheme = Settings.ProxyType;
    if (scheme >= 1 && scheme <= 8) {
        e.Host = Settings.ProxyHost;
        e.Port = Settings.ProxyPort.isEmpty() ? QStringLiteral("ftp") : Settings.ProxyPort;
    }
    auto login = [&e](const QByteArray &u, const QByteArray &p) {
        e.LoginUser = u;
        e.LoginPassword = p;
    };
    switch (scheme) {
    case 0: case 9: case 10: login(user, pass); break;
    case 1: case 2: case 4: login(proxyUser, proxyPass); break;
    case 3: break;
    case 5: login(user + '@' + host, pass); break;
    case 6: login(proxyUser + '@' + host, proxyPass); break;
    case 7: login(user + '@' + proxyUser + '@' + host, pass + '@' + proxyPass); break;
    case 8: login(user + '@' + host + ' ' + proxyUser, pass); break;
    default: break;
    }
    if (scheme == 3)
        Queue({fcOpen}, false);
    else if (scheme >= 0 && scheme <= 10)
        Queue({fcOpen, fcUser, fcPass}, false);

    Notify(OnConnecting);
    Info(QStringLiteral("正在连接到 %1").arg(HostForm()));
    if (m_queue.Count() == 0) {
        // An unknown scheme: end the attempt visibly instead of leaving it half begun.
        Error(QStringLiteral("无法连接到 %1").arg(HostForm()), 0);
        Disconnecting();
        return;
    }
    PostRun();
}

void TFtpMainThread::ControlConnected()
{
    Info(QStringLiteral("已连接到 %1，正在等待服务器响应...").arg(EngineHostForm()));
}

void TFtpMainThread::ManualCommand(const QByteArray &text, Routine next)
{
    m_manualText = text;
    m_logReplies = true;
    m_continuation = next;
    Queue({fcManualCmd}, false);
}

void TFtpMainThread::OpenFinished()
{
    if (m_lastCode == 200 || m_lastCode == 220) {
        if (QueueFirstIs(fcCheck))
            return;
        if (Settings.ProxyType != 0)
            Info(QStringLiteral("正在尝试通过 FTP 代理访问 %1...").arg(HostForm()));
        if (Settings.ProxyType == 3)
            ManualCommand("OPEN " + HostForm().toUtf8(), &TFtpMainThread::OpenCommandFinished);
        return;
    }
    if (!m_closedByUser) {
        Error(QStringLiteral("无法连接到 %1").arg(HostForm()), m_lastError);
        RetryOrGiveUp();
    }
}

void TFtpMainThread::OpenCommandFinished()
{
    m_continuation = nullptr;
    if (m_lastCode != 200 && m_lastCode != 220) {
        LogInFailed();
        return;
    }
    m_engine->LoginUser = Settings.UserName.toUtf8();
    m_engine->LoginPassword = Settings.Password.toUtf8();
    Queue({fcUser, fcPass, fcCheck});
}

void TFtpMainThread::UserFinished()
{
    if (m_lastCode == 331 && Settings.Password.isEmpty()) {
        m_lastError = 331;
        QString password;
        if (OnPasswordNeeded)
            OnPasswordNeeded(this, Settings.UserName, password);
        if (!password.isEmpty()) {
            m_lastError = 0;
            Settings.Password = password;
            m_engine->LoginPassword = password.toUtf8();
        } else {
            m_continuation = &TFtpMainThread::PasswordMissing;
        }
        return;
    }
    if (m_lastCode == 230 || m_lastCode == 331)
        return;
    if (!m_closedByUser)
        m_continuation = &TFtpMainThread::LogInFailed;
}

void TFtpMainThread::PassFinished()
{
    if (m_lastCode != 230) {
        m_continuation = &TFtpMainThread::LogInFailed;
        return;
    }
    if (QueueFirstIs(fcCheck)) {
        m_queue.Delete(0, 1);
        m_continuation = &TFtpMainThread::LogInComplete;
        return;
    }
    TSessionEngine &e = *m_engine;
    const QByteArray user = Settings.UserName.toUtf8();
    const QByteArray pass = Settings.Password.toUtf8();
    switch (Settings.ProxyType) {
    case 1:
        e.LoginUser = user + '@' + Settings.Host.toUtf8();
        e.LoginPassword = pass;
        Queue({fcUser, fcPass, fcCheck}, false);
        break;
    case 2:
        ManualCommand("SITE " + HostForm().toUtf8(), &TFtpMainThread::SiteFinished);
        break;
    case 4: case 6:
        e.LoginUser = user;
        e.LoginPassword = pass;
        Queue({fcUser, fcPass, fcCheck}, false);
        break;
    case 7:
        e.LoginPassword = pass;
        Queue({fcPass, fcCheck}, false);
        break;
    case 8:
        ManualCommand("ACCT " + Settings.ProxyPassword.toUtf8(), &TFtpMainThread::AcctFinished);
        break;
    default:
        m_continuation = &TFtpMainThread::LogInComplete;
        break;
    }
}

void TFtpMainThread::SiteFinished()
{
    m_continuation = nullptr;
    if (m_lastCode != 200) {
        LogInFailed();
        return;
    }
    m_engine->LoginUser = Settings.UserName.toUtf8();
    m_engine->LoginPassword = Settings.Password.toUtf8();
    Queue({fcUser, fcPass, fcCheck});
}

void TFtpMainThread::AcctFinished()
{
    m_continuation = nullptr;
    if (m_lastCode == 200)
        LogInComplete();
    else
        LogInFailed();
}

void TFtpMainThread::PasswordMissing()
{
    m_continuation = nullptr;
    Error(QStringLiteral("需要密码。"), m_lastError);
    Disconnecting();
}

void TFtpMainThread::LogInFailed()
{
    m_continuation = nullptr;
    if (m_cancelled || m_closedByUser)
        return;
    Error(QStringLiteral("无法登录到 %1").arg(HostForm()), m_lastError);
    RetryOrGiveUp();
}

void TFtpMainThread::RetryOrGiveUp()
{
    if (Settings.NumRetry != 0 && m_attempts >= Settings.NumRetry) {
        Error(QStringLiteral("所有登录尝试均已失败。"), m_lastError);
        Disconnecting();
        return;
    }
    m_connState = csWaitingRetry;
    m_retrySlot.Interval = qMax(1, Settings.RetryDelay);  // a delay of 0 would never fire
    m_retrySlot.Counter = 0;
    m_retrySlot.Enabled = true;
    Info(QStringLiteral("正在等待重试..."));
}

void TFtpMainThread::Retry()
{
    m_retrySlot.Enabled = false;
    if (m_busy)
        m_discardCompletion = true;
    m_engine->TCustomFtpCli::Cancel();
    m_continuation = nullptr;
    Connecting();
}

void TFtpMainThread::LogInComplete()
{
    m_continuation = nullptr;
    if (m_cancelled || m_closedByUser || m_lastError != 0)
        return;
    m_connectedStart = m_clock();
    m_connectedStop = -1;
    m_connState = csConnected;
    m_loggedIn = true;
    Notify(OnConnected);
    Info(QStringLiteral("登录完成。"));
    m_engine->ResumePos = 100;
    Queue({fcRest, fcPwd, fcTypeSet, fcCwd, fcDir}, false);
    m_logInDone = true;
    PostRun();
}

void TFtpMainThread::RestFinished()
{
    if (FatalReplyCheck())
        return;
    if (m_lastCode == 350) {
        m_resumeSupport = 1;
    } else {
        m_lastError = 0;  // a server without REST is no failure
        m_resumeSupport = 0;
    }
    m_engine->ResumePos = 0;
}

void TFtpMainThread::ControlClosed()
{
    if (m_connectedStart >= 0 && m_connectedStop < 0)
        m_connectedStop = m_clock();
    if (m_closedByUser || m_connState != csConnected)
        return;
    m_continuation = nullptr;
    ClearQueue();
    m_pending.clear();
    m_lastError = 0;
    m_attempts = 0;
    m_loggedIn = false;
    m_idleSlot.Enabled = false;
    m_retrySlot.Enabled = false;
    Error(QStringLiteral("服务器断开了连接..."), 1);
    Info(QStringLiteral("已断开。"));
    Notify(OnDisconnected);
}

void TFtpMainThread::Disconnect()
{
    m_closedByUser = true;
    Disconnecting();
}

void TFtpMainThread::Stop()
{
    m_cancelled = true;
    m_closedByUser = true;
    Disconnecting();
}

void TFtpMainThread::Disconnecting()
{
    m_idleSlot.Enabled = false;
    m_continuation = nullptr;
    ClearQueue();
    m_pending.clear();
    m_lastError = 0;
    m_attempts = 0;
    m_retrySlot.Enabled = false;
    if (m_connState != csWaitingRetry) {
        m_connState = csDisconnecting;
        if (m_busy)
            m_discardCompletion = true;
        m_watchdog.stop();
        m_engine->TCustomFtpCli::Cancel();
    }
    Info(QStringLiteral("已断开。"));
    Notify(OnDisconnected);
    m_loggedIn = false;
    m_connState = csIdle;
    m_tree.Clear();
}

void TFtpMainThread::CloseConnection()
{
    const TFtpEngineState state = m_engine->EngineState();
    if (state != esResolving && state != esWaitingGreeting && state != esWaitingReply)
        return;
    // The cancel closes the control connection, so no QUIT can follow it.
    m_closedByUser = true;
    if (m_busy)
        m_discardCompletion = true;
    m_watchdog.stop();
    m_engine->TCustomFtpCli::Cancel();
}
