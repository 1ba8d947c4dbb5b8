// tarnel-cli get and put: items of the transfer queue, worked off by the thread manager as
// in the window.
#include "clicommon.h"
#include "commands.h"
#include "exitcodes.h"
#include "helpers.h"
#include "tclisession.h"
#include "tinterruptwatch.h"
#include "tprogressprinter.h"
#include "tthreadmanager.h"

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QFileInfo>
#include <QtCore/QTextStream>

#include <unistd.h>

namespace {

QString Remote(const QByteArray &path) { return QString::fromUtf8(path); }

// Runs the items through a thread manager until the queue is idle; prints the summary and
// the failures and returns the exit code.
int RunQueue(TCliRun &run, const std::vector<TFtpInfo> &items, bool upload)
{
    const TCliTarget &t = run.Target;
    const TOptions &o = run.Options;
    TThreadManager manager;
    manager.MaxThread = o.MaxThread;
    manager.TransferType = o.TransferType;
    manager.AsciiExtensions = o.ASCIIType;
    manager.Options = &run.Options;
    manager.DefaultTries = run.Cli.Retries >= 0 || t.SiteTries < 0 ? o.TransRetry : t.SiteTries;
    manager.DefaultDelay = run.Cli.RetryDelay >= 0 || t.SiteDelay < 0 ? o.TransDelay : t.SiteDelay;
    manager.DefaultTimeOut = run.Cli.TimeOut > 0 || t.SiteTimeOut < 0 ? o.TransTimeout : t.SiteTimeOut;
    manager.OnGetProxy = [&t](TProxyRecord &proxy) {
        proxy.ProxyType = t.ProxyType;
        proxy.ProxyHost = t.ProxyHost;
        proxy.ProxyPortText = t.ProxyPort;
        proxy.ProxyUser = t.ProxyUser;
        proxy.ProxyPassword = t.ProxyPassword;
    };
    manager.SetDownloadLimit(o.DownloadLimitOn ? o.DownloadSpeedLimit * 1024 : -1);
    manager.SetUploadLimit(o.UploadLimitOn ? o.UploadSpeedLimit * 1024 : -1);

    QEventLoop loop;
    bool loggedIn = false;
    bool interrupted = false;
    QStringList skipped;
    QObject::connect(&manager, &TThreadManager::OnMessage, &manager, [&](const QString &text) {
        run.Log.Info(text);
        if (text.startsWith(QStringLiteral("已跳过")))
            skipped << text;
    });
    QObject::connect(&manager, &TThreadManager::OnError, &manager, [&](const QString &text) { run.Log.Error(text); });
    QObject::connect(&manager, &TThreadManager::OnWorkerLoggedIn, &manager, [&] { loggedIn = true; });
    QObject::connect(&manager, &TThreadManager::OnQueueIdle, &loop, &QEventLoop::quit);

    TInterruptWatch watch;
    QObject::connect(&watch, &TInterruptWatch::Interrupted, &manager, [&] {
        interrupted = true;
        manager.AbortItems(-1);
        if (manager.RunningCount() == 0)
            loop.quit();
    });

    QElapsedTimer clock;
    clock.start();
    for (const TFtpInfo &info : items) {
        if (upload)
            manager.QueueUpload(t.SiteTag, info);
        else
            manager.QueueDownload(t.SiteTag, info);
    }
    std::unique_ptr<TProgressPrinter> progress;
    if (isatty(STDERR_FILENO))
        progress = std::make_unique<TProgressPrinter>(manager);
    if (manager.RunningCount() > 0 || manager.WaitingCount() > 0)
        loop.exec();
    if (progress)
        progress->Clear();
    const double seconds = double(clock.elapsed()) / 1000.0;

    QTextStream out(stdout);
    qint64 bytes = 0;
    const TItemList &done = upload ? manager.Uploaded() : manager.Downloaded();
    for (const auto &item : done) {
        const TFtpInfo &f = item->FtpInfo;
        bytes += item->BytesDone;
        out << (upload ? "uploaded " : "downloaded ")
            << (upload ? f.LocalFile + QStringLiteral(" -> ") + Remote(f.RemoteFile)
                       : Remote(f.RemoteFile) + QStringLiteral(" -> ") + f.LocalFile)
            << " (" << item->BytesDone << " bytes)\n";
    }
    for (const QString &text : skipped)
        out << "skipped: " << text << '\n';
    const TItemList &failed = manager.Queue();
    out << done.size() << " completed, " << skipped.size() << " skipped, " << failed.size() << " failed; "
        << FormatSize(-1, bytes) << " in " << QString::number(seconds, 'f', 1) << " s\n";
    out.flush();

    if (failed.empty() && !interrupted)
        return run.Log.Failed() ? ExitFailure : ExitSuccess;
    bool allLocal = !failed.empty();
    for (const auto &item : failed) {
        const TFtpInfo &f = item->FtpInfo;
        QString reason = item->LastError.isEmpty() ? QStringLiteral("not completed") : item->LastError;
        if (!reason.contains(QStringLiteral("本地文件")))
            allLocal = false;
        Complain(run, QStringLiteral("failed: %1: %2")
                          .arg(upload ? f.LocalFile : Remote(f.RemoteFile), reason.simplified()));
    }
    if (interrupted) {
        Complain(run, QStringLiteral("interrupted; unfinished files are kept, --resume continues them"));
        return ExitTransfer;
    }
    if (!loggedIn)
        return ExitConnection;
    return allLocal ? ExitFailure : ExitTransfer;
}

// Removes the emptied remote folders of a folder download with --move.
int RemoveMovedFolders(TCliRun &run, const QList<QByteArray> &folders)
{
    if (folders.isEmpty())
        return ExitSuccess;
    return WithSession(run, QByteArray(), [&](TCliSession &session) {
        if (session.Run([&](TFtpMainThread &s) { s.DeleteList(folders, true); }))
            return int(ExitSuccess);
        Complain(run, QStringLiteral("cannot remove the moved folders: ") + session.Reason());
        return int(ExitTransfer);
    });
}

bool WritableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

// A queue item for the server and the transfer options of this run.
TFtpInfo NewItem(const TCliRun &run)
{
    TFtpInfo info;
    info.Host = run.Target.Host;
    info.PortText = run.Target.Port;
    info.UserName = run.Target.User;
    info.Password = run.Target.Password;
    info.NoProxy = run.Target.ProxyType == 0;
    info.Passive = run.Target.Passive;
    info.ReplaceMode = quint8(run.Options.ReplaceMode);
    info.MoveSource = run.Cli.Move;
    return info;
}
}  // namespace

