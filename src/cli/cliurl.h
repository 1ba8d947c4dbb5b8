#pragma once
#include <QtCore/QByteArray>
#include <QtCore/QString>

// A remote place named on the command line: ftp://[user[:password]@]host[:port]/path,
// percent-decoded. The path is absolute on the server and stays bytes, so any name the
// server lists can be given.
struct TCliUrl {
    QString User;
    QString Password;
    bool HasUser = false;
    bool HasPassword = false;
    QString Host;    // empty: a stored site supplies it
    QString Port;    // empty: the default port
    QByteArray Path; // "/" at least
};

// `siteMode`: a stored site stands in for the host, so the argument may also be a bare
// path ("/pub/x", "pub/x") or "ftp:///pub/x"; a bare relative path stays relative.
bool ParseFtpUrl(const QString &text, bool siteMode, TCliUrl &url, QString *error);

// The last component of a remote path ("/a/b/" gives "b") and the folder it lies in
// ("/a/b/" and "/a/b" give "/a/").
QByteArray RemoteBaseName(const QByteArray &path);
QByteArray RemoteParent(const QByteArray &path);
