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
    // Bytes moved per block of a transfer: progress, abort and the speed limiter act per
    // block. Larger than a network packet, so that a transfer costs few system calls.
    static constexpr qint64 TransferBlockSize = 256 * 1024;
    // Under a speed limit, blocks of about 1/20 s keep the limiter's steps fine enough
    // that a short transfer does not overshoot its limit.
    static qint64 BlockSizeForLimit(int bytesPerSecond);

    explicit TCustomFtpCli(QObject *parent = nullptr);
    ~TCustomFtpCli() override;

    // Settings, written by the owner before it starts a request.
    qint64 BlockSize = TransferBlockSize;  // may change between blocks
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
    void RequestDir();      // PORT or PASV, LIST RemoteFile
    void RequestLs();       // PORT or PASV, NLST RemoteFile
    void RequestGet();      // PORT or PASV, RETR RemoteFile
    void RequestRestGet();  // PORT or PASV, REST ResumePos, RETR (from 0 unless REST got 350)
    void RequestPut();      // PORT or PASV, STOR RemoteFile
    void RequestRestPut();  // PORT or PASV, REST ResumePos, STOR (from 0 unless REST got 350)
    void RequestAppend();   // PORT or PASV, APPE RemoteFile

    // The steps of the transfer chains; each runs after the data-port step.
    void StartPort();
    void StartGet();
    void StartDir();
    void StartLs();
    void StartPut();
    void StartAppend();

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
    static void RefuseLineBreaks(const QByteArray &command);  // throws FtpException

    // Hooks of the blocking layer.
    virtual void DataActivity() {}
    virtual void ReadyStateReached() {}
    // Called before every block of a transfer; true asks to abort it.
    virtual bool TransferProgress() { return false; }

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
    void CloseData();  // closes data connection and listener without reporting the close

    // Data connection (tcustomftpcli_data.cpp).
    enum class Direction { None, In, Out };
    void StartIncoming(const QByteArray &command, TFtpRequestKind kind, TFtpStep step);
    void StartOutgoing(const QByteArray &command, TFtpRequestKind kind, TFtpStep step);
    bool OpenLocalStream(bool forWriting);
    bool ConnectPassive(int failCode);
    void AdoptData(QTcpSocket *socket);
    void DataAccepted();
    void DataConnected(int error);
    void DataReadyRead();
    void DataError(QAbstractSocket::SocketError error);
    void DataDisconnected();
    void ShutDownData(int error);
    void DataClosed(int error);
    void IncomingFirstReply();
    void IncomingFinalReply();
    void OutgoingFirstReply();
    void OutgoingFinalReply();
    void StartSending();
    void SendNextBlock();
    void TransferRefused(int code);
    void EndCheck();
    void SetFault(int code, const QByteArray &text);
    void TransferStatistics();

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
    QIODevice *m_stream = nullptr;  // m_ownFile or the owner's LocalStream
    QTcpServer *m_listener = nullptr;
    QTcpSocket *m_data = nullptr;
    bool m_dataOpen = false;
    bool m_dataConnecting = false;  // a passive connect is under way
    Direction m_direction = Direction::None;
    QByteArray m_dataCommand;
    bool m_finalReplySeen = false;
    bool m_dataClosed = false;
    int m_dataCloseError = 0;
    bool m_uploadReplySeen = false;
    bool m_uploadConnReady = false;
    bool m_uploadEof = false;
    int m_fault = 0;            // a local failure that outranks the server's final reply
    QByteArray m_faultText;
    qint64 m_startTick = 0;
    qint64 m_stopTick = 0;

protected:
    double m_elapsedSeconds = 0;
};