int RunGet(const QStringList &args)
{
    TCliRun run;
    int code = PrepareRun(run, "get", "URL [LOCAL] (a URL ending in / downloads the folder with all it holds)",
                          args, 1, 2);
    if (code >= 0)
        return code;
    QByteArray path;
    if ((code = RemoteArg(run, run.Args[0], true, path)) >= 0)
        return code;
    const QString local = run.Args.size() > 1 ? run.Args[1] : QStringLiteral(".");
    const bool folder = path.endsWith('/');
    if (folder && path == "/") {
        Complain(run, QStringLiteral("name a folder below the root"));
        return ExitUsage;
    }

    TFtpInfo info = NewItem(run);
    info.RemoteFile = path;
    info.RemoteBase = RemoteParent(path);
    if (folder) {
        const QString target = QFileInfo(local).absoluteFilePath();
        if (!QDir().mkpath(target) || !WritableFolder(target)) {
            Complain(run, QStringLiteral("cannot write into %1").arg(local));
            return ExitFailure;
        }
        info.IsDir = true;
        info.LocalFile = IncludeTrailingChar(target, QLatin1Char('/'));
    } else {
        const QFileInfo given(local);
        QString file = given.isDir() || local.endsWith(QLatin1Char('/'))
                           ? IncludeTrailingChar(given.absoluteFilePath(), QLatin1Char('/')) +
                                 QFile::decodeName(RemoteBaseName(path))
                           : given.absoluteFilePath();
        const QFileInfo target(file);
        if (!WritableFolder(target.absolutePath()) || (target.exists() && !target.isWritable()) ||
            target.isDir()) {
            Complain(run, QStringLiteral("cannot write %1").arg(file));
            return ExitFailure;
        }
        info.LocalFile = file;
    }
    code = RunQueue(run, {info}, false);
    if (code == ExitSuccess && folder && run.Cli.Move)
        code = RemoveMovedFolders(run, {path});
    return code;
}

