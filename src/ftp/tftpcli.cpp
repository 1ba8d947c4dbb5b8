#include "tftpcli.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>
#include <QtCore/QThread>

TFtpCli::TFtpCli(QObject *parent) : TCustomFtpCli(parent)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        WakeWaits();
    });
}

TFtpCli::~TFtpCli() = default;

void TFtpCli::DataActivity()
{
    if (m_deadline.isActive())
        m_deadline.start(m_waitTimeoutMs);
}

void TFtpCli::ReadyStateReached() { WakeWaits(); }

void TFtpCli::WakeWaits()
{
    for (QEventLoop *loop : std::as_const(m_waits))
        loop->quit();
}

bool TFtpCli::WaitUntilReady()
{
    m_timedOut = false;
    if (m_waitTimeoutMs > 0)
        m_deadline.start(m_waitTimeoutMs);
    while (!IsReady()) {
        const bool shuttingDown = QCoreApplication::closingDown() ||
                                  QThread::currentThread()->isInterruptionRequested();
        if (m_timedOut || shuttingDown) {
            m_deadline.stop();
            TCustomFtpCli::Cancel();
            m_errorText = QByteArray("426 超时");
            m_replyCode = 1426;
            return false;
        }
        QEventLoop loop;
        m_waits.append(&loop);
        loop.exec();
        m_waits.removeOne(&loop);
    }
    if (m_waits.isEmpty())
        m_deadline.stop();
    return ResultCode() == 0;
}

template <typename Start>
bool TFtpCli::Run(Start start)
{
    try {
        start();
    } catch (const std::exception &) {
        return false;
    }
    return WaitUntilReady();
}

void TFtpCli::StartChMod()
{
    if (RemoteFile.isEmpty())
        throw FtpException(QStringLiteral("主机文件名为空"));
    IssueCommand(rkChMod, spChMod, "SITE CHMOD " + ChmodMode + ' ' + RemoteFile, {200});
}

void TFtpCli::StartNoop() { IssueCommand(rkNoop, spNoop, "NOOP", {200}); }

void TFtpCli::StartCommand(const QByteArray &text, const QList<int> &accepted)
{
    IssueCommand(rkCommand, spNone, text, accepted);
}

bool TFtpCli::Open() { return Run([this] { StartOpen(); }); }
bool TFtpCli::Connect() { return Run([this] { RequestConnect(); }); }
bool TFtpCli::User() { return Run([this] { StartUser(); }); }
bool TFtpCli::Pass() { return Run([this] { StartPass(); }); }
bool TFtpCli::Cwd() { return Run([this] { StartCwd(); }); }
bool TFtpCli::Pwd() { return Run([this] { StartPwd(); }); }
bool TFtpCli::CDup() { return Run([this] { StartCDup(); }); }
bool TFtpCli::TypeSet() { return Run([this] { StartTypeSet(); }); }
bool TFtpCli::TypeBinary() { return Run([this] { StartTypeBinary(); }); }
bool TFtpCli::TypeAscii() { return Run([this] { StartTypeAscii(); }); }
bool TFtpCli::Syst() { return Run([this] { StartSyst(); }); }
bool TFtpCli::Size() { return Run([this] { StartSize(); }); }
bool TFtpCli::Mkd() { return Run([this] { StartMkd(); }); }
bool TFtpCli::Rmd() { return Run([this] { StartRmd(); }); }
bool TFtpCli::Dele() { return Run([this] { StartDele(); }); }
bool TFtpCli::RenFrom() { return Run([this] { StartRenFrom(); }); }
bool TFtpCli::RenTo() { return Run([this] { StartRenTo(); }); }
bool TFtpCli::Rename() { return Run([this] { RequestRename(); }); }
bool TFtpCli::Abor() { return Run([this] { StartAbor(); }); }
bool TFtpCli::Quote() { return Run([this] { StartQuote(); }); }
bool TFtpCli::Quit() { return Run([this] { StartQuit(); }); }
bool TFtpCli::Rest() { return Run([this] { StartRest(); }); }
bool TFtpCli::Noop() { return Run([this] { StartNoop(); }); }
bool TFtpCli::ChMod() { return Run([this] { StartChMod(); }); }

bool TFtpCli::Command(const QByteArray &text, const QList<int> &accepted)
{
    return Run([&] { StartCommand(text, accepted); });
}

bool TFtpCli::Dir() { return Run([this] { RequestDir(); }); }
bool TFtpCli::Ls() { return Run([this] { RequestLs(); }); }
bool TFtpCli::Get() { return Run([this] { RequestGet(); }); }
bool TFtpCli::RestGet() { return Run([this] { RequestRestGet(); }); }
bool TFtpCli::Put() { return Run([this] { RequestPut(); }); }
bool TFtpCli::RestPut() { return Run([this] { RequestRestPut(); }); }
bool TFtpCli::Append() { return Run([this] { RequestAppend(); }); }

bool TFtpCli::TransferProgress()
{
    DataActivity();
    if (!OnTransferProgress)
        return false;
    bool abort = false;
    OnTransferProgress(this, abort, BytesDone() + ResumePos);
    return abort;
}

bool TFtpCli::Cancel() { return Run([this] { TCustomFtpCli::Cancel(); }); }
