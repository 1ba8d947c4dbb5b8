// tarnel-cli parse-listing: listing lines on standard input, one JSON object per line out.
#include "commands.h"
#include "exitcodes.h"
#include "listparser.h"

#include <QtCore/QByteArrayView>
#include <QtCore/QCommandLineParser>
#include <QtCore/QTextStream>

#include <cmath>
#include <cstdio>

namespace {

void AppendJsonString(QByteArray &out, const QByteArray &bytes)
{
    // Names come in the server's code page; bytes that are no UTF-8 are shown as Latin-1.
    const QByteArray text = QByteArrayView(bytes).isValidUtf8()
        ? bytes : QString::fromLatin1(bytes).toUtf8();
    out.append('"');
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.append('\\').append(c);
        } else if (u < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            out.append("\\u00").append(kHex[u >> 4]).append(kHex[u & 15]);
        } else {
            out.append(c);
        }
    }
    out.append('"');
}

void AppendBool(QByteArray &out, const char *key, bool value)
{
    out.append(",\"").append(key).append("\":").append(value ? "true" : "false");
}

void AppendText(QByteArray &out, const char *key, const QByteArray &value)
{
    out.append(",\"").append(key).append("\":");
    AppendJsonString(out, value);
}

void AppendEntry(QByteArray &out, bool ok, const TFtpDirInfo &info)
{
    out.append("{\"ok\":").append(ok ? "true" : "false");
    AppendText(out, "name", info.Name);
    out.append(",\"size\":").append(QByteArray::number(info.Size));
    AppendBool(out, "dir", info.IsDir);
    AppendBool(out, "link", info.IsLink);
    AppendText(out, "attributes", info.Attributes);
    AppendText(out, "owner", info.Owner);
    if (info.ModTime == -1.0) {
        out.append(",\"date\":null,\"time\":null}\n");
        return;
    }
    const double day = std::floor(info.ModTime);
    const int minutes = int(std::lround((info.ModTime - day) * 1440.0));
    const QDate date = QDate(1899, 12, 30).addDays(qint64(day));
    out.append(",\"date\":\"").append(date.toString(Qt::ISODate).toLatin1());
    out.append("\",\"time\":\"")
        .append(QByteArray::number(minutes / 60).rightJustified(2, '0'))
        .append(':')
        .append(QByteArray::number(minutes % 60).rightJustified(2, '0'))
        .append("\"}\n");
}

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
