#pragma once
#include <QtCore/QString>
#include <QtCore/QStringList>

struct TOptions;

// The options of the commands that talk to a server. Unset values (-1, empty) leave the
// stored settings of the profile in force.
struct TCliOptions {
    int Passive = -1;        // 1 passive, 0 active
    int MaxThread = -1;
    int Retries = -1;        // attempts; 0 without limit
    int RetryDelay = -1;     // seconds
    int TimeOut = -1;        // seconds
    int LimitDown = -1;      // KB per second
    int LimitUp = -1;
    int ReplaceMode = -1;    // 0 skip, 1 overwrite, 3 resume
    int TransferType = -1;   // 0 by extension, 1 ASCII, 2 binary
    bool Move = false;
    int ProxyType = -1;
    QString ProxyHost;
    QString ProxyPort;
    QString ProxyUser;
    QString ProxyPass;
    bool ProxyPassGiven = false;
    QString LogFile;
    bool Verbose = false;
    QString SiteName;
    QString PasswordFile;
    bool Long = false;  // ls -l
    bool Json = false;  // ls --json
    bool Help = false;
};

// Parses the arguments after the command name. False with a message on a usage error.
bool ParseCliOptions(const QStringList &args, TCliOptions &options, QStringList &positional,
                     QString *error);
QString CliOptionsHelp();

// The stored options with the command line's values applied.
void ApplyCliOptions(const TCliOptions &cli, TOptions &options);
