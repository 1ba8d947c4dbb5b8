#pragma once
#include "settingsrecords.h"

#include <QtCore/QString>

// The identity of a site-tree entry; it also heads every queue item.
struct TSiteTag {
    qint32 SiteId = 0;  // unique in one run, 0 for folders and unnumbered sites; never stored
    bool IsFolder = false;
    qint32 Level = 0;   // depth in the tree, 0 = under the root
    QString Name;       // the key by which statistics and queue settings find a site
    QString AuxText;    // kept unchanged, shown nowhere

    bool operator==(const TSiteTag &) const = default;
};

struct TSiteDetail {
    QString Host;
    qint32 Port = 21;
    QString UserName = QStringLiteral("anonymous");
    QString Password;  // in clear; enciphered in the file
    QString RemoteDir;
    QString LocalDir;
    bool Anonymous = true;
    bool AskPassword = false;
    bool Passive = false;

    bool operator==(const TSiteDetail &) const = default;
};

struct TSiteProxy {
    qint32 UseOwnProxy = 0;  // 1: these fields, anything else: the proxy options
    qint32 ProxyType = 0;    // log-in scheme number, 0 = none
    QString ProxyHost;
    qint32 ProxyPort = 21;
    QString ProxyUser;
    QString ProxyPassword;

    bool operator==(const TSiteProxy &) const = default;
};

// One entry of the site store: a site or a folder.
struct TFtpSiteInfo {
    TSiteTag Tag;
    TSiteDetail Detail;

    // Connection and transfer settings, seconds; used when UseOwnConn / UseOwnTrans is 1.
    qint32 UseOwnConn = 0;
    qint32 ConnTimeout = 0;
    qint32 ConnRetries = 0;
    qint32 ConnDelay = 0;
    qint32 UseOwnTrans = 0;
    qint32 TransTimeout = 0;
    qint32 TransRetries = 0;
    qint32 TransDelay = 0;

    TSiteProxy Proxy;

    // Statistics. Only the low 32 bits of the byte counters are stored; the Active,
    // StartTick and RunBytes fields live for one run only.
    qint32 UpFiles = 0;
    qint64 UpBytes = 0;
    qint32 UpSpare = 0;
    double UpSeconds = 0;
    qint32 UpActive = 0;
    quint32 UpStartTick = 0;
    qint64 UpRunBytes = 0;
    qint32 DownFiles = 0;
    qint64 DownBytes = 0;
    qint32 DownSpare = 0;
    double DownSeconds = 0;
    qint32 DownActive = 0;
    quint32 DownStartTick = 0;
    qint64 DownRunBytes = 0;
    qint32 Connects = 0;
    qint32 ConnectTries = 0;
    double ConnectSeconds = 0;
    double LastConnect = -1.0;  // days since 1899-12-30, local time; -1 = never

    bool operator==(const TFtpSiteInfo &) const = default;
};

// A new site: the defaults above, with the password and settings taken from the options.
TFtpSiteInfo NewSiteInfo(const TOptions &options);

void ResetTransferStats(TFtpSiteInfo &site);
void ResetConnectStats(TFtpSiteInfo &site);
