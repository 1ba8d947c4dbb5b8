// Driver for queue_manyfiles.py: downloads every file of one remote folder through the
// transfer queue with MaxThread workers, then exits 0 when all completed.
//
//   tarnel-queuedl <host> <port> <user> <password> <remote folder> <count> <local folder> <threads>
// The files are named f0 .. f<count-1>.
#include "tthreadmanager.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 9) {
        std::fprintf(stderr, "usage: tarnel-queuedl host port user password remote-folder count local-folder threads\n");
        return 2;
    }
    TThreadManager manager;
    manager.MaxThread = args[8].toInt();
    manager.DefaultTries = 1;
    const int count = args[6].toInt();
    QDir().mkpath(args[7]);
    int errors = 0;
    QObject::connect(&manager, &TThreadManager::OnItemError, &app, [&](const TTMInfo &) { ++errors; });
    QObject::connect(&manager, &TThreadManager::OnQueueIdle, &app, [&](int) { app.quit(); });
    for (int i = 0; i < count; ++i) {
        TFtpInfo f;
        f.Host = args[1];
        f.PortText = args[2];
        f.UserName = args[3];
        f.Password = args[4];
        f.RemoteFile = args[5].toUtf8() + "/f" + QByteArray::number(i);
        f.LocalFile = args[7] + QStringLiteral("/f%1").arg(i);
        f.Passive = true;
        f.NoProxy = true;
        f.ReplaceMode = 1;
        manager.QueueDownload(TSiteTag(), f);
    }
    app.exec();
    const int done = int(manager.Downloaded().size());
    if (done != count || errors) {
        std::fprintf(stderr, "%d of %d downloaded, %d failed attempts%s%s\n", done, count, errors,
                     manager.Queue().empty() ? "" : "; first: ",
                     manager.Queue().empty() ? "" : qPrintable(manager.Queue().front()->StatusText));
        return 1;
    }
    return 0;
}
