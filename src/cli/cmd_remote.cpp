// tarnel-cli rm, mkdir, mv, chmod, quote: remote operations through the browsing session.
#include "clicommon.h"
#include "commands.h"
#include "exitcodes.h"
#include "tclisession.h"

#include <QtCore/QRegularExpression>
#include <QtCore/QTextStream>

namespace {

int Outcome(const TCliRun &run, TCliSession &session, bool ok, const QString &what)
{
    if (ok)
        return ExitSuccess;
    Complain(run, session.Reason().isEmpty() ? what : what + QStringLiteral(": ") + session.Reason());
    return ExitTransfer;
}

}  // namespace

int RunRm(const QStringList &args)
{
    TCliRun run;
    int code = PrepareRun(run, "rm", "URL... (a folder URL ending in / is removed with all it holds)", args, 1, -1);
    if (code >= 0)
        return code;
    QList<QByteArray> paths;
    for (int i = 0; i < run.Args.size(); ++i) {
        QByteArray path;
        if ((code = RemoteArg(run, run.Args[i], i == 0, path)) >= 0)
            return code;
        if (path == "/") {
            Complain(run, QStringLiteral("refusing to remove the root folder"));
            return ExitUsage;
        }
        paths << path;
    }
    return WithSession(run, QByteArray(), [&](TCliSession &session) {
        const bool ok = session.Run([&](TFtpMainThread &s) { s.DeleteList(paths, true); });
        return Outcome(run, session, ok, QStringLiteral("cannot remove everything"));
    });
}

int RunMkdir(const QStringList &args)
{
    TCliRun run;
    int code = PrepareRun(run, "mkdir", "URL", args, 1, 1);
    if (code >= 0)
        return code;
    QByteArray path;
    if ((code = RemoteArg(run, run.Args[0], true, path)) >= 0)
        return code;
    return WithSession(run, QByteArray(), [&](TCliSession &session) {
        const bool ok = session.Run([&](TFtpMainThread &s) {
            s.SetCurrentDir(RemoteParent(path));
            s.MakeDir(RemoteBaseName(path), true);
        });
        return Outcome(run, session, ok, QStringLiteral("cannot create %1").arg(QString::fromUtf8(path)));
    });
}

int RunMv(const QStringList &args)
{
    TCliRun run;
    int code = PrepareRun(run, "mv", "URL NEW (a URL, an absolute path, or a name in the same folder)", args, 2, 2);
    if (code >= 0)
        return code;
    QByteArray from, to;
    if ((code = RemoteArg(run, run.Args[0], true, from)) >= 0)
        return code;
    const QString target = run.Args[1];
    if (target.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive)) {
        if ((code = RemoteArg(run, target, false, to)) >= 0)
            return code;
    } else {
        TCliUrl url;
        QString error;
        if (!ParseFtpUrl(target, true, url, &error)) {
            Complain(run, error);
            return ExitUsage;
        }
        to = url.Path.startsWith('/') ? url.Path : RemoteParent(from) + url.Path;
    }
    return WithSession(run, QByteArray(), [&](TCliSession &session) {
        const bool ok = session.Run([&](TFtpMainThread &s) { s.Rename(from, to); });
        return Outcome(run, session, ok, QStringLiteral("cannot rename %1").arg(QString::fromUtf8(from)));
    });
}

int RunChmod(const QStringList &args)
{
    TCliRun run;
    int code = PrepareRun(run, "chmod", "MODE URL", args, 2, 2);
    if (code >= 0)
        return code;
    const QString mode = run.Args[0];
    static const QRegularExpression octal(QStringLiteral("^[0-7]{3,4}$"));
    if (!octal.match(mode).hasMatch()) {
        Complain(run, QStringLiteral("MODE must be three or four octal digits, not '%1'").arg(mode));
        return ExitUsage;
    }
    QByteArray path;
    if ((code = RemoteArg(run, run.Args[1], true, path)) >= 0)
        return code;
    return WithSession(run, QByteArray(), [&](TCliSession &session) {
        const bool ok = session.Run([&](TFtpMainThread &s) {
            s.SetCurrentDir(RemoteParent(path));
            s.SetAttributes({RemoteBaseName(path)}, mode.toUtf8(), true);
        });
        return Outcome(run, session, ok, QStringLiteral("cannot change %1").arg(QString::fromUtf8(path)));
    });
}

int RunQuote(const QStringList &args)
{
    TCliRun run;
    int code = PrepareRun(run, "quote", "URL CMD... (with --site the URL may be left out)", args, 1, -1);
    if (code >= 0)
        return code;
    const bool urlGiven = run.Args[0].startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive) ||
                          run.Cli.SiteName.isEmpty();
    QByteArray path;
    if ((code = RemoteArg(run, urlGiven ? run.Args[0] : QStringLiteral("ftp:///"), true, path)) >= 0)
        return code;
    const QStringList commands = urlGiven ? run.Args.mid(1) : run.Args;
    if (commands.isEmpty()) {
        Complain(run, QStringLiteral("no command to send"));
        return ExitUsage;
    }
    return WithSession(run, path, [&](TCliSession &session) {
        for (const QString &command : commands) {
            const bool ok = session.Run([&](TFtpMainThread &s) { s.SendCommand(command.toUtf8()); });
            QTextStream out(stdout);
            for (const QString &line : session.Replies())
                out << line << '\n';
            out.flush();
            if (!ok)
                return Outcome(run, session, false, QStringLiteral("'%1' failed").arg(command));
        }
        return int(ExitSuccess);
    });
}
