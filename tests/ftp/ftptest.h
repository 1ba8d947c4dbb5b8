#pragma once
#include "tfakeftpserver.h"
#include "tftpcli.h"

#include <QtCore/QList>
#include <QtCore/QPair>

// Completions seen by a test, in the order they were delivered.
struct TCompletions {
    QList<QPair<TFtpRequestKind, int>> Seen;
    void Attach(TCustomFtpCli &engine)
    {
        engine.OnRequestFinished = [this](TCustomFtpCli *, TFtpRequestKind kind, int error) {
            Seen.append({kind, error});
        };
    }
};

// An engine aimed at the fake server, with a short time-out so failing tests end quickly.
inline void AimAt(TFtpCli &engine, const TFakeFtpServer &server, int timeoutMs = 5000)
{
    engine.Host = QStringLiteral("127.0.0.1");
    engine.Port = server.PortText();
    engine.SetWaitTimeoutMs(timeoutMs);
}

inline QByteArray Utf8(const char *text) { return QByteArray(text); }
