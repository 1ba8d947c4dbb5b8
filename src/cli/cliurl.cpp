#include "cliurl.h"

namespace {

bool Decode(const QString &text, QByteArray &out, QString *error)
{
    const QByteArray raw = text.toUtf8();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != '%')
            continue;
        if (i + 2 >= raw.size() || !isxdigit(uchar(raw[i + 1])) || !isxdigit(uchar(raw[i + 2]))) {
            *error = QStringLiteral("bad percent escape in '%1'").arg(text);
            return false;
        }
    }
    out = QByteArray::fromPercentEncoding(raw);
    // A line break or NUL would end the command it is sent in.
    if (out.contains('\r') || out.contains('\n') || out.contains('\0')) {
        *error = QStringLiteral("line break or NUL in '%1'").arg(text);
        return false;
    }
    return true;
}

bool DecodeText(const QString &text, QString &out, QString *error)
{
    QByteArray bytes;
    if (!Decode(text, bytes, error))
        return false;
    out = QString::fromUtf8(bytes);
    return true;
}

}  // namespace

bool ParseFtpUrl(const QString &text, bool siteMode, TCliUrl &url, QString *error)
{
    url = TCliUrl();
    const QLatin1String scheme("ftp://");
    if (!text.startsWith(scheme, Qt::CaseInsensitive)) {
        if (siteMode && !text.isEmpty() && !text.contains(QLatin1String("://")))
            return Decode(text, url.Path, error);
        *error = QStringLiteral("'%1' is no ftp:// URL").arg(text);
        return false;
    }
    const QString rest = text.mid(scheme.size());
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QString authority = slash < 0 ? rest : rest.left(slash);
    const QString path = slash < 0 ? QStringLiteral("/") : rest.mid(slash);

    QString hostPort = authority;
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        hostPort = authority.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        url.HasUser = true;
        if (!DecodeText(colon < 0 ? userInfo : userInfo.left(colon), url.User, error))
            return false;
        if (colon >= 0) {
            url.HasPassword = true;
            if (!DecodeText(userInfo.mid(colon + 1), url.Password, error))
                return false;
        }
        if (url.User.isEmpty()) {
            *error = QStringLiteral("empty user name in '%1'").arg(text);
            return false;
        }
    }

    QString portText;
    if (hostPort.startsWith(QLatin1Char('['))) {
        const qsizetype close = hostPort.indexOf(QLatin1Char(']'));
        if (close < 0) {
            *error = QStringLiteral("unclosed '[' in '%1'").arg(text);
            return false;
        }
        url.Host = hostPort.mid(1, close - 1);
        const QString after = hostPort.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(QLatin1Char(':'))) {
            *error = QStringLiteral("bad host in '%1'").arg(text);
            return false;
        }
        portText = after.mid(1);
        if (after.isEmpty())
            portText.clear();
    } else {
        const qsizetype colon = hostPort.lastIndexOf(QLatin1Char(':'));
        url.Host = colon < 0 ? hostPort : hostPort.left(colon);
        if (colon >= 0)
            portText = hostPort.mid(colon + 1);
    }
    if (hostPort.contains(QLatin1Char(':')) && !hostPort.startsWith(QLatin1Char('[')) && portText.isEmpty()) {
        *error = QStringLiteral("empty port in '%1'").arg(text);
        return false;
    }
    if (!portText.isEmpty()) {
        bool ok = false;
        const int port = portText.toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            *error = QStringLiteral("bad port '%1'").arg(portText);
            return false;
        }
        url.Port = QString::number(port);
    }
    if (url.Host.isEmpty() && !siteMode) {
        *error = QStringLiteral("no host in '%1' (and no --site)").arg(text);
        return false;
    }
    if (!DecodeText(url.Host, url.Host, error))
        return false;
    if (!Decode(path, url.Path, error))
        return false;
    return true;
}

QByteArray RemoteBaseName(const QByteArray &path)
{
    QByteArray p = path;
    while (p.size() > 1 && p.endsWith('/'))
        p.chop(1);
    return p.mid(p.lastIndexOf('/') + 1);
}

QByteArray RemoteParent(const QByteArray &path)
{
    QByteArray p = path;
    while (p.size() > 1 && p.endsWith('/'))
        p.chop(1);
    const qsizetype slash = p.lastIndexOf('/');
    return slash < 0 ? QByteArray() : p.left(slash + 1);
}
