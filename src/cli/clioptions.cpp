#include "clioptions.h"

#include "settingsrecords.h"

#include <QtCore/QCommandLineParser>

namespace {

struct TNumberOption {
    const char *Name;
    int TCliOptions::*Field;
    int Min;
    int Max;
};

const TNumberOption kNumbers[] = {
    {"parallel", &TCliOptions::MaxThread, 1, 64},
    {"retries", &TCliOptions::Retries, 0, 1000},
    {"retry-delay", &TCliOptions::RetryDelay, 0, 86400},
    {"timeout", &TCliOptions::TimeOut, 1, 86400},
    {"limit-down", &TCliOptions::LimitDown, 1, 2000000},
    {"limit-up", &TCliOptions::LimitUp, 1, 2000000},
    {"proxy-type", &TCliOptions::ProxyType, 0, 10},
};

QList<QCommandLineOption> AllOptions()
{
    auto flag = [](const QStringList &names, const char *text) {
        return QCommandLineOption(names, QString::fromUtf8(text));
    };
    auto value = [](const char *name, const char *text, const char *valueName) {
        return QCommandLineOption(QString::fromUtf8(name), QString::fromUtf8(text), QString::fromUtf8(valueName));
    };
    return {
        flag({QStringLiteral("h"), QStringLiteral("help")}, "Show this help."),
        flag({QStringLiteral("passive")}, "Passive data connections (PASV)."),
        flag({QStringLiteral("active")}, "Active data connections (PORT)."),
        value("parallel", "Transfers at a time (MaxThread).", "N"),
        value("retries", "Attempts per transfer and per log-in; 0 without limit.", "N"),
        value("retry-delay", "Seconds between attempts.", "S"),
        value("timeout", "Seconds without any progress before a request fails.", "S"),
        value("limit-down", "Download speed limit in KB/s.", "KBPS"),
        value("limit-up", "Upload speed limit in KB/s.", "KBPS"),
        flag({QStringLiteral("overwrite")}, "Replace existing files."),
        flag({QStringLiteral("resume")}, "Continue existing files where they end."),
        flag({QStringLiteral("skip")}, "Leave existing files alone."),
        flag({QStringLiteral("ascii")}, "ASCII transfers."),
        flag({QStringLiteral("binary")}, "Binary transfers."),
        flag({QStringLiteral("auto")}, "ASCII or binary by the file's extension."),
        flag({QStringLiteral("move")}, "Delete the source after a completed transfer."),
        value("proxy-type", "Proxy log-in scheme 0..10 (0 none).", "N"),
        value("proxy", "The proxy or firewall.", "HOST:PORT"),
        value("proxy-user", "The proxy's user name.", "U"),
        value("proxy-pass", "The proxy's password (visible to other users; avoid).", "P"),
        value("log", "Append the command and reply log to FILE.", "FILE"),
        flag({QStringLiteral("v"), QStringLiteral("verbose")}, "Echo commands and replies on standard error."),
        value("site", "Use the stored site NAME for host, user, password and proxy.", "NAME"),
        value("password-file", "Read the password from the first line of FILE.", "FILE"),
        flag({QStringLiteral("l"), QStringLiteral("long")}, "ls: long listing."),
        flag({QStringLiteral("json")}, "ls: one JSON object per entry."),
    };
}

// The one of `names` that is set; -1 none, -2 more than one.
int OneOf(const QCommandLineParser &p, const QStringList &names)
{
    int found = -1;
    for (int i = 0; i < names.size(); ++i) {
        if (!p.isSet(names[i]))
            continue;
        if (found >= 0)
            return -2;
        found = i;
    }
    return found;
}

}  // namespace

QString CliOptionsHelp()
{
    QString text;
    for (const QCommandLineOption &o : AllOptions()) {
        QStringList names;
        for (const QString &n : o.names())
            names << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
        QString left = names.join(QStringLiteral(", "));
        if (!o.valueName().isEmpty())
            left += QLatin1Char(' ') + o.valueName();
        text += QStringLiteral("  %1  %2\n").arg(left.leftJustified(24), o.description());
    }
    return text;
}

