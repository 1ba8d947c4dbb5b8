#pragma once
#include <QtCore/QSettings>
#include <QtCore/QString>
#include <QtCore/QStringList>

// The program's settings store: a tree of keys holding named values, kept in the INI file
// "Tarnel.ini" of the profile folder. A key path such as "Options/Sound/0" is a group path;
// every key may also hold one unnamed default value.
//
// Reads never change the caller's field unless a value of the right kind is present, so a
// missing or mistyped value keeps the default; errors are never reported beyond a result.
class TSettingsStore {
public:
    // The INI file of the profile folder.
    static QString DefaultFileName();

    explicit TSettingsStore(const QString &fileName = DefaultFileName());

    TSettingsStore(const TSettingsStore &) = delete;
    TSettingsStore &operator=(const TSettingsStore &) = delete;

    QString FileName() const;

    bool KeyExists(const QString &key) const;
    // Makes `key` the current key. Without `canCreate` a missing key fails; with it the key
    // comes into being with its first value, and only a read-only store fails.
    bool OpenKey(const QString &key, bool canCreate);
    void CloseKey();
    QString CurrentKey() const { return m_key; }
    // Removes the key with all its values and sub-keys.
    void DeleteKey(const QString &key);

    // Values of the current key.
    bool ValueExists(const QString &name) const;
    QStringList ValueNames() const;  // the named values only, not the default value
    bool ReadInteger(const QString &name, qint32 &value) const;  // decimal or 0x hex, 32 bits
    bool ReadBool(const QString &name, bool &value) const;       // any integer but 0 is true
    bool ReadString(const QString &name, QString &value) const;
    void WriteInteger(const QString &name, qint32 value);
    void WriteBool(const QString &name, bool value);  // as 0 or 1
    void WriteString(const QString &name, const QString &value);
    void DeleteValue(const QString &name);

    // The current key's unnamed default value.
    bool ReadDefault(QString &value) const;
    void WriteDefault(const QString &value);

    // Writes pending changes to the file (owner-only: it holds the proxy password).
    bool Sync();

private:
    QString Path(const QString &name) const;

    mutable QSettings m_settings;
    QString m_key;
};
