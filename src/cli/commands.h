#pragma once
#include <QtCore/QStringList>

// One tarnel-cli command: its arguments are everything after the command name.
struct TCliCommand {
    const char *Name;
    const char *Summary;
    int (*Run)(const QStringList &args);
};

int RunParseListing(const QStringList &args);
int RunLs(const QStringList &args);
int RunGet(const QStringList &args);
int RunPut(const QStringList &args);
int RunRm(const QStringList &args);
int RunMkdir(const QStringList &args);
int RunMv(const QStringList &args);
int RunChmod(const QStringList &args);
int RunQuote(const QStringList &args);
