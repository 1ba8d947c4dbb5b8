#pragma once
#include "programfolders.h"

#include <QtCore/QString>

// The settings records in use and their defaults. Field names are the stored value names
// unless noted; colours are 32-bit 0x00BBGGRR values, or 0xFF0000nn for system colour nn;
// font styles are bits: 0 bold, 1 italic, 2 underline, 3 strikeout.

constexpr qint32 clBlack = 0x00000000;
constexpr qint32 clMaroon = 0x00000080;
constexpr qint32 clGreen = 0x00008000;
constexpr qint32 clRed = 0x000000FF;
constexpr qint32 clBlue = 0x00FF0000;
constexpr qint32 clWindow = qint32(0xFF000005);
constexpr qint32 clWindowText = qint32(0xFF000008);

// The anonymous log-in password when the user has set none.
QString AnonymousPlaceholder();

struct TOptions {
    qint32 ConnTimeout = 60;
    qint32 NumRetry = 2;
    qint32 RetryDelay = 5;
    qint32 TransTimeout = 120;
    qint32 TransRetry = 2;
    qint32 TransDelay = 5;
    qint32 MaxThread = 4;
    QString ListExtraCmd;
    qint32 TransferType = 0;  // 0 by extension, 1 ASCII, 2 binary
    QString ASCIIType = QStringLiteral("txt;htm;html;nfo;diz");
    qint32 ReplaceMode = 3;  // 0 skip, 1 overwrite, 3 resume
    QString LocalFolder;
    qint32 EnableKeepAlive = 1;
    qint32 KeepAliveInteval1 = 20;
    qint32 KeepAliveInteval2 = 30;
    qint32 UseNOOPCommand = 0;
    qint32 PassiveMode = 0;
    QString LogFolder;
    qint32 LogEnabled = 1;
    qint32 LogType = 0;  // 0 a file a day, 1 a file a month
    qint32 LogTimeStamp = 1;
    qint32 LogInfo = 1;
    qint32 LogCommand = 1;
    qint32 LogResponse = 1;
    qint32 LogError = 1;
    QString UserEmail = AnonymousPlaceholder();
    qint32 SetDownloadedDate = 1;
    QString DefaultEditor;  // empty or "*path": the built-in editor
    bool UseSound = false;
    bool UseAntiVirus = false;  // "UseAntiVirus" bit 0
    QString AVScanner;
    QString AVCmdLine;
    bool AVOnlyTypes = true;  // "UseAntiVirus" bit 1
    QString AVType = QStringLiteral("exe;zip;z;gz;gzip;tar;arj;lzh");
    qint32 FtpProxyType = 0;
    QString FtpProxyHost;
    qint32 FtpProxyPort = 0;
    QString FtpProxyUsername;
    QString FtpProxyPassword;  // in clear; enciphered in the store
    // "DirectoryCache": one byte each, enabled in the highest.
    bool DirCacheEnabled = false;
    qint32 DirCacheHours = 0;
    qint32 DirCacheMinutes = 0;
    qint32 DirCacheSeconds = 0;
    bool UploadLimitOn = false;
    qint32 UploadSpeedLimit = 10;  // KB per second
    bool DownloadLimitOn = false;
    qint32 DownloadSpeedLimit = 10;
    bool MinimizeToTray = false;
    bool RememberWindow = false;
    bool RememberFolder = false;  // "DefaultFolder" with a leading "*"
    QString DefaultFolder;
    bool RememberLocalListView = false;
    qint32 LocalListViewStyle = 0;
    qint32 LocalVisibleColumn = 3;
    qint32 LocalLastListStyle = 0;
    qint32 LocalLastVisibleColumn = 7;
    bool RememberRemoteListView = false;
    qint32 RemoteListViewStyle = 0;
    qint32 RemoteVisibleColumn = 15;
    qint32 RemoteLastListStyle = 0;
    qint32 RemoteLastVisibleColumn = 15;

    bool operator==(const TOptions &) const = default;
};

// The main window's layout.
struct TSettings {
    QString ProgPath;
    QString ProgName;
    qint32 X = 0, Y = 0, CX = 0, CY = 0;
    qint32 VS = 299;
    qint32 HST = 80;
    qint32 HSB = 80;
    bool ShowTool = true;
    bool ShowText = true;
    bool ShowStatus = true;
    bool ShowMsgLog = true;
    bool ShowQueue = true;
    bool ShowLocalTree = true;
    bool ShowRemoteTree = true;
    // "ListViewMode": remote style * 256 + local style; 0 large icons .. 3 details.
    qint32 LocalViewStyle = 3;
    qint32 RemoteViewStyle = 3;

    bool operator==(const TSettings &) const = default;
};

struct TEditorSettings {
    qint32 EX = 0, EY = 0, ECX = 0, ECY = 0;
    QString EFontName = QStringLiteral("Ms Sans Serif");
    qint32 EFontSize = 8;
    qint32 EFontStyle = 0;
    qint32 EFontColor = clBlack;
    bool EWordWrap = true;

    bool operator==(const TEditorSettings &) const = default;
};

// The look of one report list; stored as "<prefix>FontName" .. "<prefix>GridLine".
struct TListDisplay {
    QString FontName = QStringLiteral("Ms Sans Serif");
    qint32 FontSize = 8;
    qint32 FontStyle = 0;
    qint32 FontColor = clWindowText;
    qint32 Color = clWindow;
    bool GridLine = true;

    bool operator==(const TListDisplay &) const = default;
};

struct TDisplaySettings {
    QString LogFontName = QStringLiteral("Ms Sans Serif");
    qint32 LogFontSize = 8;
    qint32 LogFontStyle = 1;
    // The prefixes end in exactly one tab in memory and in none in the store.
    QString LogInfoText = QStringLiteral("~\t");
    qint32 LogInfoColor = clBlack;
    QString LogCommandText = QStringLiteral(">\t");
    qint32 LogCommandColor = clBlue;
    QString LogResponseText = QStringLiteral("<\t");
    qint32 LogResponseColor = clGreen;
    qint32 LogResponseErrColor = clMaroon;
    QString LogErrorText = QStringLiteral("!\t");
    qint32 LogErrorColor = clRed;
    TListDisplay LVQueue;
    TListDisplay LVUpload;
    TListDisplay LVDownload;

    bool operator==(const TDisplaySettings &) const = default;
};

// Defaults that depend on the program's folders; the rest are the member initialisers.
TOptions DefaultOptions(const TProgramFolders &folders = ProgramFolders());
TSettings DefaultSettings(const TProgramFolders &folders = ProgramFolders());
