#include "exitcodes.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>
#include <QtCore/QTextStream>

#include <cstdio>

namespace {
const char kDescription[] =
    "Tarnel command-line client.\n"
    "\n"
    "Exit status: 0 success, 2 usage error, 3 connection or log-in failure,\n"
    "4 transfer failure.";
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

    if (!parser.parse(app.arguments())) {
        QTextStream(stderr) << "tarnel-cli: " << parser.errorText() << '\n';
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return ExitSuccess;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        QTextStream(stdout) << "tarnel-cli " << QCoreApplication::applicationVersion() << '\n';
        return ExitSuccess;
    }

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        QTextStream(stderr) << parser.helpText();
        return ExitUsage;
    }
    QTextStream(stderr) << "tarnel-cli: unknown command '" << args.first() << "'\n";
    return ExitUsage;
}
