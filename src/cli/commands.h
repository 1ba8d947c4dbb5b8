#pragma once
#include <QtCore/QStringList>

// One tarnel-cli command: its arguments are everything after the command name.
struct TCliCommand {
    const char *Name;
    const char *Summary;
    int (*Run)(const QStringList &args);
};

int RunParseListing(const QStringList &args);
