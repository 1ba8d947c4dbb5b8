#include "clicommon.h"

#include "exitcodes.h"
#include "tclisession.h"
#include "tinterruptwatch.h"

#include <QtCore/QTextStream>

void Complain(const TCliRun &run, const QString &text)
{
    QTextStream(stderr) << "tarnel-cli " << run.Command << ": " << text << '\n';
}

int PrepareRun(TCliRun &run, const char *command, const char *usage, const QStringList &args,
               int minArgs, int maxArgs)
{
    run.Command = command;
    QString error;
    if (!ParseCliOptions(args, run.Cli, run.Args, &error)) {
        Complain(run, error);
        return ExitUsage;
    }
    if (run.Cli.Help) {
        QTextStream(stdout) << "Usage: tarnel-cli " << command << " [options] " << usage << "\n\nOptions:\n"
                            << CliOptionsHelp();
        return ExitSuccess;
    }
    if (run.Args.size() < minArgs || (maxArgs >= 0 && run.Args.size() > maxArgs)) {
        Complain(run, QStringLiteral("usage: tarnel-cli %1 [options] %2").arg(QString::fromUtf8(command),
                                                                              QString::fromUtf8(usage)));
        return ExitUsage;
    }
    run.Options = LoadCliOptions(run.Cli);
    run.Log.Verbose = run.Cli.Verbose;
    if (!run.Cli.LogFile.isEmpty() && !run.Log.Open(run.Cli.LogFile)) {
        Complain(run, QStringLiteral("cannot write the log file %1").arg(run.Cli.LogFile));
        return ExitFailure;
    }
    return -1;
}

int RemoteArg(TCliRun &run, const QString &text, bool first, QByteArray &path)
{
    TCliUrl url;
    QString error;
    if (!ParseFtpUrl(text, !run.Cli.SiteName.isEmpty(), url, &error)) {
        Complain(run, error);
        return ExitUsage;
    }
    if (first) {
        const int code = ResolveTarget(run.Cli, run.Options, url, run.Target);
        if (code != ExitSuccess)
            return code;
    } else if (!url.Host.isEmpty() && url.Host.compare(run.Target.Host, Qt::CaseInsensitive) != 0) {
        Complain(run, QStringLiteral("'%1' is on another server than the first URL").arg(text));
        return ExitUsage;
    }
    path = AbsoluteRemote(run.Target, url.Path);
    return -1;
}

int WithSession(TCliRun &run, const QByteArray &initialDir, const std::function<int(TCliSession &)> &work)
{
    TCliSession session(run.Target, run.Options, run.Log, initialDir);
    TInterruptWatch watch;
    QObject::connect(&watch, &TInterruptWatch::Interrupted, &session, &TCliSession::Interrupt);
    const int login = session.LogIn();
    if (login != ExitSuccess) {
        Complain(run, session.Interrupted() ? QStringLiteral("interrupted")
                                            : QStringLiteral("cannot log in to %1").arg(run.Target.Host));
        return login;
    }
    const int code = work(session);
    session.Session().Disconnect();
    if (run.Log.Failed()) {
        Complain(run, QStringLiteral("cannot write the log file %1").arg(run.Cli.LogFile));
        return code == ExitSuccess ? ExitFailure : code;
    }
    return code;
}
