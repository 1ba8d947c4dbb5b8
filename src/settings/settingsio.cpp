#include "settingsio.h"

#include "pc1.h"

#include <cstdlib>
#include <limits>

const QString kOptionsKey = QStringLiteral("Options");
const QString kSettingsKey = QStringLiteral("Settings");
const QString kDisplayKey = QStringLiteral("Options/Display");
const QString kCustomExtKey = QStringLiteral("Options/CustomExt");
const QString kHostHistoryKey = QStringLiteral("历史");

namespace {

// One list of value names and fields serves both directions.
struct TLoader {
    TSettingsStore &store;
    void Int(const char *name, qint32 &field) { store.ReadInteger(QString::fromLatin1(name), field); }
    void Flag(const char *name, bool &field) { store.ReadBool(QString::fromLatin1(name), field); }
    void Text(const char *name, QString &field) { store.ReadString(QString::fromLatin1(name), field); }
};

struct TSaver {
    TSettingsStore &store;
    void Int(const char *name, qint32 &field) { store.WriteInteger(QString::fromLatin1(name), field); }
    void Flag(const char *name, bool &field) { store.WriteBool(QString::fromLatin1(name), field); }
    void Text(const char *name, QString &field) { store.WriteString(QString::fromLatin1(name), field); }
};

// The plain values of "Options"; the converted ones are handled by LoadOptions/SaveOptions.
template <class Io>
void OptionsHead(Io &io, TOptions &o)
{
    io.Int("ConnTimeout", o.ConnTimeout);
    io.Int("NumRetry", o.NumRetry);
    io.Int("RetryDelay", o.RetryDelay);
    io.Int("TransTimeout", o.TransTimeout);
    io.Int("TransRetry", o.TransRetry);
    io.Int("TransDelay", o.TransDelay);
    io.Int("MaxThread", o.MaxThread);
    io.Text("ListExtraCmd", o.ListExtraCmd);
    io.Int("TransferType", o.TransferType);
    io.Text("ASCIIType", o.ASCIIType);
    io.Int("ReplaceMode", o.ReplaceMode);
    io.Text("LocalFolder", o.LocalFolder);
    io.Int("EnableKeepAlive", o.EnableKeepAlive);
    io.Int("KeepAliveInteval1", o.KeepAliveInteval1);
    io.Int("KeepAliveInteval2", o.KeepAliveInteval2);
    io.Int("UseNOOPCommand", o.UseNOOPCommand);
    io.Int("PassiveMode", o.PassiveMode);
    io.Text("LogFolder", o.LogFolder);
    io.Int("LogEnabled", o.LogEnabled);
    io.Int("LogType", o.LogType);
    io.Int("LogTimeStamp", o.LogTimeStamp);
    io.Int("LogInfo", o.LogInfo);
    io.Int("LogCommand", o.LogCommand);
    io.Int("LogResponse", o.LogResponse);
    io.Int("LogError", o.LogError);
    io.Text("UserEmail", o.UserEmail);
    io.Int("SetDownloadedDate", o.SetDownloadedDate);
    io.Text("DefaultEditor", o.DefaultEditor);
    io.Flag("UseSound", o.UseSound);
    io.Text("AVScanner", o.AVScanner);
    io.Text("AVCmdLine", o.AVCmdLine);
    io.Text("AVType", o.AVType);
    io.Int("FtpProxyType", o.FtpProxyType);
    io.Text("FtpProxyHost", o.FtpProxyHost);
    io.Int("FtpProxyPort", o.FtpProxyPort);
    io.Text("FtpProxyUsername", o.FtpProxyUsername);
    io.Flag("MinimizeToTray", o.MinimizeToTray);
    io.Flag("RememberWindow", o.RememberWindow);
    io.Flag("RememberLocalListView", o.RememberLocalListView);
    io.Int("LocalListViewStyle", o.LocalListViewStyle);
    io.Int("LocalVisibleColumn", o.LocalVisibleColumn);
    io.Int("LocalLastListStyle", o.LocalLastListStyle);
    io.Int("LocalLastVisibleColumn", o.LocalLastVisibleColumn);
    io.Flag("RememberRemoteListView", o.RememberRemoteListView);
    io.Int("RemoteListViewStyle", o.RemoteListViewStyle);
    io.Int("RemoteVisibleColumn", o.RemoteVisibleColumn);
    io.Int("RemoteLastListStyle", o.RemoteLastListStyle);
    io.Int("RemoteLastVisibleColumn", o.RemoteLastVisibleColumn);
}

template <class Io>
void SettingsValues(Io &io, TSettings &s)
{
    io.Text("ProgPath", s.ProgPath);
    io.Text("ProgName", s.ProgName);
    io.Int("X", s.X);
    io.Int("Y", s.Y);
    io.Int("CX", s.CX);
    io.Int("CY", s.CY);
    io.Int("VS", s.VS);
    io.Int("HST", s.HST);
    io.Int("HSB", s.HSB);
    io.Flag("ShowTool", s.ShowTool);
    io.Flag("ShowText", s.ShowText);
    io.Flag("ShowStatus", s.ShowStatus);
    io.Flag("ShowMsgLog", s.ShowMsgLog);
    io.Flag("ShowQueue", s.ShowQueue);
    io.Flag("ShowLocalTree", s.ShowLocalTree);
    io.Flag("ShowRemoteTree", s.ShowRemoteTree);
}

template <class Io>
void EditorValues(Io &io, TEditorSettings &e)
{
    io.Int("EX", e.EX);
    io.Int("EY", e.EY);
    io.Int("ECX", e.ECX);
    io.Int("ECY", e.ECY);
    io.Text("EFontName", e.EFontName);
    io.Int("EFontSize", e.EFontSize);
    io.Int("EFontStyle", e.EFontStyle);
    io.Int("EFontColor", e.EFontColor);
    io.Flag("EWordWrap", e.EWordWrap);
}

template <class Io>
void ListDisplayValues(Io &io, const char *prefix, TListDisplay &l)
{
    const auto name = [prefix](const char *field) { return QByteArray(prefix) + field; };
    io.Text(name("FontName").constData(), l.FontName);
    io.Int(name("FontSize").constData(), l.FontSize);
    io.Int(name("FontStyle").constData(), l.FontStyle);
    io.Int(name("FontColor").constData(), l.FontColor);
    io.Int(name("Color").constData(), l.Color);
    io.Flag(name("GridLine").constData(), l.GridLine);
}

// The colours and fonts; the four prefix texts are handled by their callers.
template <class Io>
void DisplayValues(Io &io, TDisplaySettings &d)
{
    io.Text("LogFontName", d.LogFontName);
    io.Int("LogFontSize", d.LogFontSize);
    io.Int("LogFontStyle", d.LogFontStyle);
    io.Int("LogInfoColor", d.LogInfoColor);
    io.Int("LogCommandColor", d.LogCommandColor);
    io.Int("LogResponseColor", d.LogResponseColor);
    io.Int("LogResponseErrColor", d.LogResponseErrColor);
    io.Int("LogErrorColor", d.LogErrorColor);
    ListDisplayValues(io, "LVQueue", d.LVQueue);
    ListDisplayValues(io, "LVUpload", d.LVUpload);
    ListDisplayValues(io, "LVDownload", d.LVDownload);
}

QString WithoutTrailingTabs(QString text)
{
    while (text.endsWith(u'\t'))
        text.chop(1);
    return text;
}

// A limit is stored as its value when on and as its negative when off.
void ReadSpeedLimit(TSettingsStore &store, const QString &name, bool &on, qint32 &limit)
{
    qint32 stored;
    if (!store.ReadInteger(name, stored))
        return;
    on = stored >= 0;
    // The most negative 32-bit value has no positive twin; it reads as the largest limit.
    limit = stored == std::numeric_limits<qint32>::min() ? std::numeric_limits<qint32>::max() : std::abs(stored);
}

qint32 StoredSpeedLimit(bool on, qint32 limit)
{
    const qint32 magnitude = limit == std::numeric_limits<qint32>::min() ? std::numeric_limits<qint32>::max()
                                                                         : std::abs(limit);
    return on ? magnitude : -magnitude;
}

QList<QPair<const char *, QString TDisplaySettings::*>> PrefixFields()
{
    return {{"LogInfoText", &TDisplaySettings::LogInfoText},
            {"LogCommandText", &TDisplaySettings::LogCommandText},
            {"LogResponseText", &TDisplaySettings::LogResponseText},
            {"LogErrorText", &TDisplaySettings::LogErrorText}};
}

}  // namespace

