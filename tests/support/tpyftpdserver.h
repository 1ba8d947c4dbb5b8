#pragma once
#include <QtCore/QByteArray>
#include <QtCore/QProcess>
#include <QtCore/QString>
#include <QtCore/QTemporaryDir>

// A real FTP server for end-to-end tests: pyftpdlib run by /usr/bin/python3 on 127.0.0.1 at
// a free port, serving a temporary home folder. User() / Password() have every right there;
// "anonymous" (any password) may list and download only. Stopped by the destructor.
//
//   TPyFtpdServer srv;
//   QVERIFY2(srv.IsRunning(), qPrintable(srv.ErrorText()));
//   engine.Host = "127.0.0.1"; engine.Port = srv.PortText();
//   engine.LoginUser = srv.User(); engine.LoginPassword = srv.Password();
//   srv.Home() + "/file"   // where the server's files are
class TPyFtpdServer {
public:
    TPyFtpdServer();
    ~TPyFtpdServer();

    TPyFtpdServer(const TPyFtpdServer &) = delete;
    TPyFtpdServer &operator=(const TPyFtpdServer &) = delete;

    bool IsRunning() const { return m_port != 0; }
    QString ErrorText() const { return m_error; }
    quint16 Port() const { return m_port; }
    QString PortText() const { return QString::number(m_port); }
    QString Home() const;  // no trailing "/"
    static QByteArray User() { return "tester"; }
    static QByteArray Password() { return "secret"; }

    // The server dies at once, connections and all; Restart() serves the same home at the
    // same port again.
    void Kill();
    bool Restart();

private:
    void Launch(quint16 port);

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
