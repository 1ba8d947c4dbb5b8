#include "clitarget.h"

#include "exitcodes.h"
#include "settingsio.h"
#include "tsettingsstore.h"
#include "tsitemanager.h"

#include <QtCore/QFile>
#include <QtCore/QTextStream>

#include <cstdio>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace {

void Warn(const QString &text) { QTextStream(stderr) << "tarnel-cli: " << text << '\n'; }

// Reads a password from the terminal without echo; empty when there is no terminal.
QString PromptPassword(const QString &user, const QString &host)
{
    FILE *tty = std::fopen("/dev/tty", "r+");
    if (!tty || !isatty(STDIN_FILENO)) {
        if (tty)
            std::fclose(tty);
        return QString();
    }
    std::fprintf(tty, "Password for %s@%s: ", user.toUtf8().constData(), host.toUtf8().constData());
    std::fflush(tty);
    termios old{};
    const int fd = fileno(tty);
    const bool haveTerm = tcgetattr(fd, &old) == 0;
    if (haveTerm) {
        termios quiet = old;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    char line[1024] = {};
    const bool got = std::fgets(line, sizeof line, tty) != nullptr;
    if (haveTerm)
        tcsetattr(fd, TCSAFLUSH, &old);
    std::fprintf(tty, "\n");
    std::fclose(tty);
    if (!got)
        return QString();
    QByteArray text(line);
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    return QString::fromUtf8(text);
}

}  // namespace

TOptions LoadCliOptions(const TCliOptions &cli)
{
    TOptions options = DefaultOptions();
    TSettingsStore store;
    LoadOptions(store, options);
    ApplyCliOptions(cli, options);
    return options;
}

int ResolveTarget(const TCliOptions &cli, const TOptions &options, const TCliUrl &url, TCliTarget &t)
{
    t = TCliTarget();
    t.Passive = options.PassiveMode != 0;
    bool proxyOwn = false;
    bool havePassword = false;
    if (!cli.SiteName.isEmpty()) {
        TSiteManager sites;
        try {
            sites.LoadSites(options);
        } catch (...) {
            Warn(QStringLiteral("cannot read the site file %1").arg(sites.FileName()));
            return ExitFailure;
        }
        const TFtpSiteInfo *site = sites.FindByName(cli.SiteName, false);
        if (!site || site->Tag.IsFolder) {
            Warn(QStringLiteral("no stored site named '%1'").arg(cli.SiteName));
            return ExitUsage;
        }
        t.SiteTag = site->Tag;
        t.Host = site->Detail.Host;
        t.Port = QString::number(site->Detail.Port);
        t.User = site->Detail.UserName;
        t.Passive = site->Detail.Passive;
        if (!site->Detail.AskPassword && !site->Detail.Password.isEmpty()) {
            t.Password = site->Detail.Password;
            havePassword = true;
        }
        t.SiteDir = site->Detail.RemoteDir.toUtf8();
        if (site->UseOwnTrans == 1) {
            t.SiteTries = site->TransRetries;
            t.SiteDelay = site->TransDelay;
            t.SiteTimeOut = site->TransTimeout;
        }
        if (site->Proxy.UseOwnProxy == 1) {
            proxyOwn = true;
            t.ProxyType = site->Proxy.ProxyType;
            t.ProxyHost = site->Proxy.ProxyHost;
            t.ProxyPort = QString::number(site->Proxy.ProxyPort);
            t.ProxyUser = site->Proxy.ProxyUser;
            t.ProxyPassword = site->Proxy.ProxyPassword;
        }
        if (cli.Passive >= 0)
            t.Passive = cli.Passive == 1;
    }
    if (!url.Host.isEmpty())
        t.Host = url.Host;
    if (!url.Port.isEmpty())
        t.Port = url.Port;
    if (t.Host.isEmpty()) {
        Warn(QStringLiteral("no host given"));
        return ExitUsage;
    }
    if (url.HasUser && url.User != t.User) {
        t.User = url.User;
        havePassword = false;
        t.Password.clear();
    }
    if (!proxyOwn || cli.ProxyType >= 0) {
        t.ProxyType = options.FtpProxyType;
        t.ProxyHost = options.FtpProxyHost;
        t.ProxyPort = QString::number(options.FtpProxyPort);
        t.ProxyUser = options.FtpProxyUsername;
        t.ProxyPassword = options.FtpProxyPassword;
    }
    if (cli.ProxyPassGiven)
        Warn(QStringLiteral("warning: --proxy-pass shows the password to other users; "
                            "store it in a site instead"));

    const QByteArray env = qgetenv("TARNEL_PASSWORD");
    if (url.HasPassword) {
        Warn(QStringLiteral("warning: a password in the URL may be seen by other users; "
                            "use --password-file or TARNEL_PASSWORD"));
        t.Password = url.Password;
    } else if (!cli.PasswordFile.isEmpty()) {
        QFile file(cli.PasswordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            Warn(QStringLiteral("cannot read the password file %1").arg(cli.PasswordFile));
            return ExitFailure;
        }
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        t.Password = QString::fromUtf8(line);
    } else if (!env.isEmpty()) {
        t.Password = QString::fromUtf8(env);
    } else if (!havePassword) {
        if (t.User.compare(QLatin1String("anonymous"), Qt::CaseInsensitive) == 0 ||
            t.User.compare(QLatin1String("ftp"), Qt::CaseInsensitive) == 0)
            t.Password = options.UserEmail;
        else
            t.Password = PromptPassword(t.User, t.Host);
    }
    return ExitSuccess;
}

QByteArray AbsoluteRemote(const TCliTarget &target, const QByteArray &path)
{
    if (path.startsWith('/'))
        return path;
    QByteArray base = target.SiteDir.isEmpty() ? QByteArray("/") : target.SiteDir;
    if (!base.startsWith('/'))
        base.prepend('/');
    if (!base.endsWith('/'))
        base += '/';
    return base + path;
}

void HidePasswordsInArgv(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        char *arg = argv[i];
        if (std::strcmp(arg, "--proxy-pass") == 0 && i + 1 < argc) {
            std::memset(argv[i + 1], '*', std::strlen(argv[i + 1]));
            continue;
        }
        if (std::strncmp(arg, "--proxy-pass=", 13) == 0) {
            std::memset(arg + 13, '*', std::strlen(arg + 13));
            continue;
        }
        if (strncasecmp(arg, "ftp://", 6) != 0)
            continue;
        char *authority = arg + 6;
        char *end = std::strchr(authority, '/');
        if (!end)
            end = authority + std::strlen(authority);
        char *at = nullptr;
        for (char *c = authority; c < end; ++c)
            if (*c == '@')
                at = c;
        if (!at)
            continue;
        char *colon = static_cast<char *>(std::memchr(authority, ':', size_t(at - authority)));
        if (colon)
            std::memset(colon + 1, '*', size_t(at - colon - 1));
    }
}
