#include "tsettingsstore.h"

#include "programfolders.h"

#include <QtCore/QFile>

#include <limits>

namespace {
// The INI name of a key's default value; no value name of ours is "@".
const QString kDefaultValueName = QStringLiteral("@");
}  // namespace

QString TSettingsStore::DefaultFileName()
{
    return ProgramFolders().ProfileFolder + QStringLiteral("Tarnel.ini");
}

TSettingsStore::TSettingsStore(const QString &fileName)
    : m_settings(fileName, QSettings::IniFormat)
{
}

QString TSettingsStore::FileName() const
{
    return m_settings.fileName();
}

bool TSettingsStore::KeyExists(const QString &key) const
{
    m_settings.beginGroup(key);
    const bool exists = !m_settings.childKeys().isEmpty() || !m_settings.childGroups().isEmpty();
    m_settings.endGroup();
    return exists;
}

bool TSettingsStore::OpenKey(const QString &key, bool canCreate)
{
    if (canCreate ? !m_settings.isWritable() : !KeyExists(key))
        return false;
    m_key = key;
    return true;
}

void TSettingsStore::CloseKey()
{
    m_key.clear();
}

void TSettingsStore::DeleteKey(const QString &key)
{
    if (!key.isEmpty())  // QSettings reads an empty key as "everything"
        m_settings.remove(key);
}

QString TSettingsStore::Path(const QString &name) const
{
    return m_key.isEmpty() ? name : m_key + u'/' + name;
}

bool TSettingsStore::ValueExists(const QString &name) const
{
    return m_settings.contains(Path(name));
}

QStringList TSettingsStore::ValueNames() const
{
    m_settings.beginGroup(m_key);
    QStringList names = m_settings.childKeys();
    m_settings.endGroup();
    names.removeAll(kDefaultValueName);
    return names;
}

bool TSettingsStore::ReadInteger(const QString &name, qint32 &value) const
{
    const QVariant v = m_settings.value(Path(name));
    if (!v.isValid() || v.typeId() == QMetaType::QStringList)
        return false;
    bool ok = false;
    qint64 number;
    if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString().trimmed();
        const bool hex = text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive);
        number = hex ? text.mid(2).toLongLong(&ok, 16) : text.toLongLong(&ok, 10);
    } else {
        number = v.toLongLong(&ok);
    }
    // A 32-bit value may be stored signed or unsigned; anything wider is not ours.
    if (!ok || number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<quint32>::max())
        return false;
    value = qint32(quint32(number));
    return true;
}

bool TSettingsStore::ReadBool(const QString &name, bool &value) const
{
    qint32 number;
    if (!ReadInteger(name, number))
        return false;
    value = number != 0;
    return true;
}

bool TSettingsStore::ReadString(const QString &name, QString &value) const
{
    const QVariant v = m_settings.value(Path(name));
    if (!v.isValid())
        return false;
    // An unquoted text with commas, typed by hand, comes back as a list.
    value = v.typeId() == QMetaType::QStringList ? v.toStringList().join(u',') : v.toString();
    return true;
}

void TSettingsStore::WriteInteger(const QString &name, qint32 value)
{
    m_settings.setValue(Path(name), value);
}

void TSettingsStore::WriteBool(const QString &name, bool value)
{
    m_settings.setValue(Path(name), value ? 1 : 0);
}

void TSettingsStore::WriteString(const QString &name, const QString &value)
{
    m_settings.setValue(Path(name), value);
}

void TSettingsStore::DeleteValue(const QString &name)
{
    m_settings.remove(Path(name));
}

bool TSettingsStore::ReadDefault(QString &value) const
{
    return ReadString(kDefaultValueName, value);
}

void TSettingsStore::WriteDefault(const QString &value)
{
    WriteString(kDefaultValueName, value);
}

bool TSettingsStore::Sync()
{
    m_settings.sync();
    QFile file(m_settings.fileName());
    if (file.exists())
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return m_settings.status() == QSettings::NoError;
}
