#include "listjson.h"

#include <QtCore/QByteArrayView>
#include <QtCore/QDate>

#include <cmath>

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

namespace {

void AppendBool(QByteArray &out, const char *key, bool value)
{
    out.append(",\"").append(key).append("\":").append(value ? "true" : "false");
}

void AppendText(QByteArray &out, const char *key, const QByteArray &value)
{
    out.append(",\"").append(key).append("\":");
    AppendJsonString(out, value);
}

}  // namespace

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
    const QByteArray when = DateTimeText(info.ModTime);
    out.append(",\"date\":\"").append(when.left(10)).append("\",\"time\":\"").append(when.mid(11)).append("\"}\n");
}

QByteArray DateTimeText(double modTime)
{
    if (modTime == -1.0)
        return QByteArray();
    const double day = std::floor(modTime);
    const int minutes = int(std::lround((modTime - day) * 1440.0));
    const QDate date = QDate(1899, 12, 30).addDays(qint64(day));
    return date.toString(Qt::ISODate).toLatin1() + ' ' +
           QByteArray::number(minutes / 60).rightJustified(2, '0') + ':' +
           QByteArray::number(minutes % 60).rightJustified(2, '0');
}
