// One download or upload through the engine, for the throughput comparison with curl and
// lftp: ftpxfer get|put passive|active <host> <port> <user> <password> <remote> <local> [limit].
// A limit in bytes per second runs the transfer under the speed limiter, as a queue worker does.
// Prints bytes and seconds on success; exit status 1 on failure.
#include "tftpcli.h"
#include "tsmthrottle.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QThread>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 9) {
        std::fprintf(stderr, "usage: ftpxfer get|put passive|active host port user password remote local\n");
        return 2;
    }
    TFtpCli engine;
    engine.OwnMessagePump = true;
    engine.SetWaitTimeout(60);
    engine.Host = args[3];
    engine.Port = args[4];
    engine.LoginUser = args[5].toUtf8();
    engine.LoginPassword = args[6].toUtf8();
    engine.Passive = args[2] == QLatin1String("passive");
    engine.RemoteFile = args[7].toUtf8();
    engine.LocalFile = args[8];
    engine.FileShareMode = 0x10;
    const int limit = args.size() > 9 ? args[9].toInt() : -1;
    TSMThrottle throttle;
    throttle.Reset();
    if (limit > 0)
        engine.OnTransferProgress = [&](TFtpCli *e, bool &, qint64 position) {
            e->BlockSize = TCustomFtpCli::BlockSizeForLimit(limit);
            throttle.Throttle(position, limit, false);
        };
    QElapsedTimer clock;
    const bool get = args[1] == QLatin1String("get");
    bool ok = engine.Connect() && engine.TypeBinary();
    clock.start();
    ok = ok && (get ? engine.Get() : engine.Put());
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (!ok) {
        std::fprintf(stderr, "ftpxfer: %s\n", engine.ErrorText().constData());
        return 1;
    }
    engine.Quit();
    std::printf("%lld bytes in %.3f s\n", static_cast<long long>(engine.BytesDone()), seconds);
    return 0;
}
