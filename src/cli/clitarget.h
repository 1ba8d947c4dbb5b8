#pragma once
#include "clioptions.h"
#include "cliurl.h"
#include "settingsrecords.h"
#include "sitetypes.h"

#include <QtCore/QString>

// The server, the log-in and the proxy of one run, from the URL, the stored site, the
// options and the password sources.
struct TCliTarget {
    TSiteTag SiteTag;
    QString Host;
    QString Port = QStringLiteral("21");
    QString User = QStringLiteral("anonymous");
    QString Password;
    bool Passive = false;
    int ProxyType = 0;
    QString ProxyHost;
    QString ProxyPort;
    QString ProxyUser;
    QString ProxyPassword;
    QByteArray SiteDir;  // the site's remote folder: relative paths start there
    // The transfer settings of a site that has its own (UseOwnTrans), else -1.
    int SiteTries = -1, SiteDelay = -1, SiteTimeOut = -1;
};

// The settings of the profile folder with the command line applied.
TOptions LoadCliOptions(const TCliOptions &cli);

// Fills `target` for `url`. Returns an exit code: ExitSuccess, ExitUsage (unknown site,
// unreadable password file) or ExitFailure. Writes the warnings and reasons to stderr.
int ResolveTarget(const TCliOptions &cli, const TOptions &options, const TCliUrl &url, TCliTarget &target);

// A remote argument made absolute: relative paths are taken from the site's folder.
QByteArray AbsoluteRemote(const TCliTarget &target, const QByteArray &path);

// Overwrites, in the process's own argument memory, the passwords of URLs and of
// --proxy-pass, so that process listings no longer show them.
void HidePasswordsInArgv(int argc, char **argv);