int RunPut(const QStringList &args)
{
    TCliRun run;
    int code = PrepareRun(run, "put", "LOCAL... URL (folders are uploaded with all they hold)", args, 2, -1);
    if (code >= 0)
        return code;
    QByteArray target;
    if ((code = RemoteArg(run, run.Args.last(), true, target)) >= 0)
        return code;
    const QStringList locals = run.Args.mid(0, run.Args.size() - 1);

    // As the window does it: the folder of the first item is the local base; every folder
    // is created on the server (parents first) before any file is queued.
    QStringList folders;
    QStringList files;
    bool anyFolder = false;
    for (const QString &name : locals) {
        const QFileInfo fi(name);
        if (!fi.exists()) {
            Complain(run, QStringLiteral("no such file: %1").arg(name));
            return ExitFailure;
        }
        if (fi.isDir()) {
            anyFolder = true;
            const QString root = fi.absoluteFilePath();
            folders << root;
            QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            QStringList found;
            while (it.hasNext())
                found << it.next();
            found.sort();
            for (const QString &path : found) {
                const QString relative = path.mid(root.size() + 1);
                // Folders whose name begins with "." are left out, with all they hold.
                bool hidden = false;
                const QStringList parts = relative.split(QLatin1Char('/'));
                for (int i = 0; i + 1 < parts.size(); ++i)
                    hidden = hidden || parts[i].startsWith(QLatin1Char('.'));
                const QFileInfo entry(path);
                if (entry.isDir() && !entry.isSymLink()) {
                    if (!hidden && !parts.last().startsWith(QLatin1Char('.')))
                        folders << path;
                } else if (!hidden) {
                    files << path;
                }
            }
        } else {
            files << fi.absoluteFilePath();
        }
    }
    const bool intoFolder = locals.size() > 1 || anyFolder || target.endsWith('/');
    const QString localBase = IncludeTrailingChar(QFileInfo(locals.first()).absoluteDir().absolutePath(),
                                                  QLatin1Char('/'));
    const QByteArray remoteBase = target.endsWith('/') ? target : target + '/';
    auto relative = [&](const QString &path) {
        return QFile::encodeName(path.startsWith(localBase) ? path.mid(localBase.size()) : QFileInfo(path).fileName());
    };

    if (!folders.isEmpty()) {
        code = WithSession(run, QByteArray(), [&](TCliSession &session) {
            for (const QString &folder : folders) {
                // A folder that exists already is refused by the server; the uploads into
                // it still go ahead, and fail on their own if it is really missing.
                session.Run([&](TFtpMainThread &s) {
                    s.SetCurrentDir(remoteBase);
                    s.MakeDir(relative(folder), true);
                });
                if (session.Interrupted())
                    return int(ExitTransfer);
            }
            return int(ExitSuccess);
        });
        if (code != ExitSuccess)
            return code;
    }

    std::vector<TFtpInfo> items;
    for (const QString &file : files) {
        TFtpInfo info = NewItem(run);
        info.LocalFile = file;
        info.LocalSize = QFileInfo(file).size();
        info.RemoteFile = intoFolder ? remoteBase + relative(file) : target;
        items.push_back(info);
    }
    return RunQueue(run, items, true);
}
