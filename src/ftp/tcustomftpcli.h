#pragma once
#include "ftptypes.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtNetwork/QAbstractSocket>
#include <QtNetwork/QHostInfo>

#include <functional>
#include <memory>

class QFile;
class QIODevice;
class QTcpServer;
class QTcpSocket;

// Looks up a host name and calls `done` once with the result, at once or later. The engine
// takes the result from its own event loop either way, so a resolver may answer at once.
using TFtpResolver = std::function<void(const QString &host, std::function<void(const QHostInfo &)> done)>;

// The FTP protocol machine: one control connection and, while a transfer runs, one data
// connection. Every Start... operation only starts a request; the request moves on with the
// socket events of the thread that created the engine and ends with one OnRequestFinished,
// always posted to that thread's event loop. Refusals before anything is sent throw
// FtpException. Commands and replies are bytes.
class TCustomFtpCli : public QObject {
    Q_OBJECT

public:
    explicit TCustomFtpCli(QObject *parent = nullptr);
    ~TCustomFtpCli() override;

    // Settings, written by the owner before it starts a request.
    QString Host;
    QString Port = QStringLiteral("ftp");  // a number or a service name
    QString LocalAddress = QStringLiteral("0.0.0.0");
    QByteArray LoginUser;
    QByteArray LoginPassword;
    QByteArray RemoteDir;
    QByteArray RemoteFile;
    QString LocalFile;  // also the new name of RNTO and the text of Quote
    QIODevice *LocalStream = nullptr;  // stays the owner's
    char TransferType = 'I';
    quint16 FileShareMode = 0x10;
    bool Passive = false;
    qint64 ResumePos = 0;
    TFtpResolver Resolver;  // QHostInfo unless replaced (tests)

    // Notifications; an unset one is skipped.
    std::function<void(TCustomFtpCli *, QByteArray &command)> OnBeforeCommand;
    std::function<void(TCustomFtpCli *)> OnReplyLine;
    std::function<void(TCustomFtpCli *, int error)> OnControlConnected;
    std::function<void(TCustomFtpCli *, int error)> OnControlClosed;
    std::function<void(TCustomFtpCli *, TFtpRequestKind kind, int error)> OnRequestFinished;
    std::function<void(TCustomFtpCli *, QByteArray &line)> OnDisplayLine;

    // Results.
    TFtpEngineState EngineState() const { return m_state; }
    TFtpRequestKind RequestKind() const { return m_requestKind; }
    TFtpStep CurrentStep() const { return m_currentStep; }
    const QByteArray &LastReply() const { return m_lastReply; }
    int ReplyCode() const { return m_replyCode; }
    int ResultCode() const { return m_resultCode; }
    const QByteArray &ErrorText() const { return m_errorText; }
    qint64 RemoteSize() const { return m_remoteSize; }
    const QByteArray &ReplyPath() const { return m_replyPath; }
    qint64 BytesDone() const { return m_bytesDone; }
    const QByteArray &PasvReply() const { return m_pasvReply; }
    bool Connected() const { return m_connected; }
    bool IsConnected() const;  // the control socket is not closed
    bool IsReady() const { return m_state == esReady || m_state == esStepReady; }

    // Requests.
    void StartOpen();
    void Cancel();
    void StartUser();
    void StartPass();
    void StartCwd();
    void StartPwd();
    void StartCDup();
    void StartTypeSet();
    void StartTypeBinary();
    void StartTypeAscii();
    void StartSyst();
    void StartSize();
    void StartMkd();
    void StartRmd();
    void StartDele();
    void StartRenFrom();
    void StartRenTo();
    void StartAbor();
    void StartQuote();
    void StartQuit();
    void StartRest();  // a negative ResumePos sends nothing and finishes with 0
    // Chains: one request, one completion.
    void RequestConnect();  // open, USER, PASS (skipped after a 230 to USER)
    void RequestRename();   // RNFR RemoteFile, RNTO LocalFile

protected:
    using Routine = void (TCustomFtpCli::*)();

    // The common start of every single-command request.
    void IssueCommand(TFtpRequestKind kind, TFtpStep step, const QByteArray &command,
                      QList<int> accepted, Routine stepDone = nullptr);
    void StartChain(TFtpRequestKind kind, TFtpStepSet steps);
    void Finish(int error);
    void SetErrorText();
    void Display(const QByteArray &line);
    void FailLocally(const QByteArray &reply, int code, int error);

    // Hooks of the blocking layer.
    virtual void DataActivity() {}
    virtual void ReadyStateReached() {}

    void SetState(TFtpEngineState state);

private:
    void LookupDone(const QHostInfo &info);
    void CtrlConnected();
    void CtrlError(QAbstractSocket::SocketError error);
    void CtrlDisconnected();
    void CtrlReadyRead();
    void ReadControl();
    bool HandleLine();
    void CloseControl(bool ourChoice);
    void ControlClosed(int error);
    void SendCommand(const QByteArray &command);
    void GenericReplyStep();
    void QuitDone();
    void ChainStep(bool first);
    void RunNextStep();
    void StartDataStep(TFtpStep step);
    void ExtractResults();
    void PostCompletion(int error);
    void FreeOwnStream();
    void CloseData();

protected:
    // Results, written by the blocking layer too.
    TFtpEngineState m_state = esReady;
    TFtpRequestKind m_requestKind = rkNone;
    TFtpStep m_currentStep = spNone;
    QByteArray m_lastReply;
    int m_replyCode = 0;
    int m_resultCode = 0;
    QByteArray m_errorText;
    qint64 m_remoteSize = 0;
    QByteArray m_replyPath;
    qint64 m_bytesDone = 0;
    QByteArray m_pasvReply;
    bool m_connected = false;

private:

    QTcpSocket *m_ctrl = nullptr;
    QByteArray m_rbuf;          // held bytes of the control connection, at most 4095
    bool m_lineFinal = false;   // the line being routed is a final one
    bool m_ctrlOpen = false;    // the control connection has not been reported closed yet
    bool m_closingByUs = false;
    quint64 m_ctrlGeneration = 0;  // bumped by every close; lines of an old connection are dropped
    quint64 m_lookupGeneration = 0;

    Routine m_replyStep = nullptr;
    Routine m_stepDone = nullptr;
    QList<int> m_accepted;
    bool m_done = true;

    TFtpStepSet m_stepSet = 0;
    bool m_chainRunning = false;
    bool m_continuation = false;
    int m_chainResult = 0;

    std::unique_ptr<QFile> m_ownFile;
};
