#include "tclisession.h"

#include "clilog.h"
#include "exitcodes.h"
#include "tftpcli.h"

TCliSession::TCliSession(const TCliTarget &t, const TOptions &options, TCliLog &log, const QByteArray &initialDir)
    : m_log(log)
{
    TSessionSettings &s = m_session.Settings;
    s.Host = t.Host;
    s.Port = t.Port;
    s.UserName = t.User;
    s.Password = t.Password;
    s.InitialDir = initialDir;
    s.Passive = t.Passive;
    s.ListExtraCmd = options.ListExtraCmd.toUtf8();
    s.ProxyType = t.ProxyType;
    s.ProxyHost = t.ProxyHost;
    s.ProxyPort = t.ProxyPort;
    s.ProxyUser = t.ProxyUser;
    s.ProxyPassword = t.ProxyPassword;
    s.NumRetry = options.NumRetry;
    s.RetryDelay = options.RetryDelay;
    m_session.SetWaitTimeoutMs(options.ConnTimeout * 1000);

    m_session.OnCommand = [this](TFtpMainThread *, const QString &text) { m_log.Command(text); };
    m_session.OnResponse = [this](TFtpMainThread *, const QString &text, bool) {
        m_log.Response(text);
        if (m_inOperation)
            m_replies << text;
    };
    m_session.OnInfo = [this](TFtpMainThread *, const QString &text) { m_log.Info(text); };
    m_session.OnError = [this](TFtpMainThread *, const QString &text, int) {
        m_log.Error(text);
        if (m_inOperation && m_reason.isEmpty())
            m_reason = text;
    };
    m_session.OnConnected = [this](TFtpMainThread *) { m_connected = true; };
    m_session.OnDisconnected = [this](TFtpMainThread *) {
        m_ended = true;
        if (m_reason.isEmpty())
            m_reason = QStringLiteral("disconnected");
        Finish();
    };
    m_session.OnReady = [this](TFtpMainThread *) {
        if (m_connected)
            Finish();
    };
    m_session.OnListReceived = [this](TFtpMainThread *) {
        m_listReceived = true;
        m_log.Info(QStringLiteral("目录列表已接收。"));
    };
    m_session.OnDirCreated = [this](TFtpMainThread *, const QByteArray &path) {
        m_log.Info(QStringLiteral("文件夹“%1”已被创建。").arg(QString::fromUtf8(path)));
    };
    m_session.OnCommandDone = [this](TFtpMainThread *, TFtpCommand command, int code, int error) {
        if (m_loggingIn) {
            if (command == fcCwd && error != 0)
                m_initialCwdFailed = true;
            return;
        }
        if (!m_inOperation)
            return;
        // A missing REST is no failure, and 226 alone makes a listing.
        const bool failed = (error != 0 && command != fcRest) || (command == fcDir && code != 226);
        if (!failed)
            return;
        m_failed = true;
        if (m_reason.isEmpty())
            m_reason = QString::fromUtf8(m_session.Engine()->LastReply());
        // SITE CHMOD ends without a ready notice when nothing changed.
        if (command == fcChMod)
            QMetaObject::invokeMethod(this, [this] { if (!m_session.Busy() && m_session.QueuedCount() == 0) Finish(); },
                                      Qt::QueuedConnection);
    };
    // Listings after the log-in are handled by the caller; nothing waits for the window's
    // password prompt, an empty password ends the attempt.
}

void TCliSession::Finish()
{
    m_done = true;
    if (m_loop)
        m_loop->quit();
}

int TCliSession::LogIn()
{
    QEventLoop loop;
    m_loop = &loop;
    m_done = false;
    m_loggingIn = true;
    m_session.Connect();
    if (!m_done)
        loop.exec();
    m_loop = nullptr;
    m_loggingIn = false;
    if (!m_connected || m_ended || m_interrupted)
        return m_interrupted ? ExitTransfer : ExitConnection;
    return ExitSuccess;
}

bool TCliSession::Run(const std::function<void(TFtpMainThread &)> &start)
{
    if (m_ended)
        return false;
    m_failed = false;
    m_listReceived = false;
    m_reason.clear();
    m_replies.clear();
    m_inOperation = true;
    QEventLoop loop;
    m_loop = &loop;
    m_done = false;
    start(m_session);
    if (!m_done)
        loop.exec();
    m_loop = nullptr;
    m_inOperation = false;
    return !m_failed && !m_ended && !m_interrupted;
}

void TCliSession::Interrupt()
{
    m_interrupted = true;
    if (m_reason.isEmpty())
        m_reason = QStringLiteral("interrupted");
    m_session.Stop();
    Finish();
}
