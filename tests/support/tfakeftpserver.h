#pragma once
#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QMutex>
#include <QtCore/QThread>

class TFakeFtpCore;

// One scripted answer of the fake server to one command.
struct TFakeReply {
    enum DataMode { NoData, SendData, ReceiveData };
    // When the final reply of a transfer goes out, relative to the data connection.
    enum FinalOrder { FinalAfterClose, FinalBeforeData, FinalDuringData, FinalNever };

    TFakeReply() = default;
    TFakeReply(const QByteArray &text, bool closeAfter = false) : Text(text), CloseAfter(closeAfter) {}
    // A transfer that sends `payload`, or receives an upload, then ends with `final`.
    static TFakeReply Send(const QByteArray &text, const QByteArray &payload, const QByteArray &final,
                           FinalOrder order = FinalAfterClose)
    {
        TFakeReply r(text);
        r.Data = SendData;
        r.Payload = payload;
        r.Final = final;
        r.Order = order;
        return r;
    }
    static TFakeReply Receive(const QByteArray &text, const QByteArray &final)
    {
        TFakeReply r(text);
        r.Data = ReceiveData;
        r.Final = final;
        return r;
    }

    QByteArray Text;           // sent as given: CR LF, several lines, junk, or nothing (silence)
    bool CloseAfter = false;   // close the control connection after Text
    DataMode Data = NoData;    // a transfer command: open the data connection after Text
    QByteArray Payload;        // SendData: the bytes sent on the data connection
    QByteArray Final;          // the transfer's final reply, e.g. "226 done\r\n"
    FinalOrder Order = FinalAfterClose;
    bool HoldDataOpen = false; // SendData: never close the data connection
    int LineDelayMs = 0;       // send Text one line at a time, this far apart
    qint64 CloseDataAfter = -1;  // ReceiveData: drop the connection after this many bytes
};

// A scripted FTP server for exact protocol cases. It runs on a thread of its own, listens on
// 127.0.0.1 at a free port, records every command line it receives and answers each from a
// script; unscripted commands get "502 not scripted". PASV and PORT are answered by the
// server itself unless scripted (PASV listens on a free port of 127.0.0.1; PORT remembers
// where to connect back), so transfers work in both modes.
//
//   TFakeFtpServer srv;                                  // listening now, see Port()
//   srv.SetGreeting("220-hello\r\n220 ready\r\n");       // default "220 fake\r\n"
//   srv.Script("USER", "331 password\r\n");              // answers for USER, used in order;
//   srv.Script("USER", "230 again\r\n");                 // the last one stays for later USERs
//   srv.Script("NOOP", QByteArray());                    // silence
//   srv.Script("QUIT", {"221 bye\r\n", true});           // reply, then close
//   srv.Script("RETR", TFakeReply::Send("150 go\r\n", bytes, "226 ok\r\n"));
//   srv.Script("STOR", TFakeReply::Receive("150 go\r\n", "226 ok\r\n"));
//   ... run the client ...
//   srv.Commands()   // {"USER u", "PASS p", ...} without line ends
//   srv.Received()   // every byte of the control connection, line ends included
//   srv.Uploaded()   // what the last ReceiveData transfer received
class TFakeFtpServer {
public:
    TFakeFtpServer();
    ~TFakeFtpServer();

    TFakeFtpServer(const TFakeFtpServer &) = delete;
    TFakeFtpServer &operator=(const TFakeFtpServer &) = delete;

    quint16 Port() const { return m_port; }
    QString PortText() const { return QString::number(m_port); }

    void SetGreeting(const QByteArray &text, bool closeAfter = false);
    void Script(const QByteArray &verb, const TFakeReply &reply);
    void Script(const QByteArray &verb, const QByteArray &text) { Script(verb, TFakeReply(text)); }
    // Data connections fail: a PASV listener closes right after its 227 and transfer
    // commands get no answer; PORT is never connected back, and a transfer command is
    // answered "425 no data connection".
    void SetRefuseData(bool refuse);
    // The address the built-in PASV reply names, e.g. "10,1,2,3"; the listener stays on
    // 127.0.0.1, so a client that trusts the reply's address fails.
    void SetPasvAddress(const QByteArray &commaAddress);

    QList<QByteArray> Commands() const;
    QByteArray Received() const;
    QByteArray Uploaded() const;
    int ConnectionCount() const;
    // The port a PORT command named, or 0.
    quint16 ActivePort() const;

private:
    friend class TFakeFtpCore;
    friend class TFakeFtpSession;
    TFakeReply Take(const QByteArray &verb, bool *scripted);

    mutable QMutex m_mutex;
    QByteArray m_greeting = "220 fake\r\n";
    bool m_greetingClose = false;
    bool m_refuseData = false;
    QByteArray m_pasvAddress = "127,0,0,1";
    QHash<QByteArray, QList<TFakeReply>> m_script;
    QList<QByteArray> m_commands;
    QByteArray m_received;
    QByteArray m_uploaded;
    int m_connections = 0;
    quint16 m_activePort = 0;

    QThread m_thread;
    TFakeFtpCore *m_core = nullptr;
    quint16 m_port = 0;
};
