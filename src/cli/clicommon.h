#pragma once
#include "clilog.h"
#include "clioptions.h"
#include "clitarget.h"
#include "cliurl.h"

#include <QtCore/QList>

#include <functional>
#include <QtCore/QStringList>

// What every server command needs: its options, the settings in force, the log and the
// server, made from the first URL argument.
struct TCliRun {
    const char *Command = "";
    TCliOptions Cli;
    TOptions Options;
    QStringList Args;  // the positional arguments
    TCliLog Log;
    TCliTarget Target;
};

// Parses options and checks the argument count; returns -1 to go on, else the exit code
// (help printed, or a usage error reported).
int PrepareRun(TCliRun &run, const char *command, const char *usage, const QStringList &args,
               int minArgs, int maxArgs);
// Parses a remote argument and, for the first, resolves the server. -1 to go on, else the
// exit code. The path is made absolute.
int RemoteArg(TCliRun &run, const QString &text, bool first, QByteArray &path);

// One line to standard error: "tarnel-cli CMD: text".
void Complain(const TCliRun &run, const QString &text);

class TCliSession;
// Logs in with a browsing session (opening `initialDir`), runs `work` and disconnects.
// Ctrl-C stops the session. Returns the log-in's failure code or what `work` returns.
int WithSession(TCliRun &run, const QByteArray &initialDir, const std::function<int(TCliSession &)> &work);
