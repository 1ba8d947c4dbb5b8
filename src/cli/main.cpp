#include "clitarget.h"
#include "commands.h"
#include "exitcodes.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>
#include <QtCore/QTextStream>

#include <cstdio>

namespace {
const char kDescription[] =
    "Tarnel command-line client.\n"
    "\n"
    "Exit status: 0 success, 1 local input/output failure, 2 usage error,\n"
    "3 connection or log-in failure, 4 transfer failure.\n"
    "\n"
    "URLs are ftp://[user@]host[:port]/path (percent-encoded); with --site NAME a stored site\n"
    "stands in for the host and a bare path will do. Passwords come from --password-file,\n"
    "the TARNEL_PASSWORD variable, the stored site or a prompt; a password in the URL works\n"
    "but is visible to other users. 'tarnel-cli COMMAND --help' lists the options.";

const TCliCommand kCommands[] = {
    {"ls", "List a remote folder (-l long, --json one object per entry).", RunLs},
    {"get", "Download files, or folders given with a trailing /.", RunGet},
    {"put", "Upload files and folders.", RunPut},
    {"rm", "Delete remote files, and folders given with a trailing /.", RunRm},
    {"mkdir", "Create a remote folder.", RunMkdir},
    {"mv", "Rename or move a remote file or folder.", RunMv},
    {"chmod", "Change the permissions of a remote file (SITE CHMOD).", RunChmod},
    {"quote", "Send raw commands and print the replies.", RunQuote},
    {"parse-listing", "Parse listing lines from standard input into JSON lines.", RunParseListing},
};

QString CommandList()
{
    QString text = QStringLiteral("\nCommands:\n");
    for (const TCliCommand &c : kCommands) {
        text += QStringLiteral("  %1  %2\n")
                    .arg(QString::fromUtf8(c.Name).leftJustified(16), QString::fromUtf8(c.Summary));
    }
    return text;
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    HidePasswordsInArgv(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarnel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."));
    // Options after the command belong to the command.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    if (!parser.parse(arguments)) {
        QTextStream(stderr) << "tarnel-cli: " << parser.errorText() << '\n';
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText() << CommandList();
        return ExitSuccess;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        QTextStream(stdout) << "tarnel-cli " << QCoreApplication::applicationVersion() << '\n';
        return ExitSuccess;
    }

    QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        QTextStream(stderr) << parser.helpText() << CommandList();
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    for (const TCliCommand &c : kCommands) {
        if (name == QLatin1String(c.Name))
            return c.Run(args);
    }
    QTextStream(stderr) << "tarnel-cli: unknown command '" << name << "'\n";
    return ExitUsage;
}