void LoadOptions(TSettingsStore &store, TOptions &options)
{
    if (!store.OpenKey(kOptionsKey, false))
        return;
    TLoader io{store};
    OptionsHead(io, options);

    qint32 antiVirus;
    if (store.ReadInteger(QStringLiteral("UseAntiVirus"), antiVirus)) {
        options.UseAntiVirus = antiVirus & 1;
        options.AVOnlyTypes = antiVirus & 2;
    }
    QString password;
    if (store.ReadString(QStringLiteral("FtpProxyPassword"), password))
        options.FtpProxyPassword = QString::fromUtf8(DecryptPassword(password.toLatin1()));

    // A missing cache value means the cache is off, unlike the other values.
    qint32 cache = 0;
    store.ReadInteger(QStringLiteral("DirectoryCache"), cache);
    const quint32 bits = quint32(cache);
    options.DirCacheEnabled = (bits >> 24) != 0;
    options.DirCacheHours = qint32((bits >> 16) & 0xFF);
    options.DirCacheMinutes = qint32((bits >> 8) & 0xFF);
    options.DirCacheSeconds = qint32(bits & 0xFF);

    ReadSpeedLimit(store, QStringLiteral("UploadSpeedLimit"), options.UploadLimitOn, options.UploadSpeedLimit);
    ReadSpeedLimit(store, QStringLiteral("DownloadSpeedLimit"), options.DownloadLimitOn, options.DownloadSpeedLimit);

    QString folder;
    if (store.ReadString(QStringLiteral("DefaultFolder"), folder)) {
        options.RememberFolder = folder.startsWith(u'*');
        options.DefaultFolder = options.RememberFolder ? folder.mid(1) : folder;
    }
    if (options.UserEmail.isEmpty())
        options.UserEmail = AnonymousPlaceholder();
    store.CloseKey();
}