bool ParseCliOptions(const QStringList &args, TCliOptions &o, QStringList &positional, QString *error)
{
    o = TCliOptions();
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    p.addOptions(AllOptions());
    if (!p.parse(QStringList{QStringLiteral("tarnel-cli")} + args)) {
        *error = p.errorText();
        return false;
    }
    o.Help = p.isSet(QStringLiteral("help"));
    for (const TNumberOption &n : kNumbers) {
        const QString name = QString::fromUtf8(n.Name);
        if (!p.isSet(name))
            continue;
        bool ok = false;
        const int v = p.value(name).toInt(&ok);
        if (!ok || v < n.Min || v > n.Max) {
            *error = QStringLiteral("--%1 wants a whole number from %2 to %3").arg(name).arg(n.Min).arg(n.Max);
            return false;
        }
        o.*n.Field = v;
    }
    const int mode = OneOf(p, {QStringLiteral("active"), QStringLiteral("passive")});
    const int replace = OneOf(p, {QStringLiteral("skip"), QStringLiteral("overwrite"), QStringLiteral("resume")});
    const int type = OneOf(p, {QStringLiteral("auto"), QStringLiteral("ascii"), QStringLiteral("binary")});
    if (mode == -2 || replace == -2 || type == -2) {
        *error = QStringLiteral("conflicting options: choose one of --passive/--active, "
                                "--overwrite/--resume/--skip, --ascii/--binary/--auto");
        return false;
    }
    o.Passive = mode;
    o.ReplaceMode = replace == 2 ? 3 : replace;
    o.TransferType = type;
    o.Move = p.isSet(QStringLiteral("move"));
    if (p.isSet(QStringLiteral("proxy"))) {
        const QString proxy = p.value(QStringLiteral("proxy"));
        const qsizetype colon = proxy.lastIndexOf(QLatin1Char(':'));
        o.ProxyHost = colon < 0 ? proxy : proxy.left(colon);
        o.ProxyPort = colon < 0 ? QStringLiteral("21") : proxy.mid(colon + 1);
        bool ok = false;
        const int port = o.ProxyPort.toInt(&ok);
        if (o.ProxyHost.isEmpty() || !ok || port < 1 || port > 65535) {
            *error = QStringLiteral("--proxy wants HOST:PORT");
            return false;
        }
    }
    o.ProxyUser = p.value(QStringLiteral("proxy-user"));
    o.ProxyPassGiven = p.isSet(QStringLiteral("proxy-pass"));
    o.ProxyPass = p.value(QStringLiteral("proxy-pass"));
    if (o.ProxyType > 0 && o.ProxyHost.isEmpty() && !(o.ProxyType == 9 || o.ProxyType == 10)) {
        *error = QStringLiteral("--proxy-type %1 needs --proxy HOST:PORT").arg(o.ProxyType);
        return false;
    }
    o.LogFile = p.value(QStringLiteral("log"));
    o.Verbose = p.isSet(QStringLiteral("verbose"));
    o.SiteName = p.value(QStringLiteral("site"));
    o.PasswordFile = p.value(QStringLiteral("password-file"));
    o.Long = p.isSet(QStringLiteral("long"));
    o.Json = p.isSet(QStringLiteral("json"));
    positional = p.positionalArguments();
    return true;
}

void ApplyCliOptions(const TCliOptions &cli, TOptions &options)
{
    if (cli.Passive >= 0)
        options.PassiveMode = cli.Passive;
    if (cli.MaxThread > 0)
        options.MaxThread = cli.MaxThread;
    if (cli.Retries >= 0) {
        options.TransRetry = cli.Retries;
        options.NumRetry = cli.Retries;
    }
    if (cli.RetryDelay >= 0) {
        options.TransDelay = cli.RetryDelay;
        options.RetryDelay = cli.RetryDelay;
    }
    if (cli.TimeOut > 0) {
        options.TransTimeout = cli.TimeOut;
        options.ConnTimeout = cli.TimeOut;
    }
    if (cli.LimitDown > 0) {
        options.DownloadLimitOn = true;
        options.DownloadSpeedLimit = cli.LimitDown;
    }
    if (cli.LimitUp > 0) {
        options.UploadLimitOn = true;
        options.UploadSpeedLimit = cli.LimitUp;
    }
    if (cli.ReplaceMode >= 0)
        options.ReplaceMode = cli.ReplaceMode;
    if (cli.TransferType >= 0)
        options.TransferType = cli.TransferType;
    if (cli.ProxyType >= 0) {
        options.FtpProxyType = cli.ProxyType;
        options.FtpProxyHost = cli.ProxyHost;
        options.FtpProxyPort = cli.ProxyPort.toInt();
        options.FtpProxyUsername = cli.ProxyUser;
        options.FtpProxyPassword = cli.ProxyPass;
    }
}
