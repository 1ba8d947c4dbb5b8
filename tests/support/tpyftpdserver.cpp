#include "tpyftpdserver.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QThread>

namespace {
const char kScript[] = R"(import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
import logging
logging.basicConfig(level=logging.ERROR)
home = sys.argv[1]
auth = DummyAuthorizer()
auth.add_user('tester', 'secret', home, perm='elradfmwMT')
auth.add_anonymous(home, perm='elr')
FTPHandler.authorizer = auth
FTPHandler.banner = 'pyftpdlib ready'
port = int(sys.argv[2]) if len(sys.argv) > 2 else 0
server = FTPServer(('127.0.0.1', port), FTPHandler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)";
}  // namespace

TPyFtpdServer::TPyFtpdServer()
{
    QDir().mkpath(Home());
    const QString script = m_dir.path() + QStringLiteral("/server.py");
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly) || file.write(kScript) < 0) {
        m_error = QStringLiteral("cannot write ") + script;
        return;
    }
    file.close();
    Launch(0);
}

void TPyFtpdServer::Launch(quint16 port)
{
    const QString script = m_dir.path() + QStringLiteral("/server.py");
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    QStringList args{script, Home()};
    if (port != 0)
        args << QString::number(port);
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    QDeadlineTimer deadline(15000);
    while (!m_process.canReadLine() && !deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())) &&
            m_process.state() != QProcess::Running)
            break;
    }
    const QByteArray line = m_process.readLine().trimmed();
    bool ok = false;
    const int listening = line.toInt(&ok);
    if (!ok || listening <= 0 || listening > 65535) {
        m_error = QStringLiteral("pyftpdlib did not start: ") +
                  QString::fromUtf8(m_process.readAllStandardError());
        return;
    }
    m_port = quint16(listening);
}

void TPyFtpdServer::Kill()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

bool TPyFtpdServer::Restart()
{
    const quint16 port = m_port;
    if (m_process.state() != QProcess::NotRunning)
        Kill();
    m_port = 0;
    // The old listener's port may linger briefly in the kernel.
    for (int attempt = 0; attempt < 50 && m_port == 0; ++attempt) {
        Launch(port);
        if (m_port == 0)
            QThread::msleep(100);
    }
    return m_port == port;
}

TPyFtpdServer::~TPyFtpdServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

QString TPyFtpdServer::Home() const { return m_dir.path() + QStringLiteral("/home"); }
