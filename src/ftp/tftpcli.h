#pragma once
#include "tcustomftpcli.h"

#include <QtCore/QList>
#include <QtCore/QTimer>

class QEventLoop;

// The engine the rest of the program creates: TCustomFtpCli plus blocking operations, the
// inactivity time-out, transfer progress with abort, SITE CHMOD, NOOP and a free command.
//
// A blocking operation starts its request and then waits in a local QEventLoop of the
// calling thread until the engine is ready again or nothing has happened on the connection
// for the time-out; it works on the main thread and on a worker QThread alike. Every other
// event of the thread, the request's own OnRequestFinished included, may run inside the
// wait, so the return and the completion are two moments in either order. After a
// time-out the engine is cancelled (both connections closed), ErrorText reads "426 超时"
// and ReplyCode 1426.
class TFtpCli : public TCustomFtpCli {
    Q_OBJECT

public:
    explicit TFtpCli(QObject *parent = nullptr);
    ~TFtpCli() override;

    QByteArray ChmodMode = "700";
    // Both pumps are the calling thread's event loop here; the flag is kept for the owners
    // that set it.
    bool OwnMessagePump = false;
    std::function<void(TFtpCli *, bool &abort, qint64 position)> OnTransferProgress;

    // Seconds; 0 or less waits without limit. The millisecond form lets tests stay fast.
    int WaitTimeout() const { return m_waitTimeoutMs / 1000; }
    void SetWaitTimeout(int seconds) { m_waitTimeoutMs = seconds > 0 ? seconds * 1000 : 0; }
    void SetWaitTimeoutMs(int milliseconds) { m_waitTimeoutMs = milliseconds > 0 ? milliseconds : 0; }

    double ElapsedSeconds() const { return m_elapsedSeconds; }
    // Progress, when set, is called before every block with BytesDone + ResumePos.

    void StartChMod();
    void StartNoop();
    // `accepted` holds at most 15 codes; an empty list accepts every code below 500.
    void StartCommand(const QByteArray &text, const QList<int> &accepted);

    bool WaitUntilReady();

    bool Open();
    bool Connect();
    bool User();
    bool Pass();
    bool Cwd();
    bool Pwd();
    bool CDup();
    bool TypeSet();
    bool TypeBinary();
    bool TypeAscii();
    bool Syst();
    bool Size();
    bool Mkd();
    bool Rmd();
    bool Dele();
    bool RenFrom();
    bool RenTo();
    bool Rename();
    bool Abor();
    bool Quote();
    bool Quit();
    bool Rest();
    bool Noop();
    bool ChMod();
    bool Command(const QByteArray &text, const QList<int> &accepted);
    bool Dir();
    bool Ls();
    bool Get();
    bool RestGet();
    bool Put();
    bool RestPut();
    bool Append();
    bool Cancel();  // cancels, then waits as every blocking operation does

protected:
    void DataActivity() override;
    void ReadyStateReached() override;
    bool TransferProgress() override;

private:
    template <typename Start>
    bool Run(Start start);
    void WakeWaits();

    int m_waitTimeoutMs = 15000;
    QTimer m_deadline;
    bool m_timedOut = false;
    QList<QEventLoop *> m_waits;
};