void SaveOptions(TSettingsStore &store, const TOptions &options)
{
    if (!store.OpenKey(kOptionsKey, true))
        return;
    TOptions o = options;
    TSaver io{store};
    OptionsHead(io, o);
    store.WriteInteger(QStringLiteral("UseAntiVirus"), (o.UseAntiVirus ? 1 : 0) | (o.AVOnlyTypes ? 2 : 0));
    store.WriteString(QStringLiteral("FtpProxyPassword"),
                      QString::fromLatin1(EncryptPassword(o.FtpProxyPassword.toUtf8())));
    const quint32 cache = (o.DirCacheEnabled ? 1u << 24 : 0u) | (quint32(o.DirCacheHours & 0xFF) << 16)
                          | (quint32(o.DirCacheMinutes & 0xFF) << 8) | quint32(o.DirCacheSeconds & 0xFF);
    store.WriteInteger(QStringLiteral("DirectoryCache"), qint32(cache));
    store.WriteInteger(QStringLiteral("UploadSpeedLimit"), StoredSpeedLimit(o.UploadLimitOn, o.UploadSpeedLimit));
    store.WriteInteger(QStringLiteral("DownloadSpeedLimit"),
                       StoredSpeedLimit(o.DownloadLimitOn, o.DownloadSpeedLimit));
    store.WriteString(QStringLiteral("DefaultFolder"),
                      o.RememberFolder ? u'*' + o.DefaultFolder : o.DefaultFolder);
    store.CloseKey();
    store.Sync();
}

