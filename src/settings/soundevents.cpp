#include "soundevents.h"

const QString kSoundKey = QStringLiteral("Options/Sound/");

namespace {
struct TSystemSound {
    const char *alias;
    const char *name;
    const char *item;
};

const TSystemSound kSystemSounds[] = {
    {"SystemDefault", "系统.默认", "Default"},
    {"SystemAsterisk", "系统.星号", "Asterisk"},
    {"SystemExclamation", "系统.惊叹号", "Exclamation"},
    {"SystemHand", "系统.终止", "Hand"},
    {"SystemQuestion", "系统.问题", "Question"},
};

const TSystemSound &SystemSound(qint32 system)
{
    return kSystemSounds[system >= 0 && system < 5 ? system : 0];
}

QString RowKey(int n)
{
    return kSoundKey + QString::number(n);
}
}  // namespace

TSoundEvents DefaultSoundEvents()
{
    static const char *const names[seCount] = {"程序启动", "已连接", "已断开", "错误", "传输正常", "传出错误"};
    TSoundEvents rows;
    for (int n = 0; n < seCount; ++n)
        rows[n].Name = QString::fromUtf8(names[n]);
    return rows;
}

QString SystemSoundAlias(qint32 system)
{
    return QString::fromLatin1(SystemSound(system).alias);
}

QString SystemSoundName(qint32 system)
{
    return QString::fromUtf8(SystemSound(system).name);
}

QString SystemSoundListItem(qint32 system)
{
    return QString::fromLatin1(SystemSound(system).item);
}

void LoadSounds(TSettingsStore &store, TSoundEvents &rows)
{
    const TSoundEvents defaults = DefaultSoundEvents();
    for (int n = 0; n < seCount; ++n) {
        TSoundEvent &row = rows[n];
        row = defaults[n];
        if (!store.OpenKey(RowKey(n), false))
            continue;
        store.ReadInteger(QStringLiteral("Type"), row.Type);
        store.ReadInteger(QStringLiteral("System"), row.System);
        store.ReadString(QStringLiteral("Filename"), row.Filename);
        store.CloseKey();
    }
}

void SaveSounds(TSettingsStore &store, const TSoundEvents &rows)
{
    for (int n = 0; n < seCount; ++n) {
        const TSoundEvent &row = rows[n];
        if (row.Filename.isEmpty() && row.Type == 0) {
            store.DeleteKey(RowKey(n));
            continue;
        }
        if (!store.OpenKey(RowKey(n), true))
            continue;
        store.WriteInteger(QStringLiteral("Type"), row.Type);
        store.WriteInteger(QStringLiteral("System"), row.System);
        store.WriteString(QStringLiteral("Filename"), row.Filename);
        store.CloseKey();
    }
    store.Sync();
}
