#pragma once
#include "tfakeftpserver.h"
#include "tftpcli.h"
#include "tftpmainthread.h"

#include <QtCore/QStringList>

// Every notification of a session as one line of text, in the order it came.
struct TSessionLog {
    QStringList Lines;
    QList<int> IdleTimes;
    QStringList Done;  // every completion: "command:code:failed"
    ~TSessionLog()
    {
        if (qEnvironmentVariableIsSet("SESSION_LOG"))
            qDebug().noquote() << Lines.join(QLatin1Char('\n'));
    }

    void Attach(TFtpMainThread &s)
    {
        s.OnCommand = [this](TFtpMainThread *, const QString &t) { Lines << QStringLiteral("cmd:") + t; };
        s.OnResponse = [this](TFtpMainThread *, const QString &t, bool err) {
            Lines << (err ? QStringLiteral("ERR:") : QStringLiteral("resp:")) + t;
        };
        s.OnInfo = [this](TFtpMainThread *, const QString &t) { Lines << QStringLiteral("info:") + t; };
        s.OnError = [this](TFtpMainThread *, const QString &t, int code) {
            Lines << QStringLiteral("error:%1:%2").arg(t).arg(code);
        };
        s.OnConnecting = [this](TFtpMainThread *) { Lines << QStringLiteral("connecting"); };
        s.OnConnected = [this](TFtpMainThread *) { Lines << QStringLiteral("connected"); };
        s.OnDisconnected = [this](TFtpMainThread *) { Lines << QStringLiteral("disconnected"); };
        s.OnReady = [this](TFtpMainThread *) { Lines << QStringLiteral("ready"); };
        s.OnListReceived = [this](TFtpMainThread *) { Lines << QStringLiteral("list"); };
        s.OnIdleTime = [this](TFtpMainThread *, int n) { IdleTimes << n; };
        s.OnDirCreated = [this](TFtpMainThread *, const QByteArray &p) {
            Lines << QStringLiteral("created:") + QString::fromUtf8(p);
        };
        s.OnTreeSelect = [this](TFtpMainThread *, const QByteArray &p) {
            Lines << QStringLiteral("treeselect:") + QString::fromUtf8(p);
        };
        s.OnEditDownloaded = [this](TFtpMainThread *) { Lines << QStringLiteral("downloaded"); };
        s.OnEditUploaded = [this](TFtpMainThread *) { Lines << QStringLiteral("uploaded"); };
        s.OnCommandDone = [this](TFtpMainThread *, TFtpCommand command, int code, int error) {
            Done << QStringLiteral("%1:%2:%3").arg(int(command)).arg(code).arg(error != 0 ? 1 : 0);
        };
    }
    // Notification lines of one kind ("info:", "error:", ...), prefix stripped.
    QStringList Of(const QString &prefix) const
    {
        QStringList out;
        for (const QString &l : Lines)
            if (l.startsWith(prefix))
                out << l.mid(prefix.size());
        return out;
    }
    int Count(const QString &line) const { return int(Lines.count(line)); }
};

// A session with a fast timer (a tick of a few milliseconds stands for a second) aimed at
// the fake server.
inline void AimAt(TFtpMainThread &s, const TFakeFtpServer &server)
{
    s.Settings.Host = QStringLiteral("127.0.0.1");
    s.Settings.Port = server.PortText();
    s.Settings.UserName = QStringLiteral("u");
    s.Settings.Password = QStringLiteral("p");
    s.SetWaitTimeoutMs(3000);
}

// Replies for a plain log-in and the first folder, whose listing is empty; `replace` gives
// other first answers to some verbs.
struct TReplace {
    TReplace(const QByteArray &verb, const char *text) : Verb(verb), Reply(QByteArray(text)) {}
    TReplace(const QByteArray &verb, const QByteArray &text) : Verb(verb), Reply(text) {}
    TReplace(const QByteArray &verb, const TFakeReply &reply) : Verb(verb), Reply(reply) {}
    QByteArray Verb;
    TFakeReply Reply;
};

inline void ScriptLogIn(TFakeFtpServer &server, std::initializer_list<TReplace> replace = {})
{
    const QList<QPair<QByteArray, QByteArray>> plain{
        {"USER", "331 password please\r\n"}, {"PASS", "230 welcome\r\n"},
        {"REST", "350 restart ok\r\n"},      {"PWD", "257 \"/home/u\" is current\r\n"},
        {"TYPE", "200 type ok\r\n"},         {"CWD", "250 cwd ok\r\n"},
    };
    for (const TReplace &r : replace)
        server.Script(r.Verb, r.Reply);
    auto replaced = [&](const QByteArray &verb) {
        for (const TReplace &r : replace)
            if (r.Verb == verb)
                return true;
        return false;
    };
    for (const auto &[verb, text] : plain)
        if (!replaced(verb))
            server.Script(verb, text);
    if (!replaced("LIST"))
        server.Script("LIST", TFakeReply::Send("150 here it comes\r\n", QByteArray(), "226 done\r\n"));
}

// The commands from the first one that starts with `from` on.
inline QList<QByteArray> CommandsFrom(const TFakeFtpServer &server, const QByteArray &from)
{
    const QList<QByteArray> all = server.Commands();
    for (qsizetype i = 0; i < all.size(); ++i)
        if (all[i].startsWith(from))
            return all.mid(i);
    return {};
}
