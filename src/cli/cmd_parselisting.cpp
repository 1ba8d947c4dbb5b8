// tarnel-cli parse-listing: listing lines on standard input, one JSON object per line out.
#include "commands.h"
#include "exitcodes.h"
#include "listjson.h"
#include "listparser.h"

#include <QtCore/QByteArrayView>
#include <QtCore/QCommandLineParser>
#include <QtCore/QTextStream>

#include <cmath>
#include <cstdio>

namespace {

void ParseLine(QByteArray &out, const char *line, qsizetype len, QDate today)
{
    if (len > 0 && line[len - 1] == '\r')
        --len;
    TFtpDirInfo info;
    const bool ok = ParseDirLine(line, len, info, today);
    AppendEntry(out, ok, info);
}

}  // namespace

int RunParseListing(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads listing lines (the text a server sends for LIST) on standard input and writes one\n"
        "JSON object per line: ok, name, size, dir, link, attributes, owner, date, time.\n"
        "Texts that are no UTF-8 are shown as Latin-1."));
    parser.addHelpOption();
    const QCommandLineOption todayOption(
        QStringLiteral("today"),
        QStringLiteral("Date that decides the year of lines showing a time (default: today)."),
        QStringLiteral("yyyy-mm-dd"));
    parser.addOption(todayOption);
    if (!parser.parse(QStringList{QStringLiteral("tarnel-cli parse-listing")} + args)) {
        QTextStream(stderr) << "tarnel-cli parse-listing: " << parser.errorText() << '\n';
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return ExitSuccess;
    }
    if (!parser.positionalArguments().isEmpty()) {
        QTextStream(stderr) << "tarnel-cli parse-listing: unexpected argument '"
                            << parser.positionalArguments().first() << "'\n";
        return ExitUsage;
    }
    QDate today;
    if (parser.isSet(todayOption)) {
        today = QDate::fromString(parser.value(todayOption), Qt::ISODate);
        if (!today.isValid()) {
            QTextStream(stderr) << "tarnel-cli parse-listing: bad date '" << parser.value(todayOption) << "'\n";
            return ExitUsage;
        }
    }

    QByteArray pending;  // a line not yet ended by LF
    QByteArray out;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        pending.append(buffer, qsizetype(got));
        qsizetype start = 0;
        for (qsizetype lf; (lf = pending.indexOf('\n', start)) >= 0; start = lf + 1)
            ParseLine(out, pending.constData() + start, lf - start, today);
        pending.remove(0, start);
        std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
        out.clear();
    }
    if (!pending.isEmpty())
        ParseLine(out, pending.constData(), pending.size(), today);
    std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdin) ? ExitSuccess : ExitFailure;
}
