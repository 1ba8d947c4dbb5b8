#pragma once
#include "clitarget.h"
#include "tftpmainthread.h"

#include <QtCore/QByteArray>
#include <QtCore/QEventLoop>
#include <QtCore/QStringList>

#include <functional>

class TCliLog;

// Runs the browsing session the way the window does, one operation at a time, waiting in
// an event loop until the session has finished with it.
class TCliSession : public QObject {
    Q_OBJECT

public:
    TCliSession(const TCliTarget &target, const TOptions &options, TCliLog &log,
                const QByteArray &initialDir = QByteArray());

    // Connects and logs in; ExitSuccess or ExitConnection.
    int LogIn();
    // The folder of the log-in could not be entered (the session listed the home folder).
    bool InitialDirFailed() const { return m_initialCwdFailed; }

    // Runs `start` (which queues session work) and waits until the session is ready again.
    // Returns true when every command of it succeeded; `Reason` holds the first failure.
    bool Run(const std::function<void(TFtpMainThread &)> &start);
    QString Reason() const { return m_reason; }
    bool ListReceived() const { return m_listReceived; }
    QStringList Replies() const { return m_replies; }  // reply lines of the last operation
    void Interrupt();
    bool Interrupted() const { return m_interrupted; }

    TFtpMainThread &Session() { return m_session; }

private:
    void Finish();

    TFtpMainThread m_session;
    TCliLog &m_log;
    QEventLoop *m_loop = nullptr;
    bool m_inOperation = false;
    bool m_connected = false;
    bool m_loggingIn = false;  // up to the end of the log-in's first listing
    bool m_ended = false;
    bool m_done = false;  // the wait in hand may end
    bool m_failed = false;
    bool m_listReceived = false;
    bool m_initialCwdFailed = false;
    bool m_interrupted = false;
    QString m_reason;
    QStringList m_replies;
};