void LoadSettings(TSettingsStore &store, TSettings &settings)
{
    if (!store.OpenKey(kSettingsKey, false))
        return;
    TLoader io{store};
    SettingsValues(io, settings);
    qint32 mode;
    if (store.ReadInteger(QStringLiteral("ListViewMode"), mode)) {
        settings.LocalViewStyle = mode & 0xFF;
        settings.RemoteViewStyle = (mode >> 8) & 0xFF;
    }
    store.CloseKey();
}

void SaveSettings(TSettingsStore &store, const TSettings &settings)
{
    if (!store.OpenKey(kSettingsKey, true))
        return;
    TSettings s = settings;
    TSaver io{store};
    SettingsValues(io, s);
    store.WriteInteger(QStringLiteral("ListViewMode"), (s.RemoteViewStyle & 0xFF) * 256 + (s.LocalViewStyle & 0xFF));
    store.CloseKey();
    store.Sync();
}

void LoadEditorSettings(TSettingsStore &store, TEditorSettings &settings)
{
    if (!store.OpenKey(kSettingsKey, false))
        return;
    TLoader io{store};
    EditorValues(io, settings);
    store.CloseKey();
}

void SaveEditorSettings(TSettingsStore &store, const TEditorSettings &settings)
{
    if (!store.OpenKey(kSettingsKey, true))
        return;
    TEditorSettings e = settings;
    TSaver io{store};
    EditorValues(io, e);
    store.CloseKey();
    store.Sync();
}

void LoadDisplaySettings(TSettingsStore &store, TDisplaySettings &settings)
{
    if (!store.OpenKey(kDisplayKey, false))
        return;
    TLoader io{store};
    DisplayValues(io, settings);
    for (const auto &[name, field] : PrefixFields()) {
        QString text;
        if (store.ReadString(QString::fromLatin1(name), text))
            settings.*field = WithoutTrailingTabs(text) + u'\t';
    }
    store.CloseKey();
}

void SaveDisplaySettings(TSettingsStore &store, const TDisplaySettings &settings)
{
    if (!store.OpenKey(kDisplayKey, true))
        return;
    TDisplaySettings d = settings;
    TSaver io{store};
    DisplayValues(io, d);
    for (const auto &[name, field] : PrefixFields())
        store.WriteString(QString::fromLatin1(name), WithoutTrailingTabs(d.*field));
    store.CloseKey();
    store.Sync();
}

void LoadRegList(TSettingsStore &store, const QString &key, TRegList &list)
{
    list.Entries.clear();
    if (!store.OpenKey(key, false))
        return;
    QString separator;
    store.ReadDefault(separator);
    if (!separator.isEmpty()) {
        list.Separator = separator[0];
        for (const QString &name : store.ValueNames()) {
            QString text;
            if (!name.isEmpty() && store.ReadString(name, text))
                list.Entries.append(name + list.Separator + text);
        }
    } else {
        for (int i = 0; i < kRegListMax; ++i) {
            QString text;
            if (store.ReadString(QStringLiteral("List%1").arg(i), text))
                list.Entries.append(text);
        }
    }
    store.CloseKey();
}

void SaveRegList(TSettingsStore &store, const QString &key, const TRegList &list)
{
    store.DeleteKey(key);
    if (!store.OpenKey(key, true))
        return;
    store.WriteDefault(list.Separator.isNull() ? QString() : QString(list.Separator));
    for (int i = 0; i < list.Entries.size() && i < kRegListMax; ++i) {
        const QString &entry = list.Entries[i];
        const qsizetype split = list.Separator.isNull() ? -1 : entry.indexOf(list.Separator);
        if (split > 0)
            store.WriteString(entry.left(split), entry.mid(split + 1));
        else
            store.WriteString(QStringLiteral("List%1").arg(i), entry);
    }
    store.CloseKey();
    store.Sync();
}
