// tarnel-cli ls: the parsed listing of a remote folder.
#include "clicommon.h"
#include "commands.h"
#include "exitcodes.h"
#include "listjson.h"
#include "tclisession.h"

#include <cstdio>

namespace {

QByteArray LongLine(const TFtpDirInfo &info)
{
    QByteArray attributes = info.Attributes;
    if (attributes.isEmpty())
        attributes = info.IsDir ? "d" : "-";
    const QByteArray size = info.Size >= 0 ? QByteArray::number(info.Size) : QByteArray("-");
    QByteArray when = DateTimeText(info.ModTime);
    if (when.isEmpty())
        when = "-";
    QByteArray line = attributes.leftJustified(10) + ' ' + size.rightJustified(12) + ' ' +
                      when.leftJustified(16) + ' ' + info.Name;
    if (info.IsDir)
        line += '/';
    return line + '\n';
}

}  // namespace

int RunLs(const QStringList &args)
{
    TCliRun run;
    int code = PrepareRun(run, "ls", "URL", args, 1, 1);
    if (code >= 0)
        return code;
    QByteArray path;
    if ((code = RemoteArg(run, run.Args[0], true, path)) >= 0)
        return code;
    return WithSession(run, path, [&](TCliSession &session) {
        if (session.InitialDirFailed() || !session.ListReceived()) {
            Complain(run, QStringLiteral("cannot list %1").arg(QString::fromUtf8(path)));
            return int(ExitTransfer);
        }
        QByteArray out;
        const QList<QByteArray> lines = session.Session().ListingText().split('\n');
        for (QByteArray line : lines) {
            while (line.endsWith('\r'))
                line.chop(1);
            TFtpDirInfo info;
            if (line.isEmpty() || !ParseDirLine(line.constData(), line.size(), info, QDate()))
                continue;
            if (run.Cli.Json)
                AppendEntry(out, true, info);
            else if (run.Cli.Long)
                out += LongLine(info);
            else
                out += info.Name + (info.IsDir ? "/\n" : "\n");
        }
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        return std::fflush(stdout) == 0 ? int(ExitSuccess) : int(ExitFailure);
    });
}
