#pragma once
#include <QtCore/QByteArray>
#include <QtCore/QString>

// What the browsing session needs to know about the server and the user's options. The
// owner fills it before Connect; the session never reads the settings store itself.
struct TSessionSettings {
    QString Host;                       // Connect does nothing while empty
    QString Port = QStringLiteral("ftp");
    QString UserName = QStringLiteral("anonymous");
    QString Password = QStringLiteral("tarnel@localhost");  // empty: ask OnPasswordNeeded
    QByteArray InitialDir;              // relative to the home folder unless it begins with "/"
    bool Passive = false;
    QByteArray ListExtraCmd;            // inserted into every LIST the session sends
    int ProxyType = 0;                  // 0..10
    QString ProxyHost;
    QString ProxyPort;
    QString ProxyUser;
    QString ProxyPassword;
    int NumRetry = 1;                   // 0: try until stopped
    int RetryDelay = 5;                 // ticks (seconds)
    int KeepAliveInterval = 0;          // idle ticks (seconds) before a keep-alive; 0: none
    bool UseNoop = false;               // NOOP instead of a random harmless command
};
