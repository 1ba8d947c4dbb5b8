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
    "3 connection or log-in failure, 4 transfer failure.";

const TCliCommand kCommands[] = {
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
    QCoreApplication::setApplicationName(QStringLiteral("tarnel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."));
    // Options after the command belong to the command.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    if (!parser.parse(app.arguments())) {
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
