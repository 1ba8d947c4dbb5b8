#include "tpyftpdserver.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFile>

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
server = FTPServer(('127.0.0.1', 0), FTPHandler)
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
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(QStringLiteral("/usr/bin/python3"), {script, Home()});
    QDeadlineTimer deadline(15000);
    while (!m_process.canReadLine() && !deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())) &&
            m_process.state() != QProcess::Running)
            break;
    }
    const QByteArray line = m_process.readLine().trimmed();
    bool ok = false;
    const int port = line.toInt(&ok);
    if (!ok || port <= 0 || port > 65535) {
        m_error = QStringLiteral("pyftpdlib did not start: ") +
                  QString::fromUtf8(m_process.readAllStandardError());
        return;
    }
    m_port = quint16(port);
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
