#include "ftpurl.h"

#include <QtCore/QUrl>

bool ParseFtpUrl(const QString &text, const QString &anonymousPassword, TSessionSettings &connection)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().compare(QStringLiteral("ftp"), Qt::CaseInsensitive) != 0 ||
        url.host().isEmpty())
        return false;
    connection.Host = url.host();
    connection.Port = QString::number(url.port(21));
    if (url.userName().isEmpty()) {
        connection.UserName = QStringLiteral("anonymous");
        connection.Password = anonymousPassword;
    } else {
        connection.UserName = url.userName();
        connection.Password = url.password();
    }
    QByteArray path = url.path(QUrl::FullyDecoded).toUtf8();
    if (path.startsWith('/'))
        path.remove(0, 1);
    connection.InitialDir = path;
    return true;
}
