#include "pc1.h"
#include "programfolders.h"
#include "settingsio.h"
#include "soundevents.h"
#include "tsettingsstore.h"
#include "ttempprofile.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtTest/QTest>

namespace {
// Writes an INI file by hand, as another program (or a user) would leave it.
QString WriteIni(const TTempProfile &profile, const QByteArray &text)
{
    const QString name = profile.FilePath(QStringLiteral("Tarnel.ini"));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write the INI file");
    return name;
}
}  // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void integerReads_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("read");
        QTest::addColumn<qint32>("value");

        QTest::newRow("decimal") << QByteArray("60") << true << 60;
        QTest::newRow("negative") << QByteArray("-25") << true << -25;
        QTest::newRow("hex") << QByteArray("0x10") << true << 16;
        QTest::newRow("unsigned 32-bit") << QByteArray("4278190088") << true << qint32(0xFF000008);
        QTest::newRow("too wide") << QByteArray("4294967296") << false << 7;
        QTest::newRow("text") << QByteArray("abc") << false << 7;
        QTest::newRow("empty") << QByteArray("") << false << 7;
        QTest::newRow("list") << QByteArray("1, 2") << false << 7;
    }

    void integerReads()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, read);
        QFETCH(qint32, value);
        TTempProfile profile;
        TSettingsStore store(WriteIni(profile, "[Options]\nValue=" + stored + "\n"));
        QVERIFY(store.OpenKey(kOptionsKey, false));
        qint32 field = 7;  // a mistyped or missing value keeps the field
        QCOMPARE(store.ReadInteger(QStringLiteral("Value"), field), read);
        QCOMPARE(field, value);
        QCOMPARE(store.ReadInteger(QStringLiteral("Missing"), field), false);
        QCOMPARE(field, value);
    }

    void keysValuesAndDefaults()
    {
        TTempProfile profile;
        TSettingsStore store(profile.FilePath(QStringLiteral("Tarnel.ini")));
        QCOMPARE(store.FileName(), profile.FilePath(QStringLiteral("Tarnel.ini")));
        QVERIFY(!store.OpenKey(QStringLiteral("Options/Sound/0"), false));
        QVERIFY(store.OpenKey(QStringLiteral("Options/Sound/0"), true));
        store.WriteInteger(QStringLiteral("Type"), 2);
        store.WriteString(QStringLiteral("Filename"), QStringLiteral("/tmp/a, b.wav"));
        store.WriteDefault(QStringLiteral("="));
        QCOMPARE(store.ValueNames(), QStringList({QStringLiteral("Filename"), QStringLiteral("Type")}));
        QString text;
        QVERIFY(store.ReadDefault(text));
        QCOMPARE(text, QStringLiteral("="));
        QVERIFY(store.ReadString(QStringLiteral("Filename"), text));
        QCOMPARE(text, QStringLiteral("/tmp/a, b.wav"));
        store.DeleteValue(QStringLiteral("Type"));
        QVERIFY(!store.ValueExists(QStringLiteral("Type")));
        store.CloseKey();
        QVERIFY(store.Sync());

        QVERIFY(store.KeyExists(QStringLiteral("Options")));
        QVERIFY(store.KeyExists(QStringLiteral("Options/Sound")));
        store.DeleteKey(QStringLiteral("Options/Sound"));
        QVERIFY(!store.KeyExists(QStringLiteral("Options/Sound/0")));
        QVERIFY(!store.KeyExists(QStringLiteral("Options")));
        store.DeleteKey(QString());  // never "everything"
    }

    void unwritableStoreCreatesNoKeys()
    {
        TTempProfile profile;
        // The folder of the INI file is a plain file: nothing can be written there.
        const QString notAFolder = WriteIni(profile, "x");
        TSettingsStore store(notAFolder + QStringLiteral("/Tarnel.ini"));
        QVERIFY(!store.OpenKey(kOptionsKey, true));
        SaveOptions(store, TOptions());
        QVERIFY(!store.KeyExists(kOptionsKey));
    }

    void optionsWithoutKeyKeepDefaultsAndFirstSaveWritesAll()
    {
        TTempProfile profile;
        StartProgramFolders();
        TSettingsStore store;
        QCOMPARE(store.FileName(), profile.FilePath(QStringLiteral("Tarnel.ini")));
        TProgramFolders folders;
        folders.DocumentsFolder = QStringLiteral("/home/u/Documents/");
        folders.DefaultLogFolder = QStringLiteral("/p/Logs");
        const TOptions defaults = DefaultOptions(folders);
        QCOMPARE(defaults.LocalFolder, QStringLiteral("/home/u/Documents/"));
        QCOMPARE(defaults.LogFolder, QStringLiteral("/p/Logs"));

        TOptions options = defaults;
        LoadOptions(store, options);
        QVERIFY(options == defaults);
        SaveOptions(store, options);
        QVERIFY(store.OpenKey(kOptionsKey, false));
        QCOMPARE(store.ValueNames().size(), 54);
        store.CloseKey();

        // Every field goes out and comes back, the converted ones included.
        TOptions changed = defaults;
        changed.ConnTimeout = 11;
        changed.ASCIIType = QStringLiteral("txt;c,h");
        changed.UseSound = true;
        changed.UseAntiVirus = true;
        changed.AVOnlyTypes = false;
        changed.FtpProxyPassword = QStringLiteral("秘密pw");
        changed.DirCacheEnabled = true;
        changed.DirCacheHours = 2;
        changed.DirCacheMinutes = 59;
        changed.DirCacheSeconds = 7;
        changed.UploadLimitOn = true;
        changed.UploadSpeedLimit = 40;
        changed.DownloadSpeedLimit = 25;
        changed.RememberFolder = true;
        changed.DefaultFolder = QStringLiteral("/srv/ftp");
        changed.RemoteLastVisibleColumn = 3;
        SaveOptions(store, changed);
        TSettingsStore reopened;
        TOptions loaded = defaults;
        LoadOptions(reopened, loaded);
        QVERIFY(loaded == changed);
    }

    void optionConversions()
    {
        TTempProfile profile;
        TSettingsStore store(WriteIni(profile,
                                      "[Options]\n"
                                      "UploadSpeedLimit=-25\n"
                                      "DownloadSpeedLimit=-2147483648\n"
                                      "DirectoryCache=16777520\n"  // bytes 1, 0, 1, 48
                                      "DefaultFolder=*/data/last\n"
                                      "UseAntiVirus=2\n"
                                      "UserEmail=\n"
                                      "FtpProxyPassword=" + EncryptPassword("proxy pw") + "\n"));
        TOptions options;
        options.UseAntiVirus = true;
        LoadOptions(store, options);
        QCOMPARE(options.UploadLimitOn, false);
        QCOMPARE(options.UploadSpeedLimit, 25);
        QCOMPARE(options.DownloadLimitOn, false);
        QCOMPARE(options.DownloadSpeedLimit, std::numeric_limits<qint32>::max());
        QCOMPARE(options.DirCacheEnabled, true);
        QCOMPARE(options.DirCacheHours, 0);
        QCOMPARE(options.DirCacheMinutes, 1);
        QCOMPARE(options.DirCacheSeconds, 48);
        QCOMPARE(options.RememberFolder, true);
        QCOMPARE(options.DefaultFolder, QStringLiteral("/data/last"));
        QCOMPARE(options.UseAntiVirus, false);
        QCOMPARE(options.AVOnlyTypes, true);
        QCOMPARE(options.UserEmail, AnonymousPlaceholder());
        QCOMPARE(options.FtpProxyPassword, QStringLiteral("proxy pw"));

        SaveOptions(store, options);
        QVERIFY(store.OpenKey(kOptionsKey, false));
        qint32 value = 0;
        QVERIFY(store.ReadInteger(QStringLiteral("UploadSpeedLimit"), value));
        QCOMPARE(value, -25);
        QString text;
        QVERIFY(store.ReadString(QStringLiteral("DefaultFolder"), text));
        QCOMPARE(text, QStringLiteral("*/data/last"));
        QVERIFY(store.ReadString(QStringLiteral("FtpProxyPassword"), text));
        QCOMPARE(text.toLatin1(), EncryptPassword("proxy pw"));  // never in clear
    }

    void cacheValueMissingMeansOff()
    {
        TTempProfile profile;
        TSettingsStore store(WriteIni(profile, "[Options]\nDefaultFolder=\nUploadSpeedLimit=0\n"));
        TOptions options;
        options.DirCacheEnabled = true;
        options.DirCacheSeconds = 5;
        options.RememberFolder = true;
        LoadOptions(store, options);
        QCOMPARE(options.DirCacheEnabled, false);
        QCOMPARE(options.DirCacheSeconds, 0);
        QCOMPARE(options.RememberFolder, false);
        QCOMPARE(options.DefaultFolder, QString());
        QCOMPARE(options.UploadLimitOn, true);  // 0 reads as a limit that is on
        QCOMPARE(options.UploadSpeedLimit, 0);
    }

    void windowEditorAndDisplaySettings()
    {
        TTempProfile profile;
        TSettingsStore store(WriteIni(profile,
                                      "[Settings]\nListViewMode=258\nVS=350\nEWordWrap=0\n"
                                      "[Options]\nDisplay\\LogInfoText=~\nDisplay\\LogErrorText=\"!\\t\\t\"\n"
                                      "Display\\LVUploadColor=255\n"));
        TSettings settings;
        LoadSettings(store, settings);
        QCOMPARE(settings.LocalViewStyle, 2);
        QCOMPARE(settings.RemoteViewStyle, 1);
        QCOMPARE(settings.VS, 350);
        TEditorSettings editor;
        LoadEditorSettings(store, editor);
        QCOMPARE(editor.EWordWrap, false);
        QCOMPARE(editor.EFontName, QStringLiteral("Ms Sans Serif"));
        TDisplaySettings display;
        LoadDisplaySettings(store, display);
        QCOMPARE(display.LogInfoText, QStringLiteral("~\t"));
        QCOMPARE(display.LogErrorText, QStringLiteral("!\t"));
        QCOMPARE(display.LVUpload.Color, 255);
        QCOMPARE(display.LVQueue.Color, clWindow);

        SaveDisplaySettings(store, display);
        QVERIFY(store.OpenKey(kDisplayKey, false));
        QString text;
        QVERIFY(store.ReadString(QStringLiteral("LogErrorText"), text));
        QCOMPARE(text, QStringLiteral("!"));
        store.CloseKey();

        settings.X = -5;
        SaveSettings(store, settings);
        editor.EFontStyle = 5;
        SaveEditorSettings(store, editor);  // the same key: neither record loses values
        TSettings settingsBack;
        TEditorSettings editorBack;
        LoadSettings(store, settingsBack);
        LoadEditorSettings(store, editorBack);
        QVERIFY(settingsBack == settings);
        QVERIFY(editorBack == editor);
    }

    void soundRows()
    {
        TTempProfile profile;
        TSettingsStore store(WriteIni(profile,
                                      "[Options]\nSound\\1\\Type=1\nSound\\1\\System=7\n"
                                      "Sound\\4\\Type=2\nSound\\4\\Filename=/snd/done.wav\n"));
        TSoundEvents rows = DefaultSoundEvents();
        QCOMPARE(rows[seProgramStart].Name, QStringLiteral("程序启动"));
        QCOMPARE(rows[seTransferError].Name, QStringLiteral("传出错误"));
        rows[seError].Type = 2;  // loading resets every row first
        LoadSounds(store, rows);
        QCOMPARE(rows[seError], DefaultSoundEvents()[seError]);
        QCOMPARE(rows[seConnected].Type, 1);
        QCOMPARE(SystemSoundAlias(rows[seConnected].System), QStringLiteral("SystemDefault"));
        QCOMPARE(SystemSoundName(rows[seConnected].System), QStringLiteral("系统.默认"));
        QCOMPARE(SystemSoundAlias(2), QStringLiteral("SystemExclamation"));
        QCOMPARE(SystemSoundListItem(4), QStringLiteral("Question"));
        QCOMPARE(rows[seTransferDone].Filename, QStringLiteral("/snd/done.wav"));

        rows[seConnected].Type = 0;  // no sound, no file: the key goes with its "System" 7
        rows[seDisconnected].System = 3;
        rows[seDisconnected].Type = 1;
        SaveSounds(store, rows);
        QVERIFY(!store.KeyExists(kSoundKey + u'1'));
        QVERIFY(store.KeyExists(kSoundKey + u'2'));
        TSoundEvents expected = rows;
        expected[seConnected] = DefaultSoundEvents()[seConnected];
        TSoundEvents back;
        LoadSounds(store, back);
        QVERIFY(back == expected);
    }

    void textLists()
    {
        TTempProfile profile;
        StartProgramFolders();
        TSettingsStore store;
        TRegList ext{u'=', {QStringLiteral("txt=/usr/bin/gedit"), QStringLiteral("c=/usr/bin/kate")}};
        SaveRegList(store, kCustomExtKey, ext);
        TRegList extBack{u'=', {QStringLiteral("stale")}};
        LoadRegList(store, kCustomExtKey, extBack);
        QCOMPARE(extBack.Separator, QChar(u'='));
        QCOMPARE(extBack.Entries, QStringList({QStringLiteral("c=/usr/bin/kate"), QStringLiteral("txt=/usr/bin/gedit")}));

        TRegList history;
        for (int i = 0; i < 25; ++i)
            history.Entries.append(QStringLiteral("host%1.example").arg(i));
        SaveRegList(store, kHostHistoryKey, history);
        TSettingsStore reopened;
        TRegList historyBack;
        LoadRegList(reopened, kHostHistoryKey, historyBack);
        QCOMPARE(historyBack.Separator, QChar());
        QCOMPARE(historyBack.Entries, history.Entries.mid(0, kRegListMax));

        // Saving replaces the whole key: fewer entries leave no old ones behind.
        SaveRegList(store, kHostHistoryKey, TRegList{QChar(), {QStringLiteral("only")}});
        LoadRegList(store, kHostHistoryKey, historyBack);
        QCOMPARE(historyBack.Entries, QStringList({QStringLiteral("only")}));

        TRegList missing{QChar(), {QStringLiteral("stale")}};
        LoadRegList(store, QStringLiteral("NoSuchList"), missing);
        QVERIFY(missing.Entries.isEmpty());
    }

    void iniFileIsOwnerOnly()
    {
        TTempProfile profile;
        StartProgramFolders();
        TSettingsStore store;
        SaveOptions(store, TOptions());
        const QFileInfo info(profile.FilePath(QStringLiteral("Tarnel.ini")));
        QVERIFY(info.exists());
        QCOMPARE(info.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
